// The Lists menu: loading List2 from a text or HTML list file, saving it in
// either format, the Create List window; and saving the page list List3.
#include "gui/dlform.h"
#include "gui/windows.h"
#include "gui/list_box.h"
#include "core/shared_state.h"
#include "base/text_lines.h"
#include "gui/lists/createlist.h"
#include "core/lists/list_file_format.h"
#include "core/lists/list_file_io.h"

#include <QMenu>
#include <QPushButton>

namespace {
void LogListSaved(TDLForm &form)
{
    form.Log(Wording("Seznam shranjen.", "List saved."));
}
}  // namespace

void TDLForm::Button9Click()
{
    // Just below the right end of the button, wherever the window stands.
    PopupMenu1->popup(Button9->mapToGlobal(QPoint(Button9->width(), Button9->height())));
}

void TDLForm::P1Click()
{
    if (!OpenDialog2.Execute())
        return;
    PokaziStevilko(3);
    List2->SetItems(ReadListFile(OpenDialog2.FileName));
    OdstraniDuplikatneVrstice(List2);
}

void TDLForm::P2Click()
{
    if (!OpenDialog1.Execute())
        return;
    PokaziStevilko(3);
    List2->Clear();
    Memo2.clear();
    Memo2 = ReadListText(OpenDialog1.FileName);
    SplitPageAddress();
    ObdelajHTML();
    ObdelajPovezave();
    OdstraniDuplikatneVrstice(List2);
}

void TDLForm::P3Click()
{
    if (!SaveDialog1.Execute())
        return;
    WriteListFile(SaveDialog1.FileName, TextListLines(List2->Items()));
    LogListSaved(*this);
}

void TDLForm::P4Click()
{
    if (!SaveDialog2.Execute())
        return;
    List5 = HtmlListLines(List2->Items());
    WriteListFile(SaveDialog2.FileName, List5);
    LogListSaved(*this);
}

void TDLForm::P5Click()
{
    if (CreateList)
        CreateList->exec();
}

void TDLForm::Button19Click()
{
    if (!SaveDialog1.Execute())
        return;
    WriteListFile(SaveDialog1.FileName, TextListLines(List3->Items()));
    LogListSaved(*this);
}
