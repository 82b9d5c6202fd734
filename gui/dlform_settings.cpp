// The Settings tab: proxy, persistent connections, page credentials, target
// folder, time-out, start delay, size filter, referer; saving them for the
// next start and starting another copy of the program.
#include "base/convert.h"
#include "gui/dialogs.h"
#include "gui/dlform.h"
#include "gui/message_log.h"
#include "core/settings/settings_values.h"
#include "core/shared_state.h"
#include "net/http_client.h"
#include "core/scan/address_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QSpinBox>


namespace {
void AskForANumber()
{
    Dialogs().Message(Wording("Vnesi številko!", "Enter a number!"));
}
}  // namespace

void TDLForm::CheckBox1Click()
{
    if (!CheckBox1->isChecked()) {
        HTTP1->Proxy.clear();
        HTTP2->Proxy.clear();
        return;
    }
    HTTP1->Proxy = Edit1->text().toUtf8();
    HTTP2->Proxy = HTTP1->Proxy;
    HTTP1->ProxyPort = StrToInt(Edit5->text());
    HTTP2->ProxyPort = HTTP1->ProxyPort;
}

// The proxy fields take effect only while "Use proxy" is ticked; ticking
// the box takes them then.
void TDLForm::Edit1Exit()
{
    if (!CheckBox1->isChecked())
        return;
    HTTP1->Proxy = Edit1->text().toUtf8();
    HTTP2->Proxy = HTTP1->Proxy;
}

void TDLForm::Edit5Exit()
{
    if (!CheckBox1->isChecked())
        return;
    HTTP1->ProxyPort = StrToInt(Edit5->text());
    HTTP2->ProxyPort = HTTP1->ProxyPort;
}

// Both clients at once: pages and files reuse their connections alike.
void TDLForm::CheckBox6Click()
{
    HTTP1->KeepAlive = CheckBox6->isChecked();
    HTTP2->KeepAlive = HTTP1->KeepAlive;
}

void TDLForm::Button8Click()
{
    for (THttpClient *http : {HTTP1, HTTP2}) {
        http->HeaderInfo.UserId = Edit2->text().toUtf8();
        http->HeaderInfo.Password = Edit3->text().toUtf8();
    }
}

void TDLForm::Button10Click()
{
    QString folder = Edit6->text();
    if (!BrowseForFolder(QStringLiteral("Please select the folder in which you want the images be saved to!"),
                         folder))
        return;
    Edit6->setText(folder);
    QDir::setCurrent(folder);
    ShowCurrentFolderInCaption();
}

bool TDLForm::BrowseForFolder(const QString &prompt, QString &folder)
{
    if (!QFileInfo(folder).isDir())
        folder.clear();
    const QString picked = Dialogs().PickFolder(prompt, folder);
    if (picked.isEmpty())
        return false;
    folder = picked;
    return true;
}

void TDLForm::Edit6KeyUp(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        Button10Click();
}

void TDLForm::Edit10Change()
{
    if (Edit10->text().isEmpty())
        return;
    const std::optional<qint32> seconds = TryStrToInt(Edit10->text());
    if (!seconds || *seconds <= 0) {  // no time at all would fail every transfer
        AskForANumber();
        return;
    }
    // Milliseconds in 32 bits: a time-out beyond about 24 days is that long.
    HTTP2->TimeOut = ClampToInt32(qint64(*seconds) * 1000);
    HTTP1->TimeOut = HTTP2->TimeOut;
}

void TDLForm::SpinEdit2Change()
{
    HTTP1->LowSpeedTime = SpinEdit2->value();
    HTTP2->LowSpeedTime = HTTP1->LowSpeedTime;
}

void TDLForm::Edit13Change()
{
    if (!Edit13->text().isEmpty() && !TryStrToInt(Edit13->text()))
        AskForANumber();
}

void TDLForm::Edit12Change()
{
    if (TryStrToInt(Edit12->text()))
        SizeLimitText = Edit12->text();
    else
        AskForANumber();
}

void TDLForm::Edit12Exit()
{
    // A limit that is not a number is refused: the field gets back the
    // last one that was, so the size filter never reads anything else.
    if (!TryStrToInt(Edit12->text()))
        Edit12->setText(SizeLimitText);
}

void TDLForm::CheckBox3Click()
{
    const QByteArray referer = CheckBox3->isChecked() ? Edit11->text().toUtf8() : QByteArray();
    HTTP1->HeaderInfo.Referer = referer;
    HTTP2->HeaderInfo.Referer = referer;
}

void TDLForm::Button12Click()
{
    RegWriteString(RegistryKey, QString::fromLatin1(Settings::StartDir), Edit6->text());
    WriteSetting(Settings::TimeOut, StrToInt(Edit10->text()));
    WriteSetting(Settings::Delay, StrToInt(Edit13->text()));
    if (CheckBox1->isChecked()) {
        WriteSetting(Settings::Proxy, 1);
        WriteSetting(Settings::ProxyIP, Edit1->text());
        WriteSetting(Settings::ProxyPort, Edit5->text());
    } else {
        WriteSetting(Settings::Proxy, 0);
    }
    WriteSetting(Settings::KeepAlive, CheckBox6->isChecked() ? 1 : 0);
    WriteSetting(Settings::Parallel, SpinEdit1->value());
    WriteSetting(Settings::LowSpeed, SpinEdit2->value());
    WriteSetting(Settings::SkipSaved, CheckBox8->isChecked() ? 1 : 0);
    if (CheckBox4->isChecked()) {
        WriteSetting(Settings::Filter, 1);
        RegWriteInteger(RegistryKey, QString::fromLatin1(Settings::Velikost.name), StrToInt(Edit12->text()));
    } else {
        WriteSetting(Settings::Filter, 0);
    }
}

void TDLForm::Button11Click()
{
    // The arguments go as a list, never through a shell. The address keeps
    // the scheme of the box: the other copy takes a bare address as http.
    const QString text = Combo1->currentText();
    const QString address = SchemePrefixOf(text.toUtf8()).isEmpty() ? HistoryEntry(AddressPrefix(), text) : text;
    QProcess::startDetached(QCoreApplication::applicationFilePath(),
                            {address, Edit6->text(), Edit2->text(), Edit3->text()});
}

void TDLForm::Memo3DblClick()
{
    Memo3->Clear();
}

void TDLForm::ShowCurrentFolderInCaption()
{
    setWindowTitle(QStringLiteral("Grabulo - ") + QDir::toNativeSeparators(QDir::currentPath()));
}
