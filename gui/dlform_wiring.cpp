// Every signal of the main window is connected here: its controls to its
// commands, each run inside the handler guard so that no failure escapes
// into the event loop, the two HTTP clients' events to the window's
// handlers, and the list commands of the Lists menu, the List download tab
// and the Create List window.
#include "gui/dlform.h"
#include "core/settings/settings.h"
#include "gui/event_hook.h"
#include "gui/handler_guard.h"
#include "gui/list_box.h"
#include "gui/message_log.h"
#include "gui/panel_status_bar.h"
#include "net/http_client.h"
#include "core/scan/page_loader.h"
#include "core/scan/page_walk.h"
#include "core/shared_state.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QToolButton>

#include <memory>

void TDLForm::WireSignals()
{
    connect(PageControl1, &QTabWidget::currentChanged, this, Guard([this] {
                if (PageControl1->currentWidget() == TabSheet1)
                    TabSheet1Show();
            }));
    WireLinkList();
    WirePageLoad();
    WireFindChoice();
    WireHttp1();
    WireHttp2();
    WireDownloads();
    WireLists();
    WireSettings();
    WireAbout();
}

void TDLForm::WireSettings()
{
    connect(Settings, &TSettings::Changed, this, Guard([this] {
                ApplySettingsToClients();
                if (StoreChoicesAtOnce && !ShuttingDown)
                    Settings->StoreChoices();
            }));
    // Each control writes its field as it changes, whoever changes it; the
    // handlers further down check and say what is wrong as they always have.
    const auto field = [this](std::function<void(TSettingsValues &)> edit) {
        return Guard([this, edit] { ChangeSettings(edit); });
    };
    connect(Edit6, &QLineEdit::textChanged, this, field([this](TSettingsValues &v) { v.startDir = Edit6->text(); }));
    connect(CheckBox1, &QCheckBox::toggled, this, field([this](TSettingsValues &v) { v.proxy = CheckBox1->isChecked(); }));
    connect(Edit1, &QLineEdit::textChanged, this, field([this](TSettingsValues &v) { v.proxyHost = Edit1->text(); }));
    connect(Edit5, &QLineEdit::textChanged, this, field([this](TSettingsValues &v) { v.proxyPort = Edit5->text(); }));
    connect(CheckBox7, &QCheckBox::toggled, this,
            field([this](TSettingsValues &v) { v.modernPages = CheckBox7->isChecked(); }));
    connect(CheckBox4, &QCheckBox::toggled, this,
            field([this](TSettingsValues &v) { v.sizeFilter = CheckBox4->isChecked(); }));
    connect(Button7, &QPushButton::clicked, this, Guard([this] { Button7Click(); }));
    connect(CheckBox1, &QCheckBox::clicked, this, Guard([this] { CheckBox1Click(); }));
    OnEvent(Edit1, QEvent::FocusOut, [this](QEvent *) { Edit1Exit(); });
    OnEvent(Edit5, QEvent::FocusOut, [this](QEvent *) { Edit5Exit(); });
    connect(CheckBox6, &QCheckBox::clicked, this, Guard([this] { CheckBox6Click(); }));
    connect(CheckBox7, &QCheckBox::clicked, this, Guard([this] { CheckBox7Click(); }));
    connect(Button8, &QPushButton::clicked, this, Guard([this] { Button8Click(); }));
    connect(Button10, &QPushButton::clicked, this, Guard([this] { Button10Click(); }));
    OnEvent(Edit6, QEvent::KeyRelease, [this](QEvent *e) { Edit6KeyUp(static_cast<QKeyEvent *>(e)->key()); });
    connect(Edit10, &QLineEdit::textChanged, this, Guard([this] { Edit10Change(); }));
    connect(SpinEdit2, &QSpinBox::valueChanged, this, Guard([this] { SpinEdit2Change(); }));
    connect(Edit13, &QLineEdit::textChanged, this, Guard([this] { Edit13Change(); }));
    connect(Edit12, &QLineEdit::textChanged, this, Guard([this] { Edit12Change(); }));
    OnEvent(Edit12, QEvent::FocusOut, [this](QEvent *) { Edit12Exit(); });
    connect(CheckBox3, &QCheckBox::clicked, this, Guard([this] { CheckBox3Click(); }));
    connect(Button12, &QPushButton::clicked, this, Guard([this] { Button12Click(); }));
    connect(Button11, &QPushButton::clicked, this, Guard([this] { Button11Click(); }));
    OnEvent(Memo3->viewport(), QEvent::MouseButtonDblClick, [this](QEvent *) { Memo3DblClick(); });
}

void TDLForm::WireAbout()
{
    OnEvent(TabSheet3, QEvent::Show, [this](QEvent *) { TabSheet3Show(); });
    const auto onClick = [](QWidget *control, std::function<void()> handler) {
        OnEvent(control, QEvent::MouseButtonRelease, [handler](QEvent *) { handler(); });
    };
    onClick(Label4, [this] { Label4Click(); });
    onClick(Label14, [this] { Label14Click(); });
    onClick(Label15, [this] { Label15Click(); });
    onClick(Image6, [this] { Image6Click(); });
    onClick(Image8, [this] { Image8Click(); });
    onClick(Image7, [this] { Button180Click(); });
    for (QLabel *link : {Label4, Label14, Label15})
        OnEvent(link, QEvent::MouseMove, [this, link](QEvent *) { HighlightLink(link); });
    OnEvent(Panel5, QEvent::MouseMove, [this](QEvent *) { HighlightLink(nullptr); });
    connect(Button180, &QPushButton::clicked, this, Guard([this] { Button180Click(); }));
    connect(Button30, &QPushButton::clicked, this, Guard([this] { Button30Click(); }));
    HelpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(HelpKey, &QShortcut::activated, this, Guard([this] { ShowHelp(); }));
    connect(StatusBar1, &PanelStatusBar::clicked, this, Guard([this] { StatusBar1Click(); }));
}

void TDLForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The first activation's set-up also runs where the platform does not
    // activate windows (the offscreen platform).
    QTimer::singleShot(0, this, Guard([this] { FormActivate(); }));
}

void TDLForm::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Guarded([this] { FormActivate(); });
}

void TDLForm::WireHttp1()
{
    // HTTP1 is the page client: the page loader drives it and tells of its events.
    PageLoader = new TPageLoader(*HTTP1, this);
    PageLoader->FollowLanguage([] { return EnglishUI != 0; });
    connect(PageLoader, &TPageLoader::HostResolved, this, &TDLForm::HTTP1HostResolved);
    connect(PageLoader, &TPageLoader::Connected, this, &TDLForm::HTTP1Connect);
    connect(PageLoader, &TPageLoader::ConnectionFailed, this, &TDLForm::HTTP1ConnectionFailed);
    connect(PageLoader, &TPageLoader::InvalidHost, this, &TDLForm::HTTP1InvalidHost);
    connect(PageLoader, &TPageLoader::Failure, this, &TDLForm::HTTP1Failure);
    connect(PageLoader, &TPageLoader::Disconnected, this, &TDLForm::HTTP1Disconnect);
    connect(PageLoader, &TPageLoader::StatusReceived, this, &TDLForm::HTTP1Status);
    connect(PageLoader, &TPageLoader::PageArrived, this, &TDLForm::HTTP1Success);
    PageWalk = new TPageWalk(*PageLoader, this);
    PageWalk->SetPace(
        [this](const QByteArray &address) { return Batch.PaceRequest(address, Settings->Values().wait); });
    connect(PageWalk, &TPageWalk::LogLine, this, &TDLForm::Log);
}

void TDLForm::WireHttp2()
{
    HTTP2->OnPacketRecvd = [this](TSocketConnection *s) { HTTP2PacketRecvd(s); };
    HTTP2->OnAboutToSend = [this](TSocketConnection *s) { HTTP2AboutToSend(s); };
    HTTP2->OnSuccess = [this](THttpClient *s, quint8 cmd) { HTTP2Success(s, cmd); };
}

void TDLForm::WireDownloads()
{
    connect(Button4, &QPushButton::clicked, this, Guard([this] { Button4Click(); }));
    connect(Timer1, &QTimer::timeout, this, Guard([this] { Timer1Timer(); }));
    connect(CheckBox2, &QCheckBox::toggled, this, Guard([this] { CheckBox2Click(); }));
    connect(Button181, &QPushButton::clicked, this, Guard([this] { Button181Click(); }));
    WireBatchRunner();
}

void TDLForm::WirePageLoad()
{
    // An address dropped anywhere on the window goes to the address box; the
    // box's line edit takes no drops of its own (it would insert the text
    // into what is there) and the read-only log none at all.
    setAcceptDrops(true);
    Combo1->lineEdit()->setAcceptDrops(false);
    Memo3->setAcceptDrops(false);
    connect(Button2, &QPushButton::clicked, this, Guard([this] { LoadPageCommand(); }));
    connect(Button3, &QPushButton::clicked, this, Guard([this] { Button3Click(); }));
    connect(Button5, &QPushButton::clicked, this, Guard([this] { Button5Click(); }));
    connect(Button18, &QPushButton::clicked, this, Guard([this] { Button18Click(); }));
    connect(Button1, &QPushButton::clicked, this, Guard([this] { Button1Click(); }));
    // Only the user's edits and picks count as a change of the address.
    connect(Combo1->lineEdit(), &QLineEdit::textEdited, this, Guard([this] { AddressTyped(); }));
    connect(Combo1, &QComboBox::activated, this, Guard([this] { Combo1Pick(Combo1->currentIndex()); }));
    connect(Combo1, &QComboBox::activated, this, Guard([this] { Combo1Change(); }));
    // The line edit's focus proxy is the box itself: the window system hands
    // the keys to Combo1, which passes them to its line edit by a direct call
    // that no event filter sees. A key sent to the line edit itself (an input
    // method, an accessibility tool) reaches the line edit's filter instead,
    // and goes up to the box too when the line edit leaves it. Both are
    // watched; an event seen by the line edit's hook is not handled again by
    // the box's while it goes up (the mark is cleared once it is delivered).
    auto seen = std::make_shared<const QEvent *>(nullptr);
    OnEvent(Combo1->lineEdit(), QEvent::KeyRelease, [this, seen](QEvent *e) {
        *seen = e;
        QTimer::singleShot(0, this, [seen] { *seen = nullptr; });
        LoadPageKey(static_cast<QKeyEvent *>(e)->key());
    });
    OnEvent(Combo1, QEvent::KeyRelease, [this, seen](QEvent *e) {
        if (e != *seen)
            LoadPageKey(static_cast<QKeyEvent *>(e)->key());
    });
}

void TDLForm::WireLinkList()
{
    connect(SpeedButton3, &QToolButton::clicked, this, Guard([this] { SpeedButton3Click(); }));
    connect(SpeedButton2, &QToolButton::clicked, this, Guard([this] { SpeedButton2Click(); }));
    connect(SpeedButton4, &QToolButton::clicked, this, Guard([this] { SpeedButton4Click(); }));
    connect(SpeedButton5, &QToolButton::clicked, this, Guard([this] { SpeedButton5Click(); }));
    connect(Combo2, &QComboBox::activated, this, Guard([this] { Combo2Change(); }));
    connect(Button6, &QPushButton::clicked, this, Guard([this] { Button6Click(); }));
    OnEvent(List2, QEvent::KeyRelease, [this](QEvent *e) {
        auto *key = static_cast<QKeyEvent *>(e);
        List2KeyUp(key->key(), key->modifiers());
    });
    OnEvent(List2->viewport(), QEvent::MouseButtonRelease, [this](QEvent *) { List2Click(); });
    OnEvent(List2->viewport(), QEvent::MouseMove, [this](QEvent *e) {
        List2MouseMove(static_cast<QMouseEvent *>(e)->position().toPoint());
    });
    OnEvent(Edit4, QEvent::MouseButtonDblClick, [this](QEvent *) { Edit4DblClick(); });
}

void TDLForm::TabSheet1Show()
{
    Combo1->setFocus(Qt::OtherFocusReason);
}

void TDLForm::WireLists()
{
    connect(Button9, &QPushButton::clicked, this, Guard([this] { Button9Click(); }));
    connect(P1, &QAction::triggered, this, Guard([this] { P1Click(); }));
    connect(P2, &QAction::triggered, this, Guard([this] { P2Click(); }));
    connect(P3, &QAction::triggered, this, Guard([this] { P3Click(); }));
    connect(P4, &QAction::triggered, this, Guard([this] { P4Click(); }));
    connect(P5, &QAction::triggered, this, Guard([this] { P5Click(); }));
    connect(Button19, &QPushButton::clicked, this, Guard([this] { Button19Click(); }));

    connect(Button13, &QPushButton::clicked, this, Guard([this] { PageListCommand([this] { Button13Click(); }); }));
    connect(Button15, &QPushButton::clicked, this, Guard([this] { PageListCommand([this] { Button15Click(); }); }));
    connect(Button14, &QPushButton::clicked, this, Guard([this] { StartListCommand(); }));
    connect(Button16, &QPushButton::clicked, this, Guard([this] { Button16Click(); }));
    connect(Button17, &QPushButton::clicked, this, Guard([this] { Button17Click(); }));
    connect(SpeedButton1, &QToolButton::clicked, this, Guard([this] { SpeedButton1Click(); }));
    connect(SpeedButton6, &QToolButton::clicked, this, Guard([this] { SpeedButton6Click(); }));
    OnEvent(Edit7, QEvent::KeyRelease, [this](QEvent *e) {
        const int key = static_cast<QKeyEvent *>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            PageListCommand([this, key] { Edit7KeyUp(key); });
        else
            Edit7KeyUp(key);
    });
    OnEvent(List3, QEvent::KeyRelease, [this](QEvent *e) {
        auto *key = static_cast<QKeyEvent *>(e);
        List3KeyUp(key->key(), key->modifiers());
    });
    OnEvent(List3->viewport(), QEvent::MouseButtonDblClick, [this](QEvent *) { List3DblClick(); });
    List3->AcceptDroppedLines([this](const QList<QByteArray> &lines) { Guarded([&] { List3Dropped(lines); }); });
    OnEvent(List3->viewport(), QEvent::MouseMove, [this](QEvent *e) {
        List3MouseMove(static_cast<QMouseEvent *>(e)->position().toPoint());
    });
}
