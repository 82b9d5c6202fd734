// What the window lets the user do while work runs: the busy buttons during
// a page load, a batch and a list download, and the question that Load
// page, Start! and closing the window ask during a batch, answered both
// ways, with the clicks and keys a user gives.
#include "busy_window_fixture.h"
#include "gui/window_state.h"


#include <QElapsedTimer>
#include <QTabWidget>

namespace {

using Answer = DialogInterface::Answer;

const QString kQuestion = QStringLiteral("A download is running. Stop it?");

// Which of the commands are open at one moment.
struct Buttons {
    bool load, save, start, pageList, stop, disconnect, abortAll;
    static Buttons Of(const TDLForm &f)
    {
        return {f.Button2->isEnabled(),  f.Button4->isEnabled(), f.Button14->isEnabled(),
                f.Button13->isEnabled(), f.Button18->isEnabled(), f.Button1->isEnabled(),
                f.Button16->isEnabled()};
    }
    bool operator==(const Buttons &) const = default;
};

void PrintTo(const Buttons &b, std::ostream *os)
{
    *os << "load " << b.load << " save " << b.save << " start " << b.start << " pageList " << b.pageList
        << " stop " << b.stop << " disconnect " << b.disconnect << " abortAll " << b.abortAll;
}

constexpr Buttons kIdle{true, true, true, true, true, true, true};

class BusyState : public BusyWindowTest {};

TEST_F(BusyState, DuringABatchOnlyLoadPageStartStopAndDisconnectStayOpen)
{
    PickBatch("stall.jpg");
    Buttons during{};
    WhenRequested("/p/stall.jpg", [&] {
        during = Buttons::Of(*form);
        Click(form->Button4);  // disabled: no second batch starts
        Click(form->Button1);  // Disconnect ends the batch
    });
    EXPECT_EQ(Buttons::Of(*form), kIdle);
    Click(form->Button4);
    EXPECT_EQ(during, (Buttons{true, false, true, false, true, true, true}));
    EXPECT_EQ(Buttons::Of(*form), kIdle);
    EXPECT_EQ(server.RequestCount(), 2);
    EXPECT_EQ(Files(), QStringList{"a.jpg"});  // the held file left nothing behind
    EXPECT_TRUE(Shown().questions.isEmpty());
}

TEST_F(BusyState, DuringAPageLoadNoOtherWorkStartsAndEnterIsRefusedWithAMessage)
{
    FixtureResponse held;
    held.NeverAnswer = true;
    server.Route("/page.html", held);
    TypePageAddress();
    Buttons during{};
    WhenRequested("/page.html", [&] {
        during = Buttons::Of(*form);
        Click(form->Button2);
        QTest::keyClick(form->Combo1->lineEdit(), Qt::Key_Return);
        Click(form->Button18);  // Stop ends the load
    });
    Click(form->Button2);
    EXPECT_EQ(during, (Buttons{false, false, false, false, true, true, true}));
    EXPECT_EQ(server.RequestCount(), 1);
    EXPECT_TRUE(LogLines().contains("A page is already loading."));
    EXPECT_EQ(Buttons::Of(*form), kIdle);

    // Enter loads a page as the button does, busy buttons and all.
    server.Route("/page.html", FixtureResponse::Ok("<a href=\"x.jpg\">x</a>"));
    Buttons enterDuring{};
    form->HTTP1->OnAboutToSend = [&](TSocketConnection *) { enterDuring = Buttons::Of(*form); };
    QTest::keyClick(form->Combo1->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(enterDuring.load, false);
    EXPECT_EQ(enterDuring.save, false);
    EXPECT_EQ(form->List2->Count(), 1);
    EXPECT_EQ(Buttons::Of(*form), kIdle);
}

TEST_F(BusyState, ThePageListWaitsForTheBatchAndItsOwnLoadIsBusyToo)
{
    PickBatch("late.jpg");
    form->Edit7->setText(QString::fromUtf8("127.0.0.1:" + QByteArray::number(server.Port()) + "/page.html"));
    WhenRequested("/p/late.jpg", [&] {
        QTest::keyClick(form->Edit7, Qt::Key_Return);  // would disconnect the batch
    });
    Click(form->Button4);
    EXPECT_TRUE(LogLines().contains("Wait until the transfer has ended."));
    EXPECT_FALSE(Requested("/page.html"));
    EXPECT_EQ(Files(), (QStringList{"a.jpg", "c.jpg", "late.jpg"}));

    Buttons during{};
    form->HTTP1->OnAboutToSend = [&](TSocketConnection *) { during = Buttons::Of(*form); };
    QTest::keyClick(form->Edit7, Qt::Key_Return);
    EXPECT_EQ(during, (Buttons{false, false, false, false, true, true, true}));
    EXPECT_EQ(form->List3->Count(), 0);  // the page links no page
    EXPECT_TRUE(Requested("/page.html"));
    EXPECT_EQ(Buttons::Of(*form), kIdle);
}

TEST_F(BusyState, LoadPageAnsweredNoLeavesTheBatchToFinish)
{
    TypePageAddress();
    PickBatch("late.jpg");
    Reply(Answer::No);
    WhenRequested("/p/late.jpg", [&] { Click(form->Button2); });
    Click(form->Button4);
    EXPECT_EQ(Shown().questions, QStringList{kQuestion});
    EXPECT_EQ(Files(), (QStringList{"a.jpg", "c.jpg", "late.jpg"}));
    EXPECT_EQ(Status(), "Download finished. 3 saved, 0 failed.");
    QTest::qWait(50);  // nothing was left waiting for the batch's end
    EXPECT_FALSE(Requested("/page.html"));
    EXPECT_EQ(form->List2->Count(), 3);
}

TEST_F(BusyState, LoadPageAnsweredYesStopsTheBatchWithoutATraceAndThenLoads)
{
    TypePageAddress();
    PickBatch("stall.jpg");
    Reply(Answer::Yes);
    WhenRequested("/p/stall.jpg", [&] { Click(form->Button2); });
    Click(form->Button4);
    EXPECT_EQ(Shown().questions, QStringList{kQuestion});
    EXPECT_EQ(Files(), QStringList{"a.jpg"});  // no temporary file, c.jpg never started
    EXPECT_TRUE(LogLines().contains("Download interrupted. 1 saved, 0 failed, 1 stopped."));
    ASSERT_TRUE(WaitUntil([&] { return form->List2->Count() == 1; }));
    EXPECT_EQ(form->List2->Item(0), server.Url("/x.jpg"));
    EXPECT_FALSE(Requested("/p/c.jpg"));
}

TEST_F(BusyState, EnterInTheAddressBoxAsksAsLoadPageDoes)
{
    TypePageAddress();
    PickBatch("stall.jpg");
    Reply(Answer::Yes);
    WhenRequested("/p/stall.jpg", [&] { QTest::keyClick(form->Combo1->lineEdit(), Qt::Key_Return); });
    Click(form->Button4);
    EXPECT_EQ(Shown().questions, QStringList{kQuestion});
    ASSERT_TRUE(WaitUntil([&] { return form->List2->Count() == 1; }));
    EXPECT_EQ(Files(), QStringList{"a.jpg"});
}

TEST_F(BusyState, StartAnsweredNoThenYes)
{
    form->List3->SetItems({server.Url("/page.html")});
    PickBatch("late.jpg");
    Reply(Answer::No);
    WhenRequested("/p/late.jpg", [&] { Click(form->Button14); });
    Click(form->Button4);
    EXPECT_EQ(Shown().questions, QStringList{kQuestion});
    EXPECT_EQ(Files(), (QStringList{"a.jpg", "c.jpg", "late.jpg"}));
    QTest::qWait(50);
    EXPECT_FALSE(Requested("/page.html"));

    for (const QString &name : Files())
        QFile::remove(QDir(folder).filePath(name));
    PickBatch("stall.jpg");
    Reply(Answer::Yes);
    WhenRequested("/p/stall.jpg", [&] { Click(form->Button14); });
    Click(form->Button4);
    EXPECT_EQ(Shown().questions.size(), 2);
    ASSERT_TRUE(WaitUntil([&] { return Files().contains("00-x.jpg") && !ListRunning; }));
    EXPECT_EQ(Files(), (QStringList{"00-x.jpg", "a.jpg"}));
    EXPECT_EQ(Saved("00-x.jpg"), QByteArray("data of x"));
}

TEST_F(BusyState, ClosingAnsweredNoKeepsTheWindowAndTheBatch)
{
    PickBatch("late.jpg");
    Reply(Answer::No);
    bool closed = true;
    WhenRequested("/p/late.jpg", [&] { closed = form->close(); });
    Click(form->Button4);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(ShuttingDown);
    EXPECT_EQ(Shown().questions, QStringList{kQuestion});
    EXPECT_EQ(Files(), (QStringList{"a.jpg", "c.jpg", "late.jpg"}));
}

TEST_F(BusyState, ClosingAnsweredYesEndsTheBatchAndLeavesNoTemporaryFile)
{
    PickBatch("stall.jpg");
    Reply(Answer::Yes);
    bool closed = false;
    WhenRequested("/p/stall.jpg", [&] { closed = form->close(); });
    Click(form->Button4);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(ShuttingDown);
    EXPECT_EQ(Shown().questions, QStringList{kQuestion});
    EXPECT_EQ(Files(), QStringList{"a.jpg"});
}

TEST_F(BusyState, ClosingWithoutABatchAsksNothing)
{
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(Shown().questions.isEmpty());
}

TEST_F(BusyState, ACommandLineRunIsNeverAskedEvenWhenClosedMidBatch)
{
    form->hide();  // the command line runs before the window shows
    server.Route("/page.html", FixtureResponse::Ok("<a href=\"p/a.jpg\">a</a> <a href=\"p/stall.jpg\">s</a>"));
    WhenRequested("/p/stall.jpg", [&] { form->close(); });
    form->FormShow({QString::fromUtf8(server.Url("/page.html")), folder, "start"});
    EXPECT_TRUE(Shown().questions.isEmpty());
    EXPECT_TRUE(ShuttingDown);
    EXPECT_EQ(Files(), QStringList{"a.jpg"});
}

TEST_F(BusyState, AListDownloadAsksNothingAndKeepsItsOwnCommandsClosed)
{
    const QByteArray two = "<a href=\"p/a.jpg\">a</a> <a href=\"p/late.jpg\">b</a>";
    server.Route("/one.html", FixtureResponse::Ok("<a href=\"x.jpg\">x</a>"));
    server.Route("/two.html", FixtureResponse::Ok(two));
    form->List3->SetItems({server.Url("/one.html"), server.Url("/two.html")});
    Buttons during{};
    WhenRequested("/p/late.jpg", [&] {
        during = Buttons::Of(*form);
        QTest::keyClick(form->Combo1->lineEdit(), Qt::Key_Return);  // refused, not asked
    });
    Click(form->Button14);
    EXPECT_EQ(during, (Buttons{false, false, false, false, true, true, true}));
    EXPECT_TRUE(Shown().questions.isEmpty());
    EXPECT_TRUE(LogLines().contains("A list download is already running."));
    EXPECT_EQ(Files(), (QStringList{"00-x.jpg", "01-a.jpg", "01-late.jpg"}));
    EXPECT_EQ(Buttons::Of(*form), kIdle);
}

}  // namespace
