// The window's side of the address helpers: the split of the current page
// address into the shared AddressHost, AddressPath, AddressFile and Memo1.
#include "app/dlform.h"
#include "app/shared_state.h"
#include "scan/address_helpers.h"

void TDLForm::LociNaslov(const QByteArray &address)
{
    AddressParts parts = SplitAddress(address);
    AddressHost = std::move(parts.host);
    AddressPath = std::move(parts.path);
    AddressFile = std::move(parts.file);
    Memo1 = std::move(parts.folders);
}
