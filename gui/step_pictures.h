// The pictures of the window, bundled from assets/.
#pragma once

#include <QPixmap>

// The step picture n (1 to 5) of the step indicator.
QPixmap StepPicture(int n);
// A bundled picture by its file name in assets/, e.g. "paste.png".
QPixmap AssetPicture(const char *name);
