// Connects the window's controls to its commands, each run inside the
// handler guard so that no failure escapes into the event loop.
#include "app/dlform.h"
#include "app/handler_guard.h"

#include <QComboBox>
#include <QTabWidget>

void TDLForm::WireSignals()
{
    connect(PageControl1, &QTabWidget::currentChanged, this, Guard([this] {
                if (PageControl1->currentWidget() == TabSheet1)
                    TabSheet1Show();
            }));
}

void TDLForm::TabSheet1Show()
{
    Combo1->setFocus(Qt::OtherFocusReason);
}
