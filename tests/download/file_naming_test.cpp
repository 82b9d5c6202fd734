#include "download/file_naming.h"
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
