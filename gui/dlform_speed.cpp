// The Settings tab's "Speed": the speed cap of all the downloads at once,
// in KiB/s ("ratelimit"; 0: none), under the cookies group.
#include "gui/control_factory.h"
#include "gui/dlform.h"
#include "gui/settings_binding.h"
#include "core/settings/settings_values.h"

#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>

void TDLForm::BuildSpeedGroup()
{
    GroupBoxSpeed = new QGroupBox(QStringLiteral("Hitrost"), SettingsContents);
    GroupBoxSpeed->setGeometry({336, 574, 281, 57});
    LabelRateLimit = At(new QLabel(QStringLiteral("Omeji na KiB/s (0 = brez)"), GroupBoxSpeed), {24, 24, 149, 24});
    LabelRateLimit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SpinRateLimit = At(new QSpinBox(GroupBoxSpeed), {176, 24, 81, 24});
    SpinRateLimit->setRange(0, Settings::RateLimitMost);
    SpinRateLimit->setValue(Settings::RateLimit.defaultValue);
    LabelRateLimit->setBuddy(SpinRateLimit);
    BindSetting(*this, SpinRateLimit, &TSettingsValues::rateLimit);
}
