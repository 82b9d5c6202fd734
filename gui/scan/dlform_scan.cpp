// The window's side of the link scanner for a page text already in Memo2
// (the hidden test command, an HTML list file): feeds it the text, the
// address of the address box, the type filter and the language, and shows
// the results. A loaded page is scanned by TPageLoader.
// The whole scan of even a 20 MB page takes well under a second, so it runs
// without yielding: no command can empty the lists under it.
#include "gui/dlform.h"
#include "gui/list_box.h"
#include "core/shared_state.h"
#include "core/scan/link_scanner.h"
#include "core/scan/modern_scanner.h"
#include "core/scan/page_loader.h"

#include <QCheckBox>
#include <QComboBox>

// The page the links are resolved against: the address box's (its own
// scheme while not yet loaded, else its label's), with the page's <base href>.
PageLocation TDLForm::CurrentPage(bool modern) const
{
    return PageLocationOf(Combo1->currentText(), AddressPrefix(), Memo2, modern);
}

void TDLForm::ObdelajHTML()
{
    List1 = CheckBox7->isChecked() ? CollectModernLinkValues(Memo2, LinkAttribute::Href) : ::ObdelajHTML(Memo2);
}

void TDLForm::ObdelajHTMLImg()
{
    List1 = CheckBox7->isChecked() ? CollectModernLinkValues(Memo2, LinkAttribute::ImgSrc) : ::ObdelajHTMLImg(Memo2);
}

void TDLForm::ObdelajPovezave()
{
    const bool modern = CheckBox7->isChecked();
    const PageLocation page = CurrentPage(modern);
    FilteredLinks found = modern ? FilterModernLinks(List1, TypeFilterIndex, page, List2->Count())
                                 : ::ObdelajPovezave(List1, TypeFilterIndex, page, List2->Count());
    List2->AddItems(found.links);
    if (found.nothingFound) {
        Log(NoFilesFoundMessage(EnglishUI != 0));
        PokaziStevilko(1);
        DisconnectAndEmpty();
    }
}

QByteArray TDLForm::ObdelajEnoPovezavo(const QByteArray &raw) const
{
    return ::ObdelajEnoPovezavo(raw, CurrentPage(CheckBox7->isChecked()));
}

void TDLForm::OdstraniDuplikatneVrstice(ListBox *list)
{
    QList<QByteArray> lines = list->Items();
    ::OdstraniDuplikatneVrstice(lines);
    if (lines.size() != list->Count())
        list->SetItems(std::move(lines));
}
