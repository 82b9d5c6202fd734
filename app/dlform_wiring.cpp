// Connects the window's controls to its commands, each run inside the
// handler guard so that no failure escapes into the event loop.
#include "app/dlform.h"
#include "app/event_hook.h"
#include "app/handler_guard.h"
#include "app/list_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

void TDLForm::WireSignals()
{
    connect(PageControl1, &QTabWidget::currentChanged, this, Guard([this] {
                if (PageControl1->currentWidget() == TabSheet1)
                    TabSheet1Show();
            }));
    WireLinkList();
    WirePageLoad();
    WireHttp1();
    WireHttp2();
    WireDownloads();
    WireLists();
}

void TDLForm::WireDownloads()
{
    connect(Button4, &QPushButton::clicked, this, Guard([this] { Button4Click(); }));
    connect(Timer1, &QTimer::timeout, this, Guard([this] { Timer1Timer(); }));
    connect(CheckBox2, &QCheckBox::toggled, this, Guard([this] { CheckBox2Click(); }));
    connect(Button181, &QPushButton::clicked, this, Guard([this] { Button181Click(); }));
}

void TDLForm::WirePageLoad()
{
    connect(Button2, &QPushButton::clicked, this, Guard([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, Guard([this] { Button3Click(); }));
    connect(Button5, &QPushButton::clicked, this, Guard([this] { Button5Click(); }));
    connect(Button18, &QPushButton::clicked, this, Guard([this] { Button18Click(); }));
    connect(Button1, &QPushButton::clicked, this, Guard([this] { Button1Click(); }));
    // Only the user's edits and picks count as a change of the address.
    connect(Combo1->lineEdit(), &QLineEdit::textEdited, this, Guard([this] { Combo1Change(); }));
    connect(Combo1, &QComboBox::activated, this, Guard([this] { Combo1Change(); }));
    OnEvent(Combo1->lineEdit(), QEvent::KeyRelease,
            [this](QEvent *e) { Combo1KeyUp(static_cast<QKeyEvent *>(e)->key()); });
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
