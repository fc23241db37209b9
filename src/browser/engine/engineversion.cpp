#include <QtWebEngineCore/qtwebenginecoreversion.h>

// The engine version the adapter was built against (shown in the version dialog).
const char* CalverdineEngineVersion()
{
    return QTWEBENGINECORE_VERSION_STR;
}
