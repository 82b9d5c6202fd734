#include "scan/type_filter.h"

QStringList FileTypeFilterCaptions()
{
    return {
        QStringLiteral("*.gif, *.jpg, *.png"),
        QStringLiteral("*.jpg"),
        QStringLiteral("*.gif"),
        QStringLiteral("*.png"),
        QStringLiteral("*.htm, *.html"),
        QStringLiteral("*.mp3, *.ogg"),
        QStringLiteral("*.mp3"),
        QStringLiteral("*.ogg"),
        QStringLiteral("*.avi"),
        QStringLiteral("*.mpg, *.mpeg"),
        QStringLiteral("*.rm, *.ram"),
        QStringLiteral("*.swf"),
        QStringLiteral("*.wmv"),
        QStringLiteral("*.asf"),
        QStringLiteral("*.mp4"),
        QStringLiteral("*.avi, *.mpg, *.mpeg, *.rm, *.ram, *.swf, *.wmv, *.asf, *.mp4"),
        QStringLiteral("*.*"),
    };
}
