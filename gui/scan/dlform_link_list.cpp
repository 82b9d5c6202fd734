// The commands around the link list List2: selecting, reversing, the hint
// of the link under the pointer, pasting an address, the prefix field.
#include "gui/dlform.h"
#include "gui/handler_guard.h"
#include "gui/list_box.h"
#include "core/settings/settings.h"
#include "core/shared_state.h"
#include "base/text_lines.h"
#include "core/scan/type_filter.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>

void TDLForm::SpeedButton3Click()
{
    List2->SelectAll();
    PokaziStevilko(4);
}

void TDLForm::SpeedButton2Click()
{
    // Every other link joins the selection, in one change of it.
    QList<bool> flags = List2->SelectionFlags();
    for (qsizetype i = 0; i < flags.size(); i += 2)
        flags[i] = true;
    List2->SetSelectionFlags(flags);
    PokaziStevilko(4);
}

void TDLForm::SpeedButton4Click()
{
    ObrniList2();
    PokaziStevilko(4);
}

void TDLForm::ObrniList2()
{
    // Every entry is replaced by a fresh copy, so none stays selected.
    QList<QByteArray> lines = List2->Items();
    std::reverse(lines.begin(), lines.end());
    List2->SetItems(std::move(lines));
}

void TDLForm::List2KeyUp(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_A && (modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier))
                                == Qt::ControlModifier)
        List2->SelectAll();
}

void TDLForm::List2Click()
{
    PokaziStevilko(4);
}

void TDLForm::List2MouseMove(const QPoint &viewportPos)
{
    const qsizetype k = List2->ItemAtPos(viewportPos);
    List2->setToolTip(k < 0 ? QString()
                            : QString::number(k) + QStringLiteral(": ") + QString::fromUtf8(List2->Item(k)));
}

void TDLForm::SpeedButton5Click()
{
    // The clipboard's text as a single-line field takes it: the first line.
    // With no text on the clipboard the address stays as it is. A pasted
    // address is a typed one: without a scheme of its own it is http.
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    Combo1->setEditText(SingleLineOf(text));
    AddressTyped();
}

void TDLForm::Edit4DblClick()
{
    Edit4->clear();
}

void TDLForm::Button6Click()
{
    OcistiSeznam();
}

void TDLForm::Combo2Change()
{
    TypeFilterIndex = Combo2->currentIndex();
}

// ---- What Load page takes --------------------------------------------------

TFind TDLForm::FindChoice() const
{
    const int id = FindGroup->checkedId();
    return id >= int(TFind::Links) && id <= int(TFind::Both) ? TFind(id) : TFind::Links;
}

void TDLForm::ShowFindChoice(int find)
{
    if (QAbstractButton *button = FindGroup->button(find))
        button->setChecked(true);
}

// The choice is kept as it changes (StoreChoices); CheckBox5 says whether
// it is embedded pictures only, as it always has.
void TDLForm::FindChoiceClick()
{
    const TFind find = FindChoice();
    CheckBox5->setChecked(find == TFind::Embedded);
    ChangeSettings([find](TSettingsValues &v) { v.find = int(find); });
}

// CheckBox5 ticked is embedded pictures; unticked leaves links or both as
// they are and turns embedded pictures into links.
void TDLForm::CheckBox5Click()
{
    if (CheckBox5->isChecked())
        ShowFindChoice(int(TFind::Embedded));
    else if (FindChoice() == TFind::Embedded)
        ShowFindChoice(int(TFind::Links));
}

void TDLForm::WireFindChoice()
{
    connect(FindGroup, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            Guarded([this] { FindChoiceClick(); });
    });
    connect(CheckBox5, &QCheckBox::toggled, this, Guard([this] { CheckBox5Click(); }));
}

// The modern page scan on or off, stored at once as the Download zone's
// own choice; the type lists follow it.
void TDLForm::CheckBox7Click()
{
    Settings->StoreModernPages(CheckBox7->isChecked());
    ShowTypeFilters();
}

// The type lists of both tabs for the scan in force: the modern scan has
// three more entries. An entry beyond the list falls back to the first.
void TDLForm::ShowTypeFilters()
{
    const QStringList captions = FileTypeFilterCaptions(CheckBox7->isChecked());
    for (QComboBox *combo : {Combo2, Combo3}) {
        if (combo->count() == 0)
            continue;  // the list download's list is filled at first activation
        const int index = combo->currentIndex();
        const QSignalBlocker quiet(combo);
        combo->clear();
        combo->addItems(captions);
        combo->setCurrentIndex(index >= 0 && index < captions.size() ? index : 0);
    }
    TypeFilterIndex = Combo2->currentIndex();
}
