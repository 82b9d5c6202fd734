#include "download/previewform.h"

#include "app/dlform.h"
#include "app/handler_guard.h"
#include "app/platform.h"
#include "app/settings_values.h"
#include "app/shared_state.h"
#include "app/window_placement.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

TPreviewForm::TPreviewForm(QWidget *parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("PreviewForm"));
    setWindowTitle(QStringLiteral("Preview"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Image1 = new QLabel(this);
    Image1->setScaledContents(true);
    Image1->setFixedSize(171, 114);
    layout->addWidget(Image1);
    // Placed where it was left last time, if that is still on a screen.
    const QSize size = sizeHint();
    move(PlacedBounds({ReadSetting(Settings::PreviewLeft), ReadSetting(Settings::PreviewTop), size.width(),
                       size.height()},
                      size, QPoint(Settings::PreviewLeft.defaultValue, Settings::PreviewTop.defaultValue),
                      AvailableScreenAreas())
             .topLeft());
}

void TPreviewForm::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Guarded([] {
        if (DLForm)
            DLForm->CheckBox2->setChecked(false);
    });
}
