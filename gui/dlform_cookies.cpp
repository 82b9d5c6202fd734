// The Settings tab's "Cookies and waiting": a browser's cookies.txt for the
// requests of the run, and the least time between two requests to one
// host.
#include "gui/control_factory.h"
#include "gui/dialogs.h"
#include "gui/dlform.h"
#include "gui/handler_guard.h"
#include "gui/panel_status_bar.h"
#include "gui/path_field.h"
#include "gui/settings_binding.h"
#include "core/settings/client_settings.h"
#include "core/settings/settings_values.h"
#include "core/shared_state.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

void TDLForm::BuildCookiesGroup()
{
    GroupBoxCookies = new QGroupBox(QString::fromUtf8("Piškotki in čakanje"), SettingsContents);
    GroupBoxCookies->setGeometry({336, 436, 281, 130});
    LabelCookies = MakeLabel(GroupBoxCookies, QString::fromUtf8("Datoteka piškotkov"), {24, 22});
    EditCookies = At(new PathField(GroupBoxCookies), {24, 40, 233, 24});
    EditCookies->setReadOnly(true);
    ButtonCookies = MakeButton(GroupBoxCookies, QString::fromUtf8("Izberi..."), {24, 68, 113, 25});
    ButtonCookiesClear = MakeButton(GroupBoxCookies, QString::fromUtf8("Počisti"), {144, 68, 113, 25});
    LabelWait = At(new QLabel(QString::fromUtf8("Čakaj med zahtevami"), GroupBoxCookies), {24, 98, 153, 24});
    LabelWait->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SpinWait = At(new QSpinBox(GroupBoxCookies), {184, 98, 73, 24});
    SpinWait->setRange(0, Settings::WaitMost);
    SpinWait->setSuffix(QStringLiteral(" s"));
    LabelWait->setBuddy(SpinWait);
    BindSetting(*this, SpinWait, &TSettingsValues::wait);

    const auto show = [this] { EditCookies->setText(Settings->Values().cookies); };
    SettingsViews.append(show);
    connect(Settings, &TSettings::Changed, EditCookies, show);
    const auto setFile = [this](const QString &file) {
        ChangeSettings([&](TSettingsValues &v) { v.cookies = file; });
    };
    connect(ButtonCookies, &QPushButton::clicked, this, Guard([setFile] {
                const QString file = Dialogs().OpenFile(QStringLiteral("cookies.txt|*.txt|*|*"));
                if (!file.isEmpty())
                    setFile(file);
            }));
    connect(ButtonCookiesClear, &QPushButton::clicked, this, Guard([setFile] { setFile(QString()); }));
}

bool TDLForm::ReadCookiesForLoad()
{
    const QString file = Settings->Values().cookies;
    if (CookiesRead && *CookiesRead == file)
        return true;
    const TCookiesRead read = ReadCookiesFile(file, *HTTP1, *HTTP2, EnglishUI != 0);
    if (!read.line.isEmpty())
        Log(read.line);
    if (!read.ok) {
        StatusBar1->SetPanelText(2, read.line);
        return false;
    }
    CookiesRead = file;
    return true;
}
