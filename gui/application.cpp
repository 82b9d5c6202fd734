#include "gui/application.h"
#include "core/program_folder.h"

#include "gui/dialogs.h"
#include "gui/platform.h"
#include "gui/step_pictures.h"

#include <QApplication>
#include <QFont>
#include <QIcon>

namespace {
QString g_title;
}

void InitApplication(const QString &title)
{
    NameTheApplication();
    QApplication::setWindowIcon(QIcon(AssetPicture("product_icon.png")));
    // The window's controls have fixed bounds drawn for a compact font.
    QFont font = QApplication::font();
    font.setPixelSize(12);
    QApplication::setFont(font);
    SetDialogs(IsUnattended() ? MakeUnattendedDialogs() : MakeQtDialogs());
    SetApplicationTitle(title);
}

QString ApplicationTitle() { return g_title; }

void SetApplicationTitle(const QString &title)
{
    g_title = title;
    // The desktop shows the application title after each window's own
    // title, as the taskbar would. "Grabulo" is the application's own name:
    // setting it back makes the display name that name again, as at start.
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        QGuiApplication::setApplicationDisplayName(
            title == QLatin1String("Grabulo") ? QCoreApplication::applicationName() : title);
}
