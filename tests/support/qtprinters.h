#pragma once

// Included into every test source by the build, so failure messages show Qt texts as text
// (lists of them too) instead of bytes.
#include <QString>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
