// Connects the list commands of the window: the Lists menu, the List
// download tab and the Create List window.
#include "app/dlform.h"
#include "app/handler_guard.h"

void TDLForm::WireLists()
{
}
