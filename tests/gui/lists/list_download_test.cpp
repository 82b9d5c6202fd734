// The List download tab: building the page list from an index page or a
// folder page, and runs over pages served by the fixture server.
#include "lists_fixture.h"
#include "gui/window_state.h"
#include "core/scan/type_filter.h"
#include "gui/panel_status_bar.h"
#include "tests/support/test_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QApplication>
#include <QClipboard>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace {

class ListDownload : public ListsTest {
protected:
    // Pages /p<k>.html, each linking x.jpg (served as "x of page k") and y.gif.
    Lines ServePages(int count, int delayMs = 0)
    {
        Lines pages;
        for (int k = 0; k < count; ++k) {
            const QByteArray dir = "/p" + QByteArray::number(k) + "/";
            FixtureResponse page = FixtureResponse::Ok("<a href=\"x.jpg\">x</a> <a href=\"y.gif\">y</a>");
            page.DelayMs = delayMs;
            server.Route(dir + "index.html", page);
            server.Route(dir + "x.jpg", FixtureResponse::Ok("x of page " + QByteArray::number(k)));
            server.Route(dir + "y.gif", FixtureResponse::Ok("y of page " + QByteArray::number(k)));
            pages << server.Url(dir + "index.html");
        }
        return pages;
    }
    QList<QByteArray> RequestedPaths() const
    {
        QList<QByteArray> paths;
        for (const QByteArray &request : server.Requests())
            paths << request.split(' ').value(1);
        return paths;
    }
    QByteArray Saved(const QString &name) const { return Read(folder + "/" + name); }
};

TEST_F(ListDownload, AnIndexPageGivesItsHtmlLinksOnceEachAndResetsTheFilter)
{
    server.Route("/idx/", FixtureResponse::Ok("<a href=a.html>1</a><a href=\"b.htm\">2</a>"
                                              "<a href=c.jpg>3</a><a href=a.html>4</a>"));
    form->CheckBox5->setChecked(true);
    form->Edit7->setText("HTTP://" + host + "/idx/");
    form->Button13Click();
    EXPECT_EQ(form->Edit7->text().toUtf8(), host + "/idx/");
    EXPECT_EQ(form->List3->Items(), (Lines{"http://" + host + "/idx/a.html", "http://" + host + "/idx/b.htm"}));
    EXPECT_EQ(form->Label9->text(), "2");
    EXPECT_EQ(form->Combo2->currentIndex(), 0);
    EXPECT_EQ(TypeFilterIndex, 0);
    EXPECT_FALSE(form->CheckBox5->isChecked());
    EXPECT_EQ(form->List2->Count(), 0);
}

TEST_F(ListDownload, AnIndexPageThatDoesNotLoadGivesAnEmptyList)
{
    form->List3->SetItems({"old"});
    form->Edit7->setText(host + "/not-found");
    form->Button13Click();
    EXPECT_EQ(form->List3->Count(), 0);
    EXPECT_EQ(form->Label9->text(), "0");
    EXPECT_EQ(TypeFilterIndex, 0);

    form->Edit7->clear();   // an empty address does nothing
    form->List3->SetItems({"kept"});
    form->Button13Click();
    EXPECT_EQ(form->List3->Items(), Lines{"kept"});
}

TEST_F(ListDownload, EnterInTheAddressFieldLoadsTheList)
{
    server.Route("/idx/", FixtureResponse::Ok("<a href=a.html>1</a>"));
    form->Edit7->setText(host + "/idx/");
    QKeyEvent other(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier);
    QApplication::sendEvent(form->Edit7, &other);
    EXPECT_EQ(server.RequestCount(), 0);
    QKeyEvent enter(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(form->Edit7, &enter);
    EXPECT_EQ(form->List3->Items(), Lines{"http://" + host + "/idx/a.html"});
}

TEST_F(ListDownload, SubFoldersAreKeptSortedAndTheListStaysSorted)
{
    server.Route("/dir/", FixtureResponse::Ok("<a href=zeta/>z</a><a href=\"file.jpg\">f</a>"
                                              "<a href=alpha/>a</a><a href=../>up</a><a href=mid/>m</a>"));
    form->CheckBox5->setChecked(true);   // the folder links are taken all the same
    form->Edit7->setText(host + "/dir/");
    form->Button15Click();
    const QByteArray base = "http://" + host;
    EXPECT_EQ(form->List3->Items(),
              (Lines{base + "/", base + "/dir/alpha/", base + "/dir/mid/", base + "/dir/zeta/"}));
    EXPECT_EQ(form->Label9->text(), "4");
    EXPECT_EQ(TypeFilterIndex, 0);
    EXPECT_EQ(form->Combo2->currentIndex(), 0);

    QApplication::clipboard()->setText("c\nb\na\n");
    form->SpeedButton6Click();
    EXPECT_EQ(form->List3->Items(), (Lines{"a", "b", "c"}));
}

TEST_F(ListDownload, ARunFromTheStartSavesEachPageWithItsPrefixAndReferer)
{
    const Lines pages = ServePages(3);
    form->List3->SetItems(pages);
    form->Button14Click();
    EXPECT_EQ(Files(), (QStringList{"00-x.jpg", "00-y.gif", "01-x.jpg", "01-y.gif", "02-x.jpg", "02-y.gif"}));
    EXPECT_EQ(Saved("01-x.jpg"), QByteArray("x of page 1"));
    EXPECT_FALSE(ListRunning);
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
    EXPECT_EQ(form->List2->Count(), 0);
    EXPECT_EQ(form->Edit4->text(), "") << "the user's own prefix is back";
    for (const QByteArray &request : server.Requests()) {
        if (request.contains("x.jpg")) {
            EXPECT_TRUE(request.contains("\r\nReferer: http://" + host + "/p")) << request.constData();
        }
    }
}

TEST_F(ListDownload, ARunFromIndexNineUsesTwoDigitPrefixesPastTen)
{
    Lines pages(9, "http://unused.example/");
    pages << ServePages(3);
    form->List3->SetItems(pages);
    form->Edit9->setText("9");
    form->Button14Click();
    EXPECT_EQ(Files(), (QStringList{"09-x.jpg", "09-y.gif", "10-x.jpg", "10-y.gif", "11-x.jpg", "11-y.gif"}));
    EXPECT_EQ(Saved("11-x.jpg"), QByteArray("x of page 2"));
}

TEST_F(ListDownload, AStartAtOrPastTheEndLoadsNothing)
{
    form->List3->SetItems(ServePages(2));
    for (const char *start : {"2", "7"}) {
        form->Edit9->setText(start);
        form->Button14Click();
        EXPECT_EQ(server.RequestCount(), 0);
        EXPECT_FALSE(ListRunning);
    }
}

TEST_F(ListDownload, AStartIndexThatIsNoNumberIsAConversionErrorAndNoRun)
{
    form->List3->SetItems(ServePages(1));
    form->Edit9->setText("first");
    try {
        form->Button14Click();
        ADD_FAILURE() << "no conversion error";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), "'first' is not a valid integer value");
    }
    EXPECT_FALSE(ListRunning);
    EXPECT_EQ(server.RequestCount(), 0);
}

TEST_F(ListDownload, ANegativeStartIndexStartsAtTheFirstEntry)
{
    form->List3->SetItems(ServePages(2));
    form->Edit9->setText("-3");
    form->Button14Click();
    EXPECT_EQ(Files(), (QStringList{"00-x.jpg", "00-y.gif", "01-x.jpg", "01-y.gif"}));
}

TEST_F(ListDownload, AbortAllDuringTheSecondOfFourPagesEndsTheRun)
{
    const Lines pages = ServePages(4);
    FixtureResponse slow = FixtureResponse::Ok(QByteArray(4000, 'x'));
    slow.TrickleMs = 2;
    server.Route("/p1/x.jpg", slow);
    form->List3->SetItems(pages);
    form->HTTP2->OnAboutToSend = [&](TSocketConnection *) {
        if (form->Edit4->text() == "01-")
            Later(form, 100, [this] { form->Button16Click(); });
    };
    form->Button14Click();
    const QList<QByteArray> paths = RequestedPaths();
    EXPECT_FALSE(paths.contains("/p2/index.html"));
    EXPECT_FALSE(paths.contains("/p3/index.html"));
    EXPECT_FALSE(paths.contains("/p1/y.gif"));
    EXPECT_TRUE(Files().contains("00-x.jpg"));
    EXPECT_FALSE(Files().contains("01-y.gif"));
    EXPECT_FALSE(ListRunning);
    EXPECT_TRUE(ListAbortRequested);
}

TEST_F(ListDownload, AbortAllWhileAPageLoadsSavesNothingOfThatPage)
{
    const Lines pages = ServePages(3);
    FixtureResponse slowPage = FixtureResponse::Ok("<a href=\"x.jpg\">x</a>");
    slowPage.TrickleMs = 5;
    server.Route("/p1/index.html", slowPage);
    form->List3->SetItems(pages);
    form->HTTP1->OnAboutToSend = [&](TSocketConnection *) {
        if (form->Combo1->currentText().contains("/p1/"))
            Later(form, 40, [this] { form->Button16Click(); });
    };
    form->Button14Click();
    const QList<QByteArray> paths = RequestedPaths();
    EXPECT_TRUE(paths.contains("/p1/index.html"));
    EXPECT_FALSE(paths.contains("/p1/x.jpg"));
    EXPECT_FALSE(paths.contains("/p2/index.html"));
    EXPECT_EQ(Files(), (QStringList{"00-x.jpg", "00-y.gif"}));
    EXPECT_FALSE(ListRunning);
}

TEST_F(ListDownload, EntriesRemovedDuringARunAreNeverReadPastTheList)
{
    form->List3->SetItems(ServePages(3, 100));
    form->HTTP1->OnAboutToSend = [&](TSocketConnection *) {
        if (form->Combo1->currentText().contains("/p0/"))
            Later(form, 20, [this] { form->List3->Delete(2); form->List3->Delete(1); });
    };
    EXPECT_NO_THROW(form->Button14Click());
    EXPECT_EQ(Files(), (QStringList{"00-x.jpg", "00-y.gif"}));
    EXPECT_FALSE(ListRunning);
}

TEST_F(ListDownload, TheRunUsesTheFilterOfTheListTabAndThenGivesBackTheDownloadZones)
{
    form->Combo3->addItems(FileTypeFilterCaptions());
    form->Combo3->setCurrentIndex(2);   // "*.gif"
    form->Combo2->setCurrentIndex(1);   // "*.jpg" on the Download zone tab
    form->Combo2Change();
    form->List3->SetItems(ServePages(2));
    form->Button14Click();
    EXPECT_EQ(Files(), (QStringList{"00-y.gif", "01-y.gif"}));
    EXPECT_EQ(TypeFilterIndex, 1);
}

TEST_F(ListDownload, AnEmptyFilterChoiceOnTheListTabFallsBackToTheDownloadZones)
{
    ASSERT_EQ(form->Combo3->currentIndex(), -1);
    form->Combo2->setCurrentIndex(1);   // "*.jpg"
    form->List3->SetItems(ServePages(1));
    form->Button14Click();
    EXPECT_EQ(Files(), QStringList{"00-x.jpg"});
}

TEST_F(ListDownload, StartDuringARunIsRefusedAndTheRunGoesOn)
{
    form->List3->SetItems(ServePages(2));
    EnglishUI = 1;
    int nested = 0;
    form->HTTP1->OnAboutToSend = [&](TSocketConnection *) {
        if (nested++ == 0)
            form->Button14Click();
    };
    form->Button14Click();
    EXPECT_TRUE(LogLines().contains("A list download is already running."));
    EXPECT_EQ(Files().size(), 4);
    EXPECT_FALSE(ListRunning);
}

TEST_F(ListDownload, AbortAllOutsideARunDisconnectsAndTheNextRunClearsTheFlag)
{
    form->List2->SetItems({"a"});
    form->Button16Click();
    EXPECT_TRUE(ListAbortRequested);
    EXPECT_EQ(form->List2->Count(), 0);
    form->List3->SetItems(ServePages(1));
    form->Button14Click();
    EXPECT_FALSE(ListAbortRequested);
    EXPECT_EQ(Files().size(), 2);
}

// The end of a list download: one summary over all its pages, the failed
// files of every page behind Retry failed, and the Download zone's own
// folder prefix back for the next Save pictures.
class ListEnd : public ListDownload {
protected:
    void SetUp() override
    {
        ListDownload::SetUp();
        form->show();
        form->Edit13->setText("0");
        form->HTTP1->TimeOut = 5000;
        form->HTTP2->TimeOut = 5000;
    }
    // Page 0 with a y.gif that is gone, a page that is not there, page 2 whole.
    void ServeWithFailures()
    {
        Lines pages = ServePages(3);
        server.Route("/p0/y.gif", FixtureResponse::Status(404, "Not Found", {"Content-Length: 0"}, {}));
        pages[1] = server.Url("/missing/index.html");
        form->List3->SetItems(pages);
    }
    QString Status() const { return form->Status1->PanelText(2); }
    QString LastLogLine() const { return LogLines().value(LogLines().size() - 1); }
    static void Click(QWidget *button) { QTest::mouseClick(button, Qt::LeftButton); }
    int RequestsFor(const QByteArray &path) const { return int(RequestedPaths().count(path)); }
};

TEST_F(ListEnd, AListDownloadEndsWithOneSummaryOverItsPagesInBothLanguages)
{
    const struct {
        bool english;
        const char *summary;
        const char *failed;
    } cases[] = {
        {true, "List download finished. 3 pages, 1 not loaded. 3 saved, 1 failed.", "Failed: y.gif"},
        {false, "Prenos po seznamu končan. Strani: 3, nenaloženih: 1. Shranjenih: 3, neuspešnih: 1.",
         "Neuspešne: y.gif"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.english);
        c.english ? form->ENGClick() : form->SLOClick();
        ServeWithFailures();
        Click(form->Button14);
        EXPECT_EQ(Status(), QString::fromUtf8(c.summary));
        EXPECT_EQ(LastLogLine(), QString::fromUtf8(c.summary));
        EXPECT_EQ(LogLines().count(QString::fromUtf8(c.summary)), 1);
        ASSERT_TRUE(form->FailedPanel->isVisible());
        EXPECT_EQ(form->FailedList->text(), QString::fromUtf8(c.failed));
        EXPECT_FALSE(form->TotalProgress->isVisible());
        for (const QString &name : Files())
            QFile::remove(QDir(folder).filePath(name));
    }
}

TEST_F(ListEnd, RetryFailedAfterAListDownloadAsksForTheFailedFilesOfItsPagesOnly)
{
    Lines pages = ServePages(3);
    server.Route("/p0/y.gif", FixtureResponse::Status(404, "Not Found", {"Content-Length: 0"}, {}));
    server.Route("/p2/x.jpg", FixtureResponse::Status(404, "Not Found", {"Content-Length: 0"}, {}));
    form->List3->SetItems(pages);
    EnglishUI = 1;
    Click(form->Button14);
    EXPECT_EQ(Status(), "List download finished. 3 pages. 4 saved, 2 failed.");
    server.Route("/p0/y.gif", FixtureResponse::Ok("y again"));
    server.Route("/p2/x.jpg", FixtureResponse::Ok("x again"));
    server.ClearRequests();
    Click(form->RetryFailedButton);
    EXPECT_EQ(RequestedPaths(), (QList<QByteArray>{"/p0/y.gif", "/p2/x.jpg"}));
    EXPECT_EQ(Saved("00-y.gif"), "y again") << "named as in the list download";
    EXPECT_EQ(Saved("02-x.jpg"), "x again");
    EXPECT_EQ(Status(), "Download finished. 2 saved, 0 failed.");
    EXPECT_EQ(LastLogLine(), Status());
    EXPECT_FALSE(form->FailedPanel->isVisible());
}

TEST_F(ListEnd, SavePicturesAfterAListDownloadUsesNoPagePrefix)
{
    for (const QString &own : {QString(), QStringLiteral("mine-")}) {
        SCOPED_TRACE(own.toStdString());
        form->Edit4->setText(own);
        form->List3->SetItems(ServePages(2));
        Click(form->Button14);
        EXPECT_EQ(form->Edit4->text(), own);
        const QStringList before = Files();
        form->List2->SetItems({server.Url("/p1/x.jpg")});
        form->List2->SelectAll();
        Click(form->Button4);
        QStringList added = Files();
        for (const QString &name : before)
            added.removeAll(name);
        EXPECT_EQ(added, QStringList{own + "x.jpg"});
        for (const QString &name : Files())
            QFile::remove(QDir(folder).filePath(name));
    }
}

TEST_F(ListEnd, APageWithNoLinksIsLoggedForThatPage)
{
    Lines pages = ServePages(2);
    server.Route("/p0/index.html", FixtureResponse::Ok("<p>nothing here</p>"));
    form->List3->SetItems(pages);
    for (const bool english : {true, false}) {
        english ? form->ENGClick() : form->SLOClick();
        form->Memo3->Clear();
        Click(form->Button14);
        const QString none = english ? "No files found!" : "Nisem našel nobene primerne datoteke!";
        const QStringList lines = LogLines();
        const qsizetype at = lines.indexOf(none);
        ASSERT_GE(at, 0) << lines.join('\n').toStdString();
        // Logged for the first page, before the second page's files.
        const qsizetype next = lines.indexOf(english ? "Downloading x.jpg -> 01-x.jpg" : "Dol vlečem sliko x.jpg -> 01-x.jpg");
        ASSERT_GE(next, 0) << lines.join('\n').toStdString();
        EXPECT_LT(at, next);
        EXPECT_EQ(Files(), (QStringList{"01-x.jpg", "01-y.gif"}));
        for (const QString &name : Files())
            QFile::remove(QDir(folder).filePath(name));
    }
}

}  // namespace
