// Stop and Disconnect: both end the transfers in progress (they run nested
// inside a waiting request, which then fails with the client's cancel
// message; files on workers end the same way); Disconnect also ends the
// batch, keeping the link list and its count. The window's own commands
// that start afresh (Load page, the list download) disconnect and empty
// the lists with DisconnectAndEmpty.
#include "gui/dlform.h"
#include "core/shared_state.h"
#include "gui/list_box.h"
#include "core/scan/page_walk.h"
#include "net/http_client.h"

#include <QLabel>
#include <QTimer>

namespace {
void AbortTransfers(TDLForm &form)
{
    AbortRequested = true;
    if (BatchRunning)
        BatchInterrupted = true;
    form.PokaziStevilko(1);
    form.Timer1->stop();
    if (form.PageWalk)
        form.PageWalk->Stop();
    form.HTTP1->Abort();
    form.HTTP2->Abort();
    form.CancelWorkers();
    form.Batch.BreakWait();
    form.HTTP1->Disconnect();
    form.HTTP2->Disconnect();
}
}  // namespace

void TDLForm::Button18Click()
{
    AbortTransfers(*this);
    Label10->clear();
    PokaziStevilko(3);
}

void TDLForm::Button1Click()
{
    AbortTransfers(*this);
    if (BatchRunning)
        Batch.ListEmptied();  // no further file of the list starts
    Label10->setText(QString::number(List2->Count()));
    PokaziStevilko(1);
}

void TDLForm::DisconnectAndEmpty()
{
    AbortTransfers(*this);
    OcistiSeznam();
    Label10->clear();
    PokaziStevilko(1);
}
