#include "core/download/file_naming.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

TEST(FileNaming, ForbiddenCharactersBecomeUnderscoresAndKeepTheLength)
{
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"img.php?id=3", "img.php_id=3"},
        {"a:b*c", "a_b_c"},
        {"/\\:*?\"<>|", "_________"},
        {QByteArray("a\nb\0c\x7f\t", 7), "a_b_c__"},
        {"..", ".."},
        {"čšž.jpg", "čšž.jpg"},
    };
    for (const auto &[name, clean] : cases) {
        EXPECT_EQ(ZamenjajCudneZnake(name), clean) << name.constData();
        EXPECT_EQ(PreveriCudneZnake(name), name != clean) << name.constData();
    }
}

TEST(FileNaming, TheNumberStandsBetweenBaseAndExtension)
{
    EXPECT_EQ(NumberedName("pic.jpg", 1), QByteArray("pic0001.jpg"));
    EXPECT_EQ(NumberedName("archive.tar.gz", 1), QByteArray("archive.tar0001.gz"));
    EXPECT_EQ(NumberedName("readme", 12), QByteArray("readme0012"));
    EXPECT_EQ(NumberedName("07-pic.jpg", 2), QByteArray("07-pic0002.jpg"));
    EXPECT_EQ(NumberedName("pic.jpg", 10000), QByteArray("pic10000.jpg"));
    EXPECT_EQ(NumberedName(".", 1), QByteArray("0001."));
    EXPECT_EQ(NumberedName("", 1), QByteArray("0001"));
}

// Names keep no %XX escapes; what they decode to meets the naming rules.
TEST(FileNaming, EscapesAreDecodedAsUtf8BeforeTheNamingRules)
{
    const struct {
        QByteArray segment;
        bool withoutQuery;
        QByteArray saved;   // SavedFileName
        QByteArray clean;   // after the forbidden characters
    } cases[] = {
        {"IMG%200042.JPG", false, "IMG 0042.JPG", "IMG 0042.JPG"},
        {"a%26b%20%281%29.jpg", false, "a&b (1).jpg", "a&b (1).jpg"},
        {"Grad%20ob%20reki.jpg", false, "Grad ob reki.jpg", "Grad ob reki.jpg"},
        {"%C4%8D%c5%a1.jpg", false, "čš.jpg", "čš.jpg"},
        {"%e2%82%ac%F0%9F%98%80.png", false, "€😀.png", "€😀.png"},
        {"čš%20.jpg", false, "čš .jpg", "čš .jpg"},
        {"%C4%8D%C5", false, "č%C5", "č%C5"},
        {"%FF%FE.jpg", false, "%FF%FE.jpg", "%FF%FE.jpg"},
        {"%C0%AF.jpg", false, "%C0%AF.jpg", "%C0%AF.jpg"},
        {"%ED%A0%80.jpg", false, "%ED%A0%80.jpg", "%ED%A0%80.jpg"},
        {"%F4%90%80%80", false, "%F4%90%80%80", "%F4%90%80%80"},
        {"%e0%80%af", false, "%e0%80%af", "%e0%80%af"},
        {"a%2Fb.jpg", false, "a/b.jpg", "a_b.jpg"},
        {"..%2F..%2Fetc%2Fpasswd", false, "../../etc/passwd", ".._.._etc_passwd"},
        {"a%5Cb%3A%2A%3F%22%3C%3E%7C.jpg", false, "a\\b:*?\"<>|.jpg", "a_b_______.jpg"},
        {"a%00b%0A%1b%7F.jpg", false, QByteArray("a\0b\n\x1b\x7f.jpg", 10), "a_b___.jpg"},
        {"%2e%2e", false, "%2e%2e", "%2e%2e"},
        {"%2E", false, "%2E", "%2E"},
        {".%2E", false, ".%2E", ".%2E"},
        {"%2e%2e%2e", false, "...", "..."},
        {"..", false, "..", ".."},
        {"%25.jpg", false, "%.jpg", "%.jpg"},
        {"%2541.jpg", false, "%41.jpg", "%41.jpg"},
        {"100%.jpg", false, "100%.jpg", "100%.jpg"},
        {"a%2.jpg", false, "a%2.jpg", "a%2.jpg"},
        {"a%g0%", false, "a%g0%", "a%g0%"},
        {"a%20.jpg?w=1%202", true, "a .jpg", "a .jpg"},
        {"a%20.jpg?w=1%202", false, "a .jpg?w=1 2", "a .jpg_w=1 2"},
        {"a%3Fb.jpg?x", true, "a?b.jpg", "a_b.jpg"},
        {"a%23b.jpg", true, "a#b.jpg", "a#b.jpg"},
        {"plain.jpg", false, "plain.jpg", "plain.jpg"},
        {"", false, "", ""},
    };
    for (const auto &c : cases) {
        const QByteArray saved = SavedFileName(c.segment, c.withoutQuery);
        EXPECT_EQ(saved, c.saved) << c.segment.constData();
        EXPECT_EQ(ZamenjajCudneZnake(saved), c.clean) << c.segment.constData();
        if (!c.withoutQuery) {
            EXPECT_EQ(DecodePercentEscapes(c.segment), c.saved) << c.segment.constData();
        }
    }
}

class FileNamingInFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous = QDir::currentPath();
        folder = testenv::NewFolder("naming");
        QDir::setCurrent(folder);
    }
    void TearDown() override { QDir::setCurrent(previous); }
    static void Touch(const char *name)
    {
        QFile file(QString::fromUtf8(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QString previous, folder;
};

TEST_F(FileNamingInFolder, EveryEntryButAFolderCountsAsTaken)
{
    EXPECT_FALSE(PreveriObstojDatoteke("pic.jpg"));
    Touch("pic.jpg");
    EXPECT_TRUE(PreveriObstojDatoteke("pic.jpg"));
    QDir().mkdir("sub.jpg");
    EXPECT_FALSE(PreveriObstojDatoteke("sub.jpg"));
    EXPECT_FALSE(PreveriObstojDatoteke(".."));
    EXPECT_FALSE(PreveriObstojDatoteke(""));
    // A link is taken whether it points anywhere or not.
    ASSERT_EQ(::symlink("/nonexistent/target", "dangling.jpg"), 0);
    EXPECT_TRUE(PreveriObstojDatoteke("dangling.jpg"));
}

TEST_F(FileNamingInFolder, TheFirstFreeNumberedVariantIsChosen)
{
    Touch("pic.jpg");
    EXPECT_EQ(ZamenjajImeDatoteke("pic.jpg"), QByteArray("pic0001.jpg"));
    Touch("pic0001.jpg");
    Touch("pic0003.jpg");
    EXPECT_EQ(ZamenjajImeDatoteke("pic.jpg"), QByteArray("pic0002.jpg"));
}

TEST(NameWithoutQuery, KeepsTheNameBeforeAQueryOrAFragment)
{
    EXPECT_EQ(NameWithoutQuery("cover.jpg?w=1200&h=630"), QByteArray("cover.jpg"));
    EXPECT_EQ(NameWithoutQuery("p.webp#x?y"), QByteArray("p.webp"));
    EXPECT_EQ(NameWithoutQuery("plain.png"), QByteArray("plain.png"));
    EXPECT_EQ(NameWithoutQuery("?id=3"), QByteArray("?id=3"));  // nothing before it: the naming rules clean it
}

}  // namespace
