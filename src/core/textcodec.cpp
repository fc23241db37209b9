#include "core/textcodec.h"

#include <iconv.h>

#include <cerrno>

namespace textcodec {
namespace {

class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t handle() const { return m_cd; }

private:
    iconv_t m_cd;
};

} // namespace

QString fromCp932(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    Iconv cd("UTF-16LE", "CP932");
    if (!cd.valid())
        return QString::fromLatin1(bytes);

    QString result;
    result.reserve(bytes.size());
    QByteArray out(4096, Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char* outPtr = out.data();
        size_t outLeft = size_t(out.size());
        const size_t rc = iconv(cd.handle(), &in, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        result.append(QString::fromUtf16(reinterpret_cast<const char16_t*>(out.constData()),
                                         (out.size() - qsizetype(outLeft)) / 2));
        if (rc == size_t(-1) && err != E2BIG) {
            // Invalid or truncated sequence: replace one byte and go on.
            result.append(QChar(QChar::ReplacementCharacter));
            ++in;
            --inLeft;
            iconv(cd.handle(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return result;
}

QByteArray toCp932(const QString& text)
{
    Iconv cd("CP932", "UTF-16LE");
    if (!cd.valid())
        return text.toLatin1();

    QByteArray result;
    result.reserve(text.size() * 2);
    QByteArray out(4096, Qt::Uninitialized);
    char* in = reinterpret_cast<char*>(const_cast<QChar*>(text.constData()));
    size_t inLeft = size_t(text.size()) * 2;
    while (inLeft > 0) {
        char* outPtr = out.data();
        size_t outLeft = size_t(out.size());
        const size_t rc = iconv(cd.handle(), &in, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        result.append(out.constData(), out.size() - qsizetype(outLeft));
        if (rc == size_t(-1) && err != E2BIG) {
            // A character CP932 cannot represent: one "?" for it (a surrogate pair counts once).
            result.append('?');
            const char16_t unit = *reinterpret_cast<const char16_t*>(in);
            const size_t skip = (QChar::isHighSurrogate(unit) && inLeft >= 4) ? 4 : 2;
            in += skip;
            inLeft -= skip;
            iconv(cd.handle(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return result;
}

bool toCp932Exact(const QString& text, QByteArray* bytes)
{
    QByteArray out = toCp932(text);
    if (fromCp932(out) != text)
        return false;
    if (out.startsWith("\xEF\xBB\xBF"))
        return false; // would read back as UTF-8
    *bytes = std::move(out);
    return true;
}

Encoding storedEncoding(const QByteArray& bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? Encoding::Utf8Bom : Encoding::Cp932;
}

QByteArray encode(const QString& text, Encoding encoding)
{
    return encoding == Encoding::Utf8Bom ? text.toUtf8() : toCp932(text);
}

QString decode(const QByteArray& bytes, Encoding encoding)
{
    if (encoding == Encoding::Utf8Bom)
        return QString::fromUtf8(bytes);
    return fromCp932(bytes);
}

QByteArray toStored(const QString& text)
{
    QByteArray bytes;
    if (toCp932Exact(text, &bytes))
        return bytes;
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

}
