// Renders each tab of the main window, the Create List window and the
// preview window to PNG files in the given folder. Run through make.sh.
#include "app/application.h"
#include "app/dlform.h"
#include "app/list_box.h"
#include "app/message_log.h"
#include "app/shared_state.h"
#include "download/previewform.h"
#include "lists/createlist.h"

#include <QApplication>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    InitApplication(QStringLiteral("Grabulo"));
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    DLForm = new TDLForm;
    CreateList = new TCreateList(DLForm);
    PreviewForm = new TPreviewForm(DLForm);
    DLForm->show();
    DLForm->FormActivate();  // the interface language of a first start: English
    // A page as it looks after Load page.
    QList<QByteArray> links;
    for (const char *name : {"meadow.jpg", "sunset.png", "dusk.gif", "more/lake.jpg"})
        links << QByteArray("http://127.0.0.1:8080/gallery/") + name;
    DLForm->List2->SetItems(links);
    DLForm->List2->SetSelected(0, true);
    DLForm->List2->SetSelected(2, true);
    DLForm->Label10->setText(QStringLiteral("4"));
    DLForm->PokaziStevilko(4);
    for (const char *line : {"Connected successfuly.", "Connection closed.", "--- Page loaded.",
                             "Downloading meadow.jpg -> meadow.jpg", "Downloading dusk.gif -> dusk.gif"})
        DLForm->Log(QString::fromUtf8(line));
    DLForm->Memo3->Flush();
    DLForm->SetRich1Line(0, QStringLiteral("2/2: dusk.gif"));
    DLForm->SetRich1Line(1, QStringLiteral("48213 bytes"));
    DLForm->List3->SetItems({"127.0.0.1:8080/gallery/", "127.0.0.1:8080/gallery/more/"});
    const struct {
        QWidget *tab;
        const char *name;
    } tabs[] = {{DLForm->TabSheet1, "download-zone"},
                {DLForm->TabSheet4, "list-download"},
                {DLForm->TabSheet2, "settings"},
                {DLForm->TabSheet3, "about"}};
    bool ok = true;
    for (const auto &tab : tabs) {
        DLForm->PageControl1->setCurrentWidget(tab.tab);
        QApplication::processEvents();
        ok &= DLForm->grab().save(dir + "/" + tab.name + ".png");
    }
    CreateList->show();
    QApplication::processEvents();
    ok &= CreateList->grab().save(dir + "/create-list.png");
    delete DLForm;
    return ok ? 0 : 1;
}
