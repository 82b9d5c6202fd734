// The dialog interface for tests: records every text shown and answers
// file and folder questions and yes/no questions from a script, never
// blocking.
#pragma once

#include "gui/dialogs.h"

#include <QList>
#include <QStringList>

class ScriptedDialogs final : public DialogInterface {
public:
    void Message(const QString &text) override;
    void Error(const QString &text) override;
    QString OpenFile(const QString &filter) override;
    QString SaveFile(const QString &filter, const QString &defaultExtension) override;
    QString PickFolder(const QString &prompt, const QString &startFolder) override;
    Answer Ask(const QString &text) override;

    QStringList messages;   // texts of message boxes, in order
    QStringList errors;     // texts of error boxes, in order
    QStringList answers;    // files or folders to answer with; empty = cancel
    QStringList questions;  // texts of yes/no questions, in order
    QList<Answer> replies;  // the answers to them, in order; none left = No

    // The instance installed by the test main; Reset() empties its records.
    static ScriptedDialogs &Global();
    static void InstallGlobal();
    void Reset();

private:
    QString NextAnswer();
};
