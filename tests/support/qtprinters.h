#pragma once

// Included into every test source by the build, so failure messages show Qt texts as text
// (lists of them too) and JSON values as compact JSON instead of bytes.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QJsonObject& object, std::ostream* os)
{
    *os << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

inline void PrintTo(const QJsonArray& array, std::ostream* os)
{
    *os << QJsonDocument(array).toJson(QJsonDocument::Compact).toStdString();
}

inline void PrintTo(const QJsonValue& value, std::ostream* os)
{
    if (value.isObject()) {
        PrintTo(value.toObject(), os);
    } else if (value.isArray()) {
        PrintTo(value.toArray(), os);
    } else if (value.isUndefined()) {
        *os << "undefined";
    } else {
        // A scalar is written as the only element of an array, without the brackets.
        const QByteArray text = QJsonDocument(QJsonArray { value }).toJson(QJsonDocument::Compact);
        *os << text.mid(1, text.size() - 2).toStdString();
    }
}

// Elements of arrays and members of objects, as indexing a container gives them (each type
// needs its own overload: the printer's catch-all template matches them exactly).
inline void PrintTo(const QJsonValueConstRef& value, std::ostream* os)
{
    PrintTo(QJsonValue(value), os);
}

inline void PrintTo(const QJsonValueRef& value, std::ostream* os)
{
    PrintTo(QJsonValue(value), os);
}
