// The three windows, a fresh save folder as the current folder, and a
// fixture server to download from.
#pragma once

#include "gui/dlform.h"
#include "gui/list_box.h"
#include "gui/message_log.h"
#include "gui/platform.h"
#include "core/shared_state.h"
#include "gui/download/previewform.h"
#include "net/http_client.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_environment.h"
#include "tests/support/window_harness.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

#include <exception>

// A file client whose Get notes the resume point it was given and raises
// Error: a transfer that fails as no fixture server can make it fail (a
// full disk, an I/O error). In place of the window's file client while
// a ClientInPlace holds it.
class RaisingClient : public THttpClient {
public:
    void Get(const QByteArray &) override
    {
        SeenFrom = ResumeFrom;
        SeenTotal = ResumeTotal;
        std::rethrow_exception(Error);
    }
    std::exception_ptr Error;
    qint64 SeenFrom = -2, SeenTotal = -2;
};

class ClientInPlace {
public:
    ClientInPlace(TDLForm *form, THttpClient &client) : form_(form), kept_(form->HTTP2) { form->HTTP2 = &client; }
    ~ClientInPlace() { form_->HTTP2 = kept_; }
    ClientInPlace(const ClientInPlace &) = delete;
    ClientInPlace &operator=(const ClientInPlace &) = delete;

private:
    TDLForm *form_;
    THttpClient *kept_;
};

class DownloadTest : public ::testing::Test {
protected:

    // For batches started with Save pictures: English texts, no start
    // delay, a short time-out.
    void SetUpForBatches()
    {
        EnglishUI = 1;
        form->Edit13->setText("0");
        form->HTTP2->TimeOut = 5000;
    }
    // Downloads one address into the given name, as the batch does.
    void Download(const QByteArray &path, const QByteArray &name)
    {
        form->HTTP2->Body = name;
        form->ZDownloadaj(server.Url(path), 1);
    }
    QByteArray Saved(const QString &name) const { return windows.ReadFile(name); }
    QStringList LogLines() const { return windows.LogLines(); }
    QStringList Files() const { return windows.SavedFiles(); }

    FixtureHttpServer server;
    // Declared after the server: the windows go before it stops.
    WindowHarness windows{{.removeProgramFiles = true, .folderHint = "save"}};
    TDLForm *const form = windows.Form();
    const QString folder = windows.Folder();
};
