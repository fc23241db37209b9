#include "core/inifile.h"

#include "core/safefile.h"
#include "core/textcodec.h"

#include <QFileInfo>

namespace {

// Keys and values are one line each in the file; a line break inside them would split it.
QString singleLine(const QString& text)
{
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String(" "));
    result.replace(QLatin1Char('\r'), QLatin1Char(' '));
    result.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return result;
}

} // namespace

namespace {
void indexKey(QHash<QString, int>& index, QHash<QString, int>& looseIndex, const QString& key, int position)
{
    index.insert(key.toLower(), position);
    const QString trimmed = key.trimmed();
    if (trimmed.size() != key.size() && !looseIndex.contains(trimmed.toLower()))
        looseIndex.insert(trimmed.toLower(), position);
}
}

void TIniFile::Section::reindex()
{
    index.clear();
    looseIndex.clear();
    for (int i = 0; i < int(lines.size()); ++i) {
        if (lines[size_t(i)].isPair)
            indexKey(index, looseIndex, lines[size_t(i)].key, i);
    }
}

void TIniFile::Section::addPair(const QString& key, const QString& value)
{
    lines.push_back(Line { key, value, true, {}, false });
    indexKey(index, looseIndex, key, int(lines.size()) - 1);
}

int TIniFile::Section::find(const QString& key) const
{
    const int exact = index.value(key.toLower(), -1);
    if (exact >= 0 || looseIndex.isEmpty())
        return exact;
    return looseIndex.value(key.trimmed().toLower(), -1);
}

bool TIniFile::load(QString* error)
{
    clear();
    if (!QFileInfo::exists(m_fileName))
        return true;
    QByteArray bytes;
    if (!safefile::read(m_fileName, &bytes, error))
        return false;
    parse(bytes);
    return true;
}

bool TIniFile::save(QString* error, bool withBackup) const
{
    return safefile::write(m_fileName, toBytes(), withBackup ? safefile::Backup::Copy : safefile::Backup::None, error);
}

void TIniFile::parse(const QByteArray& bytes)
{
    // Line ends are single bytes in both encodings (no CP932 or UTF-8 sequence holds 0x0A or
    // 0x0D), so the bytes are cut into lines first and each line keeps its own bytes.
    m_encoding = textcodec::storedEncoding(bytes);
    const QByteArray body = m_encoding == textcodec::Encoding::Utf8Bom ? bytes.mid(3) : bytes;
    QStringList texts;
    QList<QByteArray> raws;
    for (QByteArray raw : body.split('\n')) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        texts << textcodec::decode(raw, m_encoding);
        raws << raw;
    }
    parseLines(texts, raws);
}

void TIniFile::parseText(const QString& text)
{
    m_encoding = textcodec::Encoding::Cp932;
    parseLines(text.split(QLatin1Char('\n')), {});
}

void TIniFile::parseLines(const QStringList& lines, const QList<QByteArray>& raws)
{
    clear();
    Section* current = nullptr;
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (i == lines.size() - 1 && line.isEmpty())
            break; // the end of the last line
        const bool hasRaw = i < raws.size();
        const QByteArray raw = hasRaw ? raws.at(i) : QByteArray();
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            const bool known = sectionExists(trimmed.mid(1, trimmed.size() - 2));
            current = &ensureSection(trimmed.mid(1, trimmed.size() - 2));
            if (!known && hasRaw && current->name == trimmed.mid(1, trimmed.size() - 2)
                && line == QLatin1Char('[') + current->name + QLatin1Char(']')) {
                current->rawHead = raw;
                current->headClean = true;
            }
            continue;
        }
        if (!current) {
            if (trimmed.isEmpty())
                continue;
            current = &ensureSection(QString()); // lines before the first section head
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || trimmed.startsWith(QLatin1Char(';'))) {
            if (!trimmed.isEmpty())
                current->lines.push_back(Line { QString(), line, false, raw, hasRaw });
            continue;
        }
        const QString key = line.left(eq);
        if (current->index.contains(key.toLower())) // a repeated key: the first one counts
            continue;
        current->addPair(key, line.mid(eq + 1));
        current->lines.back().raw = raw;
        current->lines.back().clean = hasRaw;
    }
}

QByteArray TIniFile::toBytes() const
{
    using textcodec::Encoding;
    // CP932 when every line can be written in it; lines kept as read count as CP932 when
    // they were read from CP932 (bytes that are not valid CP932 are kept, not judged).
    Encoding target = Encoding::Cp932;
    QByteArray scratch;
    auto fitsCp932 = [&](bool clean, const QString& text) {
        return (clean && m_encoding == Encoding::Cp932) || textcodec::toCp932Exact(text, &scratch);
    };
    // A line whose value changed keeps the bytes of its key.
    auto keptKey = [](const Line& l) { return l.isPair && !l.clean && !l.raw.isNull() && l.raw.contains('='); };
    for (const Section& s : m_sections) {
        bool fits = s.name.isNull() || fitsCp932(s.headClean, QLatin1Char('[') + s.name + QLatin1Char(']'));
        for (auto l = s.lines.begin(); fits && l != s.lines.end(); ++l) {
            fits = keptKey(*l) ? fitsCp932(true, QString()) && textcodec::toCp932Exact(l->value, &scratch)
                               : fitsCp932(l->clean, l->text());
        }
        if (!fits) {
            target = Encoding::Utf8Bom;
            break;
        }
    }
    QByteArray out;
    if (target == Encoding::Utf8Bom)
        out += "\xEF\xBB\xBF";
    auto put = [&](bool clean, const QByteArray& raw, const QString& text) {
        out += clean && m_encoding == target ? raw : textcodec::encode(text, target);
        out += "\r\n";
    };
    for (const Section& s : m_sections) {
        if (!s.name.isNull())
            put(s.headClean, s.rawHead, QLatin1Char('[') + s.name + QLatin1Char(']'));
        for (const Line& l : s.lines) {
            if (keptKey(l) && m_encoding == target) {
                // '=' is never part of a CP932 or UTF-8 multi-byte character.
                out += l.raw.left(l.raw.indexOf('=') + 1) + textcodec::encode(l.value, target) + "\r\n";
                continue;
            }
            put(l.clean, l.raw, l.text());
        }
    }
    return out;
}

QString TIniFile::toText() const
{
    QString out;
    for (const Section& s : m_sections) {
        if (!s.name.isNull() || !s.lines.empty()) {
            if (!s.name.isNull())
                out += QLatin1Char('[') + s.name + QLatin1String("]\r\n");
        }
        for (const Line& l : s.lines) {
            if (l.isPair)
                out += l.key + QLatin1Char('=') + l.value + QLatin1String("\r\n");
            else
                out += l.value + QLatin1String("\r\n");
        }
    }
    return out;
}

QStringList TIniFile::sectionNames() const
{
    QStringList names;
    for (const Section& s : m_sections) {
        if (!s.name.isNull())
            names << s.name;
    }
    return names;
}

QStringList TIniFile::keyNames(const QString& sectionName) const
{
    QStringList names;
    if (const Section* s = section(sectionName)) {
        for (const Line& l : s->lines) {
            if (l.isPair)
                names << l.key;
        }
    }
    return names;
}

bool TIniFile::sectionExists(const QString& sectionName) const
{
    return section(sectionName) != nullptr;
}

bool TIniFile::keyExists(const QString& sectionName, const QString& key) const
{
    const Section* s = section(sectionName);
    return s && s->find(key) >= 0;
}

QString TIniFile::readString(const QString& sectionName, const QString& key, const QString& defaultValue) const
{
    const Section* s = section(sectionName);
    if (!s)
        return defaultValue;
    const int i = s->find(key);
    return i < 0 ? defaultValue : s->lines[size_t(i)].value;
}

int TIniFile::readInteger(const QString& sectionName, const QString& key, int defaultValue) const
{
    const QString text = readString(sectionName, key, QString());
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : defaultValue;
}

void TIniFile::writeString(const QString& sectionName, const QString& key, const QString& value)
{
    Section& s = ensureSection(sectionName);
    const int i = s.find(key);
    if (i >= 0) {
        Line& line = s.lines[size_t(i)];
        const QString newValue = singleLine(value);
        if (line.value != newValue) {
            line.value = newValue;
            line.clean = false;
        }
        return;
    }
    s.addPair(singleLine(key), singleLine(value));
}

void TIniFile::writeInteger(const QString& sectionName, const QString& key, int value)
{
    writeString(sectionName, key, QString::number(value));
}

void TIniFile::deleteKey(const QString& sectionName, const QString& key)
{
    Section* s = section(sectionName);
    if (!s)
        return;
    const int i = s->find(key);
    if (i < 0)
        return;
    s->lines.erase(s->lines.begin() + i);
    s->reindex();
}

void TIniFile::eraseSection(const QString& sectionName)
{
    const int i = m_sectionIndex.value(sectionName.toLower(), -1);
    if (i < 0)
        return;
    m_sections.erase(m_sections.begin() + i);
    m_sectionIndex.clear();
    for (int k = 0; k < int(m_sections.size()); ++k)
        m_sectionIndex.insert(m_sections[size_t(k)].name.toLower(), k);
}

void TIniFile::clear()
{
    m_sections.clear();
    m_sectionIndex.clear();
}

TIniFile::Section* TIniFile::section(const QString& name)
{
    const int i = m_sectionIndex.value(name.toLower(), -1);
    return i < 0 ? nullptr : &m_sections[size_t(i)];
}

const TIniFile::Section* TIniFile::section(const QString& name) const
{
    const int i = m_sectionIndex.value(name.toLower(), -1);
    return i < 0 ? nullptr : &m_sections[size_t(i)];
}

TIniFile::Section& TIniFile::ensureSection(const QString& name)
{
    const QString lookup = name.isNull() ? QString() : name.toLower();
    const int i = m_sectionIndex.value(lookup, -1);
    if (i >= 0)
        return m_sections[size_t(i)];
    Section added;
    added.name = name.isNull() ? QString() : singleLine(name);
    m_sections.push_back(std::move(added));
    m_sectionIndex.insert(lookup, int(m_sections.size()) - 1);
    return m_sections.back();
}
