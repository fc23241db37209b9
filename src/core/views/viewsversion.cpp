#include <QtWidgets/qtwidgetsversion.h>

const char* CalverdineWidgetsVersion()
{
    return QTWIDGETS_VERSION_STR;
}
