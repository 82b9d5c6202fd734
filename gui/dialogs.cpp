#include "gui/dialogs.h"
#include "core/console_output.h"

#include <QStringList>

#include <cstdio>

namespace {

std::unique_ptr<DialogInterface> &Current()
{
    static std::unique_ptr<DialogInterface> current = MakeUnattendedDialogs();
    return current;
}

class UnattendedDialogs final : public DialogInterface {
public:
    void Message(const QString &text) override { Print(text); }
    void Error(const QString &text) override { Print(text); }
    QString OpenFile(const QString &) override { return {}; }
    QString SaveFile(const QString &, const QString &) override { return {}; }
    QString PickFolder(const QString &prompt, const QString &) override
    {
        Print(prompt);
        return {};
    }
    Answer Ask(const QString &text) override
    {
        Print(text);
        return Answer::Yes;
    }

private:
    // A message box shows a bare CR as a line break; on a terminal it
    // would overwrite the first language with the second. The lines
    // quote servers and pages (a proxy's refusal, a status line): their
    // control characters are written out as the log's are.
    static void Print(const QString &text) { WriteMessage(text); }
};

}  // namespace

DialogInterface &Dialogs() { return *Current(); }

std::unique_ptr<DialogInterface> SetDialogs(std::unique_ptr<DialogInterface> dialogs)
{
    std::swap(Current(), dialogs);
    return dialogs;
}

std::unique_ptr<DialogInterface> MakeUnattendedDialogs() { return std::make_unique<UnattendedDialogs>(); }

QString QtFilterFromPairs(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        result << QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]);
    return result.join(QStringLiteral(";;"));
}
