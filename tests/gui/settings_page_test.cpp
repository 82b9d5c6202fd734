#include "gui/dlform.h"
#include "tests/support/settings_printer.h"
#include "base/errors.h"
#include "gui/list_box.h"
#include "gui/message_log.h"
#include "gui/handler_guard.h"
#include "gui/panel_status_bar.h"
#include "core/settings/settings.h"
#include "core/shared_state.h"
#include "net/http_client.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_environment.h"
#include "tests/support/window_harness.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <vector>
#include <ostream>

namespace {

class SettingsPage : public ::testing::Test {
protected:
    const QStringList &Messages() const { return windows.Messages(); }

    WindowHarness windows{{.clearSettings = true, .folderHint = "settings"}};
    TDLForm *const form = windows.Form();
};

TEST_F(SettingsPage, TypingTheTimeOutSetsItCharacterByCharacter)
{
    form->Edit10->clear();
    QTest::keyClicks(form->Edit10, "90");
    EXPECT_EQ(form->HTTP2->TimeOut, 90000);
    QTest::keyClick(form->Edit10, Qt::Key_Backspace);
    EXPECT_EQ(form->HTTP2->TimeOut, 9000);
    QTest::keyClick(form->Edit10, Qt::Key_Backspace);
    EXPECT_EQ(form->HTTP2->TimeOut, 9000);  // the empty field changes nothing
    EXPECT_EQ(form->HTTP1->TimeOut, 9000);  // pages end as files do
    form->Edit10->setText("99999999");
    EXPECT_EQ(form->HTTP2->TimeOut, 2147483647);  // no overflow
    EXPECT_EQ(form->HTTP1->TimeOut, 2147483647);
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(SettingsPage, ATimeOutOfZeroOrBelowIsRefusedAsANonNumberIs)
{
    EnglishUI = 1;
    form->Edit10->setText("30");
    for (const char *refused : {"0", "-5", "-0", "x"}) {
        form->Edit10->setText(refused);
        EXPECT_EQ(form->HTTP2->TimeOut, 30000) << refused;
        EXPECT_EQ(form->HTTP1->TimeOut, 30000) << refused;
    }
    EXPECT_EQ(Messages(), QStringList(4, QStringLiteral("Enter a number!")));
}

TEST_F(SettingsPage, EveryChangeThatIsNotANumberAsksForOne)
{
    EnglishUI = 0;
    form->Edit10->setText("-");
    EXPECT_EQ(Messages(), QStringList{"Vnesi številko!"});
    EnglishUI = 1;
    QTest::keyClicks(form->Edit13, "ab");
    EXPECT_EQ(Messages().size(), 3);
    EXPECT_EQ(Messages().last(), QStringLiteral("Enter a number!"));
    form->Edit13->clear();
    EXPECT_EQ(Messages().size(), 3);  // an empty delay is accepted
    form->Edit12->clear();
    EXPECT_EQ(Messages().size(), 4);  // an empty size limit is not
}

TEST_F(SettingsPage, TheProxyBoxSetsOrClearsTheHostAndKeepsThePorts)
{
    form->Edit1->setText("proxy.local");
    form->Edit5->setText("8080");
    form->CheckBox1->click();
    EXPECT_EQ(form->HTTP1->Proxy, QByteArray("proxy.local"));
    EXPECT_EQ(form->HTTP2->ProxyPort, 8080);
    form->CheckBox1->click();
    EXPECT_TRUE(form->HTTP1->Proxy.isEmpty() && form->HTTP2->Proxy.isEmpty());
    EXPECT_EQ(form->HTTP1->ProxyPort, 8080);
    form->CheckBox1->click();
    form->Edit5->setText("x80");
    EXPECT_THROW(form->Edit5Exit(), EConvertError);
}

// "Keep connections open": both clients follow the box, and nothing else does.
class KeepConnectionsOpen : public SettingsPage {
protected:
    void SetUp() override
    {
        form->show();
        form->PageControl1->setCurrentWidget(form->TabSheet2);
    }
    void ClickTheBox() { QTest::mouseClick(form->CheckBox6, Qt::LeftButton, {}, QPoint(8, 8)); }
};

TEST_F(KeepConnectionsOpen, AClickTurnsBothClientsOnAndTheNextOneOff)
{
    ASSERT_FALSE(form->CheckBox6->isChecked());
    EXPECT_FALSE(form->HTTP1->KeepAlive || form->HTTP2->KeepAlive);
    ClickTheBox();
    ASSERT_TRUE(form->CheckBox6->isChecked());
    EXPECT_TRUE(form->HTTP1->KeepAlive) << "pages";
    EXPECT_TRUE(form->HTTP2->KeepAlive) << "files";
    ClickTheBox();
    EXPECT_FALSE(form->HTTP1->KeepAlive || form->HTTP2->KeepAlive);
    // The space bar toggles it as a click does.
    form->CheckBox6->setFocus();
    QTest::keyClick(form->CheckBox6, Qt::Key_Space);
    EXPECT_TRUE(form->HTTP1->KeepAlive && form->HTTP2->KeepAlive);
    EXPECT_TRUE(form->HTTP1->Proxy.isEmpty()) << "the proxy box is left alone";
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(KeepConnectionsOpen, SaveWritesTheBoxAsOneOrZero)
{
    form->Edit10->setText("60");  // the numbers the save converts first
    form->Edit13->setText("0");
    ClickTheBox();
    QTest::mouseClick(form->Button12, Qt::LeftButton);
    EXPECT_EQ(RegReadString(RegistryKey, "keepalive", ""), QStringLiteral("1"));
    EXPECT_EQ(RegReadString(RegistryKey, "parallel", ""), QStringLiteral("1"));  // the default is saved too
    ClickTheBox();
    QTest::mouseClick(form->Button12, Qt::LeftButton);
    EXPECT_EQ(RegReadString(RegistryKey, "keepalive", ""), QStringLiteral("0"));  // not left at 1
    EXPECT_TRUE(windows.Errors().isEmpty());
}

// "Downloads at once": typed or stepped with the keys, kept within 1 to 8,
// and saved as the number shown.
TEST_F(KeepConnectionsOpen, DownloadsAtOnceTypedIntoTheSpinBoxIsSaved)
{
    form->Edit10->setText("60");
    form->Edit13->setText("0");
    QSpinBox *box = form->SpinEdit1;
    ASSERT_EQ(box->value(), 1);
    EXPECT_EQ(box->minimum(), 1);
    EXPECT_EQ(box->maximum(), 8);
    const struct {
        const char *typed;
        int value;
    } rows[] = {{"5", 5}, {"9", 5}, {"0", 5}, {"-", 5}, {"x", 5}, {"3", 3}};  // refused keys change nothing
    for (const auto &row : rows) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, row.typed);
        EXPECT_EQ(box->value(), row.value) << row.typed;
    }
    QTest::mouseClick(form->Button12, Qt::LeftButton);
    EXPECT_EQ(RegReadString(RegistryKey, "parallel", ""), QStringLiteral("3"));
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(box, Qt::Key_Up);
    EXPECT_EQ(box->value(), 8);
    QTest::keyClick(box, Qt::Key_Enter);
    QTest::mouseClick(form->Button12, Qt::LeftButton);
    EXPECT_EQ(ReadSetting(Settings::Parallel), 8);
    EXPECT_FALSE(form->HTTP1->KeepAlive || form->HTTP2->KeepAlive) << "the other box is left alone";
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_TRUE(windows.Errors().isEmpty());
}

TEST_F(KeepConnectionsOpen, TheBoxAndDownloadsAtOnceSitInTheConnectionGroupAndTheirCaptionsFit)
{
    const QRect box = form->CheckBox6->geometry();
    const QRect label = form->Label25->geometry();
    const QRect spin = form->SpinEdit1->geometry();
    const std::initializer_list<QWidget *> newRows = {form->CheckBox6, form->Label25, form->SpinEdit1};
    for (QWidget *control : newRows) {
        EXPECT_EQ(control->parentWidget(), form->GroupBox2) << control->metaObject()->className();
        EXPECT_TRUE(form->GroupBox2->contentsRect().contains(control->geometry()))
            << control->metaObject()->className();
    }
    const std::initializer_list<QWidget *> upperRows = {form->CheckBox1, form->Edit1, form->Edit5, form->CheckBox6};
    for (QWidget *field : upperRows) {
        if (field != form->CheckBox6) {
            EXPECT_FALSE(box.intersects(field->geometry())) << field->metaObject()->className();
        }
        EXPECT_FALSE(label.intersects(field->geometry())) << field->metaObject()->className();
        EXPECT_FALSE(spin.intersects(field->geometry())) << field->metaObject()->className();
    }
    EXPECT_FALSE(label.intersects(spin));
    EXPECT_EQ(spin.right(), form->Edit1->geometry().right()) << "flush with the proxy host field";
    EXPECT_EQ(label.center().y(), spin.center().y()) << "one line";
    // The groups below moved down with them.
    EXPECT_GE(form->GroupBox6->y(), form->GroupBox2->geometry().bottom());
    EXPECT_GE(form->GroupBox9->y(), form->GroupBox2->geometry().bottom());
    EXPECT_GE(form->Button12->y(), form->GroupBox5->geometry().bottom());
    EXPECT_GE(form->Button12->y(), form->GroupBox4->geometry().bottom());
    EXPECT_EQ(form->GroupBox4->geometry().bottom(), form->GroupBox5->geometry().bottom());
    // The save button comes last, under every group, inside the scrolled contents.
    for (const QGroupBox *group : form->SettingsContents->findChildren<QGroupBox *>(Qt::FindDirectChildrenOnly))
        EXPECT_GE(form->Button12->y(), group->geometry().bottom()) << group->title().toStdString();
    EXPECT_LT(form->Button12->geometry().bottom(), form->SettingsContents->minimumHeight());
    for (const bool english : {false, true}) {
        english ? form->ENGClick() : form->SLOClick();
        EXPECT_LE(form->CheckBox6->sizeHint().width(), box.width()) << form->CheckBox6->text().toStdString();
        EXPECT_LE(form->Label25->sizeHint().width(), label.width()) << form->Label25->text().toStdString();
    }
}

TEST_F(SettingsPage, TheSlowTransferLimitTypedGoesToBothClientsAndIsSaved)
{
    form->Edit10->setText("60");
    form->Edit13->setText("0");
    QSpinBox *box = form->SpinEdit2;
    EXPECT_EQ(box->value(), 0);
    EXPECT_EQ(box->maximum(), 3600);
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "45");
    EXPECT_EQ(form->HTTP1->LowSpeedTime, 45);
    EXPECT_EQ(form->HTTP2->LowSpeedTime, 45);
    QTest::mouseClick(form->Button12, Qt::LeftButton);
    EXPECT_EQ(RegReadString(RegistryKey, "lowspeed", ""), QStringLiteral("45"));
    // On the Connection group's fifth row, its caption clear of the box in either language.
    EXPECT_EQ(box->parentWidget(), form->GroupBox2);
    EXPECT_TRUE(form->GroupBox2->contentsRect().contains(box->geometry()));
    EXPECT_GT(box->y(), form->SpinEdit1->geometry().bottom());
    for (const bool english : {false, true}) {
        english ? form->ENGClick() : form->SLOClick();
        EXPECT_FALSE(form->Label26->geometry().intersects(box->geometry())) << english;
        EXPECT_GE(form->Label26->width(), form->Label26->sizeHint().width()) << english;
    }
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(SettingsPage, LeavingTheProxyFieldsWhileUntickedUsesNoProxy)
{
    RefusingPort closed;
    FixtureHttpServer server;
    server.Route("/p.html", FixtureResponse::Ok("<a href=\"a.jpg\">a</a>"));
    const auto leave = [](QWidget *field) {
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(field, &out);
    };
    ASSERT_FALSE(form->CheckBox1->isChecked());
    form->Edit1->setText("127.0.0.1");
    leave(form->Edit1);
    form->Edit5->setText(QString::number(closed.Port()));
    leave(form->Edit5);
    EXPECT_TRUE(form->HTTP1->Proxy.isEmpty() && form->HTTP2->Proxy.isEmpty());
    form->Combo1->setEditText("127.0.0.1:" + QString::number(server.Port()) + "/p.html");
    form->Button2Click();
    EXPECT_EQ(form->List2->Count(), 1) << "loaded straight, not through the refusing proxy";

    // Ticked, the same fields are the proxy.
    form->CheckBox1->click();
    EXPECT_EQ(form->HTTP1->Proxy, QByteArray("127.0.0.1"));
    EXPECT_EQ(form->HTTP2->ProxyPort, closed.Port());
    form->Edit1->setText("proxy.local");
    leave(form->Edit1);
    EXPECT_EQ(form->HTTP2->Proxy, QByteArray("proxy.local"));
}

TEST_F(SettingsPage, ASizeLimitThatIsNotANumberIsRefusedWhenTheFieldIsLeft)
{
    form->Edit12->setText("25");
    form->Edit12->selectAll();
    QTest::keyClicks(form->Edit12, "2k");
    EXPECT_EQ(Messages().size(), 1);
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(form->Edit12, &out);
    EXPECT_EQ(form->Edit12->text(), QStringLiteral("2"));  // the last number typed
    form->Edit12->clear();
    QApplication::sendEvent(form->Edit12, &out);
    EXPECT_EQ(form->Edit12->text(), QStringLiteral("2"));
}

TEST_F(SettingsPage, CredentialsAndRefererGoToBothClients)
{
    form->Edit2->setText("ana");
    form->Edit3->setText("skrivno");
    form->Button8->click();
    EXPECT_EQ(form->HTTP1->HeaderInfo.UserId, QByteArray("ana"));
    EXPECT_EQ(form->HTTP2->HeaderInfo.Password, QByteArray("skrivno"));
    form->Edit11->setText("http://ref/");
    form->CheckBox3->click();
    EXPECT_EQ(form->HTTP1->HeaderInfo.Referer, QByteArray("http://ref/"));
    form->CheckBox3->click();
    EXPECT_TRUE(form->HTTP2->HeaderInfo.Referer.isEmpty());
}

TEST_F(SettingsPage, TheFolderPickerMakesTheFolderCurrentOrChangesNothing)
{
    const QString folder = testenv::NewFolder("target");
    form->Edit6->setText("/nonexistent");
    form->Button10Click();  // cancelled
    EXPECT_EQ(form->Edit6->text(), QStringLiteral("/nonexistent"));
    windows.Answer(folder);
    form->Button10Click();
    EXPECT_EQ(form->Edit6->text(), folder);
    EXPECT_EQ(QDir::currentPath(), QDir(folder).canonicalPath());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Grabulo - ") + QDir(folder).canonicalPath());
}

TEST_F(SettingsPage, SaveWritesTheValuesAsTypedOrConverted)
{
    form->Edit6->setText("/tmp/slike");
    form->Edit10->setText("60");
    form->Edit13->setText("2");
    form->CheckBox1->setChecked(true);
    form->Edit1->setText("px");
    form->Edit5->setText("080");
    form->CheckBox4->setChecked(true);
    form->Edit12->setText("010");
    form->Button12Click();
    EXPECT_EQ(RegReadString(RegistryKey, "startdir", ""), QStringLiteral("/tmp/slike"));
    EXPECT_EQ(ReadSetting(Settings::TimeOut), 60);
    EXPECT_EQ(ReadSetting(Settings::Delay), 2);
    EXPECT_EQ(ReadSetting(Settings::Proxy), 1);
    EXPECT_EQ(ReadSetting(Settings::ProxyPort), QStringLiteral("080"));
    EXPECT_EQ(ReadSetting(Settings::Velikost), QStringLiteral("10"));

    form->CheckBox1->setChecked(false);
    form->CheckBox4->setChecked(false);
    form->Edit1->setText("other");
    form->Button12Click();
    EXPECT_EQ(ReadSetting(Settings::Proxy), 0);
    EXPECT_EQ(ReadSetting(Settings::ProxyIP), QStringLiteral("px"));
    EXPECT_EQ(ReadSetting(Settings::Filter), 0);
    EXPECT_EQ(ReadSetting(Settings::Velikost), QStringLiteral("10"));
}

// "Save settings for the next run" says in the status bar that it saved,
// in the language in force; a save stopped by a field says nothing there.
TEST_F(SettingsPage, SaveConfirmsInTheStatusBar)
{
    const struct {
        bool english;
        const char *timeOut;
        const char *shown;
    } rows[] = {{false, "60", "Nastavitve shranjene."}, {true, "60", "Settings saved."}, {true, "x", ""}};
    for (const auto &row : rows) {
        form->StatusBar1->SetPanelText(2, QString());
        row.english ? form->ENGClick() : form->SLOClick();
        form->Edit10->setText(QString::fromLatin1(row.timeOut));
        form->Edit13->setText("0");
        Guarded([this] { form->Button12Click(); });
        EXPECT_EQ(form->StatusBar1->PanelText(2), QString::fromUtf8(row.shown)) << row.english << row.timeOut;
    }
}

TEST_F(SettingsPage, SaveStopsAtTheFirstFieldThatIsNotANumber)
{
    form->Edit6->setText("/kept");
    form->Edit10->setText("");
    EXPECT_THROW(form->Button12Click(), EConvertError);
    EXPECT_EQ(RegReadString(RegistryKey, "startdir", ""), QStringLiteral("/kept"));
    EXPECT_EQ(RegReadString(RegistryKey, "delay", "none"), QStringLiteral("none"));
}

TEST_F(SettingsPage, DoubleClickEmptiesTheLog)
{
    form->Log("line");
    QTest::mouseDClick(form->Memo3->viewport(), Qt::LeftButton);
    EXPECT_TRUE(form->Memo3->Text().isEmpty());
}

// The settings in force, as both clients must hold them.
void ExpectClientsFollow(TDLForm *form, const TSettingsValues &v)
{
    for (THttpClient *http : {form->HTTP1, form->HTTP2}) {
        EXPECT_EQ(http->TimeOut, v.timeOut * 1000);
        EXPECT_EQ(http->KeepAlive, v.keepAlive);
        EXPECT_EQ(http->LowSpeedTime, v.lowSpeed);
        EXPECT_EQ(http->Proxy, v.proxy ? v.proxyHost.toUtf8() : QByteArray());
        if (v.proxy && v.proxyPort.toInt() > 0) {
            EXPECT_EQ(http->ProxyPort, v.proxyPort.toInt());
        }
    }
}

void TypeInto(QWidget *field, const char *text)
{
    field->setFocus();
    if (auto *edit = qobject_cast<QLineEdit *>(field))
        edit->selectAll();
    else if (auto *spin = qobject_cast<QSpinBox *>(field))
        spin->selectAll();
    QTest::keyClicks(field, text);
}

void ClickBox(QCheckBox *box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, 8));
}

// A control used as a user uses it -> the settings in force (a change from
// those loaded at the start), and how many times Changed() came.
struct ControlRow {
    const char *name;
    std::function<void(TDLForm *)> use;
    std::function<void(TSettingsValues &)> expect;
    int changes;
};

void PrintTo(const ControlRow &row, std::ostream *out)
{
    *out << row.name;
}

class ASettingsControl : public ::testing::TestWithParam<ControlRow> {
protected:
    void SetUp() override
    {
        EnglishUI = 1;
        form->show();
        form->PageControl1->setCurrentWidget(form->TabSheet2);
        QObject::connect(form->Settings, &TSettings::Changed, [this] { ++changes; });
    }

    WindowHarness windows{{.clearSettings = true, .formCreate = true, .folderHint = "settings-control"}};
    TDLForm *const form = windows.Form();
    int changes = 0;
};

TEST_P(ASettingsControl, WritesItsFieldAndBothClientsFollow)
{
    TSettingsValues expected = form->SettingsSnapshot();
    ExpectClientsFollow(form, expected);
    GetParam().use(form);
    GetParam().expect(expected);
    EXPECT_EQ(form->SettingsSnapshot(), expected);
    EXPECT_EQ(changes, GetParam().changes);
    ExpectClientsFollow(form, expected);
}

const ControlRow kControlRows[] = {
    {"time-out typed", [](TDLForm *f) { TypeInto(f->Edit10, "45"); }, [](TSettingsValues &v) { v.timeOut = 45; }, 2},
    {"time-out of zero refused", [](TDLForm *f) { TypeInto(f->Edit10, "0"); }, [](TSettingsValues &) {}, 0},
    {"time-out, a letter refused", [](TDLForm *f) { TypeInto(f->Edit10, "6s"); },
     [](TSettingsValues &v) { v.timeOut = 6; }, 1},
    {"delay typed", [](TDLForm *f) { TypeInto(f->Edit13, "7"); }, [](TSettingsValues &v) { v.delay = 7; }, 1},
    {"delay not a number", [](TDLForm *f) { TypeInto(f->Edit13, "x"); }, [](TSettingsValues &) {}, 0},
    {"keep connections open clicked", [](TDLForm *f) { ClickBox(f->CheckBox6); },
     [](TSettingsValues &v) { v.keepAlive = true; }, 1},
    {"keep connections open clicked twice",
     [](TDLForm *f) {
         ClickBox(f->CheckBox6);
         ClickBox(f->CheckBox6);
     },
     [](TSettingsValues &) {}, 2},
    {"slow-transfer limit typed", [](TDLForm *f) { TypeInto(f->SpinEdit2, "30"); },
     [](TSettingsValues &v) { v.lowSpeed = 30; }, 2},
    {"downloads at once typed", [](TDLForm *f) { TypeInto(f->SpinEdit1, "5"); },
     [](TSettingsValues &v) { v.parallel = 5; }, 1},
    {"downloads at once beyond 8 refused", [](TDLForm *f) { TypeInto(f->SpinEdit1, "9"); }, [](TSettingsValues &) {}, 0},
    {"proxy typed, then ticked",
     [](TDLForm *f) {
         TypeInto(f->Edit1, "px");
         TypeInto(f->Edit5, "81");
         ClickBox(f->CheckBox1);
     },
     [](TSettingsValues &v) {
         v.proxy = true;
         v.proxyHost = "px";
         v.proxyPort = "81";
     },
     5},
    {"proxy ticked, then its host typed",
     [](TDLForm *f) {
         ClickBox(f->CheckBox1);
         TypeInto(f->Edit1, "h");
     },
     [](TSettingsValues &v) {
         v.proxy = true;
         v.proxyHost = "h";
     },
     2},
    {"proxy ticked and unticked",
     [](TDLForm *f) {
         ClickBox(f->CheckBox1);
         ClickBox(f->CheckBox1);
     },
     [](TSettingsValues &) {}, 2},
    {"skip saved clicked", [](TDLForm *f) { ClickBox(f->CheckBox8); }, [](TSettingsValues &v) { v.skipSaved = true; }, 1},
    {"size filter ticked, its limit typed",
     [](TDLForm *f) {
         ClickBox(f->CheckBox4);
         TypeInto(f->Edit12, "512");
     },
     [](TSettingsValues &v) {
         v.sizeFilter = true;
         v.sizeLimit = 512;  // 5, 51, 512
     },
     4},
    {"least width typed", [](TDLForm *f) { TypeInto(f->SpinMinWidth, "400"); },
     [](TSettingsValues &v) { v.minWidth = 400; }, 3},
    {"least height typed", [](TDLForm *f) { TypeInto(f->SpinMinHeight, "30"); },
     [](TSettingsValues &v) { v.minHeight = 30; }, 2},
    {"pages typed", [](TDLForm *f) { TypeInto(f->SpinPages, "25"); }, [](TSettingsValues &v) { v.pages = 25; }, 2},
    {"pages of zero refused", [](TDLForm *f) { TypeInto(f->SpinPages, "0"); }, [](TSettingsValues &) {}, 0},
    {"http2 clicked off", [](TDLForm *f) { ClickBox(f->CheckBoxHttp2); }, [](TSettingsValues &v) { v.http2 = false; }, 1},
    {"speed cap typed", [](TDLForm *f) { TypeInto(f->SpinRateLimit, "300"); },
     [](TSettingsValues &v) { v.rateLimit = 300; }, 3},
    {"speed cap beyond the most refused", [](TDLForm *f) { TypeInto(f->SpinRateLimit, "2000000"); },
     [](TSettingsValues &v) { v.rateLimit = 200000; }, 6},
    {"size limit with a letter keeps the last number", [](TDLForm *f) { TypeInto(f->Edit12, "2k"); },
     [](TSettingsValues &v) { v.sizeLimit = 2; }, 1},
};

INSTANTIATE_TEST_SUITE_P(Rows, ASettingsControl, ::testing::ValuesIn(kControlRows));


TEST_F(SettingsPage, TheFolderPickedIsTheSaveFolderInForce)
{
    const QString folder = testenv::NewFolder("picked");
    windows.Answer(folder);
    QTest::mouseClick(form->Button10, Qt::LeftButton);
    EXPECT_EQ(form->SettingsSnapshot().startDir, folder);
}

TEST_F(SettingsPage, TheModernScanTickIsInForceAndStoredAtOnce)
{
    form->show();
    form->PageControl1->setCurrentWidget(form->TabSheet1);
    ClickBox(form->CheckBox7);
    EXPECT_TRUE(form->SettingsSnapshot().modernPages);
    EXPECT_EQ(ReadSetting(Settings::ModernPages), 1);
    ClickBox(form->CheckBox7);
    EXPECT_FALSE(form->SettingsSnapshot().modernPages);
    EXPECT_EQ(ReadSetting(Settings::ModernPages), 0);
}

TEST_F(SettingsPage, ValuesSetFromOutsideTheWindowReachBothClients)
{
    TSettingsValues values = form->SettingsSnapshot();
    values.timeOut = 5;
    values.keepAlive = true;
    values.lowSpeed = 9;
    values.proxy = true;
    values.proxyHost = "10.0.0.9";
    values.proxyPort = "3128";
    form->Settings->Set(values);
    ExpectClientsFollow(form, values);
    values.proxy = false;
    values.proxyPort = "81";
    form->Settings->Set(values);
    ExpectClientsFollow(form, values);
    EXPECT_EQ(form->HTTP1->ProxyPort, 3128) << "without the proxy its port is left as it was";
    values.proxy = true;
    values.proxyPort = "8o";
    form->Settings->Set(values);
    EXPECT_EQ(form->HTTP2->ProxyPort, 3128) << "a port that is not a number changes nothing";
    EXPECT_EQ(form->HTTP2->Proxy, QByteArray("10.0.0.9"));
}

// A deliberate change: the save writes the time-out in force, the last one
// that was accepted, not a refused text such as "-5".
TEST_F(SettingsPage, SaveWritesTheTimeOutInForceNotARefusedOne)
{
    EnglishUI = 1;
    form->Edit13->setText("0");
    form->Edit10->setText("60");
    form->Edit10->setText("-5");
    EXPECT_EQ(Messages(), QStringList{"Enter a number!"});
    form->Button12Click();
    EXPECT_EQ(RegReadString(RegistryKey, "timeout", ""), QStringLiteral("60"));
    EXPECT_EQ(form->HTTP1->TimeOut, 60000);
}

// The spin boxes of the gallery settings: typed into, stored as they change
// (keys a box refuses change nothing).
class StoredSpinBoxes : public ::testing::Test {
protected:
    WindowHarness windows{{.clearSettings = true, .formCreate = true, .folderHint = "spin-settings"}};
    TDLForm *const form = windows.Form();
};

TEST_F(StoredSpinBoxes, WhatIsTypedIsStoredAtOnceWithinItsRange)
{
    form->FormShow({});  // a window opened without arguments stores its choices as they change
    form->show();
    form->PageControl1->setCurrentWidget(form->TabSheet2);
    struct Typed {
        const char *typed;
        int value;
    };
    const struct {
        const char *name;
        QSpinBox *box;
        IntegerSetting key;
        std::function<int(const TSettingsValues &)> field;
        int least, most;
        std::vector<Typed> rows;
    } boxes[] = {
        {"pages", form->SpinPages, Settings::Pages, [](const TSettingsValues &v) { return v.pages; }, 1, 1000,
         {{"5", 5}, {"0", 5}, {"x", 5}, {"1000", 1000}, {"2", 2}}},
        {"minwidth", form->SpinMinWidth, Settings::MinWidth, [](const TSettingsValues &v) { return v.minWidth; }, 0,
         Settings::MinSizeMost, {{"400", 400}, {"x", 400}, {"0", 0}}},
        {"minheight", form->SpinMinHeight, Settings::MinHeight,
         [](const TSettingsValues &v) { return v.minHeight; }, 0, Settings::MinSizeMost, {{"300", 300}, {"-", 300}}},
        {"ratelimit", form->SpinRateLimit, Settings::RateLimit, [](const TSettingsValues &v) { return v.rateLimit; },
         0, Settings::RateLimitMost, {{"300", 300}, {"k", 300}, {"0", 0}}},
    };
    for (const auto &b : boxes) {
        SCOPED_TRACE(b.name);
        EXPECT_EQ(b.box->value(), b.field(form->Settings->Values()));
        EXPECT_EQ(b.box->minimum(), b.least);
        EXPECT_EQ(b.box->maximum(), b.most);
        for (const Typed &row : b.rows) {
            b.box->setFocus();
            b.box->selectAll();
            QTest::keyClicks(b.box, row.typed);
            EXPECT_EQ(b.box->value(), row.value) << row.typed;
            EXPECT_EQ(b.field(form->Settings->Values()), row.value) << row.typed;
            EXPECT_EQ(ReadSetting(b.key), row.value) << row.typed;
        }
    }
    EXPECT_TRUE(windows.Messages().isEmpty());
}

}  // namespace

// "Speed": under the cookies group, its caption clear of its box in either
// language, and what is typed is in force and stored at once (as after the
// window's start).
class SpeedGroup : public ::testing::Test {
protected:
    WindowHarness windows{{.clearSettings = true, .formCreate = true, .folderHint = "speed"}};
    TDLForm *const form = windows.Form();
};

TEST_F(SpeedGroup, TheSpeedCapAndHttp2SitUnderTheCookiesAndAreStoredAsTheyChange)
{
    EXPECT_EQ(form->GroupBoxSpeed->geometry(), QRect(336, 574, 281, 81));
    EXPECT_EQ(form->GroupBoxSpeed->parentWidget(), form->SettingsContents);
    EXPECT_GE(form->GroupBoxSpeed->y(), form->GroupBoxCookies->geometry().bottom());
    EXPECT_LE(form->GroupBoxSpeed->geometry().bottom(), form->SettingsContents->minimumHeight());
    QSpinBox *box = form->SpinRateLimit;
    EXPECT_EQ(box->value(), 0);
    EXPECT_EQ(box->maximum(), 1048576);
    QCheckBox *http2 = form->CheckBoxHttp2;
    EXPECT_TRUE(http2->isChecked());
    const struct {
        bool english;
        const char *group, *label, *http2;
    } cases[] = {{true, "Speed", "Limit to KiB/s (0 = off)", "HTTP/2 where the server offers it"},
                 {false, "Hitrost", "Omeji na KiB/s (0 = brez)", "HTTP/2, kjer ga strežnik ponuja"}};
    for (const auto &c : cases) {
        c.english ? form->ENGClick() : form->SLOClick();
        EXPECT_EQ(form->GroupBoxSpeed->title(), QString::fromUtf8(c.group));
        EXPECT_EQ(form->LabelRateLimit->text(), QString::fromUtf8(c.label));
        EXPECT_EQ(http2->text(), QString::fromUtf8(c.http2));
        EXPECT_GE(http2->width(), http2->sizeHint().width()) << c.http2;
        EXPECT_TRUE(form->GroupBoxSpeed->contentsRect().contains(http2->geometry())) << c.http2;
        EXPECT_FALSE(form->LabelRateLimit->geometry().intersects(box->geometry())) << c.label;
        EXPECT_GE(form->LabelRateLimit->width(), form->LabelRateLimit->sizeHint().width()) << c.label;
        EXPECT_TRUE(form->GroupBoxSpeed->contentsRect().contains(box->geometry())) << c.label;
    }
    form->FormShow({});  // a window someone uses stores each choice at once
    form->PageControl1->setCurrentWidget(form->TabSheet2);
    TypeInto(box, "250");
    EXPECT_EQ(form->SettingsSnapshot().rateLimit, 250);
    EXPECT_EQ(ReadSetting(Settings::RateLimit), 250);
    QTest::mouseClick(http2, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_FALSE(form->SettingsSnapshot().http2);
    EXPECT_EQ(ReadSetting(Settings::Http2), 0);
    EXPECT_TRUE(windows.Messages().isEmpty());
}
