// The form encoder, the Base64/uuencode line encoder and the header lines.
#include "base/errors.h"
#include "net/header_lines.h"
#include "net/line_encoder.h"
#include "net/url_encoder.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

QByteArray FormEncode(const QByteArray &text)
{
    TUrlEncoder encoder;
    encoder.InputString = text;
    return encoder.Encode();
}

QByteArray LineEncode(const QByteArray &input, TEncodeMethod method, int *events = nullptr)
{
    QByteArray in = input, out;
    QBuffer inStream(&in), outStream(&out);
    inStream.open(QIODevice::ReadOnly);
    outStream.open(QIODevice::ReadWrite);
    TLineEncoder encoder;
    encoder.InputStream = &inStream;
    encoder.OutputStream = &outStream;
    encoder.Method = method;
    if (events) {
        encoder.OnBeginEncode = [events](TLineEncoder *) { *events += 1; };
        encoder.OnEndEncode = [events](TLineEncoder *) { *events += 10; };
    }
    encoder.Encode();
    EXPECT_EQ(outStream.pos(), 0) << "output stream is left at its start";
    return out;
}

}  // namespace

TEST(UrlEncoder, EncodesLettersBlanksAndOtherBytes)
{
    EXPECT_EQ(FormEncode("a b"), "a+b");
    EXPECT_EQ(FormEncode("x=1&y=2"), "x%3D1%26y%3D2");
    EXPECT_EQ(FormEncode("-_.~"), "%2D%5F%2E%7E");
    EXPECT_EQ(FormEncode(""), "");
    EXPECT_EQ(FormEncode("/"), "%2F");
    EXPECT_EQ(FormEncode(QByteArray(1, char(200))), "%C8");
    EXPECT_EQ(FormEncode(QByteArray("\0\n", 2)), "%00%0A");
    EXPECT_EQ(FormEncode("AZaz09"), "AZaz09");
}

TEST(UrlEncoder, EncodesTextsLongerThan65535BytesWhole)
{
    const QByteArray text = QByteArray(70000, 'a') + " /";
    const QByteArray encoded = FormEncode(text);
    EXPECT_EQ(encoded.size(), 70000 + 1 + 3);
    EXPECT_TRUE(encoded.endsWith("a+%2F"));
}

TEST(LineEncoder, Base64LinesMatchTheStandardAlphabetAndPadding)
{
    EXPECT_EQ(LineEncode("abc", emMime), "YWJj\r\n");
    EXPECT_EQ(LineEncode("ab", emMime), "YWI=\r\n");
    EXPECT_EQ(LineEncode("a", emMime), "YQ==\r\n");
    EXPECT_EQ(LineEncode("", emMime), "");
    EXPECT_EQ(LineEncode(QByteArray("\xfb\xff\xbf", 3), emMime), "+/+/\r\n");
}

TEST(LineEncoder, Base64BreaksEvery45InputBytesInto60Characters)
{
    const QByteArray input(46, 'x');
    const QByteArray out = LineEncode(input, emMime);
    const QList<QByteArray> lines = out.split('\n');
    ASSERT_EQ(lines.size(), 3);  // two lines and the empty rest after the last LF
    EXPECT_EQ(lines[0].size(), 61);  // 60 characters and CR
    EXPECT_EQ(lines[1], "eA==\r");
    EXPECT_EQ(QByteArray::fromBase64(lines[0].chopped(1) + lines[1].chopped(1)), input);
}

TEST(LineEncoder, UuencodeHasLengthCharacterAndClosingLine)
{
    EXPECT_EQ(LineEncode("abc", emUUCode), "#86)C\r\n`\r\n");
    EXPECT_EQ(LineEncode("", emUUCode), "`\r\n");
    const QByteArray full = LineEncode(QByteArray(45, '\0'), emUUCode);
    EXPECT_EQ(full, "M" + QByteArray(60, '`') + "\r\n`\r\n");
    EXPECT_EQ(LineEncode("a", emUUCode), "!80\r\n`\r\n") << "no padding characters";
}

TEST(LineEncoder, BeginAndEndEventsFireOnceAndEndFiresAfterAFailure)
{
    int events = 0;
    LineEncode("abc", emMime, &events);
    EXPECT_EQ(events, 11);

    QByteArray in = "abc";
    QBuffer inStream(&in), outStream;
    inStream.open(QIODevice::ReadOnly);
    outStream.open(QIODevice::ReadOnly);  // writing fails
    TLineEncoder encoder;
    encoder.InputStream = &inStream;
    encoder.OutputStream = &outStream;
    int ended = 0;
    encoder.OnEndEncode = [&](TLineEncoder *) { ++ended; };
    EXPECT_THROW(encoder.Encode(), EInOutError);
    EXPECT_EQ(ended, 1);
}

TEST(Base64Lines, EncodesCredentials)
{
    EXPECT_EQ(Base64Lines("Aladdin:open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==\r\n");
}

TEST(HeaderLines, SetHeaderRewritesAddsAndRemovesByNameWithoutRegardToCase)
{
    THeaderLines list;
    list.Add("GET /a:b HTTP/1.0");
    list.Add("Host: y");
    list.SetHeader("host", "x");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[1], "host: x");
    list.SetHeader("Referer", "http://r/");
    EXPECT_EQ(list[2], "Referer: http://r/");
    list.SetHeader("HOST", "");
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.IndexOfHeader("host"), -1);
    list.SetHeader("Missing", "");
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Text(), "GET /a:b HTTP/1.0\r\nReferer: http://r/\r\n");
}

TEST(HeaderLines, IndexOfHeaderUsesTheTextBeforeTheFirstColon)
{
    THeaderLines list;
    EXPECT_EQ(list.IndexOfHeader("Host"), -1);
    list.Add("GET /a:b HTTP/1.0");
    list.Add("no colon here");
    list.Add("Accept: a");
    list.Add("accept: b");
    EXPECT_EQ(list.IndexOfHeader("GET /a"), 0);
    EXPECT_EQ(list.IndexOfHeader("GET"), -1);
    EXPECT_EQ(list.IndexOfHeader("b HTTP/1.0"), -1);
    EXPECT_EQ(list.IndexOfHeader("no colon here"), -1);
    EXPECT_EQ(list.IndexOfHeader("ACCEPT"), 2);
}

TEST(HeaderLines, SortedListSearchesByHalvingAndRefusesPut)
{
    THeaderLines list;
    for (const char *line : {"Zeta: 1", "alpha: 2", "Mid: 3", "beta: 4", "Omega: 5"})
        list.Add(line);
    list.SetSorted(true);
    EXPECT_EQ(list[0], "alpha: 2");
    for (const char *name : {"alpha", "BETA", "mid", "omega", "zeta"})
        EXPECT_EQ(list[list.IndexOfHeader(name)].left(3).toLower(), QByteArray(name).left(3).toLower());
    EXPECT_EQ(list.IndexOfHeader("gamma"), -1);
    EXPECT_THROW(list.Put(0, "x: y"), EListError);
    EXPECT_THROW(list.SetHeader("alpha", "9"), EListError);
    THeaderLines empty;
    empty.SetSorted(true);
    EXPECT_EQ(empty.IndexOfHeader("x"), -1);
}

TEST(HeaderLines, IndexErrorsAreListErrors)
{
    THeaderLines list;
    list.Add("a: 1");
    EXPECT_THROW(list[1], EListError);
    EXPECT_THROW(list.Delete(-1), EListError);
    EXPECT_THROW(list.Insert(2, "x"), EListError);
    QString message;
    try {
        list.Delete(5);
    } catch (const EListError &e) {
        message = e.Message();
    }
    EXPECT_EQ(message, "List index out of bounds (5)");
}
