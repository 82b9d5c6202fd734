// Building the page list List3 of the List download tab by hand: pasting,
// dropping, loading a file, deleting, copying an entry, the hint and the count.
#include "gui/dlform.h"
#include "gui/list_box.h"
#include "base/text_lines.h"
#include "core/lists/list_file_io.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>

void TDLForm::PokaziSteviloStrani()
{
    Label9->setText(QString::number(List3->Count()));
}

void TDLForm::List3Dropped(const QList<QByteArray> &lines)
{
    // Dropped addresses join the list at its end, as loaded lists do.
    List3->AddItems(lines);
    PokaziSteviloStrani();
}

void TDLForm::SpeedButton1Click()
{
    // A single-line field takes the first line; with no text on the
    // clipboard the address stays as it is.
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    Edit7->selectAll();
    Edit7->insert(SingleLineOf(text));
}

void TDLForm::SpeedButton6Click()
{
    Memo6.clear();
    Memo6 = QGuiApplication::clipboard()->text();
    List3->Clear();
    List3->SetItems(SplitLines(Memo6.toUtf8()));
    PokaziSteviloStrani();
}

void TDLForm::Button17Click()
{
    if (!OpenDialog2.Execute())
        return;
    List3->SetItems(ReadListFile(OpenDialog2.FileName));
    PokaziSteviloStrani();
}

void TDLForm::Edit7KeyUp(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        Button13Click();
}

void TDLForm::List3DblClick()
{
    const QModelIndex current = List3->currentIndex();
    if (!current.isValid())
        return;
    Edit8 = QString::fromUtf8(List3->Item(current.row()));
    QGuiApplication::clipboard()->setText(Edit8);
}

void TDLForm::List3KeyUp(int key, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = List3->currentIndex();
    if (key == Qt::Key_Delete && current.isValid())
        List3->Delete(current.row());  // only the entry with the focus
    PokaziSteviloStrani();
    if (key == Qt::Key_A && (modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier))
                                == Qt::ControlModifier)
        List3->SelectAll();
}

void TDLForm::List3MouseMove(const QPoint &viewportPos)
{
    const qsizetype k = List3->ItemAtPos(viewportPos);
    List3->setToolTip(k < 0 ? QString()
                            : QString::number(k) + QStringLiteral(": ") + QString::fromUtf8(List3->Item(k)));
}
