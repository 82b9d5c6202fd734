// Renders each tab of the main window, the Create List window and the
// preview window to PNG files in the given folder; then every tab and
// window (the help window and a batch in progress too) in English and in
// Slovene into <folder>/en-<scale>/ and <folder>/sl-<scale>/. Run through
// make.sh, which runs it once at each scale.
//
//   grabulo_screenshots FOLDER HELP_FILE [SCALE_LABEL]
//
// The five pictures in FOLDER itself (the ones the AppStream metadata
// shows) are written only at the scale label "1.0", the default.
#include "gui/application.h"
#include "gui/dlform.h"
#include "gui/list_box.h"
#include "gui/message_log.h"
#include "gui/panel_status_bar.h"
#include "gui/platform.h"
#include "gui/windows.h"
#include "core/shared_state.h"
#include "core/settings/window_placement.h"
#include "core/download/batch_progress.h"
#include "gui/download/previewform.h"
#include "gui/lists/createlist.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QProgressBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>

namespace {

// A page as it looks after Load page, and a batch under way.
void FillDownloadZone()
{
    QList<QByteArray> links;
    for (const char *name : {"meadow.jpg", "sunset.png", "dusk.gif", "more/lake.jpg"})
        links << QByteArray("http://127.0.0.1:8080/gallery/") + name;
    DLForm->List2->SetItems(links);
    DLForm->List2->SetSelected(0, true);
    DLForm->List2->SetSelected(2, true);
    DLForm->Label10->setText(QStringLiteral("4"));
    DLForm->PokaziStevilko(4);
    DLForm->Status1->SetPanelText(2, QString());
    for (const char *line : {"Connected successfully.", "Connection closed.", "--- Page loaded.",
                             "Downloading meadow.jpg -> meadow.jpg", "Downloading dusk.gif -> dusk.gif"})
        DLForm->Log(QString::fromUtf8(line));
    DLForm->Memo3->Flush();
    DLForm->SetRich1Line(0, QStringLiteral("2/2: dusk.gif"));
    DLForm->SetRich1Line(1, QStringLiteral("48213") + Wording(" bajtov", " bytes"));
    DLForm->List3->SetItems({"127.0.0.1:8080/gallery/", "127.0.0.1:8080/gallery/more/"});
}

bool Save(QWidget *window, const QString &path)
{
    // Twice: a scroll bar that appears lays the scrolled contents out again.
    QApplication::processEvents();
    QApplication::processEvents();
    return window->grab().save(path);
}

// The main window as a batch runs and as one ends with a failed file.
bool SaveBatchStates(const QString &dir)
{
    const bool english = EnglishUI == 1;
    BatchRunning = true;
    DLForm->ShowBusyState();
    TBatchProgress progress{229, 1000, 1, qint64(1900) * 1024, 184000};
    progress.bytesSaved = progress.bytes;
    DLForm->Status1->SetPanelTexts(2, ProgressChoices(progress, english));
    DLForm->ShowTotalProgress(progress);
    bool ok = Save(DLForm, dir + "/download-busy.png");
    DLForm->TotalProgress->hide();
    BatchRunning = false;
    DLForm->ShowBusyState();
    DLForm->LogFailure(Wording("Datoteke sunset.png ni bilo mogoče shraniti: strežnik je odgovoril 404 Not Found",
                               "File sunset.png was not saved: the server answered 404 Not Found"));
    DLForm->LogFailure(QStringLiteral("Failed: http://127.0.0.1:8080/gallery/sunset.png"));
    DLForm->Tally = {3, 1, 0};
    DLForm->ShowBatchEnd(false);
    DLForm->FailedFiles = {{"http://127.0.0.1:8080/gallery/sunset.png", {}}};
    DLForm->ShowFailedFiles();
    DLForm->Memo3->ShowNewestLine();
    ok &= Save(DLForm, dir + "/download-finished.png");
    DLForm->HideBatchEnd();
    DLForm->Memo3->Clear();
    return ok;
}

// A small landscape for the preview window.
QByteArray MakePicture(const QTemporaryDir &tmp)
{
    QImage image(600, 420, QImage::Format_RGB32);
    QPainter paint(&image);
    QLinearGradient sky(0, 0, 0, 420);
    sky.setColorAt(0, QColor(0x6f, 0xa8, 0xdc));
    sky.setColorAt(1, QColor(0xf6, 0xc2, 0x8b));
    paint.fillRect(image.rect(), sky);
    paint.setBrush(QColor(0x4a, 0x7a, 0x3a));
    paint.setPen(Qt::NoPen);
    paint.drawEllipse(QPoint(150, 470), 360, 170);
    paint.setBrush(QColor(0x3c, 0x66, 0x30));
    paint.drawEllipse(QPoint(520, 480), 300, 150);
    paint.end();
    const QString path = tmp.filePath(QStringLiteral("meadow.png"));
    image.save(path);
    return path.toUtf8();
}

// The four tabs and the Create list window, into dir.
bool SaveTabsAndCreateList(const QString &dir)
{
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
        ok &= Save(DLForm, dir + "/" + tab.name + ".png");
    }
    DLForm->PageControl1->setCurrentWidget(DLForm->TabSheet1);
    CreateList->show();
    ok &= Save(CreateList, dir + "/create-list.png");
    CreateList->hide();
    return ok;
}

// Every tab and window in the language in force, into dir.
bool SaveEverything(const QString &dir, const QString &helpFile, const QByteArray &picture)
{
    QDir().mkpath(dir);
    FillDownloadZone();
    bool ok = SaveTabsAndCreateList(dir);
    ok &= SaveBatchStates(dir);
    PreviewForm->ShowPicture(picture, 1);
    PreviewForm->show();
    ok &= Save(PreviewForm, dir + "/preview.png");
    PreviewForm->hide();
    DLForm->ShowHelp();
    if (DLForm->HelpWindow) {
        DLForm->HelpWindow->setSource(QUrl::fromLocalFile(helpFile));
        ok &= Save(DLForm->HelpWindow, dir + "/help.png");
        DLForm->HelpWindow->hide();
    } else {
        ok = false;
    }
    return ok;
}

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    InitApplication(QStringLiteral("Grabulo"));
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const QString helpFile =
        QFileInfo(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("help.htm")).absoluteFilePath();
    const QString scale = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("1.0");
    SetExternalOpener([](const QUrl &) { return false; });  // help in the program's own window
    QTemporaryDir tmp;
    const QByteArray picture = MakePicture(tmp);
    DLForm = new TDLForm;
    CreateList = new TCreateList(DLForm);
    PreviewForm = new TPreviewForm(DLForm);
    // As a first start places it: on a small screen, smaller and scrolling.
    DLForm->setGeometry(FittedAtDefaultPlace(QRect(QPoint(20, 20), TDLForm::kDefaultSize), TDLForm::kLeastSize,
                                             TDLForm::kUsualFrame, AvailableScreenAreas()));
    DLForm->show();
    DLForm->FormActivate();  // the interface language of a first start: English
    bool ok = true;
    if (scale == QLatin1String("1.0")) {
        // The pictures of the metadata: the first start, as they always were.
        FillDownloadZone();
        ok &= SaveTabsAndCreateList(dir);
        DLForm->Memo3->Clear();
    }
    DLForm->ENGClick();
    ok &= SaveEverything(dir + "/en-" + scale, helpFile, picture);
    DLForm->SLOClick();
    ok &= SaveEverything(dir + "/sl-" + scale, helpFile, picture);
    delete DLForm;
    return ok ? 0 : 1;
}
