// The About tab: the usage statistic and the links.
#include "gui/dlform.h"
#include "gui/event_hook.h"
#include "gui/window_state.h"
#include "gui/platform.h"
#include "core/settings/settings_values.h"
#include "core/shared_state.h"
#include "core/statistics.h"
#include "base/convert.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextBlock>
#include <QUrl>

namespace {
// Opens an address or a file with the desktop's default handler; the
// outcome is not reported.
void OpenWithShell(const QUrl &url)
{
    OpenExternally(url);
}

void Colour(QLabel *label, Qt::GlobalColor colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}
}  // namespace

QString TDLForm::DLInstaliranDni() const
{
    return DaysInstalled(ReadSetting(Settings::Install), TimeStampMsecs());
}

QString TDLForm::DLTekelMinut() const
{
    return MinutesRunning(ReadSetting(Settings::Run), StartMsecs, TimeStampMsecs());
}

qint32 TDLForm::DLSteviloSlik() const
{
    // Saturated: a stored count near the top of the range must not wrap.
    return ClampToInt32(qint64(ReadSetting(Settings::Download)) + RunPictureCount);
}

void TDLForm::TabSheet3Show()
{
    RichEdit2->setText(StatisticSentence(DLInstaliranDni(), DLTekelMinut(), DLSteviloSlik(), EnglishUI != 0));
}

void TDLForm::TarvoFreeware()
{
    OpenWithShell(QUrl(MakerSiteAddress));
}

void TDLForm::Label4Click() { OpenWithShell(QUrl(ProductSiteAddress)); }
void TDLForm::Image6Click() { TarvoFreeware(); }
void TDLForm::Image8Click() { OpenWithShell(QUrl(Memo5->document()->findBlockByNumber(3).text())); }
void TDLForm::Label14Click() { OpenWithShell(QUrl(DonationAddress())); }
void TDLForm::Button180Click() { OpenWithShell(QUrl(DonationAddress())); }
void TDLForm::StatusBar1Click() { OpenWithShell(QUrl(QStringLiteral("https://grabulo.example.org/"))); }
void TDLForm::Button30Click() { ShowHelp(); }

QString TDLForm::HelpFile()
{
    return ExecutableFolder() + QStringLiteral("/help.htm");
}

void TDLForm::ShowHelp()
{
    const QUrl help = QUrl::fromLocalFile(HelpFile());
    if (OpenExternally(help))
        return;
    // No browser took it: the program shows the page itself.
    if (!HelpWindow) {
        HelpWindow = new QTextBrowser(this);
        HelpWindow->setWindowFlag(Qt::Window);
        HelpWindow->setObjectName(QStringLiteral("HelpWindow"));
        HelpWindow->setOpenExternalLinks(true);
        HelpWindow->resize(640, 560);
        // Escape closes it, as it closes a dialog.
        OnEvent(HelpWindow, QEvent::KeyPress, [this](QEvent *e) {
            if (static_cast<QKeyEvent *>(e)->key() == Qt::Key_Escape)
                HelpWindow->close();
        });
    }
    HelpWindow->setWindowTitle(Wording("Pomoč", "Help"));
    HelpWindow->setSource(help);
    HelpWindow->show();
    HelpWindow->raise();
    HelpWindow->activateWindow();
}

QString TDLForm::DonationAddress() const
{
    return ProductSiteAddress + QStringLiteral("donate.php");
}

void TDLForm::Label15Click()
{
    PageControl1->setCurrentWidget(TabSheet1);
    Colour(Label15, Qt::blue);
}

void TDLForm::HighlightLink(QLabel *hovered)
{
    for (QLabel *link : {Label4, Label14, Label15})
        Colour(link, link == hovered ? Qt::red : Qt::blue);
}
