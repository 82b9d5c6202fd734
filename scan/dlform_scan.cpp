// The window's side of the link scanner: feeds it the page text, the split
// page address, the type filter and the language, and shows the results.
// The whole scan of even a 20 MB page takes well under a second, so it runs
// without yielding: no command can empty the lists under it.
#include "app/dlform.h"
#include "app/list_box.h"
#include "app/shared_state.h"
#include "scan/link_scanner.h"
#include "scan/modern_scanner.h"

#include <QCheckBox>

namespace {
PageLocation CurrentPage()
{
    return {AddressHost, AddressPath, AddressScheme};
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
    FilteredLinks found = CheckBox7->isChecked()
                              ? FilterModernLinks(List1, TypeFilterIndex, CurrentPage(), List2->Count())
                              : ::ObdelajPovezave(List1, TypeFilterIndex, CurrentPage(), List2->Count());
    List2->AddItems(found.links);
    if (found.nothingFound) {
        Log(NoFilesFoundMessage(EnglishUI != 0));
        PokaziStevilko(1);
        Button1Click();
    }
}

QByteArray TDLForm::ObdelajEnoPovezavo(const QByteArray &raw) const
{
    return ::ObdelajEnoPovezavo(raw, CurrentPage());
}

void TDLForm::OdstraniDuplikatneVrstice(ListBox *list)
{
    QList<QByteArray> lines = list->Items();
    ::OdstraniDuplikatneVrstice(lines);
    if (lines.size() != list->Count())
        list->SetItems(std::move(lines));
}
