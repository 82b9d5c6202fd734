#include "download_fixture.h"
#include "gui/window_state.h"
#include "gui/windows.h"

#include "gui/panel_status_bar.h"
#include "gui/download/picture_preview.h"

#include <QCheckBox>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QScreen>

namespace {

QByteArray Picture(int w, int h, const char *format)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

const QByteArray kOnePixelGif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00"
                              "!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02"
                              "D\x01\x00;",
                              43);

class ProgressTest : public DownloadTest {
protected:
    void Preview(bool on) { form->CheckBox2->setChecked(on); }
    QSize Shown() const { return PreviewForm->Image1->size(); }
};

TEST_F(ProgressTest, AFileInOneBlockShowsAHundredPercentAndItsSize)
{
    server.Route("/pic.jpg", FixtureResponse::Ok(QByteArray(200, 'x')));
    form->LociNaslov(server.Url("/pic.jpg"));
    EnglishUI = 1;
    Download("/pic.jpg", "pic.jpg");
    EXPECT_EQ(form->Status1->PanelText(2), QStringLiteral("pic.jpg: 100 %"));
    EXPECT_EQ(form->Rich1Line(1), QStringLiteral("200 bytes"));
    EXPECT_EQ(form->Shape1Color(), QColor(Qt::blue));
}

TEST_F(ProgressTest, WithoutALengthThereIsNoPercentageAndTheSizeReadsZero)
{
    form->Status1->SetPanelText(2, "before");
    Download("/no-length", "n.txt");
    EXPECT_EQ(form->Status1->PanelText(2), QStringLiteral("before"));
    EXPECT_EQ(form->Rich1Line(1), QStringLiteral("0 bajtov"));
}

TEST_F(ProgressTest, TheLightAlternatesWithEveryBlockAndThePercentRoundsHalfToEven)
{
    form->HTTP2->BytesTotal = 8;
    form->HTTP2->BytesRecvd = 1;  // 12.5 %
    AddressFile = "a.jpg";
    form->HTTP2PacketRecvd(form->HTTP2);
    EXPECT_EQ(form->Shape1Color(), QColor(Qt::green));
    EXPECT_EQ(form->Status1->PanelText(2), QStringLiteral("a.jpg: 12 %"));
    form->HTTP2PacketRecvd(form->HTTP2);
    EXPECT_EQ(form->Shape1Color(), QColor(Qt::red));
    form->SetShape1Color(Qt::blue);
    form->HTTP2PacketRecvd(form->HTTP2);
    EXPECT_EQ(form->Shape1Color(), QColor(Qt::red));
}

TEST_F(ProgressTest, PreviewShowsAThirdOfEachSideRounded)
{
    EXPECT_EQ(ScaledPreviewSize({300, 150}, 3), QSize(100, 50));
    EXPECT_EQ(ScaledPreviewSize({100, 100}, 3), QSize(33, 33));
    EXPECT_EQ(ScaledPreviewSize({5, 5}, 3), QSize(2, 2));
    server.Route("/wide.jpg", FixtureResponse::Ok(Picture(300, 150, "JPEG")));
    server.Route("/tiny.bmp", FixtureResponse::Ok(Picture(5, 5, "BMP")));
    Preview(true);
    Download("/wide.jpg", "wide.JPG");
    EXPECT_EQ(Shown(), QSize(100, 50));
    EXPECT_TRUE(PreviewForm->isVisible());
    const QSize window = PreviewForm->size();
    Download("/tiny.bmp", "tiny.bmp");
    EXPECT_EQ(Shown(), QSize(2, 2));
    // The window keeps its size, and its title names the picture.
    EXPECT_EQ(PreviewForm->size(), window);
    EXPECT_TRUE(PreviewForm->windowTitle().endsWith(QStringLiteral(" - tiny.bmp")));
}

TEST_F(ProgressTest, APngIsShownAndAPageLeavesThePreviewAsItWas)
{
    server.Route("/wide.jpg", FixtureResponse::Ok(Picture(300, 150, "JPEG")));
    server.Route("/p.png", FixtureResponse::Ok(Picture(90, 90, "PNG")));
    server.Route("/fake.jpg", FixtureResponse::Ok("<html>not a picture</html>"));
    Preview(true);
    Download("/wide.jpg", "wide.jpg");
    EXPECT_EQ(Shown(), QSize(100, 50));
    Download("/p.png", "p.png");
    EXPECT_EQ(Shown(), QSize(30, 30));
    Download("/fake.jpg", "fake.jpg");
    EXPECT_EQ(Shown(), QSize(30, 30));
    EXPECT_TRUE(LoadPicture("none.gif").isNull());
}

TEST_F(ProgressTest, ANumberedNameIsPreviewedUnderItsNewName)
{
    server.Route("/pic.jpg", FixtureResponse::Ok(Picture(300, 150, "JPEG")));
    Preview(true);
    Download("/pic.jpg", "pic.jpg");
    server.Route("/pic.jpg", FixtureResponse::Ok(Picture(60, 90, "JPEG")));
    Download("/pic.jpg", "pic.jpg");
    EXPECT_EQ(form->HTTP2->Body, QByteArray("pic0001.jpg"));
    EXPECT_EQ(Shown(), QSize(20, 30));
}

TEST_F(ProgressTest, EveryFormatQtDecodesIsReadByItsContent)
{
    QFile file(folder + "/one.GIF");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kOnePixelGif);
    file.close();
    EXPECT_EQ(LoadPicture("one.GIF").size(), QSize(1, 1));
    EXPECT_TRUE(LoadPicture("one.png").isNull());  // no such file
    windows.WriteFile("png-named.jpg", Picture(4, 2, "PNG"));
    EXPECT_EQ(LoadPicture("png-named.jpg").size(), QSize(4, 2));
    windows.WriteFile("noext", Picture(3, 5, "BMP"));
    EXPECT_EQ(LoadPicture("noext").size(), QSize(3, 5));
    windows.WriteFile("page.png", "<html></html>");
    EXPECT_TRUE(LoadPicture("page.png").isNull());
}

TEST_F(ProgressTest, WithPreviewOffEveryFileHidesTheWindowAndClosingItUnticksPreview)
{
    server.Route("/pic.jpg", FixtureResponse::Ok(Picture(30, 30, "JPEG")));
    Preview(true);
    EXPECT_FALSE(PreviewForm->isVisible());  // nothing to show yet
    Download("/pic.jpg", "pic.jpg");
    EXPECT_TRUE(PreviewForm->isVisible());
    PreviewForm->close();
    EXPECT_FALSE(form->CheckBox2->isChecked());
    EXPECT_FALSE(PreviewForm->isVisible());
    Preview(true);
    EXPECT_TRUE(PreviewForm->isVisible());  // the last picture again
    form->CheckBox2->blockSignals(true);
    form->CheckBox2->setChecked(false);
    form->CheckBox2->blockSignals(false);
    Download("/pic.jpg", "pic.jpg");
    EXPECT_FALSE(PreviewForm->isVisible());
}

TEST(PreviewFit, ALargePictureShrinksToTheRoomWithItsProportions)
{
    EXPECT_EQ(FitInside({1333, 1000}, {1264, 984}), QSize(1264, 948));
    EXPECT_EQ(FitInside({1000, 3000}, {800, 600}), QSize(200, 600));
    EXPECT_EQ(FitInside({100, 50}, {800, 600}), QSize(100, 50));
    EXPECT_EQ(FitInside({800, 600}, {800, 600}), QSize(800, 600));
    EXPECT_EQ(FitInside({5000, 1}, {100, 100}), QSize(100, 1));  // never below one pixel
    EXPECT_EQ(FitInside({100, 50}, {}), QSize(100, 50));        // no room known: as it is
}

TEST(PreviewFit, TheWindowGoesToTheScreenItOverlapsMostElseTheNearest)
{
    const QRect left(0, 0, 1280, 1024), right(1280, 0, 1920, 1080);
    const QList<QRect> screens{left, right};
    EXPECT_EQ(NearestScreenArea({1200, 10, 200, 100}, screens), right);  // 120 px on the right one
    EXPECT_EQ(NearestScreenArea({1100, 10, 200, 100}, screens), left);
    EXPECT_EQ(NearestScreenArea({-900, 300, 200, 100}, screens), left);
    EXPECT_EQ(NearestScreenArea({5000, 5000, 200, 100}, screens), right);
    EXPECT_EQ(NearestScreenArea({0, 0, 10, 10}, {}), QRect());
}

TEST(PreviewFit, AFrameIsMovedWhollyIntoTheAreaTitleBarFirst)
{
    const QRect area(0, 24, 1280, 1000);
    EXPECT_EQ(MovedInto({644, 118, 200, 150}, area), QRect(644, 118, 200, 150));
    EXPECT_EQ(MovedInto({1200, 950, 200, 150}, area), QRect(1080, 874, 200, 150));
    EXPECT_EQ(MovedInto({-50, -50, 200, 150}, area), QRect(0, 24, 200, 150));
    EXPECT_EQ(MovedInto({100, 100, 1400, 1100}, area), QRect(0, 24, 1400, 1100));  // too large: top left
    EXPECT_EQ(MovedInto({7, 8, 9, 10}, QRect()), QRect(7, 8, 9, 10));
}

// A 4000 x 3000 photo at a third of each side is 1333 x 1000: larger than
// the screen, so the window takes the screen's room, and a stored place off
// every screen is pulled back onto it.
TEST_F(ProgressTest, APhotoLargerThanTheScreenIsShownWhollyOnIt)
{
    server.Route("/photo.jpg", FixtureResponse::Ok(Picture(4000, 3000, "JPEG")));
    PreviewForm->move(5000, 4000);
    Preview(true);
    Download("/photo.jpg", "photo.jpg");
    ASSERT_TRUE(PreviewForm->isVisible());
    const QRect area = PreviewForm->screen()->availableGeometry();
    const QRect frame = PreviewForm->frameGeometry();
    EXPECT_TRUE(area.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                                      << frame.height() << " in " << area.width() << "x" << area.height();
    EXPECT_TRUE(area.contains(QRect(PreviewForm->pos(), Shown())));
    // The proportions of the photo are kept, to the rounding of a pixel.
    EXPECT_NEAR(double(Shown().width()) / Shown().height(), 4.0 / 3.0, 0.01);
    EXPECT_LT(Shown().width(), 1333);
}

}  // namespace
