// Every message box, error box, file dialog and folder picker of the program
// goes through this one interface. The real one shows Qt dialogs; in an
// unattended run (no display) the text goes to standard error and the
// answer is given at once; tests install a scripted one.
#pragma once

#include <QString>
#include <memory>

class QWidget;

class DialogInterface {
public:
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~DialogInterface() = default;

    // A modal message box with an OK button.
    virtual void Message(const QString &text) = 0;
    // The standard error box showing an exception's message.
    virtual void Error(const QString &text) = 0;
    // Open and save dialogs: filter in "description|pattern|..." pairs.
    // Return the chosen file, or an empty text when cancelled.
    virtual QString OpenFile(const QString &filter) = 0;
    virtual QString SaveFile(const QString &filter, const QString &defaultExtension) = 0;
    // The folder picker: returns the picked folder, or empty when cancelled.
    virtual QString PickFolder(const QString &prompt, const QString &startFolder) = 0;
    // A question with Yes and No buttons; No is the default button.
    virtual Answer Ask(const QString &text) = 0;
};

// The dialogs in force; never null (the unattended one until set).
DialogInterface &Dialogs();
// Installs a new implementation, returning the previous one.
std::unique_ptr<DialogInterface> SetDialogs(std::unique_ptr<DialogInterface> dialogs);

// Qt's own dialogs, parented to the active window.
std::unique_ptr<DialogInterface> MakeQtDialogs();
// Writes each text to standard error and answers Cancel to every choice;
// a yes/no question is answered Yes, so that nothing waits for a user.
std::unique_ptr<DialogInterface> MakeUnattendedDialogs();

// Turns "desc|pattern|desc|pattern" into Qt's "desc (pattern);;..." form.
QString QtFilterFromPairs(const QString &filter);
