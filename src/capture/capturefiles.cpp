#include "capture/capturefiles.h"

#include <QCryptographicHash>
#include <QDir>

namespace {

constexpr int kMaxNameBytes = 180;

bool NeedsEscape(char32_t c, bool first)
{
    if (c < 0x20 || c == 0x7f)
        return true;
    switch (c) {
    case '/': case '\\': case ':': case '*': case '?': case '"': case '<': case '>': case '|': case '%':
        return true;
    case '.':
        return first;
    default:
        return false;
    }
}

QString Escaped(const QString& character)
{
    QString result;
    for (const char byte : character.toUtf8())
        result += QStringLiteral("%%1").arg(uint(uchar(byte)), 2, 16, QLatin1Char('0')).toUpper();
    return result;
}

} // namespace

QString CaptureNameOfScreen(const QString& screenId)
{
    QString name;
    int bytes = 0;
    bool cut = false;
    const QList<uint> codes = screenId.toUcs4();
    for (int i = 0; i < codes.size(); ++i) {
        const char32_t code = codes[i];
        const QString character = QString::fromUcs4(&code, 1);
        const QString part = NeedsEscape(code, i == 0) ? Escaped(character) : character;
        const int partBytes = int(part.toUtf8().size());
        if (bytes + partBytes > kMaxNameBytes) {
            cut = true;
            break;
        }
        name += part;
        bytes += partBytes;
    }
    if (cut) {
        const QByteArray hash = QCryptographicHash::hash(screenId.toUtf8(), QCryptographicHash::Sha1);
        name += QLatin1Char('~') + QString::fromLatin1(hash.toHex().left(8));
    }
    return name;
}

qint64 CaptureFileNumber(const QString& fileName)
{
    const int underscore = fileName.lastIndexOf(QLatin1Char('_'));
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (underscore < 0 || dot <= underscore)
        return 0;
    const QString digits = fileName.mid(underscore + 1, dot - underscore - 1);
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
    }
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok);
    return ok ? value : 0;
}

QString NextCaptureFileName(const QString& folder, const QString& screenId, const QString& extension)
{
    const QString prefix = CaptureNameOfScreen(screenId) + QLatin1Char('_');
    const QString suffix = QLatin1Char('.') + extension;
    qint64 greatest = 0;
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (name.size() < prefix.size() + suffix.size())
            continue;
        if (!name.startsWith(prefix, Qt::CaseInsensitive) || !name.endsWith(suffix, Qt::CaseInsensitive))
            continue;
        greatest = std::max(greatest, CaptureFileNumber(name));
    }
    const QString number = QStringLiteral("%1").arg(greatest + 1, 3, 10, QLatin1Char('0'));
    return dir.filePath(prefix + number + suffix);
}
