#include "gui/download/previewform.h"
#include "gui/windows.h"

#include "gui/dlform.h"
#include "gui/handler_guard.h"
#include "gui/platform.h"
#include "core/settings/settings_values.h"
#include "core/shared_state.h"
#include "core/settings/window_placement.h"
#include "gui/download/picture_preview.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

TPreviewForm::TPreviewForm(QWidget *parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("PreviewForm"));
    setWindowTitle(QStringLiteral("Preview"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Image1 = new QLabel(this);
    Image1->setScaledContents(true);
    Image1->setFixedSize(171, 114);
    layout->addWidget(Image1, 0, Qt::AlignCenter);
    setFixedSize(Image1->size());
    placeBeside_ = ReadSetting(Settings::PreviewLeft) == Settings::PreviewLeft.defaultValue
                   && ReadSetting(Settings::PreviewTop) == Settings::PreviewTop.defaultValue;
    // Placed where it was left last time, if that is still on a screen.
    const QSize size = sizeHint();
    move(PlacedBounds({ReadSetting(Settings::PreviewLeft), ReadSetting(Settings::PreviewTop), size.width(),
                       size.height()},
                      size, QPoint(Settings::PreviewLeft.defaultValue, Settings::PreviewTop.defaultValue),
                      AvailableScreenAreas())
             .topLeft());
}

namespace {
// What the window system adds around the client area: its own figures once
// the window has been shown, else a title bar and borders of the usual size.
QSize FrameExtra(const QWidget &window)
{
    const QSize extra = window.frameGeometry().size() - window.geometry().size();
    return extra.isEmpty() ? QSize(16, 40) : extra;
}
}  // namespace

bool TPreviewForm::HasPicture() const
{
    return !Image1->pixmap().isNull();
}

bool TPreviewForm::ShowPicture(const QByteArray &fileName, int scale)
{
    const QSize extra = FrameExtra(*this);
    const QRect area = NearestScreenArea(QRect(pos(), size() + extra), AvailableScreenAreas());
    const QSize room = !box_.isEmpty() ? box_ : area.isEmpty() ? QSize() : area.size() - extra;
    if (!ShowPictureScaled(*Image1, fileName, scale, room))
        return false;
    if (box_.isEmpty()) {
        box_ = Image1->size().expandedTo(QSize(171, 114));
        if (room.isValid())
            box_ = box_.boundedTo(room);
        setFixedSize(box_);
        if (placeBeside_)
            PlaceBesideTheMainWindow(area);
    }
    setWindowTitle(windowTitle().section(QStringLiteral(" - "), 0, 0) + QStringLiteral(" - ")
                   + QFile::decodeName(fileName));
    KeepOnScreen();
    show();
    return true;
}

void TPreviewForm::PlaceBesideTheMainWindow(const QRect &area)
{
    placeBeside_ = false;
    if (!DLForm || !DLForm->isVisible())
        return;
    const QRect log(DLForm->Panel3->mapToGlobal(QPoint(0, 0)), DLForm->Panel3->size());
    const QSize extra = FrameExtra(*this);
    const QRect frame = PlaceBeside(size() + extra, DLForm->frameGeometry(), log, area);
    if (frame.size() != size() + extra) {  // over the log: as small as it is
        box_ = (frame.size() - extra).expandedTo(QSize(1, 1));
        Image1->setFixedSize(FitInside(Image1->size(), box_));
        setFixedSize(box_);
    }
    move(frame.topLeft());
}

void TPreviewForm::KeepOnScreen()
{
    const QRect frame(pos(), size() + FrameExtra(*this));
    const QRect area = NearestScreenArea(frame, AvailableScreenAreas());
    const QPoint place = MovedInto(frame, area).topLeft();
    if (place != pos())
        move(place);
}

void TPreviewForm::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Guarded([] {
        if (DLForm)
            DLForm->CheckBox2->setChecked(false);
    });
}
