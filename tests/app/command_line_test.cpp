#include "tests/app/program_run.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QSettings>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

namespace {

class CommandLine : public ProgramRun {
protected:
    CommandLine() : ProgramRun(QStringLiteral(GRABULO_EXECUTABLE)) {}
    void SetUp() override
    {
        ProgramRun::SetUp();
        server.Route("/gallery/index.html",
                     FixtureResponse::Ok("<a href=\"a.jpg\">a</a> <a href=\"pics/b.gif\">b</a> <a href=x.txt>x</a>"));
        server.Route("/gallery/a.jpg", FixtureResponse::Ok("JPEG bytes", "image/jpeg"));
        server.Route("/gallery/pics/b.gif", FixtureResponse::Ok("GIF bytes", "image/gif"));
        page = "127.0.0.1:" + QString::number(server.Port()) + "/gallery/index.html";
    }
    QString page;
};

TEST_F(CommandLine, AddressFolderStartExitDownloadsEverythingAndEnds)
{
    {
        QSettings settings(config + "/Tarvove feke/Grabulo.conf", QSettings::IniFormat);
        settings.setValue("jezik", 1);
        settings.setValue("preview", 1);
    }
    ASSERT_EQ(Run({page, target, "start", "exit"}), 0) << errors.constData();
    EXPECT_EQ(Saved("a.jpg"), QByteArray("JPEG bytes"));
    EXPECT_EQ(Saved("b.gif"), QByteArray("GIF bytes"));
    EXPECT_EQ(QDir(target).entryList(QDir::Files).size(), 2);
    EXPECT_TRUE(output.contains("Dol vlečem sliko a.jpg -> a.jpg\n")) << output.constData();
    EXPECT_TRUE(output.contains("--- Stran naložena.\n"));
    EXPECT_EQ(Stored("download").toInt(), 2);
    EXPECT_GE(Stored("run").toLongLong(), 0);
    EXPECT_EQ(Stored("prisoten").toString(), QStringLiteral("ja"));
    // The run never applied the stored language and preview: they stay.
    EXPECT_EQ(Stored("jezik").toInt(), 1);
    EXPECT_EQ(Stored("preview").toInt(), 1);
    EXPECT_TRUE(QFile::exists(home + "/dl.ini"));
    EXPECT_EQ(LastLine(), QByteArray("Shranjenih datotek: 2, neuspešnih: 0."));
}

// The stored choice of what to take holds for a run nobody watches:
// "find" 2 saves the linked and the embedded pictures, 0 the linked only.
TEST_F(CommandLine, TheStoredFindChoiceSaysWhatTheRunTakes)
{
    server.Route("/mixed/index.html", FixtureResponse::Ok(R"(<a href="a.jpg">a</a> <img src="pics/b.gif">)"));
    server.Route("/mixed/a.jpg", FixtureResponse::Ok("JPEG bytes", "image/jpeg"));
    server.Route("/mixed/pics/b.gif", FixtureResponse::Ok("GIF bytes", "image/gif"));
    const QString mixed = "127.0.0.1:" + QString::number(server.Port()) + "/mixed/index.html";
    const struct {
        int find;
        QStringList saved;
    } cases[] = {{2, {"a.jpg", "b.gif"}}, {1, {"b.gif"}}, {0, {"a.jpg"}}};
    for (const auto &c : cases) {
        QDir(target).removeRecursively();
        QDir().mkpath(target);
        QSettings(config + "/Tarvove feke/Grabulo.conf", QSettings::IniFormat).setValue("find", c.find);
        ASSERT_EQ(Run({mixed, target, "start", "exit"}), 0) << c.find << errors.constData();
        EXPECT_EQ(QDir(target).entryList(QDir::Files, QDir::Name), c.saved) << c.find;
    }
}

// The stored "pages" holds for a run nobody watches: the next pages are
// followed up to it, with the wait between requests.
TEST_F(CommandLine, TheStoredPagesSayHowManyNextPagesTheRunFollows)
{
    server.Route("/n/1.html", FixtureResponse::Ok(R"(<a href="a.jpg">a</a> <a href="2.html">&raquo;</a>)"));
    server.Route("/n/2.html", FixtureResponse::Ok(R"(<a href="pics/b.gif">b</a> <link rel="next" href="1.html">)"));
    server.Route("/n/a.jpg", FixtureResponse::Ok("JPEG bytes", "image/jpeg"));
    server.Route("/n/pics/b.gif", FixtureResponse::Ok("GIF bytes", "image/gif"));
    const QString first = "127.0.0.1:" + QString::number(server.Port()) + "/n/1.html";
    const struct {
        int pages;
        QStringList saved;
        int requests;  // pages and files
    } cases[] = {{1, {"a.jpg"}, 2}, {5, {"a.jpg", "b.gif"}, 4}};
    for (const auto &c : cases) {
        QDir(target).removeRecursively();
        QDir().mkpath(target);
        server.ClearRequests();
        QSettings(config + "/Tarvove feke/Grabulo.conf", QSettings::IniFormat).setValue("pages", c.pages);
        ASSERT_EQ(Run({first, target, "start", "exit"}), 0) << c.pages << errors.constData();
        EXPECT_EQ(QDir(target).entryList(QDir::Files, QDir::Name), c.saved) << c.pages;
        EXPECT_EQ(server.RequestCount(), c.requests) << c.pages;
        EXPECT_EQ(output.contains(QString::fromUtf8("Naslednja stran 2 od največ 5: http://").toUtf8()), c.pages > 1)
            << output.constData();
    }
}

TEST_F(CommandLine, WithSkipSavedTwoCopiesShareTheArchiveAndARerunFetchesNothing)
{
    {
        QSettings settings(config + "/Tarvove feke/Grabulo.conf", QSettings::IniFormat);
        settings.setValue("skipsaved", 1);
        settings.setValue("jezik", 1);
    }
    const QString second = testenv::NewFolder("cl-target-2");
    const auto start = [&](QProcess &program, const QString &folder) {
        Start(program, {page, folder, "start", "exit"});
    };
    QProcess one, two;  // two copies at once, one archive
    start(one, target);
    start(two, second);
    ASSERT_TRUE(one.waitForFinished(60000) && two.waitForFinished(60000));
    EXPECT_EQ(one.exitCode(), 0) << one.readAllStandardError().constData();
    EXPECT_EQ(two.exitCode(), 0) << two.readAllStandardError().constData();
    EXPECT_EQ(QDir(second).entryList(QDir::Files).size(), 2);
    const int requests = server.RequestCount();

    ASSERT_EQ(Run({page, target, "start", "exit"}), 0) << errors.constData();
    EXPECT_EQ(server.RequestCount(), requests + 1);  // the page alone
    EXPECT_EQ(QDir(target).entryList(QDir::Files).size(), 2);
    EXPECT_EQ(LastLine(), QByteArray("Shranjenih datotek: 0, neuspešnih: 0, preskočenih: 2."));
    EXPECT_TRUE(output.contains("Že shranjeno kot a.jpg, preskočeno: http://" + page.toUtf8().replace("index.html", "a.jpg")))
        << output.constData();
}

TEST_F(CommandLine, WithCredentialsTheyGoWithEveryRequest)
{
    ASSERT_EQ(Run({page, target, "ana", "geslo", "start", "exit"}), 0) << errors.constData();
    EXPECT_EQ(Saved("a.jpg"), QByteArray("JPEG bytes"));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (const QByteArray &request : requests)
        EXPECT_TRUE(request.contains("\r\nAuthorization: Basic YW5hOmdlc2xv\r\n")) << request.constData();
}

TEST_F(CommandLine, ARelativeFolderIsTheOneBesideWhereTheProgramWasStarted)
{
    // A stored save folder elsewhere: the start-up enters it before the
    // command line runs.
    {
        QSettings settings(config + "/Tarvove feke/Grabulo.conf", QSettings::IniFormat);
        settings.setValue("startdir", home);
    }
    QDir(target).mkpath("out");
    ASSERT_EQ(Run({page, "out", "start", "exit"}, 60000, target), 0) << errors.constData();
    EXPECT_EQ(QDir(target + "/out").entryList(QDir::Files), (QStringList{"a.jpg", "b.gif"}));
    EXPECT_TRUE(QDir(home).entryList({"*.jpg", "*.gif"}, QDir::Files).isEmpty());
    EXPECT_EQ(LastLine(), QByteArray("Shranjenih datotek: 2, neuspešnih: 0."));
}

TEST_F(CommandLine, AFolderThatDoesNotExistIsReportedAndNothingIsDownloadedAnywhere)
{
    // The stored save folder is the program's folder: the pictures must not
    // land there (or anywhere) instead of in the folder asked for.
    for (const QStringList &arguments : {QStringList{page, target + "/missing", "start", "exit"},
                                         QStringList{page, target + "/missing", "ana", "geslo", "start", "exit"}}) {
        ASSERT_EQ(Run(arguments), 2) << "the folder could not be used";
        EXPECT_EQ(LastLine(), QByteArray("Shranjenih datotek: 0, neuspešnih: 0."));
        EXPECT_TRUE(errors.contains("Unable to find local path " + (target + "/missing").toUtf8()));
        EXPECT_FALSE(QDir(target + "/missing").exists());
        EXPECT_TRUE(QDir(home).entryList({"*.jpg", "*.gif"}, QDir::Files).isEmpty());
        EXPECT_TRUE(QDir(target).entryList(QDir::Files).isEmpty());
        EXPECT_TRUE(server.Requests().empty()) << "not even the page is loaded";
    }
}

TEST_F(CommandLine, OddArgumentsNeverCrashIt)
{
    const QString shellish = "; rm -rf / $(echo x) `id` \"quoted\" * ?";
    // None of them can be used: nothing is done, and the run says so.
    EXPECT_EQ(Run({"", target, "start", "exit"}), 2);
    EXPECT_EQ(Run({QString(5000, u'a') + ".com", target, "start", "exit"}), 2);
    EXPECT_EQ(Run({shellish, shellish, "start", "exit"}), 2);
    EXPECT_TRUE(QDir(target).entryList(QDir::Files).isEmpty());
}

// A folder that is there but takes no file (here a read-only file system)
// is refused before the page is asked for.
TEST_F(CommandLine, AFolderThatTakesNoFileIsRefusedBeforeAnyRequestWithStatusTwo)
{
    ASSERT_EQ(Run({page, "/proc", "start", "exit"}), 2) << output.constData();
    EXPECT_EQ(server.RequestCount(), 0);
    EXPECT_TRUE(errors.startsWith("V mapo /proc ni mogoče shraniti nobene datoteke (")) << errors.constData();
    EXPECT_EQ(LastLine(), QByteArray("Shranjenih datotek: 0, neuspešnih: 0."));
}

// The stored cookies file holds for a run nobody watches: its cookie goes
// with the page and the files; one that cannot be read ends the run with
// status 2 before any request.
TEST_F(CommandLine, TheStoredCookiesFileGoesWithEveryRequestOrEndsTheRun)
{
    const QString cookies = home + "/cookies.txt";
    QFile file(cookies);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("127.0.0.1\tFALSE\t/gallery\tFALSE\t0\tsid\tabc\n127.0.0.1\tFALSE\t/other\tFALSE\t0\tno\tno\n");
    file.close();
    QSettings(config + "/Tarvove feke/Grabulo.conf", QSettings::IniFormat).setValue("cookies", cookies);
    ASSERT_EQ(Run({page, target, "start", "exit"}), 0) << errors.constData();
    ASSERT_EQ(server.RequestCount(), 3);
    for (const QByteArray &request : server.Requests())
        EXPECT_TRUE(request.contains("\r\nCookie: sid=abc\r\n")) << request.constData();
    server.ClearRequests();
    QSettings(config + "/Tarvove feke/Grabulo.conf", QSettings::IniFormat).setValue("cookies", home + "/gone.txt");
    EXPECT_EQ(Run({page, target, "start", "exit"}), 2);
    EXPECT_EQ(server.RequestCount(), 0);
}

TEST_F(CommandLine, AFileThatFailsMakesStatusOneAndIsCounted)
{
    RefusingPort closed;
    const QByteArray refused = "http://127.0.0.1:" + QByteArray::number(closed.Port()) + "/gone.jpg";
    server.Route("/mixed/index.html", FixtureResponse::Ok("<a href=\"a.jpg\">a</a> <a href=\"" + refused + "\">g</a>"));
    server.Route("/mixed/a.jpg", FixtureResponse::Ok("JPEG bytes", "image/jpeg"));
    {
        QSettings settings(config + "/Tarvove feke/Grabulo.conf", QSettings::IniFormat);
        settings.setValue("timeout", 5);
    }
    const QString address = "127.0.0.1:" + QString::number(server.Port()) + "/mixed/index.html";
    ASSERT_EQ(Run({address, target, "start", "exit"}), 1) << output.constData();
    EXPECT_EQ(Saved("a.jpg"), QByteArray("JPEG bytes"));
    EXPECT_EQ(LastLine(), QByteArray("Shranjenih datotek: 1, neuspešnih: 1."));
}

TEST_F(CommandLine, APageThatCannotBeLoadedMakesStatusTwo)
{
    RefusingPort closed;
    const QString refused = "127.0.0.1:" + QString::number(closed.Port()) + "/index.html";
    EXPECT_EQ(Run({refused, target, "start", "exit"}), 2);
    EXPECT_EQ(LastLine(), QByteArray("Shranjenih datotek: 0, neuspešnih: 0."));

    // An error page is no page either, though it holds a link.
    server.Route("/gone.html", FixtureResponse::Status(404, "Not Found", {}, "<a href=\"a.jpg\">a</a>"));
    EXPECT_EQ(Run({"127.0.0.1:" + QString::number(server.Port()) + "/gone.html", target, "start", "exit"}), 2);
    EXPECT_TRUE(QDir(target).entryList(QDir::Files).isEmpty());
}

TEST_F(CommandLine, AFailedPageSaysWhyOnBothOutputsAndAnAddressThatCannotBeParsedToo)
{
    RefusingPort closed;
    const QString refused = "127.0.0.1:" + QString::number(closed.Port()) + "/index.html";
    EXPECT_EQ(Run({refused, target, "start", "exit"}), 2);
    const QByteArray why = "Strani ni bilo mogoče naložiti: strežnik je zavrnil povezavo";
    EXPECT_TRUE(output.contains(why + "\n")) << output.constData();
    EXPECT_TRUE(errors.contains(why + "\n")) << errors.constData();

    EXPECT_EQ(Run({"http://127.0.0.1:abc/", target, "start", "exit"}), 2);
    EXPECT_TRUE(errors.contains("»http://127.0.0.1:abc/« ni veljaven naslov (vrata »abc« niso število)"))
        << errors.constData();
    EXPECT_FALSE(errors.contains("integer")) << errors.constData();
    EXPECT_EQ(LastLine(), QByteArray("Shranjenih datotek: 0, neuspešnih: 0."));
}

// A signal ends the run as Disconnect does: the file in transfer leaves no
// part file, the summary line is written, the status names the signal.
TEST_F(CommandLine, ASignalDuringTheBatchEndsItWithTheSignalsStatus)
{
    const QString address = RouteHeldGallery();
    for (const auto &[signal, status] : {std::pair{SIGTERM, 143}, std::pair{SIGINT, 130}, std::pair{SIGHUP, 129}}) {
        EXPECT_EQ(RunUntilSignalled({address, target, "start", "exit"}, signal), status) << signal;
        EXPECT_TRUE(LastLine().startsWith("Shranjenih datotek: 0, neuspešnih: ")) << output.constData();
        EXPECT_EQ(server.RequestCount(), 2) << "nothing more starts";
        EXPECT_TRUE(QDir(target).entryList(QDir::Files | QDir::Hidden).isEmpty())
            << QDir(target).entryList(QDir::Files | QDir::Hidden).join(' ').toStdString();
    }
}

// Without "exit" the window is up: SIGTERM and SIGHUP close it as its close
// button does (what closing stores is stored), and the message loop returns.
TEST_F(CommandLine, ASignalClosesTheWindowOfARunWithoutExit)
{
    for (const int signal : {SIGTERM, SIGHUP}) {
        QFile::remove(config + "/Tarvove feke/Grabulo.conf");
        QProcess program;
        Start(program, {page, target});
        ASSERT_TRUE(program.waitForStarted());
        QThread::msleep(1500);  // the window is up and waiting
        ASSERT_EQ(program.state(), QProcess::Running);
        ::kill(pid_t(program.processId()), signal);
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << signal;
        EXPECT_EQ(program.exitCode(), 0) << signal;  // the window closed; a killed process has no code
        // The folder given is the choice made; the run's time is what only
        // the closing stores.
        EXPECT_EQ(Stored("startdir").toString(), target) << signal;
        EXPECT_TRUE(Stored("run").isValid()) << signal;
        EXPECT_GE(Stored("run").toLongLong(), 0) << signal;
    }
}

// A window whose command line started a batch (no "exit") is closed by
// SIGTERM in the middle of a transfer without a question: exit status 0,
// nothing left under a final name that is not whole, the closing stored.
TEST_F(CommandLine, SigtermClosesAWindowWhileItsBatchRuns)
{
    const QString address = RouteHeldGallery();
    EXPECT_EQ(RunUntilSignalled({address, target, "start"}, SIGTERM), 0) << errors.constData();
    for (const QString &name : QDir(target).entryList(QDir::Files | QDir::Hidden))
        EXPECT_EQ(QFileInfo(target + "/" + name).size(), 100000) << name.toStdString();
    EXPECT_GE(Stored("run").toLongLong(), 0);
    EXPECT_EQ(Stored("startdir").toString(), target);
}

TEST_F(CommandLine, APageWithoutFilesOfTheTypeMakesStatusThree)
{
    server.Route("/text/index.html", FixtureResponse::Ok("<a href=\"notes.txt\">n</a> no pictures here"));
    const QString address = "127.0.0.1:" + QString::number(server.Port()) + "/text/index.html";
    EXPECT_EQ(Run({address, target, "start", "exit"}), 3);
    EXPECT_EQ(LastLine(), QByteArray("Shranjenih datotek: 0, neuspešnih: 0."));
    EXPECT_TRUE(QDir(target).entryList(QDir::Files).isEmpty());
}

TEST_F(CommandLine, CredentialsWithoutStartDoNothingAndSayNothing)
{
    ASSERT_EQ(Run({page, target, "ana", "geslo", "x", "exit"}), 0);
    EXPECT_FALSE(output.contains("Shranjenih datotek")) << output.constData();
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(CommandLine, AFailureThatIsNoSocketErrorStillEndsTheRun)
{
    // The history cannot be written: a file error, shown on standard
    // error, after which the run must still close and end.
    ASSERT_TRUE(QDir().mkpath(home + "/dl.ini"));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(Run({page, target, "start", "exit"}, 20000), 2);
    EXPECT_LT(clock.elapsed(), 20000);
    EXPECT_FALSE(errors.isEmpty());
    EXPECT_EQ(LastLine(), QByteArray("Shranjenih datotek: 0, neuspešnih: 0."));
    EXPECT_GE(Stored("run").toLongLong(), 0) << "closing ran";
    EXPECT_TRUE(QDir(target).entryList(QDir::Files).isEmpty());
}

TEST_F(CommandLine, TheStoredKeepConnectionsSettingServesTheRunOverOneConnection)
{
    {
        QSettings settings(config + "/Tarvove feke/Grabulo.conf", QSettings::IniFormat);
        settings.setValue("keepalive", 1);
    }
    server.Route("/gallery/a.jpg", FixtureResponse::KeptOk("JPEG bytes"));
    server.Route("/gallery/pics/b.gif", FixtureResponse::KeptOk("GIF bytes"));
    ASSERT_EQ(Run({page, target, "start", "exit"}), 0) << errors.constData();
    EXPECT_EQ(Saved("a.jpg"), QByteArray("JPEG bytes"));
    EXPECT_EQ(Saved("b.gif"), QByteArray("GIF bytes"));
    // The page on a connection of its own (the page client's), both files on one.
    EXPECT_EQ(server.ConnectionCount(), 2);
    EXPECT_TRUE(server.LastRequest().startsWith("GET /gallery/pics/b.gif HTTP/1.1\r\n"));
}

// An https gallery whose links take every form, with the test authority
// as the program's only trusted root.
class HttpsCommandLine : public CommandLine {
protected:
    void SetUp() override
    {
        CommandLine::SetUp();
        extraEnvironment["SSL_CERT_FILE"] = QString::fromUtf8(certificates.CaFile());
        extraEnvironment["SSL_CERT_DIR"] = QString::fromUtf8(certificates.Folder()) + "/none";
        const QByteArray port = QByteArray::number(tls.Port());
        tls.Route("/g/index.html",
                  FixtureResponse::Ok("<a href=\"a.jpg\">relative</a> <a href=\"/g/b.gif\">root</a>\n"
                                      "<a href=\"//127.0.0.1:" + port + "/g/c.png\">scheme-relative</a>\n"
                                      "<a href=\"HTTPS://127.0.0.1:" + port + "/g/d.jpg\">absolute</a>\n"
                                      "<a href=\"" + server.Url("/gallery/a.jpg") + "\">plain http</a>\n"
                                      "<a href=\"mailto:me@example.jpg\">mail</a> <a href=\"ftp://127.0.0.1/f.jpg\">ftp</a>\n"));
        for (const char *name : {"a.jpg", "b.gif", "c.png", "d.jpg"})
            tls.Route(QByteArray("/g/") + name, FixtureResponse::Ok(QByteArray("TLS ") + name, "image/jpeg"));
        httpsPage = QString::fromUtf8(tls.Url("/g/index.html"));
    }

    TestCertificates certificates;
    FixtureHttpServer tls{FixtureTls{certificates.CertFile(TestLeaf::Good), certificates.KeyFile(TestLeaf::Good)}};
    QString httpsPage;
};

TEST_F(HttpsCommandLine, AnHttpsGalleryDownloadsWithEveryFormOfLink)
{
    ASSERT_EQ(Run({httpsPage, target, "start", "exit"}), 0) << errors.constData() << output.constData();
    EXPECT_EQ(Saved("a.jpg"), QByteArray("TLS a.jpg"));
    EXPECT_EQ(Saved("b.gif"), QByteArray("TLS b.gif"));
    EXPECT_EQ(Saved("c.png"), QByteArray("TLS c.png"));
    EXPECT_EQ(Saved("d.jpg"), QByteArray("TLS d.jpg"));
    EXPECT_EQ(Saved("a0001.jpg"), QByteArray("JPEG bytes")) << "the plain-http picture, under the next free name";
    EXPECT_EQ(QDir(target).entryList(QDir::Files).size(), 5);
    EXPECT_EQ(LastLine(), QByteArray("Shranjenih datotek: 5, neuspešnih: 0."));
    EXPECT_EQ(tls.RequestCount(), 5);
    EXPECT_EQ(server.RequestCount(), 1);
    // The history keeps the scheme of the page.
    QFile history(home + "/dl.ini");
    ASSERT_TRUE(history.open(QIODevice::ReadOnly));
    EXPECT_TRUE(history.readAll().contains(httpsPage.toUtf8())) << "https:// stays in the history";
}

TEST_F(HttpsCommandLine, ARefusedCertificateIsNamedAndNothingIsSent)
{
    FixtureHttpServer expired{FixtureTls{certificates.CertFile(TestLeaf::Expired), certificates.KeyFile(TestLeaf::Expired)}};
    const QString address = QString::fromUtf8(expired.Url("/g/index.html"));
    EXPECT_EQ(Run({address, target, "start", "exit"}), 2);
    EXPECT_TRUE(output.contains("potrdilo strežnika je poteklo")) << output.constData();
    EXPECT_EQ(LastLine(), QByteArray("Shranjenih datotek: 0, neuspešnih: 0."));
    EXPECT_EQ(expired.RequestCount(), 0);
    EXPECT_TRUE(QDir(target).entryList(QDir::Files).isEmpty());
}

}  // namespace

// A run with "exit" goes through the engine alone: a platform no window
// could start on does not stop it, and the window's closing record is the
// one a hidden window on the offscreen screen wrote.
TEST_F(CommandLine, ARunWithExitMakesNoWindowAndStoresTheWindowsPlacesAsBefore)
{
    {
        QSettings settings(config + "/Tarvove feke/Grabulo.conf", QSettings::IniFormat);
        settings.setValue("left", 5000);
        settings.setValue("width", 2000);
        settings.setValue("height", 300);
        settings.setValue("previewleft", 9000);
    }
    extraEnvironment.insert("QT_QPA_PLATFORM", "no-such-platform");
    ASSERT_EQ(Run({page, target, "start", "exit"}), 0) << errors.constData();
    EXPECT_EQ(Saved("a.jpg"), QByteArray("JPEG bytes"));
    EXPECT_EQ(Stored("left").toInt(), 20);      // off the screen: the default place
    EXPECT_EQ(Stored("width").toInt(), 800);    // at most the screen
    EXPECT_EQ(Stored("height").toInt(), 520);   // at least the window's minimum
    EXPECT_EQ(Stored("previewleft").toInt(), 644);
    EXPECT_FALSE(Stored("previewtop").isValid());  // the default place: nothing to store
    EXPECT_FALSE(errors.contains("platform")) << errors.constData();
}

// A stored start delay is waited before the batch (the hidden window's run
// said it waited, then closed at once); a signal ends the wait.
TEST_F(CommandLine, AStoredStartDelayIsWaitedAndASignalEndsTheWaitWithNoFile)
{
    {
        QSettings settings(config + "/Tarvove feke/Grabulo.conf", QSettings::IniFormat);
        settings.setValue("delay", 1);
    }
    QProcess program;
    Start(program, {page, target, "start", "exit"});
    ASSERT_TRUE(program.waitForStarted());
    QElapsedTimer waited;
    waited.start();
    while (!program.readAllStandardOutput().contains("Zakasnitev prenosa je nastavljena na 1 minut") &&
           waited.elapsed() < 20000)
        program.waitForReadyRead(200);
    ASSERT_EQ(program.state(), QProcess::Running);
    ::kill(pid_t(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitCode(), 128 + SIGTERM);
    EXPECT_EQ(QDir(target).entryList(QDir::Files).size(), 0);
}
