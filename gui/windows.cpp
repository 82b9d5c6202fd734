#include "gui/windows.h"

TDLForm *DLForm = nullptr;
TCreateList *CreateList = nullptr;
TPreviewForm *PreviewForm = nullptr;
