#include "formdefine/gridclipboard.h"

#include "core/textcodec.h"

#include <QStringDecoder>

#include <optional>

namespace {

// The fields of a record: split at ";" where ";;" stands for a semicolon in a field.
QStringList sylkFields(const QString& record)
{
    QStringList fields;
    QString field;
    for (qsizetype i = 0; i < record.size(); ++i) {
        const QChar c = record.at(i);
        if (c == QLatin1Char(';')) {
            if (i + 1 < record.size() && record.at(i + 1) == QLatin1Char(';')) {
                field += c;
                ++i;
                continue;
            }
            fields << field;
            field.clear();
            continue;
        }
        field += c;
    }
    fields << field;
    return fields;
}

std::optional<int> numberField(const QStringList& fields, QChar letter)
{
    for (qsizetype i = 1; i < fields.size(); ++i) {
        if (fields[i].startsWith(letter)) {
            bool ok = false;
            const int value = fields[i].mid(1).toInt(&ok);
            if (ok)
                return value;
        }
    }
    return std::nullopt;
}

std::optional<QString> valueField(const QStringList& fields)
{
    for (qsizetype i = 1; i < fields.size(); ++i) {
        if (!fields[i].startsWith(QLatin1Char('K')))
            continue;
        QString value = fields[i].mid(1);
        if (value.startsWith(QLatin1Char('"'))) {
            value = value.mid(1);
            if (value.endsWith(QLatin1Char('"')))
                value.chop(1);
            value.replace(QStringLiteral("\"\""), QStringLiteral("\""));
        }
        return value;
    }
    return std::nullopt;
}

QStringList lines(const QString& text)
{
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return normal.split(QLatin1Char('\n'));
}

bool isCellRecord(const QStringList& fields)
{
    return fields.first() == QLatin1String("C");
}

bool isFormatRecord(const QStringList& fields)
{
    return fields.first() == QLatin1String("F");
}

}

bool IsSylkFormat(const QString& format)
{
    const QString type = format.section(QLatin1Char(';'), 0, 0).trimmed();
    return type.compare(QLatin1String(kSylkMimeType), Qt::CaseInsensitive) == 0
        || type.compare(QLatin1String(kSylkBigCapsMimeType), Qt::CaseInsensitive) == 0;
}

QString DecodeSylk(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return textcodec::fromCp932(bytes);
}

QList<TPastedCell> PlaceSylk(const QString& sylk, int left, int top)
{
    QList<QStringList> records;
    for (const QString& line : lines(sylk)) {
        if (!line.isEmpty())
            records << sylkFields(line);
    }
    qsizetype first = -1;
    int x0 = 0;
    int y0 = 0;
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (!isCellRecord(records[i]) && !isFormatRecord(records[i]))
            continue;
        const auto x = numberField(records[i], QLatin1Char('X'));
        const auto y = numberField(records[i], QLatin1Char('Y'));
        if (x && y) {
            first = i;
            x0 = *x;
            y0 = *y;
            break;
        }
    }
    QList<TPastedCell> cells;
    if (first < 0)
        return cells;
    int column = left;
    int row = top;
    for (qsizetype i = first; i < records.size(); ++i) {
        const QStringList& fields = records[i];
        const auto x = numberField(fields, QLatin1Char('X'));
        const auto y = numberField(fields, QLatin1Char('Y'));
        if (!isCellRecord(fields) && !(isFormatRecord(fields) && (x || y)))
            continue;
        if (x)
            column = *x + (left - x0);
        if (y)
            row = *y + (top - y0);
        if (!isCellRecord(fields))
            continue;
        if (const auto value = valueField(fields))
            cells << TPastedCell { column, row, *value };
    }
    return cells;
}

QList<TPastedCell> PlaceTabText(const QString& text, int left, int top)
{
    QStringList rows = lines(text);
    if (!rows.isEmpty() && rows.last().isEmpty())
        rows.removeLast();
    QList<TPastedCell> cells;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QStringList values = rows[r].split(QLatin1Char('\t'));
        for (qsizetype c = 0; c < values.size(); ++c)
            cells << TPastedCell { left + int(c), top + int(r), values[c] };
    }
    return cells;
}

QString CopyText(const QList<QStringList>& rows)
{
    QStringList lines;
    for (const QStringList& row : rows)
        lines << row.join(QLatin1Char('\t'));
    return lines.join(QStringLiteral("\r\n"));
}
