// The step indicator and emptying the link lists.
#include "gui/dlform.h"
#include "gui/list_box.h"
#include "gui/panel_status_bar.h"
#include "core/shared_state.h"

#include <QLabel>

void TDLForm::PokaziStevilko(int n)
{
    QLabel *const images[] = {Image1, Image2, Image3, Image4, Image5};
    for (int i = 0; i < 5; ++i)
        images[i]->setVisible(i + 1 == n);
}

void TDLForm::OcistiSeznam()
{
    if (BatchRunning)
        Batch.ListEmptied();  // the batch takes no further file of the list it was picked from
    Status1->SetPanelText(2, QString());
    List1.clear();
    Memo1.clear();
    Memo2.clear();
    List2->Clear();
    SetRich1Line(0, QString());
    SetRich1Line(1, QString());
}
