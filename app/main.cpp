// The main routine. A command line with "exit" is a run nobody watches: the
// engine alone carries it out, with no window and no widget library set up.
// Otherwise the application titled "Grabulo", then the main window, the
// Create List window and the preview window in this order, the command
// line, then the message loop, which returns when the main window has closed.
// SIGINT, SIGTERM and SIGHUP end a command-line run as Disconnect does (exit
// status 128 and the signal's number) and close the window otherwise.
#include "gui/application.h"
#include "gui/windows.h"
#include "gui/dlform.h"
#include "core/end_signals.h"
#include "gui/handler_guard.h"
#include "gui/platform.h"
#include "core/program_folder.h"
#include "core/shared_state.h"
#include "core/unattended_run.h"
#include "gui/download/previewform.h"
#include "gui/lists/createlist.h"

#include <QApplication>
#include <QDir>

#include <csignal>
#include <cstdio>

namespace {
// "grabulo ADDRESS FOLDER [USER PASSWORD] start exit" and the like: the
// engine alone, on Qt Core's event loop.
int RunWithoutWindow(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    NameTheApplication();
    // Taken before the start enters the stored save folder.
    const QStringList arguments = WithAbsoluteFolder(QCoreApplication::arguments().mid(1), QDir::currentPath());
    TUnattendedRun run;
    WatchEndSignals(&app, [&run](int signal) { run.EndBySignal(signal); });
    return run.Run(TCommandLine::Of(arguments));
}
// "grabulo --help", "-h" or "--version": no page has such an address, and
// a window would wait for a user who is not there. A short usage instead.
bool TellUsage(const QStringList &arguments)
{
    static const QStringList kAsks{QStringLiteral("--help"), QStringLiteral("-h"), QStringLiteral("--version")};
    if (arguments.isEmpty() || !kAsks.contains(arguments.first()))
        return false;
    const char *text = arguments.first() == QLatin1String("--version")
                           ? "grabulo " GRABULO_VERSION "\n"
                           : "Usage: grabulo [ADDRESS FOLDER [USER PASSWORD] [start [exit]]]\n"
                             "Opens the Grabulo window; with start it loads the page and saves what it links to,\n"
                             "with exit it does so without a window and ends. For scripts, with options, progress\n"
                             "and help: grabulo-cli --help. See grabulo(1).\n";
    std::fputs(text, stdout);
    return true;
}
}  // namespace

int main(int argc, char *argv[])
{
    // A write past the file-size limit or into a closed connection must fail
    // as an error of that write, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    if (TellUsage(CommandLineWords(argc, argv)))
        return 0;
    if (TCommandLine::Of(CommandLineWords(argc, argv)).exit)
        return RunWithoutWindow(argc, argv);
    SelectOffscreenWhenHeadless();
    QApplication app(argc, argv);
    InitApplication(QStringLiteral("Grabulo"));

    // Taken before the start-up enters the stored save folder.
    const QStringList arguments = WithAbsoluteFolder(QCoreApplication::arguments().mid(1), QDir::currentPath());

    DLForm = new TDLForm;
    Guarded([] { DLForm->FormCreate(); });
    CreateList = new TCreateList(DLForm);
    PreviewForm = new TPreviewForm(DLForm);
    WatchEndSignals(&app, [](int signal) {
        if (DLForm)
            Guarded([signal] { DLForm->EndBySignal(signal); });
    });
    // The command line runs before the window shows; "exit" closes it there.
    Guarded([&arguments] { DLForm->FormShow(arguments); });
    int result = 0;
    if (!ShuttingDown) {
        DLForm->show();
        result = app.exec();
    } else {
        // A signal after the run's last event loop still gives its status;
        // a window it closed (a "start" without "exit") ends with 0.
        result = DLForm->ClosedBySignal() ? 0
                 : CaughtEndSignal()     ? ExitStatusOfSignal(CaughtEndSignal())
                                         : DLForm->CommandLineExitStatus();
    }
    delete DLForm;  // owns the other two
    DLForm = nullptr;
    CreateList = nullptr;
    PreviewForm = nullptr;
    return result;
}
