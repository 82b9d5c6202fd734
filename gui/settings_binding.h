// A control of the Settings tab bound to one field of the settings in force:
// it shows the field whenever the window shows the settings, and writes it
// back as it changes, whoever changes it. A new setting of the tab needs
// its control, one BindSetting and its field; nothing else in the window.
#pragma once

#include "core/settings/settings.h"

class QCheckBox;
class QSpinBox;
class TDLForm;

// With a caption in both languages, the control joins the worded controls
// of the language table.
void BindSetting(TDLForm &form, QCheckBox *box, bool TSettingsValues::*flag, const char *slovene = nullptr,
                 const char *english = nullptr);
void BindSetting(TDLForm &form, QSpinBox *box, qint32 TSettingsValues::*number);
// Any other control of the tab (a caption, a hint) worded in both languages.
void Word(TDLForm &form, QObject *control, const char *slovene, const char *english, bool hint = false);
