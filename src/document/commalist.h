#pragma once

#include <QString>
#include <QStringList>

namespace Internal {

// Splits a comma list: entries end at commas and at blanks (control characters
// and NUL included), double quotes group (a doubled quote inside stands for one), and a comma at
// the very end adds an empty entry. An empty or blank text gives no entries.
QStringList SplitCommaList(const QString& text);

}
