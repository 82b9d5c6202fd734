// Text and HTML list files: the formats on their own, then the Lists menu
// commands and the page list's save button with scripted file dialogs.
#include "lists_fixture.h"
#include "lists/list_file_format.h"
#include "lists/list_file_io.h"
#include "scan/link_scanner.h"

#include <QComboBox>

namespace {

TEST(ListFileFormat, LinesEndAtCrLfCrOrLfAndTheTextEndsAtItsFirstZeroByte)
{
    EXPECT_EQ(ListFileLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(ListFileLines("a\r\n\r\nb\r\n"), (Lines{"a", "", "b"}));
    EXPECT_EQ(ListFileLines(QByteArray("a\r\nb\0c\r\nd", 10)), (Lines{"a", "b"}));
    EXPECT_EQ(ListFileLines(QByteArray("\0a", 2)), Lines{});
    EXPECT_EQ(ListFileLines(""), Lines{});
    EXPECT_EQ(ListFileLines("\n\r"), (Lines{"", ""}));
}

TEST(ListFileFormat, TheHtmlListIsTheHeaderLineAndOneLinkLinePerEntry)
{
    EXPECT_EQ(HtmlListLines({}), Lines{"<HTML><BODY>"});
    EXPECT_EQ(HtmlListLines({"http://h/a.jpg", "b c\"d"}),
              (Lines{"<HTML><BODY>", "<A HREF=\"http://h/a.jpg\">http://h/a.jpg</A><BR>",
                     "<A HREF=\"b c\"d\">b c\"d</A><BR>"}));
}

TEST(ListFileFormat, JunkLongLinesAndManyLinesSurviveARoundTrip)
{
    QByteArray junk;
    for (int i = 0; i < 70000; ++i)
        junk.append(char((i * 7919) & 0xff));
    const Lines once = ListFileLines(junk);
    for (const QByteArray &line : once)
        EXPECT_FALSE(line.contains('\r') || line.contains('\n') || line.contains('\0'));

    Lines many;
    for (int i = 0; i < 100000; ++i)
        many << "http://h/" + QByteArray::number(i);
    many << QByteArray(1 << 20, 'x');
    const QString path = testenv::NewFolder("roundtrip") + "/many.txt";
    WriteListFile(path, many);
    EXPECT_EQ(ReadListFile(path), many);
    WriteListFile(path, once);
    EXPECT_EQ(ReadListFile(path), once);
}

TEST(ListFileFormat, FileErrorsAreTheProgramsFileErrors)
{
    const QString folder = testenv::NewFolder("errors");
    EXPECT_THROW(ReadListFile(folder + "/missing.txt"), EFOpenError);
    EXPECT_THROW(ReadListFile(folder), EFOpenError);  // a folder is no list
    EXPECT_THROW(WriteListFile(folder + "/no/such/folder.txt", {"a"}), EFCreateError);
}

class ListFiles : public ListsTest {};

TEST_F(ListFiles, AnEmptyListSavesAsAnEmptyTextFileAndAHeaderOnlyHtmlFile)
{
    Answer(folder + "/empty.txt");
    form->P3Click();
    Answer(folder + "/empty.html");
    form->P4Click();
    EXPECT_EQ(Read(folder + "/empty.txt"), QByteArray());
    EXPECT_EQ(Read(folder + "/empty.html"), QByteArray("<HTML><BODY>\r\n"));
    EXPECT_EQ(LogLines(), (QStringList{"Seznam shranjen.", "Seznam shranjen."}));
}

TEST_F(ListFiles, SavingTwiceAsHtmlGivesTwoIdenticalThreeLineFilesSelectedOrNot)
{
    form->List2->SetItems({"a", "b"});
    form->List2->SetSelected(1, true);
    EnglishUI = 1;
    Answer(folder + "/one.html");
    form->P4Click();
    Answer(folder + "/two.html");
    form->P4Click();
    const QByteArray expected = "<HTML><BODY>\r\n<A HREF=\"a\">a</A><BR>\r\n<A HREF=\"b\">b</A><BR>\r\n";
    EXPECT_EQ(Read(folder + "/one.html"), expected);
    EXPECT_EQ(Read(folder + "/two.html"), expected);
    EXPECT_EQ(form->List5.size(), 3);
    EXPECT_EQ(LogLines(), (QStringList{"List saved.", "List saved."}));
}

TEST_F(ListFiles, TextSaveReplacesAnExistingFileAndReadsBackTheSameEntries)
{
    const QString path = Write("list.txt", "old content that is longer than the new one\r\n");
    form->List2->SetItems({"http://h/a.jpg", "http://h/b.jpg"});
    Answer(path);
    form->P3Click();
    EXPECT_EQ(Read(path), QByteArray("http://h/a.jpg\r\nhttp://h/b.jpg\r\n"));
    form->List2->Clear();
    Answer(path);
    form->P1Click();
    EXPECT_EQ(form->List2->Items(), (Lines{"http://h/a.jpg", "http://h/b.jpg"}));
    EXPECT_FALSE(form->Image3->isHidden());
}

TEST_F(ListFiles, TextLoadDropsEmptyAndRepeatedLinesAndTakesAnyLineEnd)
{
    Answer(Write("x.txt", "x\r\n\r\ny\r\nx\r\n"));
    form->P1Click();
    EXPECT_EQ(form->List2->Items(), (Lines{"x", "y"}));
    Answer(Write("lf.txt", "p\nq\nr"));
    form->P1Click();
    EXPECT_EQ(form->List2->Items(), (Lines{"p", "q", "r"}));
    Answer(Write("cr.txt", "p\rq\rr\r"));
    form->P1Click();
    EXPECT_EQ(form->List2->Items(), (Lines{"p", "q", "r"}));
    Answer(Write("nul.txt", QByteArray("p\r\nq\0r\r\ns", 10)));
    form->P1Click();
    EXPECT_EQ(form->List2->Items(), (Lines{"p", "q"}));
}

TEST_F(ListFiles, CancelOrAnUnreadableFileLeavesTheLinkListAlone)
{
    form->List2->SetItems({"keep"});
    form->P1Click();   // cancelled
    form->P2Click();
    EXPECT_EQ(form->List2->Items(), Lines{"keep"});
    Answer(folder + "/missing.txt");
    EXPECT_THROW(form->P1Click(), EFOpenError);
    EXPECT_EQ(form->List2->Items(), Lines{"keep"});
    Answer(folder + "/no/such/folder/out.txt");
    EXPECT_THROW(form->P3Click(), EFCreateError);
    EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(ListFiles, HtmlLoadResolvesRelativeLinksAgainstTheAddressBox)
{
    Answer(Write("links.html", "<HTML><BODY>\r\n<A HREF=\"http://abs.example/a.jpg\">x</A><BR>\r\n"
                               "<A HREF=\"rel/b.png\">y</A><BR>\r\n<A HREF=\"c.txt\">z</A><BR>\r\n"));
    form->Combo1->setEditText("site.example/gallery/index.html");
    form->List2->SetItems({"old"});
    form->P2Click();
    EXPECT_EQ(form->List2->Items(),
              (Lines{"http://abs.example/a.jpg", "http://site.example/gallery/rel/b.png"}));
}

TEST_F(ListFiles, AnHtmlListReadsBackToItsEntriesWhateverTheAddressBoxHolds)
{
    const Lines entries{"http://h.example/1.jpg", "http://h.example/d/2.gif"};
    form->List2->SetItems(entries);
    Answer(folder + "/saved.html");
    form->P4Click();
    for (const char *address : {"other.example/", ""}) {
        form->Combo1->setEditText(address);
        Answer(folder + "/saved.html");
        form->P2Click();
        EXPECT_EQ(form->List2->Items(), entries) << address;
    }
}

TEST_F(ListFiles, AnHtmlListTheTypeFilterRejectsEndsInTheScannersEmptyResult)
{
    form->List2->SetItems({"http://h.example/1.jpg"});
    Answer(folder + "/jpg.html");
    form->P4Click();
    TypeFilterIndex = 2;  // "*.gif"
    EnglishUI = 1;
    Answer(folder + "/jpg.html");
    form->P2Click();
    EXPECT_EQ(form->List2->Count(), 0);
    EXPECT_TRUE(LogLines().contains(NoFilesFoundMessage(true)));
    EXPECT_FALSE(form->Image1->isHidden());
}

TEST_F(ListFiles, ThePageListSavesAsText)
{
    form->List3->SetItems({"http://a.example/", "http://b.example/"});
    Answer(folder + "/pages.txt");
    form->Button19Click();
    EXPECT_EQ(Read(folder + "/pages.txt"), QByteArray("http://a.example/\r\nhttp://b.example/\r\n"));
    EXPECT_EQ(LogLines(), QStringList{"Seznam shranjen."});
}

}  // namespace
