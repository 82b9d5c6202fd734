// The Create List window: numbered file addresses from a base address, a
// start text, a number range with zero padding and an end text.
#pragma once

#include <QDialog>
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
};
