#include "crypto/passwordcrypt.h"

#include "core/appcontext.h"
#include "core/error.h"
#include "core/textcodec.h"
#include "core/tickcount.h"
#include "crypto/blowfish.h"
#include "crypto/crypt.h"
#include "crypto/masterpassword.h"

#include <QCryptographicHash>

namespace {

constexpr int kDigestLength = 32;
const char kIv[8] = { char(0x3C), char(0x91), char(0xE6), char(0xA0), char(0x7B), char(0x24), char(0x5D), char(0x18) };

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

QByteArray fromHexPairs(const QString& hex)
{
    QByteArray bytes;
    bytes.reserve(hex.size() / 2);
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2) {
        const int high = hexDigit(hex[i]);
        const int low = hexDigit(hex[i + 1]);
        if (high < 0 || low < 0)
            throw TError(QStringLiteral("'%1' is not a valid hexadecimal text").arg(hex.mid(i, 2)));
        bytes.append(char(high * 16 + low));
    }
    return bytes;
}

// Clear values are stored in the system code page; a value it cannot hold goes as UTF-8
// behind a byte order mark, which the code page reader recognises.
QByteArray valueBytes(const QString& text)
{
    const QByteArray cp932 = textcodec::toCp932(text);
    if (textcodec::fromCp932(cp932) == text)
        return cp932;
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

QByteArray passwordKey(const QString& masterPassword, const QString& saltDigest)
{
    return textcodec::toCp932(masterPassword + KeyScramble(saltDigest));
}

QByteArray decryptBytes(const QByteArray& key, const QByteArray& cipherText)
{
    TCryptCBC crypt(key, true, TCrypt::PaddingPkcs5, QByteArray(kIv, sizeof kIv), new TBlowFish);
    return crypt.decrypt(cipherText);
}

}

QString Md5Hex(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(textcodec::toCp932(text), QCryptographicHash::Md5).toHex());
}

QString KeyScramble(const QString& text)
{
    const qsizetype n = text.size();
    QString result;
    if (n == 0)
        return result;
    qsizetype pos = 0;
    auto advance = [&](qsizetype steps) { pos = (pos + steps) % n; };
    for (int k = 1; k <= 16; ++k) {
        QChar c = text[pos];
        const int skip = c.isDigit() && c.unicode() < 128 ? c.unicode() - '0' : int(c.unicode()) - 'a';
        if (skip > 0)
            advance(skip);
        advance(k);
        c = text[pos];
        if (c.unicode() >= '0' && c.unicode() <= '9') {
            int d = c.unicode() - '0' + k;
            while (d > 9)
                d -= 10;
            result.append(QChar(char16_t('0' + d)));
        } else {
            int v = c.unicode() + k;
            if (v > 'z')
                v -= 26;
            result.append(QChar(char16_t(v)));
        }
        advance(1);
    }
    return result;
}

QString EncryptHex(const QByteArray& key, const QByteArray& plain)
{
    TCryptCBC crypt(key, true, TCrypt::PaddingPkcs5, QByteArray(kIv, sizeof kIv), new TBlowFish);
    return QString::fromLatin1(crypt.encrypt(plain).toHex());
}

QByteArray DecryptHex(const QByteArray& key, const QString& hex)
{
    return decryptBytes(key, fromHexPairs(hex));
}

QString PasswordEncryptValue(const QString& plain, const QString& masterPassword, quint32 tick)
{
    const QString salt = QString::number(tick);
    const QString digest = Md5Hex(salt);
    return EncryptHex(passwordKey(masterPassword, digest), valueBytes(plain + QLatin1Char('-') + salt)) + digest;
}

std::optional<QString> PasswordDecryptValue(const QString& stored, const QString& masterPassword)
{
    QString digest = QStringLiteral("TEXT");
    QString hex;
    if (stored.size() > kDigestLength) {
        digest = stored.right(kDigestLength);
        hex = stored.left(stored.size() - kDigestLength);
    }
    const QByteArray cipherText = fromHexPairs(hex);
    QByteArray plain;
    try {
        plain = decryptBytes(passwordKey(masterPassword, digest), cipherText);
    } catch (const TError&) {
        return std::nullopt; // a wrong master password: nothing decrypted
    }
    if (plain.isEmpty())
        return std::nullopt;
    const QString text = textcodec::fromCp932(plain);
    const qsizetype dash = text.lastIndexOf(QLatin1Char('-'));
    if (dash < 0)
        return text;
    // The salt after the last "-" must be the one whose digest the stored text carries;
    // anything else is what a wrong key turns the bytes into.
    if (Md5Hex(text.mid(dash + 1)).compare(digest, Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return text.left(dash);
}

QString PasswordEncryptValue(const QString& plain)
{
    const QString master = App().service<TMasterPassword>().password();
    return PasswordEncryptValue(plain, master, TickCount());
}

std::optional<QString> PasswordDecryptValue(const QString& stored)
{
    // Not hexadecimal: the failure goes to the caller before anybody is asked.
    if (stored.size() > kDigestLength)
        fromHexPairs(stored.left(stored.size() - kDigestLength));
    else
        return std::nullopt;
    const QString master = App().service<TMasterPassword>().password();
    return PasswordDecryptValue(stored, master);
}
