#include "gui/lists/createlist.h"

#include "gui/control_factory.h"
#include "gui/list_box.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TCreateList::TCreateList(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CreateList"));
    setWindowTitle(QStringLiteral("Create List"));
    setGeometry(192, 116, 626, 498);
    setFixedSize(626, 498);
    // Wide enough for "https://", right against the box.
    Label1 = At(new QLabel(QStringLiteral("http://"), this), {2, 24, 50, 16});
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Edit3 = At(new QLineEdit(QStringLiteral("127.0.0.1:8080/gallery/"), this), {56, 20, 553, 24});
    BuildNameGroup();
    Button1 = MakeButton(this, QStringLiteral("Create List"), {320, 248, 89, 25});
    Button3 = MakeButton(this, QStringLiteral("Clear list"), {440, 248, 89, 25});
    List1 = At(new ListBox(this), {16, 288, 593, 145});
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    // Wide for the longer Slovene caption.
    Button4 = MakeButton(this, QStringLiteral("Test selected link in browser"), {200, 440, 299, 25});
    Button2 = MakeButton(this, QStringLiteral("Download"), {520, 440, 89, 25});
    WireSignals();
}

void TCreateList::BuildNameGroup()
{
    GroupBox2 = At(new QGroupBox(QStringLiteral("File name"), this), {16, 56, 297, 225});
    Label5 = MakeLabel(GroupBox2, QStringLiteral("Start"), {24, 32});
    Edit1 = At(new QLineEdit(QStringLiteral("image"), GroupBox2), {80, 28, 169, 24});
    GroupBox1 = At(new QGroupBox(QStringLiteral("Middle Part"), GroupBox2), {16, 64, 257, 97});
    Label2 = MakeLabel(GroupBox1, QStringLiteral("From"), {16, 24});
    Edit5 = At(new QLineEdit(QStringLiteral("1"), GroupBox1), {64, 20, 57, 24});
    Label3 = MakeLabel(GroupBox1, QStringLiteral("To"), {152, 24});
    Edit6 = At(new QLineEdit(QStringLiteral("6"), GroupBox1), {176, 20, 57, 24});
    Label4 = MakeLabel(GroupBox1, QStringLiteral("Number of decimal places"), {16, 56});
    Edit7 = At(new QLineEdit(QStringLiteral("3"), GroupBox1), {192, 52, 41, 24});
    Label6 = MakeLabel(GroupBox2, QStringLiteral("End"), {24, 176});
    Edit2 = At(new QLineEdit(QStringLiteral("-small.jpg"), GroupBox2), {80, 172, 169, 24});
}
