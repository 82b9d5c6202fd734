// The Create List window: numbered file addresses from a base address, a
// start text, a number range with zero padding and an end text.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>

class ListBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TCreateList final : public QDialog {
    Q_OBJECT
public:
    explicit TCreateList(QWidget *parent = nullptr);

    void Button1Click();   // Create list: append a numbered series to List1
    void Button2Click();   // Download: hand List1 to the main window's List2, all selected
    void Button3Click();   // Clear list
    void Button4Click();   // Test the selected address in the browser
    void List1DblClick();  // the selected address to the clipboard
    void List1MouseMove(const QPoint &viewportPos);

    QLabel *Label1;
    QLineEdit *Edit3;
    QGroupBox *GroupBox2;
    QLabel *Label5;
    QLineEdit *Edit1;
    QGroupBox *GroupBox1;
    QLabel *Label2, *Label3, *Label4;
    QLineEdit *Edit5, *Edit6, *Edit7;
    QLabel *Label6;
    QLineEdit *Edit2;
    QPushButton *Button1, *Button3, *Button4, *Button2;
    ListBox *List1;
    QString Edit8;  // clipboard scratch field

private:
    void BuildNameGroup();
    void WireSignals();
    // The row selected in List1, or -1.
    qsizetype SelectedRow() const;
};
