#include "tests/support/scripted_dialogs.h"

namespace {
ScriptedDialogs *g_global = nullptr;
}

void ScriptedDialogs::Message(const QString &text) { messages << text; }
void ScriptedDialogs::Error(const QString &text) { errors << text; }
QString ScriptedDialogs::OpenFile(const QString &) { return NextAnswer(); }
QString ScriptedDialogs::SaveFile(const QString &, const QString &) { return NextAnswer(); }
QString ScriptedDialogs::PickFolder(const QString &, const QString &) { return NextAnswer(); }

DialogInterface::Answer ScriptedDialogs::Ask(const QString &text)
{
    questions << text;
    return replies.isEmpty() ? Answer::No : replies.takeFirst();
}

QString ScriptedDialogs::NextAnswer()
{
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

ScriptedDialogs &ScriptedDialogs::Global() { return *g_global; }

void ScriptedDialogs::InstallGlobal()
{
    auto dialogs = std::make_unique<ScriptedDialogs>();
    g_global = dialogs.get();
    SetDialogs(std::move(dialogs));
}

void ScriptedDialogs::Reset()
{
    messages.clear();
    errors.clear();
    answers.clear();
    questions.clear();
    replies.clear();
}
