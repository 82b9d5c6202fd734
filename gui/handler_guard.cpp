#include "gui/handler_guard.h"

#include "gui/dialogs.h"
#include "base/errors.h"

#include <exception>

void ShowHandlerException() noexcept
{
    QString text;
    try {
        throw;
    } catch (const Exception &e) {
        text = e.Message();
    } catch (const std::exception &e) {
        text = QString::fromUtf8(e.what());
    } catch (...) {
        text = QStringLiteral("Unknown error");
    }
    try {
        Dialogs().Error(text);
    } catch (...) {
        // The error box itself failed: nothing more can be shown.
    }
}
