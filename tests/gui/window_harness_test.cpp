// The window harness itself: what every window test relies on.
#include "gui/dlform.h"
#include "gui/window_state.h"
#include "gui/windows.h"
#include "gui/platform.h"
#include "core/settings/settings.h"
#include "core/settings/settings_store.h"
#include "core/shared_state.h"
#include "gui/download/previewform.h"
#include "gui/lists/createlist.h"
#include "tests/support/test_environment.h"
#include "tests/support/window_harness.h"

#include <QLineEdit>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <gtest/gtest.h>

#include <optional>

namespace {

bool Touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

TEST(WindowHarness, BuildsTheThreeWindowsInItsOwnFolderAndClearsUpAfter)
{
    const QString before = QDir::currentPath();
    EnglishUI = 1;
    ScriptedDialogs::Global().messages << "left over";
    QPointer<TDLForm> form;
    QPointer<TCreateList> createList;
    QPointer<TPreviewForm> preview;
    QString folder;
    {
        WindowHarness windows;
        form = windows.Form();
        createList = windows.CreateListWindow();
        preview = windows.Preview();
        folder = windows.Folder();
        ASSERT_TRUE(form && createList && preview);
        EXPECT_EQ(DLForm, form.data());
        EXPECT_EQ(CreateList, createList.data());
        EXPECT_EQ(PreviewForm, preview.data());
        EXPECT_EQ(createList->parent(), form.data());
        EXPECT_EQ(preview->parent(), form.data());
        EXPECT_EQ(EnglishUI, 0);
        EXPECT_TRUE(windows.Messages().isEmpty());
        EXPECT_EQ(QDir::currentPath(), QDir(folder).canonicalPath());
        EXPECT_NE(QDir(folder).canonicalPath(), QDir(before).canonicalPath());
        EXPECT_TRUE(windows.SavedFiles().isEmpty());
    }
    EXPECT_FALSE(form || createList || preview);
    EXPECT_TRUE(DLForm == nullptr && CreateList == nullptr && PreviewForm == nullptr);
    EXPECT_EQ(QDir::currentPath(), before);
}

TEST(WindowHarness, ReadsTheLogAndTheFilesOfItsFolder)
{
    WindowHarness windows;
    windows.Form()->Log(QStringLiteral("first"));
    windows.Form()->Log(QStringLiteral("drugi"));
    EXPECT_EQ(windows.LogLines(), (QStringList{"first", "drugi"}));

    const QString path = windows.WriteFile(QStringLiteral("b.jpg"), QByteArray("JPEG\0", 5));
    EXPECT_EQ(path, windows.Folder() + "/b.jpg");
    windows.WriteFile(QStringLiteral(".a"), "");
    windows.WriteFile(QStringLiteral("B.gif"), "GIF");
    QDir(windows.Folder()).mkdir(QStringLiteral("sub"));
    EXPECT_EQ(windows.SavedFiles(), (QStringList{".a", "B.gif", "b.jpg"}));
    EXPECT_EQ(windows.ReadFile(QStringLiteral("b.jpg")), QByteArray("JPEG\0", 5));
    EXPECT_EQ(windows.ReadFile(path), QByteArray("JPEG\0", 5));
    EXPECT_EQ(windows.ReadFile(QStringLiteral("none.jpg")), QByteArray("<missing>"));
}

TEST(WindowHarness, OptionsClearTheSettingsAndTheProgramFilesBeforeAndAfter)
{
    ASSERT_TRUE(Touch(ProgramFile(QStringLiteral("dl.ini"))));
    ASSERT_TRUE(Touch(ProgramFile(QStringLiteral("error.log"))));
    RegWriteString(RegistryKey, "startdir", "/kept");
    {
        WindowHarness keeping;
        EXPECT_TRUE(QFile::exists(ProgramFile(QStringLiteral("dl.ini"))));
        EXPECT_EQ(RegReadString(RegistryKey, "startdir", ""), QStringLiteral("/kept"));
    }
    {
        WindowHarness clearing{{.clearSettings = true, .removeProgramFiles = true}};
        EXPECT_FALSE(QFile::exists(ProgramFile(QStringLiteral("dl.ini"))));
        EXPECT_FALSE(QFile::exists(ProgramFile(QStringLiteral("error.log"))));
        EXPECT_EQ(RegReadString(RegistryKey, "startdir", ""), QString());
        ASSERT_TRUE(Touch(ProgramFile(QStringLiteral("dl.ini"))));
        RegWriteString(RegistryKey, "startdir", "/written");
    }
    EXPECT_FALSE(QFile::exists(ProgramFile(QStringLiteral("dl.ini"))));
    EXPECT_FALSE(QFile::exists(testenv::SettingsFile()));
}

TEST(WindowHarness, StartsTheProgramOnlyWhenToldAndAsOftenAsAsked)
{
    WindowHarness windows{{.clearSettings = true, .formCreate = true, .createWindows = false}};
    EXPECT_EQ(windows.Form(), nullptr);
    EXPECT_EQ(DLForm, nullptr);
    EXPECT_TRUE(windows.LogLines().isEmpty());
    for (int run = 0; run < 2; ++run) {
        TDLForm *form = windows.Create();
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(DLForm, form);
        EXPECT_NE(CreateList, nullptr);
        EXPECT_NE(PreviewForm, nullptr);
        // FormCreate ran: the default save folder is not made at the start,
        // so the current folder stays the test's.
        EXPECT_EQ(form->Edit6->text(), DefaultSaveFolder());
        EXPECT_EQ(QDir::currentPath(), QDir(windows.Folder()).canonicalPath());
        windows.Destroy();
        EXPECT_EQ(windows.Form(), nullptr);
        EXPECT_TRUE(DLForm == nullptr && CreateList == nullptr && PreviewForm == nullptr);
    }
    windows.Destroy();  // nothing left to destroy
}

TEST(WindowHarness, TheMainWindowCanRunAlone)
{
    WindowHarness windows{{.secondaryWindows = false}};
    ASSERT_NE(windows.Form(), nullptr);
    EXPECT_EQ(DLForm, windows.Form());
    EXPECT_TRUE(windows.CreateListWindow() == nullptr && windows.Preview() == nullptr);
    EXPECT_TRUE(CreateList == nullptr && PreviewForm == nullptr);
}

TEST(WindowHarness, WithoutFormCreateTheWindowKeepsItsDesignState)
{
    RegWriteString(RegistryKey, "startdir", testenv::NewFolder("elsewhere"));
    WindowHarness windows;
    EXPECT_EQ(QDir::currentPath(), QDir(windows.Folder()).canonicalPath());
    EXPECT_TRUE(FirstActivation);
    testenv::ClearSettings();
}

}  // namespace
