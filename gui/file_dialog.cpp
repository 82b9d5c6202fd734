#include "gui/file_dialog.h"

#include "gui/dialogs.h"

bool TFileDialog::Execute()
{
    const QString chosen = kind == Open ? Dialogs().OpenFile(Filter) : Dialogs().SaveFile(Filter, DefaultExt);
    if (chosen.isEmpty())
        return false;
    FileName = chosen;
    return true;
}
