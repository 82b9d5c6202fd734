// What Load page takes: the choice of links, embedded pictures or both,
// made with the pointer in either language, kept as "find" and in step
// with CheckBox5.
#include "gui/dlform.h"
#include "gui/list_box.h"
#include "core/settings/settings.h"
#include "core/shared_state.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_environment.h"
#include "tests/support/window_harness.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Lines = QList<QByteArray>;

const QByteArray kPage = R"(<a href="big.jpg"><img src="thumb.jpg"></a><a href="other.png">)";

struct LanguageCase {
    bool english;
    const char *take, *links, *embedded, *both;
};

class FindChoice : public ::testing::TestWithParam<LanguageCase> {
protected:
    void SetUp() override
    {
        server.Route("/g/index.html", FixtureResponse::Ok(kPage));
        form->FormShow({});  // choices are stored as they change from here on
        if (GetParam().english)
            form->ENGClick();
        else
            form->SLOClick();
    }
    int StoredFind() const
    {
        return QSettings(testenv::SettingsFile(), QSettings::IniFormat).value("find", -1).toInt();
    }

    FixtureHttpServer server;
    WindowHarness windows{{.clearSettings = true, .removeProgramFiles = true, .formCreate = true,
                           .folderHint = "find-choice"}};
    TDLForm *const form = windows.Form();
    const QByteArray origin = "http://127.0.0.1:" + QByteArray::number(server.Port());
};

TEST_P(FindChoice, BothClickedTakesLinksAndPicturesAndIsStored)
{
    const LanguageCase &c = GetParam();
    EXPECT_EQ(form->LabelFind->text(), QString::fromUtf8(c.take));
    EXPECT_EQ(form->RadioLinks->text(), QString::fromUtf8(c.links));
    EXPECT_EQ(form->RadioEmbedded->text(), QString::fromUtf8(c.embedded));
    EXPECT_EQ(form->RadioBoth->text(), QString::fromUtf8(c.both));
    EXPECT_TRUE(form->RadioLinks->isChecked()) << "a first start takes links";

    form->show();
    QTest::mouseClick(form->RadioBoth, Qt::LeftButton);
    EXPECT_EQ(form->FindChoice(), TFind::Both);
    EXPECT_FALSE(form->CheckBox5->isChecked());
    EXPECT_EQ(StoredFind(), 2);
    form->Combo1->setEditText(QString::fromUtf8(origin.mid(7) + "/g/index.html"));
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    EXPECT_EQ(form->List2->Items(),
              (Lines{origin + "/g/big.jpg", origin + "/g/other.png", origin + "/g/thumb.jpg"}));
}

TEST_P(FindChoice, CheckBox5AndTheChoiceFollowEachOther)
{
    form->show();
    QTest::mouseClick(form->RadioEmbedded, Qt::LeftButton);
    EXPECT_TRUE(form->CheckBox5->isChecked());
    EXPECT_EQ(StoredFind(), 1);
    form->CheckBox5->setChecked(false);
    EXPECT_EQ(form->FindChoice(), TFind::Links);
    EXPECT_EQ(StoredFind(), 0);
    form->CheckBox5->setChecked(true);
    EXPECT_TRUE(form->RadioEmbedded->isChecked());
    QTest::mouseClick(form->RadioBoth, Qt::LeftButton);
    EXPECT_FALSE(form->CheckBox5->isChecked());
    EXPECT_EQ(form->FindChoice(), TFind::Both) << "unticking CheckBox5 for Both changes nothing";
}

INSTANTIATE_TEST_SUITE_P(Languages, FindChoice,
                         ::testing::Values(LanguageCase{false, "Vzemi:", "Povezave", "Vgrajene slike", "Oboje"},
                                           LanguageCase{true, "Take:", "Links", "Embedded pictures", "Both"}),
                         [](const ::testing::TestParamInfo<LanguageCase> &info) {
                             return std::string(info.param.english ? "English" : "Slovene");
                         });

// A stored choice is shown at the start.
TEST(FindChoiceStart, TheStoredChoiceIsShown)
{
    for (const int stored : {2, 1, 0}) {
        testenv::ClearSettings();
        QSettings(testenv::SettingsFile(), QSettings::IniFormat).setValue("find", stored);
        WindowHarness windows{{.removeProgramFiles = true, .formCreate = true, .folderHint = "find-start"}};
        EXPECT_EQ(int(windows.Form()->FindChoice()), stored);
        EXPECT_EQ(windows.Form()->CheckBox5->isChecked(), stored == 1);
    }
    testenv::ClearSettings();
}

}  // namespace
