// The dialog interface shown with Qt's own dialogs.
#include "gui/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

class QtDialogs final : public DialogInterface {
public:
    void Message(const QString &text) override
    {
        QMessageBox::information(QApplication::activeWindow(), QApplication::applicationDisplayName(), text);
    }
    void Error(const QString &text) override
    {
        QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(), text);
    }
    QString OpenFile(const QString &filter) override
    {
        return QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), QString(),
                                            QtFilterFromPairs(filter));
    }
    QString SaveFile(const QString &filter, const QString &defaultExtension) override
    {
        QFileDialog dialog(QApplication::activeWindow(), QString(), QString(), QtFilterFromPairs(filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        QString suffix = defaultExtension;
        suffix.remove(QStringLiteral("*.")).remove(u'.');
        dialog.setDefaultSuffix(suffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().first();
    }
    QString PickFolder(const QString &prompt, const QString &startFolder) override
    {
        return QFileDialog::getExistingDirectory(QApplication::activeWindow(), prompt, startFolder,
                                                 QFileDialog::ShowDirsOnly);
    }
    Answer Ask(const QString &text) override
    {
        const auto button = QMessageBox::question(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                                                  text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        return button == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
};

}  // namespace

std::unique_ptr<DialogInterface> MakeQtDialogs() { return std::make_unique<QtDialogs>(); }
