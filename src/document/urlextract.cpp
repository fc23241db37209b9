#include "document/urlextract.h"

namespace {
// Left part before the first occurrence, right part after it; without one, all is left.
std::pair<QString, QString> splitAt(const QString& text, const QString& separator)
{
    const qsizetype at = text.indexOf(separator);
    if (at < 0)
        return { text, QString() };
    return { text.left(at), text.mid(at + separator.size()) };
}
}

TURLExtract::TURLExtract(const QString& url) : URL(url)
{
    const qsizetype scheme = url.indexOf(QLatin1String("://"));
    if (scheme >= 0) {
        Protocol = url.left(scheme);
        Rest = url.mid(scheme + 3);
    } else {
        Rest = url;
    }

    QString separator = QStringLiteral("/");
    if (Protocol == QLatin1String("file") || url.contains(QLatin1Char('\\'))) {
        separator = QStringLiteral("\\");
        Protocol = QStringLiteral("file");
    }

    const auto [hostAndPort, pathAndQuery] = splitAt(Rest, separator);
    std::tie(Domain, Port) = splitAt(hostAndPort, QStringLiteral(":"));
    if (Domain.size() > 1 && Domain.startsWith(QLatin1Char('/')))
        Domain.remove(0, 1);

    // The last separator is searched in the whole text, query included.
    QString filePart;
    QString query;
    const qsizetype last = pathAndQuery.lastIndexOf(separator);
    QString fileAndQuery = pathAndQuery;
    if (last >= 0) {
        const QString directories = pathAndQuery.left(last);
        fileAndQuery = pathAndQuery.mid(last + 1);
        if (!directories.isEmpty()) {
            Directories = directories.split(separator);
            if (Directories.last().isEmpty())
                Directories.removeLast();
        }
    }
    std::tie(filePart, query) = splitAt(fileAndQuery, QStringLiteral("?"));

    const qsizetype dot = filePart.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) {
        FileName = filePart.left(dot);
        Extension = filePart.mid(dot + 1);
    } else {
        FileName = filePart;
    }

    if (!query.isEmpty()) {
        for (const QString& piece : query.split(QLatin1Char('&'))) {
            const qsizetype equals = piece.indexOf(QLatin1Char('='));
            if (equals >= 0)
                QueryParameters.append({ piece.left(equals), piece.mid(equals + 1) });
        }
    }
}
