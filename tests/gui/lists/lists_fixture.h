// The main window with its Create List and preview windows, a fresh save
// folder as the current folder, and a fixture server to load pages from.
#pragma once

#include "gui/dlform.h"
#include "base/errors.h"
#include "gui/list_box.h"
#include "gui/message_log.h"
#include "gui/platform.h"
#include "core/shared_state.h"
#include "gui/download/previewform.h"
#include "gui/lists/createlist.h"
#include "net/http_client.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_environment.h"
#include "tests/support/window_harness.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

using Lines = QList<QByteArray>;

class ListsTest : public ::testing::Test {
protected:
    // Writes bytes to a file of the test's folder and returns its path.
    QString Write(const QString &name, const QByteArray &bytes) const { return windows.WriteFile(name, bytes); }
    QByteArray Read(const QString &path) const { return windows.ReadFile(path); }
    QStringList LogLines() const { return windows.LogLines(); }
    QStringList Files() const { return windows.SavedFiles(); }
    // The next open or save dialog answers with this file.
    static void Answer(const QString &path) { WindowHarness::Answer(path); }
    static ScriptedDialogs &Shown() { return WindowHarness::Dialogs(); }

    FixtureHttpServer server;
    // Declared after the server: the windows go before it stops.
    WindowHarness windows{{.removeProgramFiles = true, .folderHint = "lists"}};
    TDLForm *const form = windows.Form();
    const QString folder = windows.Folder();
    const QByteArray host = "127.0.0.1:" + QByteArray::number(server.Port());
};
