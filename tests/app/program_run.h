// A built program run as a process, as from a script on a machine without
// a display: its own settings and program folder, a folder to save into and
// a fixture server.
#pragma once

#include "tests/support/fixture_http_server.h"
#include "tests/support/test_environment.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QSettings>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

class ProgramRun : public ::testing::Test {
protected:
    explicit ProgramRun(QString executable) : executable_(std::move(executable)) {}
    void SetUp() override
    {
        config = testenv::NewFolder("cl-config");
        home = testenv::NewFolder("cl-home");
        target = testenv::NewFolder("cl-target");
    }
    // Starts the program without a display, on the test's settings and data.
    void Start(QProcess &program, const QStringList &arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        env.insert("XDG_CONFIG_HOME", config);
        env.insert("GRABULO_HOME", home);
        for (auto it = extraEnvironment.cbegin(); it != extraEnvironment.cend(); ++it)
            env.insert(it.key(), it.value());
        program.setProcessEnvironment(env);
        if (launcher.isEmpty())
            program.start(executable_, arguments);
        else
            program.start(launcher.first(), launcher.mid(1) + QStringList{executable_} + arguments);
    }
    // The exit status; -1 when it did not end in time, -2 when it crashed.
    int Run(const QStringList &arguments, int waitMs = 60000, const QString &folder = {},
            const QByteArray &input = {})
    {
        QProcess program;
        if (!folder.isEmpty())
            program.setWorkingDirectory(folder);
        Start(program, arguments);
        program.write(input);
        program.closeWriteChannel();
        if (!program.waitForFinished(waitMs)) {
            program.kill();
            return -1;
        }
        output = program.readAllStandardOutput();
        errors = program.readAllStandardError();
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2;
    }
    // A gallery under /held/ whose two pictures trickle in for seconds; its
    // page's address without a scheme.
    QString RouteHeldGallery()
    {
        FixtureResponse held = FixtureResponse::Ok(QByteArray(100000, 'j'), "image/jpeg");
        held.TrickleMs = 50;
        server.Route("/held/index.html", FixtureResponse::Ok("<a href=\"a.jpg\">a</a> <a href=\"b.jpg\">b</a>"));
        server.Route("/held/a.jpg", held);
        server.Route("/held/b.jpg", held);
        return "127.0.0.1:" + QString::number(server.Port()) + "/held/index.html";
    }
    // Runs the program until the page and the first file have been asked
    // for and some of the file has arrived, then sends it the signal; the
    // exit status as Run gives it, -3 when the requests never came.
    int RunUntilSignalled(const QStringList &arguments, int signal)
    {
        server.ClearRequests();
        QProcess program;
        Start(program, arguments);
        QElapsedTimer clock;
        clock.start();
        while (server.RequestCount() < 2 && clock.elapsed() < 20000)
            QThread::msleep(20);
        if (server.RequestCount() < 2) {
            program.kill();
            program.waitForFinished();
            return -3;
        }
        QThread::msleep(200);  // some of it is in the part file
        ::kill(pid_t(program.processId()), signal);
        if (!program.waitForFinished(20000)) {
            program.kill();
            return -1;
        }
        output = program.readAllStandardOutput();
        errors = program.readAllStandardError();
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2;
    }
    // The last line the run wrote to standard output.
    QByteArray LastLine() const { return output.trimmed().split('\n').last(); }
    QVariant Stored(const char *name) const
    {
        QSettings settings(config + "/Tarvove feke/Grabulo.conf", QSettings::IniFormat);
        return settings.value(name);
    }
    QByteArray Saved(const char *name) const
    {
        QFile file(target + "/" + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    FixtureHttpServer server;
    QMap<QString, QString> extraEnvironment;  // for the program's environment
    QStringList launcher;  // a program that starts it, with its arguments
    QString config, home, target;
    QByteArray output, errors;

private:
    QString executable_;
};
