#include "download_fixture.h"

#include "app/panel_status_bar.h"
#include "download/picture_preview.h"

#include <QCheckBox>
#include <QBuffer>
#include <QImage>
#include <QLabel>

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
    Download("/tiny.bmp", "tiny.bmp");
    EXPECT_EQ(Shown(), QSize(2, 2));
}

TEST_F(ProgressTest, APngOrAPageLeavesThePreviewAsItWas)
{
    server.Route("/wide.jpg", FixtureResponse::Ok(Picture(300, 150, "JPEG")));
    server.Route("/p.png", FixtureResponse::Ok(Picture(90, 90, "PNG")));
    server.Route("/fake.jpg", FixtureResponse::Ok("<html>not a picture</html>"));
    Preview(true);
    Download("/wide.jpg", "wide.jpg");
    Download("/p.png", "p.png");
    EXPECT_EQ(Shown(), QSize(100, 50));
    Download("/fake.jpg", "fake.jpg");
    EXPECT_EQ(Shown(), QSize(100, 50));
    EXPECT_TRUE(LoadPictureByExtension("none.gif").isNull());
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

TEST_F(ProgressTest, GifIsDecodedByItsExtension)
{
    QFile file(folder + "/one.GIF");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kOnePixelGif);
    file.close();
    EXPECT_EQ(LoadPictureByExtension("one.GIF").size(), QSize(1, 1));
    EXPECT_TRUE(LoadPictureByExtension("one.png").isNull());
}

TEST_F(ProgressTest, WithPreviewOffEveryFileHidesTheWindowAndClosingItUnticksPreview)
{
    server.Route("/pic.jpg", FixtureResponse::Ok(Picture(30, 30, "JPEG")));
    Preview(true);
    EXPECT_TRUE(PreviewForm->isVisible());
    PreviewForm->close();
    EXPECT_FALSE(form->CheckBox2->isChecked());
    EXPECT_FALSE(PreviewForm->isVisible());
    Preview(true);
    EXPECT_TRUE(PreviewForm->isVisible());
    form->CheckBox2->blockSignals(true);
    form->CheckBox2->setChecked(false);
    form->CheckBox2->blockSignals(false);
    Download("/pic.jpg", "pic.jpg");
    EXPECT_FALSE(PreviewForm->isVisible());
}

}  // namespace
