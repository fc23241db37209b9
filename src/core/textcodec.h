#pragma once

#include <QByteArray>
#include <QString>

// The system code page of the stored INI files: Shift-JIS as Windows extends it (CP932).
namespace textcodec {

// Bytes that are not valid CP932 become U+FFFD; a UTF-8 byte order mark selects UTF-8.
QString fromCp932(const QByteArray& bytes);

// Characters CP932 cannot hold are written as "?".
QByteArray toCp932(const QString& text);

}
