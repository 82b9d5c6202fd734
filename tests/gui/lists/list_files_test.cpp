// Text and HTML list files: the formats on their own, then the Lists menu
// commands and the page list's save button with scripted file dialogs.
#include "lists_fixture.h"
#include "base/text_lines.h"
#include "core/lists/list_file_format.h"
#include "core/lists/list_file_io.h"
#include "core/scan/link_scanner.h"

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
                     "<A HREF=\"b%20c%22d\">b%20c%22d</A><BR>"}));
}

TEST(ListFileFormat, ATextListEntrysZeroCrAndLfArePercentEncodedAndNothingElse)
{
    EXPECT_EQ(TextListEntry(QByteArray("a\0b\rc\nd\r\n", 9)), QByteArray("a%00b%0Dc%0Ad%0D%0A"));
    const QByteArray plain("http://h/a b\t\"c'>%0A%\x7f\xc4\x8d.jpg");
    EXPECT_EQ(TextListEntry(plain), plain);
    EXPECT_EQ(TextListEntry(""), QByteArray(""));

    const Lines entries{"http://h/1.jpg", QByteArray("http://h/2\0.jpg", 15), "http://h/3\r\n4.jpg",
                        "", "\n", "http://h/5.jpg"};
    const Lines lines = TextListLines(entries);
    ASSERT_EQ(lines.size(), entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i)
        EXPECT_EQ(lines[i], TextListEntry(entries[i]));
    EXPECT_EQ(ListFileLines(JoinLinesCrLf(lines)), lines);
}

TEST(ListFileFormat, TheScannerFindsEachHtmlListEntryWholeAndNothingInTheLinkTexts)
{
    EXPECT_EQ(HtmlListEntry(QByteArray("a b\"c'd>e\0f\rg\nh<i&j\tk", 21)),
              QByteArray("a%20b%22c%27d%3Ee%00f%0Dg%0Ah<i&j\tk"));
    const Lines entries{"http://h/href=x.jpg", "http://h/<b>&amp;.jpg", "HREF=\"y.jpg\">",
                        QByteArray("http://h/z\0\r\n.jpg", 18), "", "http://h/last.jpg"};
    const Lines html = HtmlListLines(entries);
    EXPECT_EQ(html[1], "<A HREF=\"http://h/href=x.jpg\">http://h/&#104;ref=x.jpg</A><BR>");
    EXPECT_EQ(html[2], "<A HREF=\"http://h/<b%3E&amp;.jpg\">http://h/&lt;b%3E&amp;amp;.jpg</A><BR>");
    EXPECT_EQ(html[3], "<A HREF=\"HREF=%22y.jpg%22%3E\">&#72;REF=%22y.jpg%22%3E</A><BR>");
    Lines values;
    for (const QByteArray &entry : entries)
        values << HtmlListEntry(entry);
    EXPECT_EQ(CollectLinkValues(JoinLinesCrLf(html), LinkAttribute::Href), values);
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

TEST_F(ListFiles, AnEntryWithAZeroByteOrLineBreakSavesAndLoadsWithEveryLaterEntry)
{
    const Lines entries{"http://h.example/1.jpg", QByteArray("http://h.example/2\0x.jpg", 24),
                        "http://h.example/3\r\ny.jpg", "http://h.example/4 \"q\".jpg",
                        "http://h.example/5.jpg"};
    const Lines written{"http://h.example/1.jpg", "http://h.example/2%00x.jpg",
                        "http://h.example/3%0D%0Ay.jpg", "http://h.example/4 \"q\".jpg",
                        "http://h.example/5.jpg"};
    form->List2->SetItems(entries);
    Answer(folder + "/odd.txt");
    form->P3Click();
    EXPECT_EQ(ReadListFile(folder + "/odd.txt"), written);
    form->List2->Clear();
    Answer(folder + "/odd.txt");
    form->P1Click();
    EXPECT_EQ(form->List2->Items(), written);

    form->List2->SetItems(entries);
    Answer(folder + "/odd.html");
    form->P4Click();
    form->List2->Clear();
    Answer(folder + "/odd.html");
    form->P2Click();
    Lines links = written;
    links[3] = "http://h.example/4%20%22q%22.jpg";
    EXPECT_EQ(form->List2->Items(), links);

    form->List3->SetItems({QByteArray("http://a.example/\0", 18), "http://b.example/"});
    Answer(folder + "/pages.txt");
    form->Button19Click();
    EXPECT_EQ(ReadListFile(folder + "/pages.txt"), (Lines{"http://a.example/%00", "http://b.example/"}));
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
