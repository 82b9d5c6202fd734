// What a Save pictures asks the engine for: the settings as the controls
// show them, and the request built from them, List2's picked lines, the
// folder prefix in Edit4 and the file client's request settings.
#include "gui/dlform.h"
#include "base/convert.h"
#include "core/shared_state.h"
#include "gui/list_box.h"
#include "net/http_client.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>

TSettingsValues TDLForm::SettingsSnapshot() const
{
    TSettingsValues values;
    values.startDir = Edit6->text();
    values.timeOut = TryStrToInt(Edit10->text()).value_or(values.timeOut);
    values.delay = TryStrToInt(Edit13->text()).value_or(values.delay);
    values.proxy = CheckBox1->isChecked();
    values.proxyHost = Edit1->text();
    values.proxyPort = Edit5->text();
    values.keepAlive = CheckBox6->isChecked();
    values.parallel = ParallelSlots();
    values.lowSpeed = SpinEdit2->value();
    values.modernPages = CheckBox7->isChecked();
    values.skipSaved = CheckBox8->isChecked();
    values.sizeFilter = CheckBox4->isChecked();
    values.sizeLimit = TryStrToInt(Edit12->text()).value_or(0);
    return values;
}

// The picked lines of List2 in list order; the file client's settings as
// they stand (its referer and credentials' origin set for this batch).
TBatchRequest TDLForm::BatchRequest() const
{
    TBatchRequest request;
    for (qsizetype i = 0; i < List2->Count(); ++i) {
        if (List2->Selected(i))
            request.addresses.append(List2->Item(i));
    }
    request.folderPrefix = Edit4->text().toUtf8();
    request.settings = SettingsSnapshot();
    request.sizeLimitText = Edit12->text();
    request.http = THttpRequestSettings::Of(*HTTP2);
    request.english = EnglishUI == 1;
    return request;
}
