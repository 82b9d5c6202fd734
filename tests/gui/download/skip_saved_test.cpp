// "Skip pictures already saved": a second batch into the same folder
// requests nothing and adds no numbered copy, one at a time and several at
// once; a file deleted since is fetched again; a damaged archive is set
// aside and the batch goes on; with the box off the numbered copies stay.
#include "download_fixture.h"

#include "core/settings/settings_store.h"
#include "core/settings/settings_values.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace {

class SkipSavedTest : public DownloadTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        DownloadTest::SetUp();
        SetUpForBatches();
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
            server.Route(QByteArray("/g/") + name, FixtureResponse::Ok(QByteArray("bytes of ") + name, "image/jpeg"));
    }
    void ClickSkipBox()
    {
        QTest::mouseClick(form->CheckBox8, Qt::LeftButton, {}, QPoint(4, form->CheckBox8->height() / 2));
    }
    // Picks the three pictures and saves them, GetParam() at once.
    void SaveAll()
    {
        form->List2->SetItems({server.Url("/g/a.jpg"), server.Url("/g/b.jpg"), server.Url("/g/c.jpg")});
        form->List2->SelectAll();
        form->SpinEdit1->setValue(GetParam());
        QTest::mouseClick(form->Button4, Qt::LeftButton);
    }
    int LogLinesWith(const QString &text) const
    {
        return int(LogLines().filter(text).size());
    }
};

TEST_P(SkipSavedTest, ASecondBatchRequestsNothingAndAFileDeletedSinceComesAgain)
{
    ClickSkipBox();
    ASSERT_TRUE(form->CheckBox8->isChecked());
    SaveAll();
    ASSERT_EQ(Files(), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(server.RequestCount(), 3);
    EXPECT_TRUE(QFile::exists(ProgramFile("saved.sqlite")));

    SaveAll();
    EXPECT_EQ(server.RequestCount(), 3);
    EXPECT_EQ(Files(), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(LogLinesWith("Already saved as b.jpg, skipped: " + QString::fromUtf8(server.Url("/g/b.jpg"))), 1);
    EXPECT_EQ(LogLinesWith("Already saved as "), 3);
    EXPECT_EQ(LogLines().last(), QStringLiteral("Download finished. 0 saved, 0 failed, 3 skipped."));
    EXPECT_EQ(RunPictureCount, 3);

    // Deleted, or changed in size: no longer saved.
    ASSERT_TRUE(QFile::remove(QDir(folder).filePath("b.jpg")));
    windows.WriteFile("c.jpg", "shorter");
    SaveAll();
    EXPECT_EQ(server.RequestCount(), 5);
    EXPECT_EQ(Saved("b.jpg"), QByteArray("bytes of b.jpg"));
    EXPECT_EQ(Saved("c0001.jpg"), QByteArray("bytes of c.jpg"));  // the changed file is never replaced
    EXPECT_EQ(Files().size(), 4);
    EXPECT_EQ(LogLinesWith("Already saved as "), 4);
}

TEST_P(SkipSavedTest, WithTheBoxOffEveryBatchAddsNumberedCopiesAndNoArchiveIsMade)
{
    ASSERT_FALSE(form->CheckBox8->isChecked());
    SaveAll();
    SaveAll();
    EXPECT_EQ(server.RequestCount(), 6);
    EXPECT_EQ(Files(), (QStringList{"a.jpg", "a0001.jpg", "b.jpg", "b0001.jpg", "c.jpg", "c0001.jpg"}));
    EXPECT_FALSE(QFile::exists(ProgramFile("saved.sqlite")));
    EXPECT_EQ(LogLinesWith("Already saved as "), 0);
}

TEST_P(SkipSavedTest, ADamagedArchiveIsSetAsideAndNeverStopsTheBatch)
{
    {
        QFile damaged(ProgramFile("saved.sqlite"));
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray("SQLite format 3") + QByteArray(4096, '\xff'));
    }
    ClickSkipBox();
    SaveAll();
    EXPECT_EQ(Files(), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(LogLinesWith("The archive of saved files was damaged"), 1) << LogLines().join('\n').toStdString();
    const QStringList setAside = QDir(ProgramFile(".")).entryList({"saved.sqlite.damaged-*"}, QDir::Files);
    EXPECT_EQ(setAside.size(), 1);

    SaveAll();  // the fresh archive took its place
    EXPECT_EQ(server.RequestCount(), 3);
    EXPECT_EQ(LogLinesWith("Already saved as "), 3);
}

INSTANTIATE_TEST_SUITE_P(OneAndSeveralAtOnce, SkipSavedTest, ::testing::Values(1, 3));

TEST(SkipSavedSetting, TheBoxIsStoredWithTheSettingsAndReadAtStart)
{
    FixtureHttpServer unused;
    WindowHarness windows{{.clearSettings = true, .removeProgramFiles = true, .formCreate = true,
                           .folderHint = "skip-setting"}};
    TDLForm *form = windows.Form();
    EXPECT_FALSE(form->CheckBox8->isChecked());
    QTest::mouseClick(form->CheckBox8, Qt::LeftButton, {}, QPoint(4, form->CheckBox8->height() / 2));
    EXPECT_EQ(ReadSetting(Settings::SkipSaved), 0);  // kept by "Save settings", as the other connection settings
    QTest::mouseClick(form->Button12, Qt::LeftButton);
    EXPECT_EQ(ReadSetting(Settings::SkipSaved), 1);
    windows.Destroy();
    form = windows.Create();
    EXPECT_TRUE(form->CheckBox8->isChecked());
}

}  // namespace
