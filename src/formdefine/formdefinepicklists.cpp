#include "formdefine/formdefinepicklists.h"

#include "core/safefile.h"
#include "core/textcodec.h"
#include "formdata/formdatapaths.h"
#include "formdefine/commatext.h"

#include <QFileInfo>

namespace {

QString readText(const QString& path)
{
    QByteArray bytes;
    if (!QFileInfo::exists(path) || !safefile::read(path, &bytes))
        return QString();
    return textcodec::fromCp932(bytes);
}

QStringList textLines(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

}

void TFormDefinePickLists::load(const QString& folder)
{
    const QString dir = folder.isEmpty() ? FormDefineFolder() : folder;
    parseItems(readText(dir + QStringLiteral("/_ItemsPickList.ini")));
    parseReferences(readText(dir + QStringLiteral("/_ReferencePickList.ini")));
}

void TFormDefinePickLists::parseItems(const QString& text)
{
    m_columns.clear();
    const QLatin1String prefix("COL_");
    for (const QString& line : textLines(text)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || !line.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const int column = line.mid(prefix.size(), eq - prefix.size()).toInt(&ok);
        if (!ok || column < 0 || m_columns.contains(column))
            continue;
        m_columns.insert(column, SplitCommaText(line.mid(eq + 1)));
    }
}

void TFormDefinePickLists::parseReferences(const QString& text)
{
    m_references.clear();
    for (const QString& line : textLines(text)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        TReferenceDefinition reference { line.left(eq), SplitCommaText(line.mid(eq + 1)) };
        while (reference.values.size() < kReferenceValueCount)
            reference.values << QString();
        reference.values = reference.values.mid(0, kReferenceValueCount);
        m_references << reference;
    }
}

QStringList TFormDefinePickLists::referenceNames() const
{
    QStringList names;
    for (const TReferenceDefinition& reference : m_references)
        names << reference.name;
    return names;
}

const TReferenceDefinition* TFormDefinePickLists::findReference(const QString& name) const
{
    for (const TReferenceDefinition& reference : m_references) {
        if (reference.name.compare(name, Qt::CaseInsensitive) == 0)
            return &reference;
    }
    return nullptr;
}
