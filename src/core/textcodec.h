#pragma once

#include <QByteArray>
#include <QString>

// The system code page of the stored INI files: Shift-JIS as Windows extends it (CP932).
namespace textcodec {

// Bytes that are not valid CP932 become U+FFFD; a UTF-8 byte order mark selects UTF-8.
QString fromCp932(const QByteArray& bytes);

// Characters CP932 cannot hold are written as "?".
QByteArray toCp932(const QString& text);

// The CP932 bytes of the text when every character survives the round trip; false when
// some character cannot be written in CP932 (nothing is ever replaced by "?").
bool toCp932Exact(const QString& text, QByteArray* bytes);

// How stored text files are written: CP932 whenever the text can be, otherwise UTF-8 with
// a byte order mark (which fromCp932 reads back).
enum class Encoding { Cp932, Utf8Bom };
Encoding storedEncoding(const QByteArray& bytes);
QByteArray encode(const QString& text, Encoding encoding);
QString decode(const QByteArray& bytes, Encoding encoding);
QByteArray toStored(const QString& text);

}
