#include "formdefine/commatext.h"

namespace {

bool isBlank(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 0x20;
}

bool needsQuotes(const QString& field)
{
    for (const QChar c : field) {
        if (c.unicode() <= 0x20 || c == QLatin1Char(',') || c == QLatin1Char('"'))
            return true;
    }
    return false;
}

}

QString CommaText(const QStringList& fields)
{
    if (fields.size() == 1 && fields.front().isEmpty())
        return QStringLiteral("\"\"");
    QString text;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            text += QLatin1Char(',');
        const QString& field = fields[i];
        if (needsQuotes(field)) {
            QString quoted = field;
            quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            text += QLatin1Char('"') + quoted + QLatin1Char('"');
        } else {
            text += field;
        }
    }
    return text;
}

QStringList SplitCommaText(const QString& text)
{
    QStringList fields;
    const qsizetype n = text.size();
    qsizetype p = 0;
    // A NUL ends the text, as it ends the string it was read from.
    const qsizetype end = [&] {
        const qsizetype nul = text.indexOf(QChar(0));
        return nul < 0 ? n : nul;
    }();
    while (p < end && isBlank(text[p]))
        ++p;
    while (p < end) {
        QString field;
        if (text[p] == QLatin1Char('"')) {
            ++p;
            while (p < end) {
                if (text[p] == QLatin1Char('"')) {
                    if (p + 1 < end && text[p + 1] == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                field += text[p++];
            }
        } else {
            const qsizetype start = p;
            while (p < end && text[p].unicode() > 0x20 && text[p] != QLatin1Char(','))
                ++p;
            field = text.mid(start, p - start);
        }
        fields << field;
        while (p < end && isBlank(text[p]))
            ++p;
        if (p < end && text[p] == QLatin1Char(',')) {
            if (p + 1 >= end)
                fields << QString();
            do {
                ++p;
            } while (p < end && isBlank(text[p]));
        }
    }
    return fields;
}
