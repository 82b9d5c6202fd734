// What a Save pictures asks the engine for: List2's picked lines, the
// folder prefix in Edit4, the settings in force and the file client's
// request settings.
#include "gui/dlform.h"
#include "base/convert.h"
#include "core/shared_state.h"
#include "gui/list_box.h"
#include "net/http_client.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>

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
