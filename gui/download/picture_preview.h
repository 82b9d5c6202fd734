// Loading a saved picture into the preview's picture control, and the size
// and place of the preview window on the screens.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>

class QLabel;

// The picture in the file, in any format Qt's image readers decode, told by
// the file's content (the extension only where the content leaves it open).
// A null image for a file that is no picture, a damaged or a missing file.
QImage LoadPicture(const QByteArray &fileName);

// A natural size divided by the scale, each side rounded to the nearest
// whole number (a half to the even one): 300 x 150 by 3 is 100 x 50.
QSize ScaledPreviewSize(QSize natural, int scale);

// The size made to fit inside bounds with its proportions kept (each side
// at least 1); a size that fits already is returned as it is.
QSize FitInside(QSize size, QSize bounds);

// The area of the screen a window at frame lies on: the one it overlaps
// most, else the nearest one. An empty rectangle when there are no screens.
QRect NearestScreenArea(const QRect &frame, const QList<QRect> &screens);

// The frame moved (never resized) into area; when it is larger than the
// area, its top left corner goes to the area's, so that the title bar and
// its close button stay on the screen.
QRect MovedInto(const QRect &frame, const QRect &area);

// Where a preview window of the given frame size goes when first shown, so
// that it covers no command of the main window: beside the main window's
// frame (right, left, below, above) inside area; where none has room, made
// smaller (proportions kept, not below least) to lie over the bottom right
// corner of spare (the main window's log, which holds no command). The
// frame's bounds, moved into area either way.
QRect PlaceBeside(QSize frame, const QRect &mainFrame, const QRect &spare, const QRect &area, QSize least = {64, 48});

// Loads the file into the control when it can and then sizes the control
// to the scaled size of the picture it holds (its previous one when the
// load failed), made smaller to fit maximum when it is larger. Returns
// whether the load succeeded.
bool ShowPictureScaled(QLabel &image, const QByteArray &fileName, int scale, QSize maximum = {});
