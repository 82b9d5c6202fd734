// grabulo-cli's main routine: the options read before any application
// object exists, then the run on Qt Core's event loop. SIGINT, SIGTERM and
// SIGHUP end the run as a Disconnect (exit status 128 and the signal's
// number, the summary printed).
#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "core/console_output.h"
#include "core/end_signals.h"
#include "core/program_folder.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {
void WriteOut(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}
}  // namespace

int main(int argc, char *argv[])
{
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    const QStringList arguments = CommandLineWords(argc, argv);
    const bool english = CliEnglish(arguments, [](const char *name) { return qEnvironmentVariable(name); });
    const TCliParse parse = ParseCliArguments(arguments, english);
    if (!parse.error.isEmpty()) {
        WriteMessage(QStringLiteral("grabulo-cli: ") + parse.error);
        WriteMessage(CliUsageHint(english));
        return 2;
    }
    if (parse.options.action == TCliAction::Help) {
        WriteOut(CliHelp(english));
        return 0;
    }
    if (parse.options.action == TCliAction::Version) {
        WriteOut(QStringLiteral("grabulo-cli " GRABULO_VERSION "\n"));
        return 0;
    }
    QCoreApplication app(argc, argv);
    NameTheApplication();
    TCliRun run(parse.options, english);
    WatchEndSignals(&app, [&run](int signal) { run.EndBySignal(signal); });
    return run.Run();
}
