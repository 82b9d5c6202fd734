// A main window with its preview window, a fresh save folder as the current
// folder, and a fixture server to download from.
#pragma once

#include "app/dlform.h"
#include "app/list_box.h"
#include "app/message_log.h"
#include "app/platform.h"
#include "app/shared_state.h"
#include "download/previewform.h"
#include "net/http_client.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

#include <memory>

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSharedState();
        ScriptedDialogs::Global().Reset();
        QFile::remove(ProgramFile("error.log"));
        previous_ = QDir::currentPath();
        folder = testenv::NewFolder("save");
        QDir::setCurrent(folder);
        form = std::make_unique<TDLForm>();
        DLForm = form.get();
        PreviewForm = new TPreviewForm(form.get());
    }
    void TearDown() override
    {
        QDir::setCurrent(previous_);
        PreviewForm = nullptr;
        DLForm = nullptr;
        form.reset();
    }

    // Downloads one address into the given name, as the batch does.
    void Download(const QByteArray &path, const QByteArray &name)
    {
        form->HTTP2->Body = name;
        form->ZDownloadaj(server.Url(path), 1);
    }
    QByteArray Saved(const QString &name) const
    {
        QFile file(folder + "/" + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QStringList LogLines() const { return form->Memo3->Text().split(u'\n', Qt::SkipEmptyParts); }
    QStringList Files() const { return QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden); }

    FixtureHttpServer server;
    std::unique_ptr<TDLForm> form;
    QString folder;

private:
    QString previous_;
};
