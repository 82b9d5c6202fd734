#include "gui/dlform.h"
#include "core/settings/settings.h"
#include "gui/windows.h"
#include "core/settings/client_settings.h"
#include "core/download/saved_archive.h"

#include "gui/color_shape.h"
#include "gui/counter_display.h"
#include "gui/message_log.h"
#include "gui/paint_throttle.h"
#include "gui/panel_status_bar.h"
#include "core/settings/settings_store.h"
#include "core/settings/settings_values.h"
#include "core/shared_state.h"
#include "core/console_output.h"
#include "net/http_client.h"

#include <QAction>
#include <QMenu>
#include <QPalette>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

TDLForm::TDLForm(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("DLForm"));
    setWindowTitle(QStringLiteral("Grabulo"));
    // The settings in force, made before the controls that show them.
    Settings = new TSettings(this);
    BuildWindow();
    BuildNonVisual();
    WireSignals();
    InitSharedState();
}

TDLForm::~TDLForm() = default;

void TDLForm::BuildWindow()
{
    setGeometry(175, 96, kDefaultSize.width(), kDefaultSize.height());
    setMinimumSize(kLeastSize);
    Repaints = new PaintThrottle(this);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    PageControl1 = new QTabWidget(this);
    PageControl1->setDocumentMode(false);
    column->addWidget(PageControl1, 1);
    StatusBar1 = new PanelStatusBar({220, 220, 50}, this);
    StatusBar1->setFixedHeight(22);
    StatusBar1->setCursor(Qt::PointingHandCursor);
    StatusBar1->SetPanelText(0, QStringLiteral("Tarvove feke, 2003-2026"));
    StatusBar1->SetPanelText(1, QStringLiteral("https://grabulo.example.org/"));
    column->addWidget(StatusBar1);

    BuildDownloadTab();
    BuildListTab();
    BuildSettingsTab();
    BuildAboutTab();
    PageControl1->addTab(TabSheet1, QStringLiteral("Download zone"));
    PageControl1->addTab(TabSheet4, QStringLiteral("List download"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Settings"));
    PageControl1->addTab(TabSheet3, QStringLiteral("About"));
    // A new window opens where its work is: the Download zone.
    PageControl1->setCurrentWidget(TabSheet1);
}

void TDLForm::BuildNonVisual()
{
    PopupMenu1 = new QMenu(this);
    P1 = PopupMenu1->addAction(QStringLiteral("Naloži seznam iz tekstovne datoteke"));
    P2 = PopupMenu1->addAction(QStringLiteral("Naloži seznam iz HTML datoteke"));
    N1 = PopupMenu1->addSeparator();
    P3 = PopupMenu1->addAction(QStringLiteral("Shrani seznam v tekstovno datoteko"));
    P4 = PopupMenu1->addAction(QStringLiteral("Shrani seznam v HTML datoteko"));
    N2 = PopupMenu1->addSeparator();
    P5 = PopupMenu1->addAction(QStringLiteral("Naredi seznam"));

    const QString filter1 = QStringLiteral("*.html|*.html");
    const QString filter2 = QStringLiteral("*.txt|*.txt|*.*|*.*");
    const QString filter3 = QStringLiteral("*.html|*.html|*.*|*.*");
    OpenDialog1 = {TFileDialog::Open, filter1, {}, {}};
    SaveDialog1 = {TFileDialog::Save, filter2, QStringLiteral("*.txt"), {}};
    OpenDialog2 = {TFileDialog::Open, filter2, {}, {}};
    SaveDialog2 = {TFileDialog::Save, filter3, QStringLiteral("*.html"), {}};

    Timer1 = new QTimer(this);
    Timer1->setSingleShot(false);
    ConfigureHttpClients();
}

void TDLForm::ConfigureHttpClients()
{
    HTTP1 = new THttpClient(this);
    HTTP2 = new THttpClient(this);
    ::ConfigureHttpClients(*HTTP1, *HTTP2);
}

void TDLForm::InitSharedState()
{
    ::InitSharedState();
    InitWindowState();
}

// Lines quote names and addresses from pages and servers: their control
// characters are written out, so that no page can drive the terminal that
// follows standard output or split a line of the log.
void TDLForm::Log(const QString &text)
{
    Memo3->AppendLine(WriteLogLine(text));
}

void TDLForm::LogFailure(const QString &text)
{
    Memo3->AppendLine(WriteLogLine(text), true);
}

void TDLForm::ShowNewestLogLine()
{
    Memo3->ShowNewestLine();
}

void TDLForm::SetRich1Line(int n, const QString &text)
{
    Rich1->SetLine(n, text);
}

QString TDLForm::Rich1Line(int n) const
{
    return Rich1->Line(n);
}

void TDLForm::SetShape1Color(const QColor &color)
{
    Shape1->SetColor(color);
}

QColor TDLForm::Shape1Color() const
{
    return Shape1->Color();
}
