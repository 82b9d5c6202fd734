// Connects the list commands of the window: the Lists menu, the List
// download tab and the Create List window.
#include "app/dlform.h"
#include "app/event_hook.h"
#include "app/handler_guard.h"
#include "app/list_box.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>

void TDLForm::WireLists()
{
    connect(Button9, &QPushButton::clicked, this, Guard([this] { Button9Click(); }));
    connect(P1, &QAction::triggered, this, Guard([this] { P1Click(); }));
    connect(P2, &QAction::triggered, this, Guard([this] { P2Click(); }));
    connect(P3, &QAction::triggered, this, Guard([this] { P3Click(); }));
    connect(P4, &QAction::triggered, this, Guard([this] { P4Click(); }));
    connect(P5, &QAction::triggered, this, Guard([this] { P5Click(); }));
    connect(Button19, &QPushButton::clicked, this, Guard([this] { Button19Click(); }));

    connect(Button13, &QPushButton::clicked, this, Guard([this] { Button13Click(); }));
    connect(Button15, &QPushButton::clicked, this, Guard([this] { Button15Click(); }));
    connect(Button14, &QPushButton::clicked, this, Guard([this] { Button14Click(); }));
    connect(Button16, &QPushButton::clicked, this, Guard([this] { Button16Click(); }));
    connect(Button17, &QPushButton::clicked, this, Guard([this] { Button17Click(); }));
    connect(SpeedButton1, &QToolButton::clicked, this, Guard([this] { SpeedButton1Click(); }));
    connect(SpeedButton6, &QToolButton::clicked, this, Guard([this] { SpeedButton6Click(); }));
    OnEvent(Edit7, QEvent::KeyRelease, [this](QEvent *e) { Edit7KeyUp(static_cast<QKeyEvent *>(e)->key()); });
    OnEvent(List3, QEvent::KeyRelease, [this](QEvent *e) {
        auto *key = static_cast<QKeyEvent *>(e);
        List3KeyUp(key->key(), key->modifiers());
    });
    OnEvent(List3->viewport(), QEvent::MouseButtonDblClick, [this](QEvent *) { List3DblClick(); });
    OnEvent(List3->viewport(), QEvent::MouseMove, [this](QEvent *e) {
        List3MouseMove(static_cast<QMouseEvent *>(e)->position().toPoint());
    });
}
