// The Settings tab: proxy, persistent connections, page credentials, target
// folder, time-out, start delay, size filter, referer; saving them for the
// next start and starting another copy of the program.
#include "base/convert.h"
#include "gui/dialogs.h"
#include "gui/dlform.h"
#include "core/settings/client_settings.h"
#include "gui/message_log.h"
#include "gui/panel_status_bar.h"
#include "core/settings/settings.h"
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

TSettingsValues TDLForm::SettingsSnapshot() const
{
    return Settings->Values();
}

void TDLForm::ChangeSettings(const std::function<void(TSettingsValues &)> &edit)
{
    TSettingsValues values = Settings->Values();
    edit(values);
    Settings->Set(values);
}

// Both clients alike: pages and files reuse their connections alike, and a
// page load ends as a file does.
void TDLForm::ApplySettingsToClients()
{
    ::ApplySettingsToClients(Settings->Values(), *HTTP1, *HTTP2);
}

// The proxy's host and port are written as they are typed; they take effect
// only while "Use proxy" is ticked. A port that is not a number is refused
// with EConvertError when the box is ticked or the port field left.
void TDLForm::CheckBox1Click()
{
    const bool on = CheckBox1->isChecked();
    ChangeSettings([&](TSettingsValues &v) {
        v.proxy = on;
        if (on) {
            v.proxyHost = Edit1->text();
            v.proxyPort = Edit5->text();
        }
    });
    if (on)
        StrToInt(Edit5->text());
}

void TDLForm::Edit1Exit()
{
    if (!CheckBox1->isChecked())
        return;
    ChangeSettings([this](TSettingsValues &v) { v.proxyHost = Edit1->text(); });
}

void TDLForm::Edit5Exit()
{
    if (!CheckBox1->isChecked())
        return;
    ChangeSettings([this](TSettingsValues &v) { v.proxyPort = Edit5->text(); });
    StrToInt(Edit5->text());
}

void TDLForm::CheckBox6Click()
{
    ChangeSettings([this](TSettingsValues &v) { v.keepAlive = CheckBox6->isChecked(); });
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
    if (!BrowseForFolder(Wording("Izberite mapo, v katero naj se shranijo slike!",
                                 "Please select the folder in which you want the images to be saved!"),
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
    ChangeSettings([&](TSettingsValues &v) { v.timeOut = *seconds; });
}

void TDLForm::SpinEdit2Change()
{
    ChangeSettings([this](TSettingsValues &v) { v.lowSpeed = SpinEdit2->value(); });
}

// An empty delay is let be; a number is the delay in force.
void TDLForm::Edit13Change()
{
    if (Edit13->text().isEmpty())
        return;
    const std::optional<qint32> minutes = TryStrToInt(Edit13->text());
    if (!minutes) {
        AskForANumber();
        return;
    }
    ChangeSettings([&](TSettingsValues &v) { v.delay = *minutes; });
}

void TDLForm::Edit12Change()
{
    const std::optional<qint32> limit = TryStrToInt(Edit12->text());
    if (!limit) {
        AskForANumber();
        return;
    }
    SizeLimitText = Edit12->text();
    ChangeSettings([&](TSettingsValues &v) { v.sizeLimit = *limit; });
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

// The values in force are saved. A time-out or delay field that holds no
// number stops the save after the folder, naming the field's text.
void TDLForm::Button12Click()
{
    const TSettingsWriteBatch oneRewrite;
    if (!TryStrToInt(Edit10->text()) || !TryStrToInt(Edit13->text())) {
        RegWriteString(RegistryKey, QString::fromLatin1(Settings::StartDir), Settings->Values().startDir);
        StrToInt(Edit10->text());
        StrToInt(Edit13->text());
    }
    Settings->StoreForNextRun();
    StatusBar1->SetPanelText(2, Wording("Nastavitve shranjene.", "Settings saved."));
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
