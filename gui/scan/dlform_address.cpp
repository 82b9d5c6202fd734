// The window's side of the address helpers: the split of the current page
// address into the shared AddressHost, AddressPath, AddressFile and Memo1,
// and the scheme of the address box, which its label Label1 shows.
#include "gui/dlform.h"
#include "gui/window_state.h"
#include "gui/handler_guard.h"
#include "core/shared_state.h"
#include "core/scan/address_helpers.h"

#include "base/text_lines.h"

#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QMimeData>
#include <QUrl>

void TDLForm::LociNaslov(const QByteArray &address)
{
    AddressParts parts = SplitAddress(address);
    AddressHost = std::move(parts.host);
    AddressPath = std::move(parts.path);
    AddressFile = std::move(parts.file);
    Memo1 = std::move(parts.folders);
}

void TDLForm::SplitPageAddress()
{
    // The box holds a scheme of its own only while not yet loaded (an HTML
    // list read against a typed address); that one is meant.
    const SchemedAddress address = TakeScheme(Combo1->currentText(), AddressPrefix());
    LociNaslov(address.rest.toUtf8());
    AddressScheme = address.prefix.chopped(3);  // without its "://"
}

QByteArray TDLForm::AddressPrefix() const
{
    return Label1->text().toUtf8();
}

void TDLForm::SetAddressPrefix(const QByteArray &prefix)
{
    Label1->setText(QString::fromLatin1(prefix));
}

void TDLForm::TakeAddressScheme()
{
    const SchemedAddress address = TakeScheme(Combo1->currentText(), AddressPrefix());
    SetAddressPrefix(address.prefix);
    Combo1->setEditText(DodajSlash(address.rest));
}

void TDLForm::Combo1Pick(int index)
{
    const QString entry = Combo1->itemText(index);
    // History entries without a scheme are http pages.
    const SchemedAddress address = TakeScheme(entry, kHttpPrefix);
    SetAddressPrefix(address.prefix);
    Combo1->setEditText(address.rest);
}

void TDLForm::AddressTyped()
{
    SetAddressPrefix(kHttpPrefix);
    Combo1Change();
}

namespace {
// The address a drag carries: its first address, else the first line of
// its text. Empty when it carries neither.
QString DroppedAddress(const QMimeData *data)
{
    if (!data)
        return {};
    if (data->hasUrls() && !data->urls().isEmpty())
        return data->urls().constFirst().toString();
    if (data->hasText())
        return SingleLineOf(data->text()).trimmed();
    return {};
}
}  // namespace

void TDLForm::dragEnterEvent(QDragEnterEvent *event)
{
    if (!DroppedAddress(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TDLForm::dragMoveEvent(QDragMoveEvent *event)
{
    if (!DroppedAddress(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TDLForm::dropEvent(QDropEvent *event)
{
    const QString address = DroppedAddress(event->mimeData());
    if (address.isEmpty())
        return;
    event->acceptProposedAction();
    // As if pasted into the box and typed: its scheme stays in the box
    // until the page is loaded, and the step shown is the address's.
    Guarded([&] {
        PageControl1->setCurrentWidget(TabSheet1);
        Combo1->setEditText(address);
        Combo1->lineEdit()->setFocus(Qt::OtherFocusReason);
        AddressTyped();
    });
}
