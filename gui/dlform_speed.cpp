// The Settings tab's "Speed": the speed cap of all the downloads at once,
// in KiB/s ("ratelimit"; 0: none), and HTTP/2 where a server offers it
// ("http2"), under the cookies group.
#include "gui/control_factory.h"
#include "gui/dlform.h"
#include "gui/settings_binding.h"
#include "core/settings/settings_values.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>

void TDLForm::BuildSpeedGroup()
{
    GroupBoxSpeed = new QGroupBox(QStringLiteral("Hitrost"), SettingsContents);
    GroupBoxSpeed->setGeometry({336, 574, 281, 81});
    LabelRateLimit = At(new QLabel(QStringLiteral("Omeji na KiB/s (0 = brez)"), GroupBoxSpeed), {24, 24, 149, 24});
    LabelRateLimit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SpinRateLimit = At(new QSpinBox(GroupBoxSpeed), {176, 24, 81, 24});
    SpinRateLimit->setRange(0, Settings::RateLimitMost);
    SpinRateLimit->setValue(Settings::RateLimit.defaultValue);
    LabelRateLimit->setBuddy(SpinRateLimit);
    BindSetting(*this, SpinRateLimit, &TSettingsValues::rateLimit);
    CheckBoxHttp2 = At(new QCheckBox(QStringLiteral("HTTP/2, kjer ga strežnik ponuja"), GroupBoxSpeed), {24, 54, 233, 17});
    BindSetting(*this, CheckBoxHttp2, &TSettingsValues::http2);
}
