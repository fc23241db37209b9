#include "formdata/passwordcrypt.h"

#include "core/textcodec.h"

#include <QCryptographicHash>

QString Md5Hex(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(textcodec::toCp932(text), QCryptographicHash::Md5).toHex());
}
