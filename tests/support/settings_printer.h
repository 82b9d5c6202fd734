// The settings in force as GoogleTest prints them in a failure.
#pragma once

#include "core/settings/settings.h"

#include <ostream>

inline void PrintTo(const TSettingsValues &v, std::ostream *out)
{
    *out << "{startDir " << v.startDir.toStdString() << ", timeOut " << v.timeOut << ", delay " << v.delay
         << ", proxy " << v.proxy << ' ' << v.proxyHost.toStdString() << ':' << v.proxyPort.toStdString()
         << ", keepAlive " << v.keepAlive << ", parallel " << v.parallel << ", lowSpeed " << v.lowSpeed
         << ", modernPages " << v.modernPages << ", find " << v.find << ", skipSaved " << v.skipSaved
         << ", minSize " << v.minWidth << 'x' << v.minHeight << ", sizeFilter "
         << v.sizeFilter << ' ' << v.sizeLimit << ", cookies " << v.cookies.toStdString() << ", wait " << v.wait
         << ", pages " << v.pages << ", rateLimit " << v.rateLimit << '}';
}
