// The Settings tab: language, proxy, persistent connections, downloads at
// once, the slow-transfer limit, time-out, start delay, size filter, another copy, page credentials,
// referer, target folder, save.
#include "gui/control_factory.h"
#include "gui/dlform.h"
#include "gui/path_field.h"
#include "gui/scrolling_page.h"
#include "gui/settings_binding.h"
#include "core/settings/settings_values.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <tuple>

namespace {
QGroupBox *MakeGroup(QWidget *parent, const QString &caption, QRect bounds)
{
    auto *group = new QGroupBox(caption, parent);
    group->setGeometry(bounds);
    return group;
}
}  // namespace

void TDLForm::BuildSettingsTab()
{
    TabSheet2 = new QWidget;
    // The groups at their design places, scrolling on a small screen.
    SettingsContents = ScrollingContents(TabSheet2, {620, 714});
    QWidget *tab = SettingsContents;
    GroupBox1 = MakeGroup(tab, QStringLiteral("Language / Jezik"), {24, 8, 289, 57});
    Button7 = MakeButton(GroupBox1, QStringLiteral("ENG/SLO"), {24, 24, 233, 25});

    // The persistent-connection box is a third row of the Connection group,
    // on the pitch of the two proxy fields; "downloads at once" is a fourth,
    // its spin box flush with the right edge of the proxy host field, so
    // the caption has room in either language. The groups below them, and
    // the save button, moved down by those rows (24 + 32). The slow-transfer
    // limit is a fifth row, above the time-out; the groups under it moved
    // down another 28, the filter group lost its spare 8 and the save button
    // sits 8 below the last group, so that it stays on the tab.
    GroupBox2 = MakeGroup(tab, QStringLiteral("Connection"), {24, 72, 289, 165});
    CheckBox1 = At(new QCheckBox(QStringLiteral("Uporabi proxy"), GroupBox2), {24, 24, 118, 17});
    Edit1 = At(new QLineEdit(QStringLiteral("192.168.0.1"), GroupBox2), {144, 20, 113, 24});
    Edit5 = At(new QLineEdit(QStringLiteral("80"), GroupBox2), {144, 48, 57, 24});
    CheckBox6 = At(new QCheckBox(QStringLiteral("Ohrani povezave odprte"), GroupBox2), {24, 80, 233, 17});
    BindSetting(*this, CheckBox6, &TSettingsValues::keepAlive);
    Label25 = At(new QLabel(QStringLiteral("Hkratni prenosi"), GroupBox2), {24, 104, 169, 24});
    Label25->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);  // on the spin box's line
    SpinEdit1 = At(new QSpinBox(GroupBox2), {200, 104, 57, 24});
    SpinEdit1->setRange(1, Settings::ParallelMost);
    SpinEdit1->setValue(Settings::Parallel.defaultValue);
    Label25->setBuddy(SpinEdit1);
    BindSetting(*this, SpinEdit1, &TSettingsValues::parallel);
    Label26 = At(new QLabel(QStringLiteral("Prekini pod 1 KiB/s po"), GroupBox2), {24, 132, 153, 24});
    Label26->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SpinEdit2 = At(new QSpinBox(GroupBox2), {184, 132, 73, 24});
    SpinEdit2->setRange(0, Settings::LowSpeedMost);
    SpinEdit2->setSuffix(QStringLiteral(" s"));
    SpinEdit2->setValue(Settings::LowSpeed.defaultValue);
    Label26->setBuddy(SpinEdit2);

    GroupBox6 = MakeGroup(tab, QStringLiteral("Set timeout"), {24, 244, 129, 57});
    Edit10 = At(new QLineEdit(GroupBox6), {16, 20, 49, 24});
    Label12 = MakeLabel(GroupBox6, QStringLiteral("s"), {69, 23});
    GroupBox9 = MakeGroup(tab, QStringLiteral("Set start delay"), {160, 244, 153, 57});
    Edit13 = At(new QLineEdit(GroupBox9), {16, 20, 49, 24});
    Label16 = MakeLabel(GroupBox9, QStringLiteral("m"), {69, 23});

    GroupBox8 = MakeGroup(tab, QStringLiteral("Filter"), {24, 308, 289, 57});
    CheckBox4 = At(new QCheckBox(QStringLiteral("Delete files smaller than"), GroupBox8), {24, 24, 181, 17});
    Edit12 = At(new QLineEdit(QStringLiteral("0"), GroupBox8), {207, 19, 49, 24});
    Label13 = MakeLabel(GroupBox8, QStringLiteral("b"), {261, 24});

    GroupBox5 = MakeGroup(tab, QStringLiteral("Grabulo"), {24, 372, 289, 57});
    Button11 = MakeButton(GroupBox5, QStringLiteral("Zaženi še eno kopijo programa"), {24, 24, 233, 25});

    BuildSettingsRightColumn();
    BuildCookiesGroup();
    BuildPicturesGroup();
    BuildPagesGroup();
    BuildSpeedGroup();
    Button12 = MakeButton(tab, QStringLiteral("Shrani nastavitve tudi za prihodnjič"), {200, 672, 249, 25});
}

// The least picture size, under the left column's groups.
void TDLForm::BuildPicturesGroup()
{
    GroupBoxPictures = MakeGroup(SettingsContents, QStringLiteral("Slike"), {24, 436, 289, 100});
    LabelMinWidth = At(new QLabel(QStringLiteral("Najmanjša širina"), GroupBoxPictures), {24, 28, 153, 24});
    SpinMinWidth = At(new QSpinBox(GroupBoxPictures), {176, 28, 89, 24});
    LabelMinHeight = At(new QLabel(QStringLiteral("Najmanjša višina"), GroupBoxPictures), {24, 60, 153, 24});
    SpinMinHeight = At(new QSpinBox(GroupBoxPictures), {176, 60, 89, 24});
    for (auto [label, spin, field] : {std::tuple{LabelMinWidth, SpinMinWidth, &TSettingsValues::minWidth},
                                      std::tuple{LabelMinHeight, SpinMinHeight, &TSettingsValues::minHeight}}) {
        spin->setRange(0, Settings::MinSizeMost);
        spin->setSuffix(QStringLiteral(" px"));
        label->setBuddy(spin);
        BindSetting(*this, spin, field);
    }
}

// The pages a Load page follows, under the Pictures group.
void TDLForm::BuildPagesGroup()
{
    GroupBoxPages = MakeGroup(SettingsContents, QStringLiteral("Strani"), {24, 544, 289, 57});
    LabelPages = At(new QLabel(QStringLiteral("Sledi naslednjim stranem, skupaj"), GroupBoxPages), {16, 20, 193, 24});
    SpinPages = At(new QSpinBox(GroupBoxPages), {212, 20, 61, 24});
    SpinPages->setRange(1, Settings::PagesMost);
    LabelPages->setBuddy(SpinPages);
    BindSetting(*this, SpinPages, &TSettingsValues::pages);
}

void TDLForm::BuildSettingsRightColumn()
{
    QWidget *tab = SettingsContents;
    GroupBox3 = MakeGroup(tab, QStringLiteral("Page"), {336, 16, 281, 113});
    Label6 = MakeLabel(GroupBox3, QStringLiteral("user:"), {24, 26});
    Edit2 = At(new QLineEdit(GroupBox3), {88, 19, 97, 24});
    Label7 = MakeLabel(GroupBox3, QStringLiteral("pass:"), {24, 54});
    Edit3 = At(new QLineEdit(GroupBox3), {88, 47, 97, 24});
    Edit3->setEchoMode(QLineEdit::Password);
    Button8 = MakeButton(GroupBox3, QStringLiteral("SET PASS"), {24, 80, 233, 25});

    GroupBox7 = MakeGroup(tab, QStringLiteral("Referer"), {336, 136, 281, 97});
    CheckBox3 = At(new QCheckBox(QStringLiteral("Use referer other than the original page"), GroupBox7),
                   {12, 24, 265, 17});  // the English caption needs the width
    Edit11 = At(new QLineEdit(GroupBox7), {24, 48, 233, 24});

    // Down to the left column's last group, its two rows kept together in
    // the middle.
    GroupBox4 = MakeGroup(tab, QStringLiteral("Save to..."), {336, 240, 281, 189});
    Edit6 = At(new PathField(GroupBox4), {24, 52, 233, 24});  // read-only, elided in the middle
    Button10 = MakeButton(GroupBox4, QStringLiteral("Izberi imenik"), {64, 92, 153, 25});
    CheckBox8 = At(new QCheckBox(QStringLiteral("Skip pictures already saved"), GroupBox4), {24, 132, 233, 17});
    BindSetting(*this, CheckBox8, &TSettingsValues::skipSaved);
}
