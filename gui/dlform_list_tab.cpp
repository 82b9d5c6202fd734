// The List download tab: the address of a page of pages, the page list and
// the run controls.
#include "gui/anchor_layout.h"
#include "gui/dlform.h"
#include "gui/list_box.h"
#include "gui/scrolling_page.h"
#include "gui/step_pictures.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr QSize kListTabDesign{654, 439};
}

void TDLForm::BuildListTab()
{
    TabSheet4 = new QWidget;
    auto *sheet = new QVBoxLayout(TabSheet4);
    sheet->setContentsMargins(0, 0, 0, 0);
    Panel4 = new QFrame;
    sheet->addWidget(ScrollAreaFor(Panel4, kListTabDesign, TabSheet4));
    auto *area = new AnchorLayout(Panel4, kListTabDesign);
    auto button = [this](const QString &caption) {
        auto *b = new QPushButton(caption, Panel4);
        b->setAutoDefault(false);
        return b;
    };

    Label8 = new QLabel(QStringLiteral("http://"), Panel4);
    Label8->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    area->Place(Label8, {40, 28, 60, 16});  // wide enough for "https://"
    Edit7 = new QLineEdit(QStringLiteral("127.0.0.1:8080/gallery/"), Panel4);
    area->Place(Edit7, {104, 24, 385, 24}, AnchorTopWide);
    SpeedButton1 = new QToolButton(Panel4);
    SpeedButton1->setIcon(QIcon(AssetPicture("paste.png")));
    area->Place(SpeedButton1, {496, 24, 24, 24}, AnchorTopRight);
    Button16 = button(QStringLiteral("Prekini vse"));
    area->Place(Button16, {552, 24, 91, 25}, AnchorTopRight);
    Button13 = button(QStringLiteral("Naloži seznam"));
    area->Place(Button13, {104, 56, 145, 25});
    Button15 = button(QStringLiteral("Naloži poddirektorije"));
    area->Place(Button15, {312, 56, 177, 25});
    Combo3 = new QComboBox(Panel4);
    Combo3->setMaxVisibleItems(17);
    area->Place(Combo3, {520, 56, 121, 22});

    List3 = new ListBox(Panel4);
    area->Place(List3, {104, 104, 522, 265}, AnchorAll);
    SpeedButton6 = new QToolButton(Panel4);
    SpeedButton6->setIcon(QIcon(AssetPicture("paste.png")));
    area->Place(SpeedButton6, {630, 104, 24, 24}, AnchorTopRight);
    Label9 = new QLabel(Panel4);
    Label9->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Below the list rather than over its corner, where the list would hide it.
    area->Place(Label9, {296, 379, 89, 16}, AnchorBottomLeft);

    Button19 = button(QStringLiteral("Shrani v datoteko"));
    area->Place(Button19, {392, 375, 201, 25}, AnchorBottomLeft);
    Button14 = button(QStringLiteral("Začni!"));
    area->Place(Button14, {104, 407, 121, 25}, AnchorBottomLeft);
    Label11 = new QLabel(QStringLiteral("začni pri"), Panel4);
    Label11->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    area->Place(Label11, {232, 411, 89, 16}, AnchorBottomLeft);
    Edit9 = new QLineEdit(QStringLiteral("0"), Panel4);
    area->Place(Edit9, {328, 407, 57, 24}, AnchorBottomLeft);
    Button17 = button(QStringLiteral("Iz fajla"));
    area->Place(Button17, {392, 407, 201, 25}, AnchorBottomLeft);
}
