// Loading a saved picture into the preview's picture control.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

class QLabel;

// The picture in the file, decoded by the decoder its extension names
// (gif, jpg and jpeg, bmp, ico; the case of the extension does not count).
// A null image for any other extension, a damaged or a missing file.
QImage LoadPictureByExtension(const QByteArray &fileName);

// A natural size divided by the scale, each side rounded to the nearest
// whole number (a half to the even one): 300 x 150 by 3 is 100 x 50.
QSize ScaledPreviewSize(QSize natural, int scale);

// Loads the file into the control when it can and then sizes the control
// to the scaled size of the picture it holds (its previous one when the
// load failed). Returns whether the load succeeded.
bool ShowPictureScaled(QLabel &image, const QByteArray &fileName, int scale);
