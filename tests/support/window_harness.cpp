#include "tests/support/window_harness.h"
#include "gui/window_state.h"
#include "gui/windows.h"

#include "gui/dlform.h"
#include "gui/message_log.h"
#include "gui/platform.h"
#include "core/shared_state.h"
#include "gui/download/previewform.h"
#include "gui/lists/createlist.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

WindowHarness::WindowHarness(const WindowHarnessOptions &options) : options_(options)
{
    ResetSharedState();
    ResetWindowState();
    Dialogs().Reset();
    RemoveFiles();
    previousFolder_ = QDir::currentPath();
    folder_ = testenv::NewFolder(QString::fromUtf8(options_.folderHint));
    QDir::setCurrent(folder_);
    if (options_.createWindows)
        Create();
}

WindowHarness::~WindowHarness()
{
    Destroy();
    QDir::setCurrent(previousFolder_);
    RemoveFiles();
}

TDLForm *WindowHarness::Create()
{
    // Two sets of windows would fight over the globals.
    if (form_) {
        ADD_FAILURE() << "WindowHarness::Create while the windows exist";
        return form_;
    }
    // As the main routine: the main window first, its start-up before the
    // other two, which the main window owns.
    form_ = new TDLForm;
    DLForm = form_;
    if (options_.formCreate)
        form_->FormCreate();
    if (!options_.secondaryWindows)
        return form_;
    createList_ = new TCreateList(form_);
    CreateList = createList_;
    preview_ = new TPreviewForm(form_);
    PreviewForm = preview_;
    return form_;
}

void WindowHarness::Destroy()
{
    // No handler run while a window goes may reach a window through the
    // globals, so they are cleared first; then the windows go in the
    // reverse order of their creation.
    PreviewForm = nullptr;
    CreateList = nullptr;
    DLForm = nullptr;
    delete preview_;
    preview_ = nullptr;
    delete createList_;
    createList_ = nullptr;
    delete form_;
    form_ = nullptr;
}

QStringList WindowHarness::LogLines() const
{
    if (!form_)
        return {};
    return form_->Memo3->Text().split(u'\n', Qt::SkipEmptyParts);
}

QStringList WindowHarness::SavedFiles() const
{
    return QDir(folder_).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QByteArray WindowHarness::ReadFile(const QString &name) const
{
    QFile file(QDir(folder_).filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString WindowHarness::WriteFile(const QString &name, const QByteArray &bytes) const
{
    QFile file(QDir(folder_).filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << file.fileName().toStdString();
    EXPECT_EQ(file.write(bytes), bytes.size()) << file.fileName().toStdString();
    return file.fileName();
}

void WindowHarness::RemoveFiles() const
{
    if (options_.clearSettings)
        testenv::ClearSettings();
    if (options_.removeProgramFiles) {
        QFile::remove(ProgramFile(QStringLiteral("dl.ini")));
        QFile::remove(ProgramFile(QStringLiteral("error.log")));
        // The archive of saved files, with its journal and any set aside.
        QDir program(QFileInfo(ProgramFile(QStringLiteral("dl.ini"))).absolutePath());
        for (const QString &name : program.entryList({QStringLiteral("saved.sqlite*")}, QDir::Files))
            program.remove(name);
    }
}
