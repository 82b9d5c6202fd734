// The file-type filter of the link scanner: the entries of the type list.
#pragma once

#include <QStringList>

// The 17 captions of the type filter, in order; entry 0 is in force at start.
QStringList FileTypeFilterCaptions();
