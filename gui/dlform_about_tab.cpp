// The About tab: title, maker line, logos, addresses, description, the
// statistics sentence and the link labels.
#include "gui/dlform.h"
#include "gui/scrolling_page.h"
#include "gui/step_pictures.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {
QLabel *MakeText(QWidget *parent, const QString &text, QRect bounds)
{
    auto *label = new QLabel(text, parent);
    label->setGeometry(bounds);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel *MakePicture(QWidget *parent, const char *asset, QPoint at, const QString &hint)
{
    auto *label = new QLabel(parent);
    label->setPixmap(AssetPicture(asset));
    label->move(at);
    label->adjustSize();
    label->setToolTip(hint);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

void SetColor(QWidget *widget, QPalette::ColorRole role, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(role, color);
    widget->setPalette(palette);
}
}  // namespace

void TDLForm::BuildAboutTab()
{
    TabSheet3 = new QWidget;
    Panel5 = new QFrame(ScrollingContents(TabSheet3, {600, 440}));
    Panel5->setGeometry(72, 16, 521, 417);
    Panel5->setFrameShape(QFrame::StyledPanel);
    Panel5->setFrameShadow(QFrame::Sunken);
    Panel5->setMouseTracking(true);

    Image8 = MakePicture(Panel5, "maker_logo.png", {33, 10},
                         QStringLiteral("Visit the web site of Tarvove feke!"));
    Label2 = MakeText(Panel5, QStringLiteral("Grabulo"), {168, 12, 320, 26});
    QFont title = Label2->font();
    title.setBold(true);
    title.setPixelSize(20);
    Label2->setFont(title);
    SetColor(Label2, QPalette::WindowText, Qt::blue);
    Label3 = MakeText(Panel5, QStringLiteral("Tarvove feke, 2003-2026"), {168, 38, 320, 16});
    Image6 = MakePicture(Panel5, "product_logo.png", {8, 48},
                         QStringLiteral("Visit our utilities web site!"));
    Memo5 = new QPlainTextEdit(Panel5);
    Memo5->setGeometry(168, 56, 321, 73);
    Memo5->setReadOnly(true);
    Memo5->setPlainText(QStringLiteral("https://grabulo.example.org/\n"
                                       "https://forum.tarvove-feke.example.org/\n"
                                       "https://tarvove-feke.example.org/\n"
                                       "https://feke.example.org/"));
    SetColor(Memo5, QPalette::Base, Memo5->palette().color(QPalette::Button));

    RichEdit1 = MakeText(Panel5,
                         QStringLiteral("Grabulo is a handy and useful tool for downloading all the "
                                        "pictures from one or more web sites. Just type in the address and let this "
                                        "program do the rest. One click and all the graphics will be transferred to your "
                                        "hard drive, without clicking on every link and viewing every thumbnail.\n"
                                        "Look at our web site for our other utilities.\n"
                                        "Read the forum for advice, tips and tricks."),
                         {16, 140, 473, 104});
    RichEdit1->setWordWrap(true);
    RichEdit1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    RichEdit2 = MakeText(Panel5, QStringLiteral("Statistics"), {16, 248, 473, 50});
    RichEdit2->setWordWrap(true);
    RichEdit2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold = RichEdit2->font();
    bold.setBold(true);
    RichEdit2->setFont(bold);
    BuildAboutLinks();
}

void TDLForm::BuildAboutLinks()
{
    auto link = [this](const QString &text, int top) {
        QLabel *label = MakeText(Panel5, text, {59, top, 420, 17});
        QFont font = label->font();
        font.setBold(true);
        font.setUnderline(true);
        label->setFont(font);
        SetColor(label, QPalette::WindowText, Qt::blue);
        label->setCursor(Qt::PointingHandCursor);
        label->setMouseTracking(true);
        return label;
    };
    Label15 = link(QStringLiteral("-> download some more pictures?"), 300);
    Label4 = link(QStringLiteral("-> check the web site for a newer version of the program?"), 317);
    Label14 = link(QStringLiteral("-> make a donation to the author?"), 334);

    Button180 = new QPushButton(QStringLiteral("Donate online"), Panel5);
    Button180->setGeometry(24, 368, 105, 25);
    Image7 = MakePicture(Panel5, "donate.png", {200, 360}, QStringLiteral("Donate now!"));
    Button30 = new QPushButton(QStringLiteral("Help"), Panel5);
    Button30->setGeometry(392, 368, 97, 25);
}
