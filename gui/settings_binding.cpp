#include "gui/settings_binding.h"

#include "gui/dlform.h"
#include "gui/handler_guard.h"

#include <QCheckBox>
#include <QSpinBox>

namespace {
template <typename T>
void WriteField(TSettings &settings, T TSettingsValues::*field, T value)
{
    TSettingsValues values = settings.Values();
    values.*field = value;
    settings.Set(values);
}
}  // namespace

void BindSetting(TDLForm &form, QCheckBox *box, bool TSettingsValues::*flag, const char *slovene,
                 const char *english)
{
    if (slovene && english)
        Word(form, box, slovene, english);
    TSettings *settings = form.Settings;
    QObject::connect(box, &QCheckBox::toggled, settings, Guard([settings, box, flag] {
                         WriteField(*settings, flag, box->isChecked());
                     }));
    form.SettingsViews.append([settings, box, flag] { box->setChecked(settings->Values().*flag); });
}

void BindSetting(TDLForm &form, QSpinBox *box, qint32 TSettingsValues::*number)
{
    TSettings *settings = form.Settings;
    QObject::connect(box, &QSpinBox::valueChanged, settings, Guard([settings, box, number] {
                         WriteField(*settings, number, qint32(box->value()));
                     }));
    form.SettingsViews.append([settings, box, number] { box->setValue(settings->Values().*number); });
}

void Word(TDLForm &form, QObject *control, const char *slovene, const char *english, bool hint)
{
    form.BoundWording.append({control, hint, slovene, english});
}
