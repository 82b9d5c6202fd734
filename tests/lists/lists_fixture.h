// The main window with its Create List and preview windows, a fresh save
// folder as the current folder, and a fixture server to load pages from.
#pragma once

#include "app/dlform.h"
#include "base/errors.h"
#include "app/list_box.h"
#include "app/message_log.h"
#include "app/platform.h"
#include "app/shared_state.h"
#include "download/previewform.h"
#include "lists/createlist.h"
#include "net/http_client.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

#include <memory>

using Lines = QList<QByteArray>;

class ListsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSharedState();
        ScriptedDialogs::Global().Reset();
        QFile::remove(ProgramFile("dl.ini"));
        previous_ = QDir::currentPath();
        folder = testenv::NewFolder("lists");
        QDir::setCurrent(folder);
        form = std::make_unique<TDLForm>();
        DLForm = form.get();
        CreateList = new TCreateList(form.get());
        PreviewForm = new TPreviewForm(form.get());
        host = "127.0.0.1:" + QByteArray::number(server.Port());
    }
    void TearDown() override
    {
        QDir::setCurrent(previous_);
        CreateList = nullptr;
        PreviewForm = nullptr;
        DLForm = nullptr;
        form.reset();
        QFile::remove(ProgramFile("dl.ini"));
    }

    // Writes bytes to a file of the test's folder and returns its path.
    QString Write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(folder + "/" + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    QByteArray Read(const QString &path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QStringList LogLines() const { return form->Memo3->Text().split(u'\n', Qt::SkipEmptyParts); }
    QStringList Files() const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }
    // The next open or save dialog answers with this file.
    static void Answer(const QString &path) { ScriptedDialogs::Global().answers << path; }
    static ScriptedDialogs &Shown() { return ScriptedDialogs::Global(); }

    FixtureHttpServer server;
    std::unique_ptr<TDLForm> form;
    QString folder;
    QByteArray host;   // "127.0.0.1:<port>"

private:
    QString previous_;
};
