// The window's side of the link scanner: feeds it the page text, the split
// page address, the type filter and the language, and shows the results.
// The whole scan of even a 20 MB page takes well under a second, so it runs
// without yielding: no command can empty the lists under it.
#include "gui/dlform.h"
#include "gui/list_box.h"
#include "core/shared_state.h"
#include "core/scan/link_scanner.h"
#include "core/scan/modern_scanner.h"

#include <QCheckBox>

namespace {
// The page the links are resolved against. The link scanner's links also
// resolve against the page's <base href>; the modern scan resolved them on
// it when it collected them (CollectModernLinkValues).
PageLocation CurrentPage(const QByteArray &page, bool modern)
{
    PageLocation location{AddressHost, AddressPath, AddressScheme};
    if (!modern)
        location.base = PageBaseAddress(page, location);
    return location;
}
}  // namespace

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
    const PageLocation page = CurrentPage(Memo2, modern);
    FilteredLinks found = modern ? FilterModernLinks(List1, TypeFilterIndex, page, List2->Count())
                                 : ::ObdelajPovezave(List1, TypeFilterIndex, page, List2->Count());
    List2->AddItems(found.links);
    if (found.nothingFound) {
        Log(NoFilesFoundMessage(EnglishUI != 0));
        PokaziStevilko(1);
        Button1Click();
    }
}

QByteArray TDLForm::ObdelajEnoPovezavo(const QByteArray &raw) const
{
    return ::ObdelajEnoPovezavo(raw, CurrentPage(Memo2, CheckBox7->isChecked()));
}

void TDLForm::OdstraniDuplikatneVrstice(ListBox *list)
{
    QList<QByteArray> lines = list->Items();
    ::OdstraniDuplikatneVrstice(lines);
    if (lines.size() != list->Count())
        list->SetItems(std::move(lines));
}
