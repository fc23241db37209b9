#include "document/commalist.h"

namespace Internal {

namespace {
bool isBlank(QChar c)
{
    return c.unicode() <= 0x20;
}
}

QStringList SplitCommaList(const QString& text)
{
    QStringList result;
    const qsizetype n = text.size();
    qsizetype p = 0;
    while (p < n && isBlank(text[p]))
        ++p;
    while (p < n) {
        QString entry;
        if (text[p] == QLatin1Char('"')) {
            ++p;
            while (p < n) {
                if (text[p] == QLatin1Char('"')) {
                    if (p + 1 < n && text[p + 1] == QLatin1Char('"')) {
                        entry += QLatin1Char('"');
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                entry += text[p++];
            }
        } else {
            const qsizetype start = p;
            while (p < n && !isBlank(text[p]) && text[p] != QLatin1Char(','))
                ++p;
            entry = text.mid(start, p - start);
        }
        result.append(entry);
        while (p < n && isBlank(text[p]))
            ++p;
        if (p < n && text[p] == QLatin1Char(',')) {
            if (p + 1 == n)
                result.append(QString());
            do
                ++p;
            while (p < n && isBlank(text[p]));
        }
    }
    return result;
}

}
