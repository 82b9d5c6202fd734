// How one attempt at a file of a batch ended, for the steps in
// dlform_download.cpp and the walk of several files at once.
#pragma once

#include "gui/dlform.h"

enum class TDLForm::DownloadStep : int {
    Saved,   // under its final name and counted
    Ended,   // nothing to record: stopped, or reported otherwise
    Retry,   // worth another attempt
    Failed,  // logged with the reason and recorded in error.log
};
