#include "gui/dlform.h"
#include "gui/window_state.h"
#include "gui/windows.h"
#include "gui/message_log.h"
#include "gui/platform.h"
#include "gui/list_box.h"
#include "core/settings/settings.h"
#include "core/shared_state.h"
#include "gui/download/previewform.h"
#include "gui/lists/createlist.h"
#include "net/http_client.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_environment.h"
#include "tests/support/window_harness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Each test starts the program (creates the windows) itself, once or twice.
class StartUp : public ::testing::Test {
protected:
    void Create() { form = windows.Create(); }
    void Destroy()
    {
        windows.Destroy();
        form = nullptr;
    }

    WindowHarness windows{
        {.clearSettings = true, .formCreate = true, .createWindows = false, .folderHint = "startup"}};
    TDLForm *form = nullptr;
};

TEST_F(StartUp, TheFirstStartUsesTheDefaultsAndMarksTheAccount)
{
    Create();
    form->FormShow({});
    form->FormActivate();
    EXPECT_EQ(form->geometry(), QRect(QPoint(20, 20), TDLForm::kDefaultSize));
    // The pictures folder's Grabulo, in the test's own home, not made yet.
    EXPECT_EQ(form->Edit6->text(), QDir::homePath() + "/Pictures/Grabulo");
    EXPECT_TRUE(form->Edit6->text().startsWith(testenv::Root())) << form->Edit6->text().toStdString();
    EXPECT_FALSE(QFileInfo::exists(form->Edit6->text()));
    EXPECT_EQ(QDir::currentPath(), QDir(windows.Folder()).canonicalPath());
    EXPECT_EQ(form->Edit10->text(), QStringLiteral("180"));
    EXPECT_EQ(form->HTTP2->TimeOut, 180000);
    EXPECT_EQ(form->Edit13->text(), QStringLiteral("0"));
    EXPECT_FALSE(form->CheckBox1->isChecked() || form->CheckBox4->isChecked());
    EXPECT_EQ(EnglishUI, 1);
    EXPECT_TRUE(form->CheckBox2->isChecked());
    EXPECT_FALSE(PreviewForm->isVisible());  // Preview is on, but there is no picture yet
    EXPECT_EQ(form->Label2->text(), QStringLiteral("Grabulo v. 1.5"));
    EXPECT_EQ(form->Combo3->count(), 17);
    EXPECT_EQ(RegReadString(RegistryKey, "prisoten", ""), QStringLiteral("ja"));
    EXPECT_EQ(RegReadString(RegistryKey, "verzija", ""), QStringLiteral("1.5"));
    EXPECT_NE(ReadSetting(Settings::Install), QStringLiteral("0"));
    EXPECT_FALSE(FirstActivation);
    // It opens on the Download zone, in an empty address box with a grey example.
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
    EXPECT_EQ(form->focusWidget(), form->Combo1);
    EXPECT_TRUE(form->Combo1->currentText().isEmpty()) << form->Combo1->currentText().toStdString();
    EXPECT_EQ(form->Combo1->lineEdit()->placeholderText(), QStringLiteral("e.g. www.example.org/gallery/"));
    form->SLOClick();
    EXPECT_EQ(form->Combo1->lineEdit()->placeholderText(), QStringLiteral("npr. www.example.org/galerija/"));
    form->PageControl1->setCurrentWidget(form->TabSheet3);
    form->TabSheet3Show();
    EXPECT_TRUE(form->RichEdit2->text().startsWith("Dni od namestitve: 0, minut delovanja: 0")) << "in the language in force";
    form->ENGClick();
    form->TabSheet3Show();
    EXPECT_TRUE(form->RichEdit2->text().startsWith("Grabulo has been installed for 0 days, has been running for 0 minutes"));
}

// A new user's folder (the pictures folder's Grabulo, in the test's own
// home) is not made at the start; the first Save pictures makes it with its
// parents, enters it and saves there.
TEST_F(StartUp, TheDefaultFolderIsMadeWhenTheFirstFileIsSaved)
{
    FixtureHttpServer server;
    server.Route("/p/a.jpg", FixtureResponse::Ok("JPEG bytes", "image/jpeg"));
    const QString pictures = QDir::homePath() + "/Pictures";
    ASSERT_TRUE(pictures.startsWith(testenv::Root()));
    QDir(pictures).removeRecursively();
    Create();
    form->FormShow({});
    const QString folder = form->Edit6->text();
    EXPECT_EQ(folder, pictures + "/Grabulo");
    EXPECT_FALSE(QFileInfo::exists(pictures)) << "not made at the start";
    form->List2->SetItems({server.Url("/p/a.jpg")});
    form->List2->SelectAll();
    form->Button4Click();
    QFile saved(folder + "/a.jpg");
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly)) << windows.LogLines().join('\n').toStdString();
    EXPECT_EQ(saved.readAll(), QByteArray("JPEG bytes"));
    EXPECT_EQ(QDir::currentPath(), QDir(folder).canonicalPath());
    Destroy();
    QDir(pictures).removeRecursively();
}

TEST_F(StartUp, TheLastAddressLoadedIsShownSelectedSoThatTypingReplacesIt)
{
    {
        QFile history(ProgramFile("dl.ini"));
        ASSERT_TRUE(history.open(QIODevice::WriteOnly));
        history.write("https://newest.example/g/\r\nolder.example/\r\n");
    }
    Create();
    form->FormShow({});
    EXPECT_EQ(form->Combo1->count(), 2);
    EXPECT_EQ(form->Combo1->currentText(), QStringLiteral("https://newest.example/g/"));
    EXPECT_EQ(form->Combo1->lineEdit()->selectedText(), form->Combo1->currentText());
    EXPECT_EQ(form->focusWidget(), form->Combo1);
    QFile::remove(ProgramFile("dl.ini"));
}

TEST_F(StartUp, ClosingStoresTheStateAndTheNextStartRestoresIt)
{
    Create();
    form->FormActivate();
    form->SLOClick();
    form->CheckBox2->setChecked(false);
    form->setGeometry(40, 50, 800, 300);
    RunPictureCount = 4;
    form->FormClose();
    EXPECT_EQ(ReadSetting(Settings::Jezik), 0);
    EXPECT_EQ(ReadSetting(Settings::Preview), 0);
    EXPECT_EQ(ReadSetting(Settings::Download), 4);
    EXPECT_TRUE(AbortRequested == false);
    Destroy();

    ResetSharedState();
    ResetWindowState();
    Create();
    form->FormActivate();
    EXPECT_EQ(form->geometry(), QRect(40, 50, 800, TDLForm::kLeastSize.height()));  // never lower than the least
    EXPECT_EQ(EnglishUI, 0);
    EXPECT_FALSE(form->CheckBox2->isChecked());
    EXPECT_EQ(form->DLSteviloSlik(), 4);
}

TEST_F(StartUp, ClosingRewritesTheStoreOnlyForValuesThatReadBackDifferently)
{
    WriteSetting(Settings::Left, 40);
    Create();
    form->setGeometry(20, 20, 670, 600);
    form->FormClose();
    const QSettings stored(QSettings::NativeFormat, QSettings::UserScope, "Tarvove feke", "Grabulo");
    // Back to the default from a stored 40: written, or the next start
    // would put the window back at 40.
    EXPECT_EQ(stored.value("left").toString(), QStringLiteral("20"));
    EXPECT_EQ(stored.value("height").toString(), QStringLiteral("600"));
    // Defaults that were never stored read back the same: not written.
    EXPECT_FALSE(stored.contains("top"));
    EXPECT_FALSE(stored.contains("width"));
    EXPECT_FALSE(stored.contains("download"));
    EXPECT_TRUE(stored.contains("run"));
    EXPECT_EQ(stored.value("prisoten").toString(), QStringLiteral("ja"));
    Destroy();

    ResetSharedState();
    ResetWindowState();
    Create();
    EXPECT_EQ(form->geometry(), QRect(20, 20, 670, 600));
}

TEST_F(StartUp, TheStateStoredAtStartAndAtClosingIsOnDiskOnceEachReturns)
{
    const auto onDisk = [] {
        QFile file(testenv::SettingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    Create();
    EXPECT_TRUE(onDisk().contains("prisoten=ja")) << onDisk().constData();
    EXPECT_TRUE(onDisk().contains("verzija=1.5"));
    form->setGeometry(30, 20, 700, 610);
    RunPictureCount = 3;
    form->FormClose();
    const QByteArray text = onDisk();
    for (const char *line : {"left=30", "width=700", "height=610", "download=3", "run="})
        EXPECT_TRUE(text.contains(line)) << line << " missing from\n" << text.constData();
}

TEST_F(StartUp, StoredSettingsTabValuesAreApplied)
{
    const QString folder = testenv::NewFolder("stored");
    RegWriteString(RegistryKey, "startdir", folder);
    WriteSetting(Settings::TimeOut, 30);
    WriteSetting(Settings::Proxy, 1);
    WriteSetting(Settings::ProxyIP, "10.0.0.9");
    WriteSetting(Settings::ProxyPort, "3129");
    WriteSetting(Settings::Filter, 1);
    RegWriteInteger(RegistryKey, "velikost", 2048);
    Create();
    EXPECT_EQ(QDir::currentPath(), QDir(folder).canonicalPath());
    EXPECT_EQ(form->HTTP2->TimeOut, 30000);
    EXPECT_EQ(form->HTTP1->Proxy, QByteArray("10.0.0.9"));
    EXPECT_EQ(form->HTTP2->ProxyPort, 3129);
    EXPECT_TRUE(form->CheckBox4->isChecked());
    EXPECT_EQ(form->Edit12->text(), QStringLiteral("2048"));
}

TEST_F(StartUp, KeepConnectionsOpenAndDownloadsAtOnceSavedByTheButtonHoldAtTheNextStart)
{
    Create();
    EXPECT_FALSE(form->CheckBox6->isChecked());
    EXPECT_FALSE(form->HTTP1->KeepAlive || form->HTTP2->KeepAlive);
    EXPECT_EQ(form->SpinEdit1->value(), 1);
    form->show();
    form->PageControl1->setCurrentWidget(form->TabSheet2);
    QTest::mouseClick(form->CheckBox6, Qt::LeftButton, {}, QPoint(8, 8));
    form->SpinEdit1->setFocus();
    form->SpinEdit1->selectAll();
    QTest::keyClicks(form->SpinEdit1, "6");
    QTest::mouseClick(form->Button12, Qt::LeftButton);
    form->FormClose();
    Destroy();

    ResetSharedState();
    ResetWindowState();
    Create();
    EXPECT_TRUE(form->CheckBox6->isChecked());
    EXPECT_TRUE(form->HTTP1->KeepAlive);
    EXPECT_TRUE(form->HTTP2->KeepAlive);
    EXPECT_EQ(form->SpinEdit1->value(), 6);
    // Unticked, back to one and saved again, the start after is as before.
    form->CheckBox6->click();
    form->SpinEdit1->setValue(1);
    form->Button12Click();
    Destroy();
    ResetSharedState();
    ResetWindowState();
    Create();
    EXPECT_FALSE(form->CheckBox6->isChecked());
    EXPECT_FALSE(form->HTTP1->KeepAlive || form->HTTP2->KeepAlive);
    EXPECT_EQ(form->SpinEdit1->value(), 1);
}

// In a window that stays open, the choices are stored as they are made,
// without "Save settings for the next run".
TEST_F(StartUp, TheUsersChoicesAreStoredAsTheyChange)
{
    Create();
    form->FormShow({});
    const QString folder = testenv::NewFolder("choices");
    const struct {
        std::function<void()> change;
        std::function<bool()> stored;
        const char *what;
    } rows[] = {
        {[&] { form->CheckBox6->click(); }, [] { return ReadSetting(Settings::KeepAlive) == 1; }, "keepalive"},
        {[&] { form->SpinEdit1->setValue(5); }, [] { return ReadSetting(Settings::Parallel) == 5; }, "parallel"},
        {[&] { form->CheckBox8->click(); }, [] { return ReadSetting(Settings::SkipSaved) == 1; }, "skipsaved"},
        {[&] { form->Edit10->setText("45"); }, [] { return ReadSetting(Settings::TimeOut) == 45; }, "timeout"},
        {[&] { form->CheckBox4->click(); }, [] { return ReadSetting(Settings::Filter) == 1; }, "filter"},
        {[&] { form->Edit6->setText(folder + "/not-yet"); },
         [&] { return RegReadString(RegistryKey, "startdir", "") != folder + "/not-yet"; }, "a folder not there"},
        {[&] { form->Edit6->setText(folder); }, [&] { return RegReadString(RegistryKey, "startdir", "") == folder; },
         "startdir"},
    };
    for (const auto &row : rows) {
        row.change();
        EXPECT_TRUE(row.stored()) << row.what;
    }
    Destroy();
    // A run that closes by itself stores none of it.
    testenv::ClearSettings();
    Create();
    form->FormShow({"127.0.0.1:1/x/", folder, "start", "exit"});
    EXPECT_EQ(RegReadString(RegistryKey, "startdir", ""), QString());
}

TEST_F(StartUp, KeepConnectionsOpenAndDownloadsAtOnceAreOnlyStoredOnesAndHoldForACommandLineRun)
{
    // Stored keepalive, then stored parallel (1 to 8, else the default 1).
    const struct {
        const char *keepalive, *parallel;
    } rows[] = {{"2", "0"}, {"-1", "9"}, {"yes", "abc"}, {"1x", "-3"}, {"0", "2x"}, {"", ""}};
    for (const auto &row : rows) {
        RegWriteString(RegistryKey, "keepalive", row.keepalive);
        RegWriteString(RegistryKey, "parallel", row.parallel);
        Create();
        EXPECT_FALSE(form->CheckBox6->isChecked()) << row.keepalive;
        EXPECT_FALSE(form->HTTP1->KeepAlive || form->HTTP2->KeepAlive) << row.keepalive;
        EXPECT_EQ(form->SpinEdit1->value(), 1) << row.parallel;
        Destroy();
    }
    for (const qint32 stored : {1, 8}) {
        WriteSetting(Settings::Parallel, stored);
        Create();
        EXPECT_EQ(form->SpinEdit1->value(), stored);
        Destroy();
    }
    WriteSetting(Settings::KeepAlive, 1);
    WriteSetting(Settings::Parallel, 4);
    Create();
    const QString folder = testenv::NewFolder("cl-keepalive");
    form->FormShow({"127.0.0.1:1/x/", folder, "start"});  // a page that cannot be loaded
    EXPECT_EQ(form->CommandLineExitStatus(), 2);
    EXPECT_TRUE(form->HTTP1->KeepAlive);
    EXPECT_TRUE(form->HTTP2->KeepAlive);
    EXPECT_EQ(form->SpinEdit1->value(), 4);
    EXPECT_EQ(ReadSetting(Settings::Parallel), 4) << "read, never rewritten";
    EXPECT_TRUE(windows.Errors().isEmpty());
}

// "lowspeed": seconds, 0 to 3600; anything else stored reads as 0 (off).
TEST_F(StartUp, TheStoredSlowTransferLimitGoesToBothClientsAndABadOneIsOff)
{
    const struct {
        const char *stored;
        int seconds;
    } rows[] = {{"90", 90}, {"3600", 3600}, {"0", 0}, {"3601", 0}, {"-1", 0}, {"abc", 0}, {"", 0}};
    for (const auto &row : rows) {
        RegWriteString(RegistryKey, "lowspeed", row.stored);
        Create();
        EXPECT_EQ(form->SpinEdit2->value(), row.seconds) << row.stored;
        EXPECT_EQ(form->HTTP1->LowSpeedTime, row.seconds) << row.stored;
        EXPECT_EQ(form->HTTP2->LowSpeedTime, row.seconds) << row.stored;
        Destroy();
    }
}

TEST_F(StartUp, AStoredPortThatIsNotANumberIsSaidOnceAndTheStartGoesOn)
{
    WriteSetting(Settings::Proxy, 1);
    WriteSetting(Settings::ProxyPort, "80a");
    WriteSetting(Settings::Run, "not a number");
    Create();
    EXPECT_EQ(windows.Errors(), QStringList{"'80a' is not a valid integer value"});
    EXPECT_EQ(RegReadString(RegistryKey, "prisoten", ""), QStringLiteral("ja"));
    form->FormClose();  // a stored run time that is not a number starts again from zero
    EXPECT_TRUE(ReadSetting(Settings::Run).toLongLong() >= 0);
}

TEST_F(StartUp, ARunClosedBeforeItsFirstActivationKeepsTheStoredLanguageAndPreview)
{
    WriteSetting(Settings::Jezik, 1);
    WriteSetting(Settings::Preview, 1);
    Create();
    form->FormClose();
    EXPECT_EQ(ReadSetting(Settings::Jezik), 1);
    EXPECT_EQ(ReadSetting(Settings::Preview), 1);
}

TEST_F(StartUp, CommandLineFolderThatDoesNotExistIsReportedAndTheStartGoesOn)
{
    Create();
    const QString before = QDir::currentPath();
    form->FormShow({"site.si/x/", "/no/such/folder"});
    EXPECT_EQ(windows.Messages(), QStringList{"Unable to find local path /no/such/folder"});
    EXPECT_EQ(form->Edit6->text(), QStringLiteral("/no/such/folder"));
    EXPECT_EQ(QDir::currentPath(), before);
    EXPECT_EQ(form->Combo1->currentText(), QStringLiteral("site.si/x/"));
    EXPECT_FALSE(ShuttingDown);
}

TEST_F(StartUp, CommandLineCredentialsWithoutStartOnlyFillTheFields)
{
    Create();
    const QString folder = testenv::NewFolder("cl");
    form->FormShow({"site.si/", folder, "ana", "geslo"});
    EXPECT_EQ(form->HTTP1->HeaderInfo.UserId, QByteArray("ana"));
    EXPECT_EQ(form->HTTP2->HeaderInfo.Password, QByteArray("geslo"));
    EXPECT_TRUE(form->Memo3->Text().isEmpty());
    EXPECT_FALSE(ShuttingDown);
}

TEST_F(StartUp, ACommandLineHttpsAddressIsLoadedAsHttps)
{
    Create();
    const QString folder = testenv::NewFolder("cl-https");
    form->FormShow({"HTTPS://127.0.0.1:1/x/", folder, "start"});
    EXPECT_EQ(form->Label1->text(), QStringLiteral("https://"));
    EXPECT_EQ(form->Combo1->currentText(), QStringLiteral("127.0.0.1:1/x/"));
    EXPECT_FALSE(form->PageLoaded);
}

TEST_F(StartUp, AStoredTimeOutOfZeroOrBelowReadsAsTheDefault)
{
    for (const qint32 stored : {0, -30}) {
        WriteSetting(Settings::TimeOut, stored);
        Create();
        EXPECT_EQ(form->Edit10->text(), QStringLiteral("180"));
        EXPECT_EQ(form->HTTP2->TimeOut, 180000);
        EXPECT_EQ(form->HTTP1->TimeOut, 180000);
        EXPECT_TRUE(windows.Messages().isEmpty());
        Destroy();
    }
    WriteSetting(Settings::TimeOut, 7);
    Create();
    EXPECT_EQ(form->HTTP1->TimeOut, 7000);
}

TEST_F(StartUp, ClickingTheFirstLinkLabelSwitchesToTheDownloadZone)
{
    Create();
    form->Label15Click();
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
}

TEST_F(StartUp, StoredValuesAtTheEndsOfTheRangeNeitherWrapNorLoseTheWindow)
{
    WriteSetting(Settings::Left, 2147483000);
    WriteSetting(Settings::Top, -2147483000);
    WriteSetting(Settings::Width, 2147483000);
    WriteSetting(Settings::Height, 2147483000);
    WriteSetting(Settings::PreviewLeft, 2147483647);
    WriteSetting(Settings::PreviewTop, 2147483647);
    WriteSetting(Settings::Download, 2147483640);
    Create();
    const QRect screen = AvailableScreenAreas().value(0);
    ASSERT_FALSE(screen.isEmpty());
    // Back at the default place, whole on the screen with its frame.
    EXPECT_EQ(form->pos(), QPoint(20, 20));
    EXPECT_TRUE(screen.contains(form->geometry().adjusted(0, 0, TDLForm::kUsualFrame.width(),
                                                           TDLForm::kUsualFrame.height())));
    EXPECT_GT(form->width(), TDLForm::kDefaultSize.width());
    EXPECT_TRUE(screen.intersects(PreviewForm->frameGeometry())) << PreviewForm->pos().x();

    RunPictureCount = 100;
    EXPECT_EQ(form->DLSteviloSlik(), 2147483647);
    form->FormClose();
    EXPECT_EQ(ReadSetting(Settings::Download), 2147483647);
}

// Every control shows the checked value in force; a number stored in
// another notation is shown as a plain number.
TEST_F(StartUp, TheControlsShowTheSettingsInForceAsTheStoreGivesThem)
{
    const struct {
        const char *key, *text;
    } stored[] = {{"timeout", "$3C"}, {"delay", "4"},     {"proxy", "1"},     {"proxyIP", "10.0.0.9"},
                  {"proxyport", "3129"}, {"keepalive", "1"}, {"parallel", "3"}, {"lowspeed", "20"},
                  {"modernpages", "1"},  {"skipsaved", "1"}, {"filter", "1"},   {"velikost", "$10"}};
    for (const auto &s : stored)
        RegWriteString(RegistryKey, s.key, s.text);
    Create();
    const TSettingsValues values = form->SettingsSnapshot();
    EXPECT_EQ(values, ReadStoredSettings());
    EXPECT_EQ(form->Edit10->text(), QStringLiteral("60"));
    EXPECT_EQ(form->Edit13->text(), QStringLiteral("4"));
    EXPECT_TRUE(form->CheckBox1->isChecked());
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("10.0.0.9"));
    EXPECT_EQ(form->Edit5->text(), QStringLiteral("3129"));
    EXPECT_TRUE(form->CheckBox6->isChecked() && form->CheckBox7->isChecked() && form->CheckBox8->isChecked());
    EXPECT_EQ(form->SpinEdit1->value(), 3);
    EXPECT_EQ(form->SpinEdit2->value(), 20);
    EXPECT_TRUE(form->CheckBox4->isChecked());
    EXPECT_EQ(form->Edit12->text(), QStringLiteral("16"));
    EXPECT_EQ(values.sizeLimit, 16);
    EXPECT_EQ(form->HTTP1->TimeOut, 60000);
    EXPECT_EQ(form->HTTP2->LowSpeedTime, 20);
    EXPECT_EQ(form->HTTP2->ProxyPort, 3129);
    EXPECT_TRUE(windows.Errors().isEmpty() && windows.Messages().isEmpty());
}

}  // namespace
