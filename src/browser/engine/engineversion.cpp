#include "browser/engine/engineversion.h"

#include <QtWebEngineCore/qtwebenginecoreglobal.h>
#include <QtWebEngineCore/qtwebenginecoreversion.h>

const char* CalverdineEngineVersion()
{
    return QTWEBENGINECORE_VERSION_STR;
}

QString EngineVersionText()
{
    return QStringLiteral("Qt WebEngine %1 (Chromium %2)")
        .arg(QLatin1String(CalverdineEngineVersion()), QLatin1String(qWebEngineChromiumVersion()));
}
