// The modern page scan as the window uses it: the box on the Download zone
// switches the scan and the type lists, is stored at once, and is read back
// at start-up.
#include "gui/dlform.h"
#include "gui/list_box.h"
#include "core/settings/settings_values.h"
#include "core/shared_state.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/window_harness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QByteArray kModernGallery =
    "<html><head><base href=\"/media/\"><meta property=\"og:image\" content=\"/share/cover.jpg\"></head><body>\n"
    "<img src=\"data:image/gif;base64,R0lGOD\" data-src=\"lazy.jpg\">\n"
    "<img src=\"t-300.jpg\" srcset=\"t-300.jpg 300w, t-1200.jpg 1200w, t-600.jpg 600w\">\n"
    "<picture><source srcset=\"p.avif 1x, p@2x.avif 2x\"><img src=\"p.jpg\"></picture>\n"
    "<a href=\"full.jpg?a=1&amp;b=2\">full</a><!-- <img src=\"ghost.jpg\"> -->\n"
    "</body></html>\n";

class ModernPageWindow : public ::testing::Test {
protected:
    void SetUp() override { server.Route("/g/index.html", FixtureResponse::Ok(kModernGallery)); }
    QList<QByteArray> LoadPictures()
    {
        form->List2->Clear();
        form->CheckBox5->setChecked(true);  // pictures, not links
        form->Combo1->setEditText(QString::fromUtf8(host + "/g/index.html"));
        QTest::mouseClick(form->Button2, Qt::LeftButton);
        return form->List2->Items();
    }

    FixtureHttpServer server;
    WindowHarness windows{{.clearSettings = true, .removeProgramFiles = true, .formCreate = true, .folderHint = "modern-page"}};
    TDLForm *form = windows.Form();
    const QByteArray host = "127.0.0.1:" + QByteArray::number(server.Port());
};

TEST_F(ModernPageWindow, TheBoxSwitchesTheScanAndTheTypeListsAndIsKept)
{
    const int oldEntries = form->Combo2->count();
    form->PageControl1->setCurrentIndex(0);
    form->Combo2->setCurrentIndex(0);  // pictures
    const QList<QByteArray> old = LoadPictures();
    // The old scan takes every img's src, on the base too, but no srcset,
    // lazy source or og:image, and reads comments.
    const QByteArray media = "http://" + host + "/media/";
    EXPECT_EQ(old, (QList<QByteArray>{media + "t-300.jpg", media + "p.jpg", media + "ghost.jpg"}));

    QTest::mouseClick(form->CheckBox7, Qt::LeftButton, {}, QPoint(4, form->CheckBox7->height() / 2));
    ASSERT_TRUE(form->CheckBox7->isChecked());
    EXPECT_EQ(form->Combo2->count(), oldEntries + 3);
    EXPECT_EQ(LoadPictures(), (QList<QByteArray>{"http://" + host + "/share/cover.jpg", media + "lazy.jpg",
                                                 media + "t-1200.jpg", media + "p@2x.avif"}));
    EXPECT_EQ(ReadSetting(Settings::ModernPages), 1);

    windows.Destroy();
    form = windows.Create();
    EXPECT_TRUE(form->CheckBox7->isChecked());
    EXPECT_EQ(form->Combo2->count(), oldEntries + 3);
    form->Combo2->setCurrentIndex(form->Combo2->count() - 1);  // beyond the old list
    QTest::mouseClick(form->CheckBox7, Qt::LeftButton, {}, QPoint(4, form->CheckBox7->height() / 2));
    EXPECT_EQ(form->Combo2->count(), oldEntries);
    EXPECT_EQ(form->Combo2->currentIndex(), 0);
    EXPECT_EQ(TypeFilterIndex, 0);
    EXPECT_EQ(ReadSetting(Settings::ModernPages), 0);
}

TEST_F(ModernPageWindow, APictureAddressWithAQueryIsListedAndSavedUnderItsName)
{
    server.Route("/q/index.html",
                 FixtureResponse::Ok("<meta property=\"og:image\" content=\"/q/cover.jpg?w=1200&amp;h=630\">"));
    server.Route("/q/cover.jpg?w=1200&h=630", FixtureResponse::Ok("JPEG", "image/jpeg"));
    form->PageControl1->setCurrentIndex(0);
    form->Combo2->setCurrentIndex(0);
    form->CheckBox5->setChecked(true);
    QTest::mouseClick(form->CheckBox7, Qt::LeftButton, {}, QPoint(4, form->CheckBox7->height() / 2));
    form->Combo1->setEditText(QString::fromUtf8(host + "/q/index.html"));
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    ASSERT_EQ(form->List2->Items(), QList<QByteArray>{"http://" + host + "/q/cover.jpg?w=1200&h=630"});
    form->List2->SelectAll();
    QTest::mouseClick(form->Button4, Qt::LeftButton);
    QFile saved(QDir::current().filePath("cover.jpg"));  // the save folder FormCreate entered
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("JPEG"));
    EXPECT_TRUE(QDir::current().entryList({"cover.jpg?*", "cover.jpg_*"}, QDir::Files).isEmpty());
    saved.remove();
}

}  // namespace
