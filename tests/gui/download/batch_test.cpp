#include "download_fixture.h"
#include "gui/window_state.h"

#include "gui/application.h"
#include "gui/panel_status_bar.h"
#include "tests/support/test_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

class BatchTest : public DownloadTest {
protected:
    void SetUp() override
    {
        DownloadTest::SetUp();
        form->Edit13->setText("0");
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
            server.Route(QByteArray("/p/") + name, FixtureResponse::Ok(QByteArray("data of ") + name));
        form->List2->SetItems({server.Url("/p/a.jpg"), server.Url("/p/b.jpg"), server.Url("/p/c.jpg")});
    }
    void SelectAll() { form->List2->SelectAll(); }
    QString Status() const { return form->Status1->PanelText(2); }
};

TEST_F(BatchTest, NothingPickedShowsTheTwoLanguageMessageAndChangesNothingElse)
{
    form->Status1->SetPanelText(2, "old");
    form->Button4Click();
    EXPECT_EQ(windows.Errors(),
              QStringList{"Izberi vsaj eno datoteko!\rSelect at least one file!"});
    EXPECT_TRUE(Status().isEmpty());
    EXPECT_FALSE(form->Image1->isHidden());
    EXPECT_TRUE(form->HTTP2->HeaderInfo.Referer.isEmpty());
    EXPECT_TRUE(Files().isEmpty());
    EXPECT_FALSE(form->Button181->isHidden());
}

TEST_F(BatchTest, ThePickedLinesAreSavedInOrderWithCounterTitleAndEndMessage)
{
    QStringList counters;
    form->HTTP2->OnAboutToSend = [&](TSocketConnection *) { counters << form->Rich1Line(0); };
    EnglishUI = 1;
    form->Edit4->setText("x-");
    form->Combo1->setEditText("site.si/gallery/");
    form->List2->SetSelected(0, true);
    form->List2->SetSelected(2, true);
    form->Button4Click();
    EXPECT_EQ(counters, (QStringList{"1/2: a.jpg", "2/2: c.jpg"}));
    EXPECT_EQ(ApplicationTitle(), QStringLiteral("Grabulo"));
    EXPECT_EQ(Status(), QStringLiteral("Download finished. 2 saved, 0 failed."));
    EXPECT_EQ(Files(), (QStringList{"x-a.jpg", "x-c.jpg"}));
    EXPECT_EQ(Saved("x-c.jpg"), QByteArray("data of c.jpg"));
    EXPECT_TRUE(LogLines().contains("Downloading a.jpg -> x-a.jpg"));
    EXPECT_TRUE(form->Rich1Line(0).isEmpty() && form->Rich1Line(1).isEmpty());
    EXPECT_FALSE(form->Image5->isHidden());
    EXPECT_TRUE(server.LastRequest().contains("\r\nReferer: http://site.si/gallery/\r\n"));
}

TEST_F(BatchTest, AnHttpsPageIsTheRefererAndTheOwnerOfTheCredentials)
{
    form->SetAddressPrefix("https://");
    form->Combo1->setEditText("site.si:8443/gallery/");
    form->List2->SetSelected(0, true);
    form->Button4Click();
    EXPECT_EQ(Files(), QStringList{"a.jpg"});  // an http file of an https page, named as ever
    EXPECT_TRUE(server.LastRequest().contains("\r\nReferer: https://site.si:8443/gallery/\r\n"));
    const THttpOrigin page = THttpClient::OriginOf("https://site.si:8443/gallery/");
    ASSERT_TRUE(form->HTTP2->CredentialsOrigin.has_value());
    EXPECT_EQ(form->HTTP2->CredentialsOrigin->Host, page.Host);
    EXPECT_EQ(form->HTTP2->CredentialsOrigin->Port, page.Port);
}

TEST_F(BatchTest, SloveneWordingAndTheRefererField)
{
    form->CheckBox3->setChecked(true);
    form->Edit11->setText("http://ref.example/");
    SelectAll();
    form->Button4Click();
    EXPECT_EQ(Status(), QStringLiteral("Prenos datotek končan. Shranjenih: 3, neuspešnih: 0."));
    EXPECT_TRUE(LogLines().contains("Dol vlečem sliko b.jpg -> b.jpg"));
    EXPECT_TRUE(server.LastRequest().contains("\r\nReferer: http://ref.example/\r\n"));
}

TEST_F(BatchTest, TheCredentialsGoOnlyToTheServerOfThePage)
{
    FixtureHttpServer other;
    other.Route("/p/d.jpg", FixtureResponse::Ok("data of d.jpg"));
    form->List2->SetItems({server.Url("/p/a.jpg"), other.Url("/p/d.jpg")});
    form->Edit2->setText("ana");
    form->Edit3->setText("skrivno");
    form->Button8Click();
    form->Combo1->setEditText(QString::fromUtf8(server.Url("/gallery/").mid(7)));
    SelectAll();
    form->Button4Click();
    EXPECT_EQ(Files(), (QStringList{"a.jpg", "d.jpg"}));
    EXPECT_TRUE(server.LastRequest().contains("\r\nAuthorization: Basic YW5hOnNrcml2bm8=\r\n"))
        << server.LastRequest().constData();
    EXPECT_FALSE(other.LastRequest().contains("Authorization")) << other.LastRequest().constData();
}

TEST_F(BatchTest, AStartDelayArmsTheTimerAndStopCancelsIt)
{
    SelectAll();
    form->Edit13->setText("2");
    form->Button4Click();
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 120000);
    EXPECT_EQ(LogLines().last(),
              QStringLiteral("Zakasnitev prenosa je nastavljena na 2 minut. Čakam, da čas preteče..."));
    EXPECT_TRUE(Files().isEmpty());
    form->Button18Click();
    EXPECT_FALSE(form->Timer1->isActive());

    form->Button4Click();
    form->Timer1Timer();  // the delay has passed
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(Files().size(), 3);
}

TEST_F(BatchTest, ANegativeDelayStartsAtOnceAndABadOneIsAConversionError)
{
    SelectAll();
    form->Edit13->setText("-5");
    form->Button4Click();
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(Files().size(), 3);
    form->Edit13->setText("");
    EXPECT_THROW(form->Button4Click(), EConvertError);
}

TEST_F(BatchTest, StopDuringTheSecondFileEndsOnlyThatFile)
{
    FixtureResponse slow = FixtureResponse::Ok(QByteArray(4000, 'b'));
    slow.TrickleMs = 2;
    server.Route("/p/b.jpg", slow);
    SelectAll();
    form->HTTP2->OnAboutToSend = [&](TSocketConnection *) {
        if (form->Rich1Line(0).startsWith("2/"))
            Later(form, 600, [this] { form->Button18Click(); });  // the header has arrived by then
    };
    EnglishUI = 1;
    form->Button4Click();
    EXPECT_TRUE(LogLines().contains("Socket send aborted"));
    EXPECT_EQ(Saved("c.jpg"), QByteArray("data of c.jpg"));
    EXPECT_EQ(Status(), QStringLiteral("Download interrupted. 2 saved, 0 failed, 1 stopped."));
    EXPECT_TRUE(AbortRequested);
    EXPECT_EQ(form->List2->Count(), 3);

    // The next batch that nobody stops has finished.
    form->HTTP2->OnAboutToSend = nullptr;
    form->Button4Click();
    EXPECT_EQ(Status(), QStringLiteral("Download finished. 3 saved, 0 failed."));
}

TEST_F(BatchTest, StopOutsideABatchDoesNotMarkTheNextOne)
{
    SelectAll();
    form->Button18Click();
    form->Button4Click();
    EXPECT_EQ(Status(), QStringLiteral("Prenos datotek končan. Shranjenih: 3, neuspešnih: 0."));
}

TEST_F(BatchTest, ASizeLimitThatIsNotANumberIsRefusedAndEveryFileIsKept)
{
    form->CheckBox4->setChecked(true);
    form->Edit12->setText("abc");
    SelectAll();
    form->Button4Click();
    EXPECT_EQ(windows.Messages(), QStringList{QStringLiteral("Vnesi številko!")});  // at input only
    EXPECT_EQ(form->Edit12->text(), QStringLiteral("0"));
    EXPECT_EQ(Files(), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(Status(), QStringLiteral("Prenos datotek končan. Shranjenih: 3, neuspešnih: 0."));
}

TEST_F(BatchTest, DisconnectDuringTheSecondFileEndsTheBatchSayingItWasInterrupted)
{
    FixtureResponse slow = FixtureResponse::Ok(QByteArray(4000, 'b'));
    slow.TrickleMs = 2;
    server.Route("/p/b.jpg", slow);
    SelectAll();
    form->HTTP2->OnAboutToSend = [&](TSocketConnection *) {
        if (form->Rich1Line(0).startsWith("2/"))
            Later(form, 150, [this] { form->Button1Click(); });
    };
    form->Button4Click();
    EXPECT_EQ(form->List2->Count(), 3) << "Disconnect keeps the link list";
    EXPECT_EQ(form->Label10->text(), QStringLiteral("3"));
    EXPECT_EQ(Saved("c.jpg"), QByteArray("<missing>"));
    EXPECT_EQ(Status(), QStringLiteral("Prenos datotek prekinjen. Shranjenih: 1, neuspešnih: 0, ustavljenih: 1."));
    EXPECT_TRUE(form->Image5->isHidden());
    EXPECT_FALSE(BatchRunning);
}

TEST_F(BatchTest, SavePicturesDuringARunningBatchIsRefused)
{
    SelectAll();
    int nested = 0;
    form->HTTP2->OnAboutToSend = [&](TSocketConnection *) {
        if (nested++ == 0)
            form->Button4Click();
    };
    EnglishUI = 1;
    form->Button4Click();
    EXPECT_TRUE(LogLines().contains("A download is already running."));
    EXPECT_EQ(Files().size(), 3);
    EXPECT_EQ(server.RequestCount(), 3);
}

TEST_F(BatchTest, DuringAListDownloadAnEmptyPickRunsThroughWithoutADialog)
{
    ListRunning = true;
    form->Edit13->setText("5");  // the delay is skipped too
    EnglishUI = 1;
    form->Button4Click();
    EXPECT_TRUE(windows.Errors().isEmpty());
    EXPECT_EQ(Status(), QStringLiteral("Download finished. 0 saved, 0 failed."));
    EXPECT_FALSE(form->Timer1->isActive());
}

}  // namespace

// A link of a page can hold any byte; the log quotes it without letting it
// reach the terminal that follows standard output.
TEST(BatchLog, APageLinkHoldingEscapeIsLoggedEscapedInTheWindowAndOnStandardOutput)
{
    FixtureHttpServer server;
    WindowHarness windows{{.removeProgramFiles = true, .folderHint = "save"}};
    TDLForm *const form = windows.Form();
    EnglishUI = 1;
    form->Edit13->setText("0");
    server.Route("/gallery/index.html",
                 FixtureResponse::Ok("<a href=\"x\x1b[2J\x1b]0;owned\x07y.jpg\">x</a>\n"));
    server.Route("/gallery/x%1B[2J%1B]0;owned%07y.jpg", FixtureResponse::Ok("data"));
    form->Combo1->setEditText(QString::fromUtf8(server.Url("/gallery/index.html").mid(7)));
    form->Button2Click();
    ASSERT_EQ(form->List2->Count(), 1);
    form->List2->SelectAll();

    testing::internal::CaptureStdout();
    form->Button4Click();
    const std::string out = testing::internal::GetCapturedStdout();

    const QString quoted = QStringLiteral("Downloading x\\x1b[2J\\x1b]0;owned\\x07y.jpg -> ");
    EXPECT_TRUE(windows.LogLines().join(u'\n').contains(quoted))
        << windows.LogLines().join(u'\n').toStdString();
    EXPECT_NE(out.find(quoted.toStdString()), std::string::npos) << out;
    EXPECT_EQ(out.find('\x1b'), std::string::npos);
    EXPECT_EQ(out.find('\x07'), std::string::npos);
    // Only the log is escaped: the request asked for the address as it is.
    EXPECT_TRUE(server.LastRequest().startsWith("GET /gallery/x%1B[2J%1B]0;owned%07y.jpg HTTP/1.0\r\n"))
        << server.LastRequest().constData();
}

TEST_F(BatchTest, WithKeptConnectionsTheFilesShareOneAndAClosedOneIsReplaced)
{
    form->HTTP2->KeepAlive = true;
    server.Route("/p/a.jpg", FixtureResponse::KeptOk("data of a.jpg"));
    // Closes after its answer without a word: the next file finds it closed.
    server.Route("/p/b.jpg", FixtureResponse::Raw("HTTP/1.1 200 OK\r\nContent-Length: 13\r\n\r\ndata of b.jpg"));
    server.Route("/p/c.jpg", FixtureResponse::KeptOk("data of c.jpg"));
    SelectAll();
    form->Button4Click();
    EXPECT_EQ(Files(), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(Saved("c.jpg"), QByteArray("data of c.jpg"));
    EXPECT_EQ(server.ConnectionCount(), 2) << "a and b on one, c on a new one";
    EXPECT_FALSE(LogLines().join('\n').contains("trying again")) << "a closed kept connection is no failed attempt";
    EXPECT_TRUE(server.LastRequest().startsWith("GET /p/c.jpg HTTP/1.1\r\n"));
}
