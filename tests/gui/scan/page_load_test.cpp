#include "gui/dlform.h"
#include "base/errors.h"
#include "gui/list_box.h"
#include "gui/message_log.h"
#include "gui/platform.h"
#include "core/settings/settings.h"
#include "core/shared_state.h"
#include "net/http_client.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_environment.h"
#include "tests/support/test_helpers.h"
#include "tests/support/window_harness.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

using Lines = QList<QByteArray>;

const QByteArray kGallery =
    "<html><body>\n"
    "<a href=\"a.jpg\">a</a> <A HREF = '/img/b.png'>b</A>\n"
    "<a href=../c.gif>c</a> <a href=\"a.jpg\">again</a> <a href=\"notes.txt\">n</a>\n"
    "</body></html>\n";

class PageLoad : public ::testing::Test {
protected:
    void SetUp() override { server.Route("/gallery/index.html", FixtureResponse::Ok(kGallery)); }

    void Type(const QByteArray &address) { form->Combo1->setEditText(QString::fromUtf8(address)); }
    QByteArray History() const
    {
        QFile file(ProgramFile("dl.ini"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    QString Log() const { return form->Memo3->Text(); }

    FixtureHttpServer server;
    // Declared after the server: the windows go before it stops.
    WindowHarness windows{{.removeProgramFiles = true, .folderHint = "page-load"}};
    TDLForm *const form = windows.Form();
    const QByteArray host = "127.0.0.1:" + QByteArray::number(server.Port());
};

TEST_F(PageLoad, LoadPageListsTheLinksOfThePageAndRecordsTheAddress)
{
    Type("HtTp://" + host + "/gallery/index.html");
    form->Button2Click();

    const QByteArray page = host + "/gallery/index.html";
    EXPECT_EQ(form->Combo1->currentText().toUtf8(), page);
    EXPECT_EQ(form->List2->Items(),
              (Lines{"http://" + host + "/gallery/a.jpg", "http://" + host + "/img/b.png",
                     "http://" + host + "/c.gif"}));
    EXPECT_EQ(form->Label10->text(), QStringLiteral("3"));
    EXPECT_EQ(History(), page + "\r\n");
    EXPECT_EQ(form->Memo2, kGallery);
    const QByteArray request = server.LastRequest();
    EXPECT_TRUE(request.startsWith("GET /gallery/index.html HTTP/1.0\r\n")) << request.constData();
    EXPECT_TRUE(request.contains("\r\nReferer: http://" + page + "\r\n")) << request.constData();
    EXPECT_TRUE(Log().contains(QStringLiteral("--- Stran naložena."))) << Log().toStdString();
    EXPECT_FALSE(form->Image3->isHidden());
}

// The window's scan of a manual-like page: the src of every img (any
// attribute order), and every relative address on the page's base.
// With "pages" above 1 Load page follows the next pages: the links of all
// of them in one list, each once; the box keeps the first page, the
// referer of the files.
TEST_F(PageLoad, LoadPageFollowsTheNextPagesThePagesSettingAllows)
{
    server.Route("/gallery/2.html", FixtureResponse::Ok(R"(<a href="d.jpg">d</a><a href="a.jpg">a</a>)"));
    server.Route("/gallery/index.html",
                 FixtureResponse::Ok(kGallery + R"(<a href="2.html"><span>Naprej</span></a>)"));
    const struct {
        int pages;
        int pageRequests;
        qsizetype links;
    } cases[] = {{1, 1, 3}, {2, 2, 4}, {3, 2, 4}};
    for (const auto &c : cases) {
        TSettingsValues values = form->Settings->Values();
        values.pages = c.pages;
        form->Settings->Set(values);
        server.ClearRequests();
        Type(host + "/gallery/index.html");
        form->Button2Click();
        EXPECT_EQ(server.RequestCount(), c.pageRequests) << c.pages;
        EXPECT_EQ(form->List2->Count(), c.links) << c.pages;
        EXPECT_EQ(form->List2->Items().last(), "http://" + host + (c.pages > 1 ? "/gallery/d.jpg" : "/c.gif"));
        EXPECT_EQ(form->Label10->text(), QString::number(c.links));
        EXPECT_EQ(form->Combo1->currentText(), QString::fromUtf8(host + "/gallery/index.html"));
    }
    const QString line = QString::fromUtf8(EnglishUI ? "Next page 2 of at most 3: " : "Naslednja stran 2 od največ 3: ")
                         + QString::fromUtf8("http://" + host + "/gallery/2.html");
    EXPECT_TRUE(Log().contains(line)) << Log().toStdString();
}

TEST_F(PageLoad, EmbeddedImagesOfAnyAttributeOrderResolveOnTheBase)
{
    server.Route("/docs/page.html", FixtureResponse::Ok(R"(<html><head><base href="../media/">
        </head><body><img alt="" src="a%20b.jpg"><IMG
        CLASS="x" SRC='c.png'><img data-src="lazy.jpg" alt="src=no.jpg">
        <img src="/top.gif"><a href="link.jpg">l</a></body></html>)"));
    const QByteArray media = "http://" + host + "/media/";
    const struct {
        bool embedded;
        Lines expected;
    } cases[] = {
        {true, {media + "a%20b.jpg", media + "c.png", "http://" + host + "/top.gif"}},
        {false, {media + "link.jpg"}},
    };
    for (const auto &c : cases) {
        form->CheckBox5->setChecked(c.embedded);
        Type(host + "/docs/page.html");
        form->Button2Click();
        EXPECT_EQ(form->List2->Items(), c.expected) << c.embedded;
    }
}

TEST_F(PageLoad, TheLogSpeaksTheInterfaceLanguage)
{
    EnglishUI = 1;
    Type(host + "/gallery/index.html");
    form->Button2Click();
    EXPECT_TRUE(Log().contains(QStringLiteral("Connected successfully.")));
    EXPECT_TRUE(Log().contains(QStringLiteral("--- Page loaded.")));
    EXPECT_FALSE(Log().contains(QStringLiteral("Povezava")));
}

TEST_F(PageLoad, ATickedRefererBoxSendsTheGivenReferer)
{
    form->CheckBox3->setChecked(true);
    form->Edit11->setText(QStringLiteral("http://ref.example/start.html"));
    Type(host + "/gallery/index.html");
    form->Button2Click();
    EXPECT_TRUE(server.LastRequest().contains("\r\nReferer: http://ref.example/start.html\r\n"));
}

TEST_F(PageLoad, EnterDoesWhatLoadPageDoesAndReplacesTheList)
{
    form->List2->SetItems({"http://old/x.jpg"});
    form->List2->SetSelected(0, true);
    Type(host + "/gallery/index.html");
    form->Combo1KeyUp(Qt::Key_Return);
    form->Combo1KeyUp(Qt::Key_Enter);
    const QByteArray a = "http://" + host + "/gallery/a.jpg";
    // The old list is gone and a second Enter loads the page afresh: the
    // page's links once, repeats removed, and their count shown.
    EXPECT_EQ(form->List2->Count(), 3);
    EXPECT_EQ(form->List2->Item(0), a);
    EXPECT_EQ(form->Label10->text(), QStringLiteral("3"));
    EXPECT_FALSE(form->List2->Selected(0));
    EXPECT_EQ(History(), host + "/gallery/index.html\r\n") << "once, however often loaded";
    EXPECT_TRUE(server.LastRequest().contains("\r\nReferer: http://" + host + "/gallery/index.html\r\n"));
}

// The window system gives keys to the focus widget; in the address box that
// is Combo1 (its line edit's focus proxy), not the line edit. The keys go in
// through the window as a real keyboard's do.
TEST_F(PageLoad, EnterTypedIntoTheFocusedAddressBoxLoadsThePage)
{
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    form->Combo1->clearEditText();
    form->Combo1->lineEdit()->setFocus(Qt::OtherFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), form->Combo1);
    QTest::keyClicks(QApplication::focusWidget(), QString::fromUtf8(host + "/gallery/index.html"));
    EXPECT_EQ(form->Combo1->currentText().toUtf8(), host + "/gallery/index.html");
    EXPECT_EQ(server.RequestCount(), 0);
    QTest::keyClick(form->windowHandle(), Qt::Key_Return);

    EXPECT_EQ(server.RequestCount(), 1);
    EXPECT_EQ(form->List2->Count(), 3);
    EXPECT_EQ(form->List2->Item(0), "http://" + host + "/gallery/a.jpg");
    EXPECT_EQ(History(), host + "/gallery/index.html\r\n");
    EXPECT_TRUE(form->List2->hasFocus()) << "the links are next, never Clear history";
}

TEST_F(PageLoad, EnterSentToTheLineEditLoadsThePageOnce)
{
    Type(host + "/gallery/index.html");
    QTest::keyClick(form->Combo1->lineEdit(), Qt::Key_Enter);
    EXPECT_EQ(server.RequestCount(), 1);
    EXPECT_EQ(form->List2->Count(), 3);
}

TEST_F(PageLoad, EnterOnAnErrorPageAddsNoneOfItsLinksAndTheOldListIsGone)
{
    server.Route("/missing.html", FixtureResponse::Status(404, "Not Found", {},
                                                          "<a href=\"/home/logo.gif\">home</a>"));
    form->List2->SetItems({"http://old/x.jpg"});
    Type(host + "/missing.html");
    QTest::keyClick(form->Combo1->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(form->List2->Items().isEmpty());
    EXPECT_TRUE(form->Memo2.isEmpty());
    EXPECT_TRUE(Log().contains(QStringLiteral("Strani ni bilo mogoče naložiti: 404 Not Found")));
}

TEST_F(PageLoad, OtherKeysInTheAddressBoxLoadNothing)
{
    Type(host + "/gallery/index.html");
    form->Combo1KeyUp(Qt::Key_A);
    EXPECT_EQ(server.RequestCount(), 0);
}

TEST_F(PageLoad, AnEmptyAddressOnlyDisconnects)
{
    form->List2->SetItems({"x"});
    Type("");
    form->Button2Click();
    EXPECT_EQ(form->List2->Count(), 0);
    EXPECT_EQ(server.RequestCount(), 0);
    EXPECT_EQ(History(), QByteArray("<none>"));
    EXPECT_TRUE(AbortRequested);
}

TEST_F(PageLoad, ABareDomainGainsItsSlashBeforeTheRequest)
{
    // A name that fails to resolve: the request fails, the command goes on.
    ScriptedResolver resolver;
    form->HTTP1->Resolver = &resolver;
    Type("http://nowhere.com");
    form->Button2Click();
    EXPECT_EQ(form->Combo1->currentText(), QStringLiteral("nowhere.com/"));
    EXPECT_EQ(History(), QByteArray("<none>")) << "a page that did not come is no history";
    EXPECT_TRUE(Log().contains(QStringLiteral("Nisem našel nobene primerne datoteke!")));
}

TEST_F(PageLoad, ALookUpTimeOutLogsItAndRecordsNothing)
{
    ScriptedResolver resolver;
    resolver.Answers["slow.example"] = {kLoopback, 3000};
    form->HTTP1->Resolver = &resolver;
    form->HTTP1->TimeOut = 100;
    EnglishUI = 1;
    Type("slow.example/p.html");
    form->Button2Click();
    EXPECT_TRUE(Log().endsWith(QStringLiteral("I couldn't download the page (timeout).")));
    EXPECT_EQ(form->List2->Count(), 0);
    EXPECT_TRUE(form->Label10->text().isEmpty());
    EXPECT_EQ(History(), QByteArray("<none>"));
    EXPECT_FALSE(form->Image1->isHidden());
}

TEST_F(PageLoad, APortPastSixteenBitsIsLoggedAndNothingIsAsked)
{
    const QByteArray wrapped = QByteArray::number(server.Port() + 65536);
    Type("127.0.0.1:" + wrapped + "/gallery/index.html");
    form->Button2Click();
    EXPECT_TRUE(Log().endsWith("Invalid port number " + wrapped)) << Log().toStdString();
    EXPECT_EQ(server.RequestCount(), 0);
    EXPECT_EQ(form->List2->Count(), 0);
    EXPECT_EQ(History(), QByteArray("<none>"));
    EXPECT_FALSE(form->Image1->isHidden());
}

TEST_F(PageLoad, StopDuringTheLookUpShowsUserAbortAndRecordsNothing)
{
    ScriptedResolver resolver;
    resolver.Answers["slow.example"] = {kLoopback, 3000};
    form->HTTP1->Resolver = &resolver;
    Type("slow.example/p.html");
    Later(form, 50, [this] { form->Button18Click(); });
    form->Button2Click();
    EXPECT_EQ(windows.Messages(), QStringList{QStringLiteral("Pritisnjena odpoved!")});
    EXPECT_EQ(History(), QByteArray("<none>"));
    EXPECT_FALSE(form->Image1->isHidden());
    EXPECT_TRUE(AbortRequested);
}

TEST_F(PageLoad, DisconnectDuringTheTransferEndsItAndTheCommandGoesOn)
{
    Type(host + "/never-answer");
    Later(form, 100, [this] { form->Button1Click(); });
    form->Button2Click();
    // The abort is logged by the events; nothing is found, and the address
    // of a page that did not come stays out of the history.
    EXPECT_EQ(History(), QByteArray("<none>"));
    EXPECT_EQ(form->List2->Count(), 0);
    EXPECT_TRUE(Log().contains(QStringLiteral("Nisem našel nobene primerne datoteke!")));
    EXPECT_TRUE(windows.Errors().isEmpty());
}

TEST_F(PageLoad, AnErrorPageIsNoPageAndItsLinksAreNotListed)
{
    server.Route("/missing.html", FixtureResponse::Status(404, "Not Found", {},
                                                          "<a href=\"/home/logo.gif\">home</a>"));
    server.Route("/moved.html", FixtureResponse::Redirect(302, server.Url("/missing.html")));
    for (const char *path : {"/missing.html", "/moved.html"}) {
        Type(host + path);
        form->Button2Click();
        EXPECT_TRUE(Log().contains(QStringLiteral("Prišlo je do napake.")));
        EXPECT_TRUE(Log().contains(QStringLiteral("Strani ni bilo mogoče naložiti: 404 Not Found")));
        EXPECT_EQ(form->List2->Count(), 0) << path;
        EXPECT_TRUE(form->Memo2.isEmpty());
        EXPECT_FALSE(form->PageLoaded);
    }
    EXPECT_EQ(History(), QByteArray("<none>"));
}

TEST_F(PageLoad, AFailedLoadAfterAGoodOneNeverListsTheEarlierPagesLinks)
{
    RefusingPort closed;
    const QByteArray refused = "127.0.0.1:" + QByteArray::number(closed.Port()) + "/gallery/index.html";
    server.Route("/error.html", FixtureResponse::Status(500, "Server Error", {}, "oops"));
    for (const QByteArray &failing : {refused, host + "/error.html", host + "/never-answer"}) {
        Type(host + "/gallery/index.html");
        form->Button2Click();
        ASSERT_EQ(form->List2->Count(), 3);
        ASSERT_TRUE(form->PageLoaded);

        form->Edit10->setText("1");  // the never answering page ends after a second
        Type(failing);
        form->Button2Click();
        EXPECT_EQ(form->List2->Count(), 0) << failing.constData();
        EXPECT_TRUE(form->Memo2.isEmpty()) << failing.constData();
        EXPECT_EQ(form->Label10->text(), QStringLiteral("0"));
        EXPECT_FALSE(form->PageLoaded);
    }
}

TEST_F(PageLoad, APageThatNeverAnswersEndsWithTheDownloadTimeOut)
{
    EXPECT_EQ(form->HTTP1->TimeOut, form->HTTP2->TimeOut);
    QTest::keyClick(form->Edit10, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(form->Edit10, "1");
    ASSERT_EQ(form->HTTP1->TimeOut, 1000);
    QElapsedTimer clock;
    clock.start();
    Type(host + "/never-answer");
    form->Button2Click();
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(form->List2->Count(), 0);
}

TEST_F(PageLoad, AHistoryThatCannotBeWrittenStopsTheScanWithAFileError)
{
    ASSERT_TRUE(QDir().mkpath(ProgramFile("dl.ini")));  // a folder in its place
    Type(host + "/gallery/index.html");
    EXPECT_THROW(form->Button2Click(), EFCreateError);
    EXPECT_EQ(form->List2->Count(), 0);
    QDir(ProgramFile("dl.ini")).removeRecursively();
}

TEST_F(PageLoad, HistoryIsReadBackWithAnyLineEnd)
{
    QFile file(ProgramFile("dl.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("a.si/\r\nb.si/x\nc.si/č\r");
    file.close();
    Type("typed/");
    form->LoadHistory();
    ASSERT_EQ(form->Combo1->count(), 3);
    EXPECT_EQ(form->Combo1->itemText(2), QStringLiteral("c.si/č"));
    EXPECT_EQ(form->Combo1->currentText(), QStringLiteral("typed/"));
}

TEST_F(PageLoad, ClearHistoryAsksFirstThenEmptiesTheListAndSaysSoWhenTheFileIsMissing)
{
    form->Combo1->addItem(QStringLiteral("a.si/"));
    form->SaveHistory();
    Type("kept/");
    form->Button5Click();  // No: nothing goes
    EXPECT_EQ(windows.Dialogs().questions, QStringList{QStringLiteral("Počistim zgodovino naslovov?")});
    EXPECT_EQ(form->Combo1->count(), 1);
    EXPECT_TRUE(QFile::exists(ProgramFile("dl.ini")));
    ASSERT_TRUE(QFile::remove(ProgramFile("dl.ini")));

    windows.Dialogs().replies = {DialogInterface::Answer::Yes, DialogInterface::Answer::Yes};
    form->Button5Click();
    EXPECT_EQ(form->Combo1->count(), 0);
    EXPECT_EQ(form->Combo1->currentText(), QStringLiteral("kept/"));
    EXPECT_EQ(windows.Errors(),
              QStringList{QStringLiteral("Ni mi uspelo, fajl je najbrž uporabljan!\rI did not succeed - file is in use!")});

    const auto replies = windows.Dialogs().replies;
    windows.Dialogs().Reset();
    windows.Dialogs().replies = replies;
    form->Combo1->addItem(QStringLiteral("a.si/"));
    form->SaveHistory();
    form->Button5Click();
    EXPECT_FALSE(QFile::exists(ProgramFile("dl.ini")));
    EXPECT_TRUE(windows.Errors().isEmpty());
}

TEST_F(PageLoad, TheHiddenTestCommandScansTestHtmlOfTheCurrentFolder)
{
    const QString folder = testenv::NewFolder("local");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder);
    EXPECT_THROW(form->Button3Click(), EFOpenError);
    QFile page(folder + "/test.html");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write(kGallery);
    page.close();
    Type("site.si/pics/index.html");
    form->Button3Click();
    QDir::setCurrent(previous);
    EXPECT_EQ(form->List2->Count(), 4);  // no duplicate removal here
    EXPECT_EQ(form->List2->Item(0), QByteArray("http://site.si/pics/a.jpg"));
    EXPECT_EQ(server.RequestCount(), 0);
}

// The address that finally answered is the base of the page's links, by
// Load page and by Enter; the history keeps the address as typed.
struct MovedPage {
    int code;
    const char *from, *location, *to;  // location: as the server sends it ("" for the absolute to)
    bool enter;                         // Enter in the box instead of Load page
};

class PageBehindARedirect : public PageLoad, public ::testing::WithParamInterface<MovedPage> {};

TEST_P(PageBehindARedirect, ItsLinksResolveAgainstTheFinalAddressAndTheHistoryKeepsTheTypedOne)
{
    const MovedPage c = GetParam();
    server.Route(c.to, FixtureResponse::Ok(kGallery));
    server.Route(c.from, FixtureResponse::Redirect(c.code, *c.location ? QByteArray(c.location) : server.Url(c.to)));
    Type(host + c.from);
    if (c.enter)
        QTest::keyClick(form->Combo1->lineEdit(), Qt::Key_Return);
    else
        QTest::mouseClick(form->Button2, Qt::LeftButton);
    const QByteArray final = host + c.to;
    EXPECT_EQ(form->Combo1->currentText().toUtf8(), final);
    EXPECT_EQ(form->Label1->text(), QStringLiteral("http://"));
    EXPECT_EQ(History(), host + c.from + "\r\n");
    const QByteArray folder = "http://" + final.left(final.lastIndexOf('/') + 1);
    ASSERT_GE(form->List2->Count(), 3);
    EXPECT_EQ(form->List2->Item(0), folder + "a.jpg");
    EXPECT_EQ(form->List2->Item(1), "http://" + host + "/img/b.png");
    EXPECT_TRUE(windows.Messages().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, PageBehindARedirect,
                         ::testing::Values(MovedPage{301, "/gallery", "", "/gallery/2024/", false},
                                           MovedPage{302, "/old/index.html", "/new/deeper/index.html",
                                                     "/new/deeper/index.html", false},
                                           // relative Locations, by Enter
                                           MovedPage{301, "/gallery", "2024/", "/2024/", true},
                                           MovedPage{302, "/a/b/start", "../c/page.html", "/a/c/page.html", true}));

// A load that fails says why as the last log line and in a message, in the
// interface language, by Load page and by Enter.
struct FailedLoad {
    const char *name;
    const char *path;                      // on the fixture server; "" for the refused port
    const char *english, *slovene;         // the reason after "... could not be loaded: "
};

class AFailedLoad : public PageLoad, public ::testing::WithParamInterface<FailedLoad> {};

TEST_P(AFailedLoad, SaysWhyAsTheLastLogLineAndInAMessage)
{
    const FailedLoad c = GetParam();
    RefusingPort closed;
    server.Route("/gone.html", FixtureResponse::Status(404, "Not Found", {}, "<a href=a.jpg>a</a>"));
    form->Edit10->setText("1");
    const QByteArray address = *c.path ? host + c.path : "127.0.0.1:" + QByteArray::number(closed.Port()) + "/x.html";
    for (const bool english : {true, false}) {
        EnglishUI = english ? 1 : 0;
        windows.Dialogs().Reset();
        Type(address);
        if (english)
            form->Button2Click();
        else
            QTest::keyClick(form->Combo1->lineEdit(), Qt::Key_Return);
        const QString text = english ? QStringLiteral("The page could not be loaded: ") + c.english
                                     : QStringLiteral("Strani ni bilo mogoče naložiti: ") + QString::fromUtf8(c.slovene);
        EXPECT_EQ(windows.LogLines().last(), text);
        EXPECT_EQ(windows.Messages(), QStringList{text});
        EXPECT_FALSE(form->PageLoaded);
        EXPECT_EQ(form->List2->Count(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, AFailedLoad,
    ::testing::Values(FailedLoad{"refused", "", "the server refused the connection", "strežnik je zavrnil povezavo"},
                      FailedLoad{"status", "/gone.html", "404 Not Found", "404 Not Found"},
                      FailedLoad{"timeout", "/never-answer", "timed out", "čas je potekel"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(PageLoad, AHostThatIsNotFoundIsNamedAsSuch)
{
    ScriptedResolver resolver;
    form->HTTP1->Resolver = &resolver;
    EnglishUI = 1;
    Type("nowhere.example/p.html");
    form->Button2Click();
    const QString text = QStringLiteral("The page could not be loaded: the host name was not found");
    EXPECT_EQ(windows.LogLines().last(), text);
    EXPECT_EQ(windows.Messages(), QStringList{text});
}

// An address that cannot be asked for says what is wrong with it; nothing is
// asked and nothing recorded.
TEST_F(PageLoad, AnAddressThatCannotBeParsedSaysWhatIsWrong)
{
    EnglishUI = 1;
    const struct {
        QByteArray typed;
        QString shown, reason;
    } cases[] = {
        {"htp:/host", "htp:/host", R"(it starts with "htp:" instead of http:// or https://)"},
        {"host:/x", "host:/x", R"(it starts with "host:" instead of http:// or https://)"},
        {"http://127.0.0.1:abc/", "http://127.0.0.1:abc/", R"(the port "abc" is not a number)"},
        {"127.0.0.1:/x", "http://127.0.0.1:/x", R"(the port number after ":" is missing)"},
        {"https:///x", "https:///x", "the host name is missing"},
    };
    for (const auto &c : cases) {
        windows.Dialogs().Reset();
        Type(c.typed);
        form->Button2Click();
        const QString text = QStringLiteral("The page could not be loaded: \"%1\" is not a valid address (%2)")
                                 .arg(c.shown, c.reason);
        EXPECT_EQ(windows.LogLines().last(), text) << c.typed.constData();
        EXPECT_EQ(windows.Messages(), QStringList{text});
        EXPECT_TRUE(windows.Errors().isEmpty()) << windows.Errors().join('\n').toStdString();
    }
    EXPECT_EQ(server.RequestCount(), 0);
    EXPECT_EQ(History(), QByteArray("<none>"));
}

TEST_F(PageLoad, EditingTheAddressShowsStepTwo)
{
    form->Combo1->lineEdit()->setText(QStringLiteral("x"));  // by the program: no step change
    EXPECT_FALSE(form->Image1->isHidden());
    form->Combo1Change();
    EXPECT_FALSE(form->Image2->isHidden());
    EXPECT_TRUE(form->Image1->isHidden());
}

}  // namespace

TEST_F(PageLoad, APageLargerThanTheLimitIsLoggedAndNothingIsScannedOrRecorded)
{
    form->HTTP1->MaxPageSize = int(kGallery.size()) - 1;
    Type(host + "/gallery/index.html");
    form->Button2Click();
    EXPECT_TRUE(Log().endsWith(QStringLiteral("Page larger than 256 MiB"))) << Log().toStdString();
    EXPECT_EQ(server.RequestCount(), 1);
    EXPECT_TRUE(form->Memo2.isEmpty());
    EXPECT_EQ(form->List2->Count(), 0);
    EXPECT_EQ(History(), QByteArray("<none>"));
    EXPECT_FALSE(form->Image1->isHidden());
}
