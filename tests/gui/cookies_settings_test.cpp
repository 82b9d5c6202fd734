// The Settings tab's "Cookies and waiting": the file chosen and cleared,
// the wait bound to its setting, the group in its place, and Load page with
// a cookies file that can or cannot be read.
#include "gui/dlform.h"
#include "gui/message_log.h"
#include "gui/panel_status_bar.h"
#include "core/settings/settings.h"
#include "core/shared_state.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/settings_printer.h"
#include "tests/support/test_environment.h"
#include "tests/support/window_harness.h"

#include <QFile>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace {

class CookiesSettings : public ::testing::Test {
protected:
    void SetUp() override { EnglishUI = 1; }
    QString CookiesFile(const QByteArray &text)
    {
        const QString file = testenv::NewFolder("cookies") + "/cookies.txt";
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
        return file;
    }
    void LoadPage()
    {
        form->Combo1->setEditText(QString::fromUtf8(server.Url("/ok")));
        form->Button2Click();
    }

    WindowHarness windows{{.clearSettings = true, .removeProgramFiles = true, .folderHint = "cookies"}};
    TDLForm *const form = windows.Form();
    FixtureHttpServer server;
};

TEST_F(CookiesSettings, ChooseSetsTheFileClearRemovesItAndTheWaitIsBound)
{
    windows.Answer("/home/u/cookies.txt");
    form->ButtonCookies->click();
    EXPECT_EQ(form->Settings->Values().cookies, QStringLiteral("/home/u/cookies.txt"));
    EXPECT_EQ(form->EditCookies->text(), QStringLiteral("/home/u/cookies.txt"));
    form->ButtonCookies->click();  // cancelled: the file stays
    EXPECT_EQ(form->Settings->Values().cookies, QStringLiteral("/home/u/cookies.txt"));
    form->ButtonCookiesClear->click();
    EXPECT_TRUE(form->Settings->Values().cookies.isEmpty());
    EXPECT_TRUE(form->EditCookies->text().isEmpty());
    form->SpinWait->setValue(7);
    EXPECT_EQ(form->Settings->Values().wait, 7);
    EXPECT_EQ(form->SpinWait->maximum(), 3600);
}

TEST_F(CookiesSettings, TheGroupSitsInItsPlaceInBothLanguages)
{
    EXPECT_EQ(form->GroupBoxCookies->geometry(), QRect(336, 436, 281, 130));
    EXPECT_EQ(form->GroupBoxCookies->parentWidget(), form->SettingsContents);
    EXPECT_EQ(form->SettingsContents->minimumSize(), QSize(620, 714));
    form->Button7Click();  // one language, then the other
    const QString first = form->GroupBoxCookies->title();
    form->Button7Click();
    EXPECT_TRUE((QStringList{first, form->GroupBoxCookies->title()}).contains(QStringLiteral("Cookies and waiting")));
    EXPECT_TRUE((QStringList{first, form->GroupBoxCookies->title()}).contains(QString::fromUtf8("Piškotki in čakanje")));
    EXPECT_EQ(form->LabelCookies->text(), EnglishUI ? QStringLiteral("Cookies file") : QString::fromUtf8("Datoteka piškotkov"));
    for (QWidget *child : form->GroupBoxCookies->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(QRect(QPoint(), form->GroupBoxCookies->size()).contains(child->geometry()))
            << child->metaObject()->className();
    EXPECT_FALSE(form->Button12->geometry().intersects(form->GroupBoxCookies->geometry()));
}

TEST_F(CookiesSettings, AFileThatCannotBeReadStopsLoadPageBeforeAnyRequest)
{
    TSettingsValues values = form->Settings->Values();
    values.cookies = testenv::NewFolder("cookies") + "/missing.txt";
    form->Settings->Set(values);
    LoadPage();
    EXPECT_EQ(server.RequestCount(), 0);
    EXPECT_TRUE(form->StatusBar1->PanelText(2).startsWith("Cannot read the cookies file")) << form->StatusBar1->PanelText(2).toStdString();
    EXPECT_TRUE(form->Memo3->Text().contains("Cannot read the cookies file"));
}

TEST_F(CookiesSettings, TheFilesCookiesGoWithThePageAndSkippedLinesAreSaid)
{
    TSettingsValues values = form->Settings->Values();
    values.cookies = CookiesFile("127.0.0.1\tFALSE\t/\tFALSE\t0\tsid\tabc\nbroken\nbroken too\n"
                                 "other.example\tTRUE\t/\tFALSE\t0\tno\tno\n");
    form->Settings->Set(values);
    LoadPage();
    EXPECT_TRUE(server.LastRequest().contains("\r\nCookie: sid=abc\r\n")) << server.LastRequest().constData();
    EXPECT_TRUE(form->Memo3->Text().contains("2 lines of cookies.txt skipped"));
}

}  // namespace
