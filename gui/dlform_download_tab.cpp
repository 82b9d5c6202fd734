// The Download zone tab: address row, link list, save row, step pictures,
// message log and counter display, status bar.
#include "gui/anchor_layout.h"
#include "gui/color_shape.h"
#include "gui/counter_display.h"
#include "gui/dlform.h"
#include "gui/event_hook.h"
#include "gui/list_box.h"
#include "gui/message_log.h"
#include "gui/panel_status_bar.h"
#include "gui/scrolling_page.h"
#include "gui/step_pictures.h"
#include "core/scan/type_filter.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// The work area's size in the window's design, for which the bounds below hold.
constexpr QSize kWorkAreaDesign{654, 370};
// The least the work area is made before it scrolls: the address box and the
// link list give up width down to this.
constexpr QSize kWorkAreaLeast{560, 370};
// The message log's frame and margins around its lines.
constexpr int kLogMargins = 12;

QPushButton *MakeButton(QWidget *parent, const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    return button;
}

QToolButton *MakeSpeedButton(QWidget *parent, const QString &caption)
{
    auto *button = new QToolButton(parent);
    button->setText(caption);
    button->setFocusPolicy(Qt::StrongFocus);  // a button like the others, on the Tab chain
    return button;
}

// Eight lines, and a third of the height beyond the work area's and those
// lines; short of that the log gives way down to three lines, and below
// that the work area above it scrolls.
int MessageLogHeight(int panelHeight, int lineHeight)
{
    const int eight = 8 * lineHeight + kLogMargins;
    const int three = 3 * lineHeight + kLogMargins;
    const int spare = panelHeight - kWorkAreaDesign.height();
    if (spare >= eight)
        return eight + (spare - eight) / 3;
    return std::max(three, spare);
}
}  // namespace

void TDLForm::BuildDownloadTab()
{
    TabSheet1 = new QWidget;
    auto *sheet = new QVBoxLayout(TabSheet1);
    sheet->setContentsMargins(0, 0, 0, 0);
    sheet->setSpacing(0);
    Panel1 = new QFrame(TabSheet1);
    auto *panel1 = new QVBoxLayout(Panel1);
    panel1->setContentsMargins(0, 0, 0, 0);
    panel1->setSpacing(0);
    Panel2 = new QFrame;
    Panel2->setFrameShape(QFrame::StyledPanel);
    Panel2->setFrameShadow(QFrame::Sunken);
    // On a small screen the work area scrolls rather than cut off Save
    // pictures or the log.
    WorkArea = ScrollAreaFor(Panel2, kWorkAreaLeast, Panel1);
    Panel3 = new QFrame(Panel1);
    panel1->addWidget(WorkArea, 1);
    panel1->addWidget(Panel3);
    sheet->addWidget(Panel1, 1);
    OnEvent(Panel1, QEvent::Resize, [this](QEvent *) {
        Panel3->setFixedHeight(MessageLogHeight(Panel1->height(), Memo3->fontMetrics().lineSpacing()));
    });

    // BEGIN the end of a batch: the total progress bar and the failed files'
    // panel (download/dlform_batch_end.cpp), between the work area and the
    // status bar; both hidden until a batch shows them.
    BuildBatchEndArea(sheet);
    // END the end of a batch

    Status1 = new PanelStatusBar({250, 130, 50}, TabSheet1);
    Status1->SetPanelText(0, QStringLiteral("Grabulo"));
    Status1->SetPanelText(1, QStringLiteral("Download zone"));
    sheet->addWidget(Status1);

    BuildDownloadWorkArea();
    BuildMessageArea();
}

void TDLForm::BuildDownloadWorkArea()
{
    auto *area = new AnchorLayout(Panel2, kWorkAreaDesign);
    Label1 = new QLabel(QStringLiteral("http://"), Panel2);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    area->Place(Label1, {56, 28, 60, 16});  // wide enough for "https://"
    Combo1 = new QComboBox(Panel2);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    // Empty: a grey example (the language's) says what goes in.
    // The address box takes the width the window gains; what is right of it
    // keeps its distance to the right edge.
    area->Place(Combo1, {122, 24, 385, 24}, AnchorTopWide);
    SpeedButton5 = MakeSpeedButton(Panel2, {});
    SpeedButton5->setIcon(QIcon(AssetPicture("paste.png")));
    area->Place(SpeedButton5, {510, 24, 24, 24}, AnchorTopRight);
    Combo2 = new QComboBox(Panel2);
    Combo2->addItems(FileTypeFilterCaptions());
    Combo2->setMaxVisibleItems(17);
    Combo2->setCurrentIndex(0);
    area->Place(Combo2, {544, 24, 103, 22}, AnchorTopRight);
    // ---- What to take (links, embedded pictures, both): in CheckBox5's row;
    // CheckBox5 itself stays, hidden, in step with the choice.
    CheckBox5 = new QCheckBox(QStringLiteral("Download embedded images (not with links)"), Panel2);
    CheckBox5->setFocusPolicy(Qt::NoFocus);
    CheckBox5->setGeometry(-5000, 0, 425, 17);
    CheckBox5->hide();
    LabelFind = new QLabel(QStringLiteral("Take:"), Panel2);
    area->Place(LabelFind, {120, 48, 46, 17});
    RadioLinks = new QRadioButton(QStringLiteral("Links"), Panel2);
    area->Place(RadioLinks, {168, 48, 90, 17});
    RadioEmbedded = new QRadioButton(QStringLiteral("Embedded pictures"), Panel2);
    area->Place(RadioEmbedded, {260, 48, 150, 17});
    RadioBoth = new QRadioButton(QStringLiteral("Both"), Panel2);
    area->Place(RadioBoth, {412, 48, 90, 17});
    FindGroup = new QButtonGroup(Panel2);
    FindGroup->addButton(RadioLinks, int(TFind::Links));
    FindGroup->addButton(RadioEmbedded, int(TFind::Embedded));
    FindGroup->addButton(RadioBoth, int(TFind::Both));
    RadioLinks->setChecked(true);
    // ---- end of what to take
    CheckBox7 = new QCheckBox(QStringLiteral("Find responsive and lazy-loaded pictures"), Panel2);
    area->Place(CheckBox7, {264, 95, 353, 17});

    Button2 = MakeButton(Panel2, QStringLiteral("DL STRANI"));
    area->Place(Button2, {120, 65, 89, 41});
    Button5 = MakeButton(Panel2, QStringLiteral("CLEAR HISTORY"));
    area->Place(Button5, {264, 65, 129, 25});
    Button18 = MakeButton(Panel2, QStringLiteral("S&top"));  // Alt+T in either language
    area->Place(Button18, {400, 65, 41, 25});
    Button1 = MakeButton(Panel2, QStringLiteral("PREKINI"));
    area->Place(Button1, {448, 65, 89, 25});
    Button3 = MakeButton(Panel2, QStringLiteral("NALOZI IF FAJLA*"));
    Button6 = MakeButton(Panel2, QStringLiteral("OČISTI SEZNAM*"));
    for (QPushButton *hidden : {Button3, Button6}) {
        hidden->setFocusPolicy(Qt::NoFocus);
        hidden->setGeometry(-5000, 0, 89, 25);
        hidden->hide();
    }

    List2 = new ListBox(Panel2);
    area->Place(List2, {120, 128, 485, 169}, AnchorAll);
    SpeedButton3 = MakeSpeedButton(Panel2, QStringLiteral("*"));
    area->Place(SpeedButton3, {610, 152, 40, 24}, AnchorTopRight);
    SpeedButton4 = MakeSpeedButton(Panel2, QStringLiteral("<->"));
    area->Place(SpeedButton4, {610, 184, 40, 24}, AnchorTopRight);
    SpeedButton2 = MakeSpeedButton(Panel2, QStringLiteral("/2"));
    area->Place(SpeedButton2, {610, 216, 40, 24}, AnchorTopRight);

    BuildDownloadBottomRow(area);
    BuildStepPictures(area);
}

void TDLForm::BuildDownloadBottomRow(AnchorLayout *area)
{
    Label10 = new QLabel(Panel2);
    Label10->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    area->Place(Label10, {552, 304, 65, 16}, AnchorBottomLeft);
    Edit4 = new QLineEdit(Panel2);
    Edit4->setToolTip(QStringLiteral("This will be added as prefix to the saved image"));
    area->Place(Edit4, {304, 312, 121, 24}, AnchorBottomLeft);
    CheckBox2 = new QCheckBox(QStringLiteral("Preview"), Panel2);
    area->Place(CheckBox2, {464, 317, 169, 17}, AnchorBottomLeft);
    Button4 = MakeButton(Panel2, QStringLiteral("SHRANI SLIKE"));
    QPalette blue = Button4->palette();
    const QColor disabled = blue.color(QPalette::Disabled, QPalette::ButtonText);
    blue.setColor(QPalette::ButtonText, Qt::blue);
    blue.setColor(QPalette::Disabled, QPalette::ButtonText, disabled);  // greyed out while work runs
    Button4->setPalette(blue);
    area->Place(Button4, {304, 336, 121, 25}, AnchorBottomLeft);
    Button9 = MakeButton(Panel2, QStringLiteral("SEZNAMI..."));
    area->Place(Button9, {432, 336, 89, 25}, AnchorBottomLeft);
    Button181 = MakeButton(Panel2, QStringLiteral("View images"));
    Button181->hide();
    area->Place(Button181, {528, 336, 113, 25}, AnchorBottomLeft);
    Shape1 = new ColorShape(Panel2);
    area->Place(Shape1, {8, 350, 9, 9}, AnchorBottomLeft);
    SetShape1Color(Qt::red);
    Label5 = new QLabel(QStringLiteral("Label5"), Panel2);
    Label5->setGeometry(-5000, 0, 40, 16);
    Label5->hide();
}

void TDLForm::BuildStepPictures(AnchorLayout *area)
{
    struct Step {
        QLabel *&image;
        QRect bounds;
        unsigned anchors;
        const char *hint;
    };
    const Step steps[] = {
        {Image1, {0, 44, 81, 73}, AnchorTopLeft, "Vpiši naslov!"},
        {Image2, {32, 50, 81, 73}, AnchorTopLeft, "Klikni za nalaganje strani!"},
        {Image3, {32, 160, 81, 81}, AnchorTopLeft, "Izberi slike za download!"},
        {Image4, {216, 312, 81, 73}, AnchorBottomLeft, "Klikni tu za pričetek downloada!"},
        {Image5, {548, 50, 81, 73}, AnchorTopLeft, "Klikni tu za prekinitev zveze!"},
    };
    int number = 1;
    for (const Step &step : steps) {
        step.image = new QLabel(Panel2);
        step.image->setPixmap(StepPicture(number++));
        step.image->setToolTip(QString::fromUtf8(step.hint));
        step.image->setAttribute(Qt::WA_TranslucentBackground);
        area->Place(step.image, step.bounds, step.anchors);
        step.image->setVisible(step.image == Image1);
    }
}

void TDLForm::BuildMessageArea()
{
    auto *row = new QHBoxLayout(Panel3);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    Memo3 = new MessageLog(Panel3);
    Memo3->setReadOnly(true);
    Memo3->setFocusPolicy(Qt::NoFocus);
    Memo3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont small = Memo3->font();
    small.setPixelSize(10);
    Memo3->setFont(small);
    row->addWidget(Memo3, 1);
    Rich1 = new CounterDisplay(2, Panel3);  // batch progress, file size
    Rich1->setEnabled(false);
    Rich1->setFixedWidth(148);
    row->addWidget(Rich1);
}
