// The plain parts of resuming: which validator an answer gives for a later
// If-Range, its dates, the request lines, Content-Range and the failure
// texts.
#include "net/range_request.h"
#include "net/resume_errors.h"

#include <gtest/gtest.h>

namespace {

QByteArray Block(const QByteArray &lines)
{
    return "HTTP/1.1 200 OK\r\n" + lines + "\r\n";
}

const QByteArray kModified = "Sun, 06 Nov 1994 08:49:37 GMT";
const QByteArray kSecondLater = "Date: Sun, 06 Nov 1994 08:49:38 GMT\r\n";

}  // namespace

TEST(ResumeValidator, AStrongETagComesFirstAndAWeakOneNever)
{
    EXPECT_EQ(ResumeValidatorOf(Block("ETag: \"abc\"\r\nLast-Modified: " + kModified + "\r\n" + kSecondLater)),
              "\"abc\"");
    EXPECT_EQ(ResumeValidatorOf(Block("etag:   \"x-1\"  \r\n")), "\"x-1\"") << "any case, blanks dropped";
    EXPECT_EQ(ResumeValidatorOf(Block("ETag: \"\"\r\n")), "\"\"") << "an empty tag is still a tag";
    for (const QByteArray &weak : {QByteArray("W/\"abc\""), QByteArray("abc"), QByteArray("\"a\"b\""),
                                   QByteArray("\"a b\""), QByteArray("\"abc"), QByteArray("\"")}) {
        EXPECT_EQ(ResumeValidatorOf(Block("ETag: " + weak + "\r\n")), "") << weak.constData();
        EXPECT_EQ(ResumeValidatorOf(Block("ETag: " + weak + "\r\nLast-Modified: " + kModified + "\r\n" + kSecondLater)),
                  kModified)
            << "falls back to the date: " << weak.constData();
    }
    EXPECT_EQ(ResumeValidatorOf("HTTP/1.1 200 OK\nETag: \"lf\"\n\n"), "\"lf\"") << "bare LF line ends";
    EXPECT_EQ(ResumeValidatorOf(Block("") + "ETag: \"body\"\r\n"), "") << "nothing after the blank line counts";
    EXPECT_EQ(ResumeValidatorOf("ETag: \"x\"\r\n\r\n"), "") << "the first line is the status line";
    EXPECT_EQ(ResumeValidatorOf(QByteArray()), "");
}

TEST(ResumeValidator, ALastModifiedDateServesOnlyWhenStrong)
{
    const QByteArray modified = "Last-Modified: " + kModified + "\r\n";
    EXPECT_EQ(ResumeValidatorOf(Block(modified + kSecondLater)), kModified);
    EXPECT_EQ(ResumeValidatorOf(Block(kSecondLater + modified)), kModified) << "in any order";
    EXPECT_EQ(ResumeValidatorOf(Block(modified + "Date: " + kModified + "\r\n")), "")
        << "changed within the second it was sent: weak";
    EXPECT_EQ(ResumeValidatorOf(Block(modified)), "") << "no Date: strength unknown";
    EXPECT_EQ(ResumeValidatorOf(Block("Last-Modified: Sunday, 06-Nov-94 08:49:37 GMT\r\n" + kSecondLater)), "")
        << "only the IMF-fixdate";
    EXPECT_EQ(ResumeValidatorOf(Block(modified + "Date: garbage\r\n")), "");
}

TEST(ResumeValidator, HttpDatesAreIMFFixdatesOnly)
{
    EXPECT_EQ(HttpDateSeconds(kModified), 784111777);
    EXPECT_EQ(HttpDateSeconds("Thu, 01 Jan 1970 00:00:00 GMT"), 0);
    for (const char *bad : {"Mon, 06 Nov 1994 08:49:37 GMT",   // Sunday, not Monday
                            "Sat, 30 Feb 2019 08:49:37 GMT",   // no such day
                            "Sun, 06 Nov 1994 24:49:37 GMT", "Sun, 06 Nov 1994 08:49:37 UTC",
                            "Sun, 06 Nov 1994 08:49:37 +0000", "Sun,  6 Nov 1994 08:49:37 GMT",
                            "Sun, 06 nov 1994 08:49:37 GMT", "Sun, 06 Nov 1994 08:49:37 GMT ",
                            "Sun Nov  6 08:49:37 1994", "Sun, +6 Nov 1994 08:49:37 GMT",
                            // found by fuzzing: a field of no digits once read as the year 1 BC, and
                            // the date with its CR went into If-Range
                            "Sun, 05 Nov 1\r9\x1b 08:49:37 GMT", "Sun, 06 Nov 19x4 08:49:37 GMT",
                            "Sun, 06 Nov 1994 0x:49:37 GMT", ""})
        EXPECT_FALSE(HttpDateSeconds(bad).has_value()) << bad;
}

TEST(ResumeValidator, OnlyATagOrADateCanGoIntoTheRequest)
{
    EXPECT_TRUE(IsResumeValidator("\"abc\""));
    EXPECT_TRUE(IsResumeValidator(kModified));
    for (const QByteArray &bad : {QByteArray(), QByteArray("W/\"abc\""), QByteArray("\"a\r\nX: y\""),
                                  QByteArray("\"a\"\r\nX: y"), QByteArray("abc"), QByteArray("\"a\0b\"", 5)})
        EXPECT_FALSE(IsResumeValidator(bad)) << bad.constData();
    EXPECT_EQ(RangeLine(1000), "Range: bytes=1000-");
    EXPECT_EQ(RangeLine(9223372036854775807), "Range: bytes=9223372036854775807-");
    EXPECT_EQ(IfRangeLine("\"abc\""), "If-Range: \"abc\"");
}

TEST(ContentRange, WellFormedRanges)
{
    const auto range = [](const char *text) { return ContentRangeOf(text).value_or(TContentRange{-9, -9, -9}); };
    EXPECT_EQ(range("bytes 0-0/1").Length(), 1);
    EXPECT_EQ(range("bytes 100-199/200").First, 100);
    EXPECT_EQ(range("bytes 100-199/200").Last, 199);
    EXPECT_EQ(range("bytes 100-199/200").Complete, 200);
    EXPECT_EQ(range("bytes 100-199/*").Complete, -1);
    EXPECT_EQ(range("  Bytes  5-9/10 ").First, 5) << "unit in any case, blanks around";
    EXPECT_EQ(range("bytes 0-9223372036854775806/9223372036854775807").Last, 9223372036854775806);
}

TEST(ContentRange, MalformedNegativeOverflowingOrInconsistentRangesAreRefused)
{
    for (const char *bad : {"", "bytes", "bytes ", "bytes 1-2", "bytes 1/2", "bytes -1-2/3", "bytes 1--2/3",
                            "bytes +1-2/3", "bytes 1-+2/3", "bytes 1-2/-3", "bytes 1 -2/3", "bytes 1-2 /3",
                            "bytes */10", "bytes 1-2/3/4", "bytes 0x1-2/3", "items 1-2/3", "bytes1-2/3",
                            "bytes 5-4/10",                                     // last before first
                            "bytes 5-10/10", "bytes 0-0/0",                     // last at the complete length
                            "bytes 9223372036854775808-9223372036854775809/*",  // past 63 bits
                            "bytes 0-18446744073709551616/*", "bytes 0-1/99999999999999999999"})
        EXPECT_FALSE(ContentRangeOf(bad).has_value()) << bad;
}

TEST(ResumeErrors, TextsInBothLanguagesNameWhatWasWrong)
{
    const EResumeError notContinuing(ResumeProblem::NotContinuing, 1000, 0, "bytes 0-9/10\x01");
    EXPECT_EQ(notContinuing.Message(),
              "the server sent a part that does not continue the file at byte 1000 (Content-Range: bytes 0-9/10?)");
    EXPECT_EQ(ResumeProblemText(notContinuing, true), notContinuing.Message());
    EXPECT_TRUE(ResumeProblemText(notContinuing, false).startsWith(QString::fromUtf8("strežnik")));
    const EResumeError changed(ResumeProblem::FileChanged, 1000, 999);
    EXPECT_TRUE(changed.Message().contains("holds 999 bytes, not 1000")) << qPrintable(changed.Message());
    EXPECT_TRUE(ResumeProblemText(changed, false).contains("999 bajtov, ne 1000"));
}
