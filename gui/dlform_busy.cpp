// The busy state of the main window: which commands are open while a page
// loads, a batch runs or a list download runs, and the question that Load
// page, Start! and closing the window ask during a batch.
#include "gui/dialogs.h"
#include "gui/window_state.h"
#include "gui/dlform.h"
#include "gui/handler_guard.h"
#include "core/shared_state.h"

#include <QComboBox>
#include <QPushButton>
#include <QTimer>

namespace {
// PageLoading and the buttons for as long as a page load the user asked for.
class PageLoadScope {
public:
    explicit PageLoadScope(TDLForm &form) : form_(form)
    {
        form_.PageLoading = true;
        form_.ShowBusyState();
    }
    ~PageLoadScope()
    {
        form_.PageLoading = false;
        form_.ShowBusyState();
    }
    PageLoadScope(const PageLoadScope &) = delete;
    PageLoadScope &operator=(const PageLoadScope &) = delete;

private:
    TDLForm &form_;
};

bool IsEnterKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}
}  // namespace

void TDLForm::ShowBusyState()
{
    // A batch leaves Load page and Start! open: they ask whether to stop it.
    const bool loadOrList = PageLoading || ListRunning;
    const bool any = loadOrList || BatchRunning;
    Button2->setEnabled(!loadOrList);
    Button14->setEnabled(!loadOrList);
    // Save pictures, the page list's two builders (which load a page and
    // then disconnect) and the scan of test.html would change the lists the
    // running work reads.
    for (QPushButton *button : {Button4, Button13, Button15, Button3})
        button->setEnabled(!any);
}

bool TDLForm::AskToStopBatch()
{
    // A window not shown has no user to ask: the command line's run, or a
    // window that is closing already.
    if (!BatchRunning || ShuttingDown || !isVisible())
        return true;
    return Dialogs().Ask(Wording("Prenos poteka. Ga ustavim?", "A download is running. Stop it?"))
           == DialogInterface::Answer::Yes;
}

void TDLForm::StopBatchThen(std::function<void()> command)
{
    if (!BatchRunning) {
        command();
        return;
    }
    AfterBatch = std::move(command);
    DisconnectAndEmpty();  // the batch ends with the list it walks, leaving no temporary file
}

void TDLForm::LoadPageCommand()
{
    if (PageLoading || ListRunning)
        return;  // the button is disabled; a click queued before that finds it so
    if (!AskToStopBatch())
        return;
    StopBatchThen([this] {
        PageLoadScope loading(*this);
        Button2Click();
    });
}

void TDLForm::LoadPageKey(int key)
{
    if (!IsEnterKey(key) || Combo1->currentText().isEmpty()) {
        Combo1KeyUp(key);
        return;
    }
    if (PageLoading) {
        Log(Wording("Stran se že nalaga.", "A page is already loading."));
        return;
    }
    if (ListRunning) {
        Log(Wording("Prenos po seznamu že poteka.", "A list download is already running."));
        return;
    }
    if (!AskToStopBatch())
        return;
    StopBatchThen([this, key] {
        PageLoadScope loading(*this);
        Combo1KeyUp(key);
    });
}

void TDLForm::PageListCommand(const std::function<void()> &load)
{
    // The page list's builders end with a Disconnect, which would end a
    // running batch: they wait until nothing runs.
    if (PageLoading || ListRunning || BatchRunning) {
        Log(Wording("Počakaj, da se prenos konča.", "Wait until the transfer has ended."));
        return;
    }
    PageLoadScope loading(*this);
    load();
}

void TDLForm::StartListCommand()
{
    if (PageLoading || ListRunning)
        return;
    if (!AskToStopBatch())
        return;
    StopBatchThen([this] { Button14Click(); });
}
