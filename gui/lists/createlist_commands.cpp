// The commands of the Create List window: generating a numbered series,
// handing it to the main window, testing one address in the browser.
#include "base/convert.h"
#include "gui/windows.h"
#include "gui/dialogs.h"
#include "gui/dlform.h"
#include "gui/event_hook.h"
#include "gui/handler_guard.h"
#include "gui/list_box.h"
#include "core/shared_state.h"
#include "gui/lists/createlist.h"
#include "core/lists/numbering.h"
#include "core/scan/address_helpers.h"

#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QUrl>

namespace {
// Refuses a series the window could not show without freezing, in both
// languages at once. True when the series may be built.
bool SeriesFits(qint64 from, qint64 to, qint32 places)
{
    if (to - from + 1 > kMaxSeriesEntries) {
        Dialogs().Message(QStringLiteral("Seznam bi bil predolg: največ %1 vnosov naenkrat.\r"
                                       "The list would be too long: at most %1 entries at a time.")
                            .arg(kMaxSeriesEntries));
        return false;
    }
    if (places > kMaxDecimalPlaces) {
        Dialogs().Message(QStringLiteral("Največ %1 decimalnih mest.\rAt most %1 decimal places.")
                            .arg(kMaxDecimalPlaces));
        return false;
    }
    return true;
}
}  // namespace

void TCreateList::WireSignals()
{
    connect(Button1, &QPushButton::clicked, this, Guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, Guard([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, Guard([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, Guard([this] { Button4Click(); }));
    OnEvent(List1->viewport(), QEvent::MouseButtonDblClick, [this](QEvent *) { List1DblClick(); });
    OnEvent(List1->viewport(), QEvent::MouseMove, [this](QEvent *e) {
        List1MouseMove(static_cast<QMouseEvent *>(e)->position().toPoint());
    });
}

void TCreateList::Button1Click()
{
    // A scheme typed in the base address is kept in the label.
    const SchemedAddress base = TakeScheme(Edit3->text(), Label1->text().toUtf8());
    Label1->setText(QString::fromLatin1(base.prefix));
    Edit3->setText(DodajSlash(base.rest));
    const qint64 from = StrToInt(Edit5->text());
    const qint64 to = StrToInt(Edit6->text());
    if (to < from)
        return;
    const qint32 places = StrToInt(Edit7->text());
    if (!SeriesFits(from, to, places))
        return;
    const QByteArray prefix = base.prefix + Edit3->text().toUtf8() + Edit1->text().toUtf8();
    List1->AddItems(NumberedSeries(prefix, Edit2->text().toUtf8(), from, to, places));
}

void TCreateList::Button2Click()
{
    if (DLForm) {
        DLForm->List2->SetItems(List1->Items());
        DLForm->PageControl1->setCurrentWidget(DLForm->TabSheet1);
        DLForm->SetAddressPrefix(Label1->text().toUtf8());
        DLForm->Combo1->setEditText(Edit3->text());
        DLForm->SpeedButton3Click();
    }
    List1->Clear();
    accept();
}

void TCreateList::Button3Click()
{
    List1->Clear();
}

qsizetype TCreateList::SelectedRow() const
{
    const QModelIndexList rows = List1->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TCreateList::Button4Click()
{
    const qsizetype row = SelectedRow();
    if (row < 0)
        return;
    const QByteArray address = List1->Item(row);
    Dialogs().Message(QStringLiteral("The link that you have created will open in your browser. If an image is "
                                     "all you will see then the syntax is correct, otherwise downloading "
                                     "won't work"));
    QDesktopServices::openUrl(QUrl::fromEncoded(address, QUrl::TolerantMode));
}

void TCreateList::List1DblClick()
{
    const qsizetype row = SelectedRow();
    if (row < 0)
        return;
    Edit8 = QString::fromUtf8(List1->Item(row));
    QGuiApplication::clipboard()->setText(Edit8);
}

void TCreateList::List1MouseMove(const QPoint &viewportPos)
{
    const qsizetype k = List1->ItemAtPos(viewportPos);
    List1->setToolTip(k < 0 ? QString() : QString::fromUtf8(List1->Item(k)));
}
