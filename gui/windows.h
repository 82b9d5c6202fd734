// The three windows, created in this order by the main routine: the only
// globals of the window side.
#pragma once

class TDLForm;
class TCreateList;
class TPreviewForm;

extern TDLForm *DLForm;
extern TCreateList *CreateList;
extern TPreviewForm *PreviewForm;
