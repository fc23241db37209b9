#include "formdata/formdatafilecommand.h"

#include "core/appcontext.h"
#include "core/error.h"
#include "core/eventbus.h"
#include "core/inifile.h"
#include "core/log.h"
#include "core/prompter.h"
#include "core/safefile.h"
#include "formdata/formdatacommon.h"
#include "formdata/formdatainfo.h"
#include "formdata/formdatapaths.h"
#include "formdata/formdatapopuphistory.h"
#include "formdata/formdatastore.h"
#include "formdata/formvaluelist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

const QString kInfo = QStringLiteral("Info");

void showError(const QString& text)
{
    if (TPrompter* prompter = App().prompter())
        prompter->message(text, QString(), TPrompter::Buttons::Ok, TPrompter::Icon::Error);
}

// Loads the index under the caller's lock; a missing file reads as empty.
void loadIndexFile(TIniFile& ini)
{
    QString error;
    if (!ini.load(&error))
        throw TError(QStringLiteral("file load error: ") + error);
}

void writeIndexFile(const TIniFile& ini, bool withBackup)
{
    QDir().mkpath(QFileInfo(ini.fileName()).path());
    QString error;
    if (!ini.save(&error, withBackup))
        throw TError(QStringLiteral("file save error: ") + error);
}

// Whether the screen's index as it is on disk lists the data ID; an index that cannot be
// read may list it.
bool indexMayList(const QString& screenId, int dataId)
{
    TIniFile index(ScreenIndexPath(screenId));
    return !index.load() || index.keyExists(kInfo, QString::number(dataId));
}

// Every read-change-write of the stored files of a project holds the data folder's lock,
// so that two processes saving to one project never lose each other's changes.
class TStoreLock {
public:
    TStoreLock() : m_lock(DataDirectory())
    {
        if (!m_lock.locked())
            throw TError(QStringLiteral("file save error: ") + m_lock.error());
    }

private:
    safefile::DirectoryLock m_lock;
};

// Characters an XML 1.0 document can hold.
bool xmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

// Calls f(code point, units) for each character; a lone surrogate comes as itself.
template <class F>
void forEachChar(const QString& text, F&& f)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            f(QChar::surrogateToUcs4(c, text.at(i + 1)), 2);
            ++i;
        } else {
            f(char32_t(c.unicode()), 1);
        }
    }
}

bool needsEscape(const QString& text)
{
    bool needs = false;
    forEachChar(text, [&](char32_t c, int) { needs = needs || !xmlChar(c); });
    return needs;
}

// Items marked escaped="1" write each character XML 1.0 cannot hold (control characters,
// NUL, lone surrogates, U+FFFE, U+FFFF) as "\uXXXX" and a backslash as "\\"; every other
// character stays as it is.
QString escapeValue(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool pair = c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        if (pair) {
            out += c;
            out += text.at(++i);
        } else if (c == QLatin1Char('\\')) {
            out += QStringLiteral("\\\\");
        } else if (!xmlChar(c.unicode())) {
            out += QStringLiteral("\\u") + QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    return out;
}

QString unescapeValue(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\\') && i + 1 < text.size()) {
            if (text.at(i + 1) == QLatin1Char('\\')) {
                out += QLatin1Char('\\');
                ++i;
                continue;
            }
            const QString digits = text.mid(i + 2, 4);
            bool ok = text.at(i + 1) == QLatin1Char('u') && digits.size() == 4
                && std::all_of(digits.begin(), digits.end(), [](QChar d) { return isxdigit(d.toLatin1()) != 0; });
            const uint code = ok ? digits.toUInt(&ok, 16) : 0;
            if (ok) {
                out += QChar(char16_t(code));
                i += 5;
                continue;
            }
        }
        out += text.at(i);
    }
    return out;
}

// XML text with the markup characters as entities; a carriage return (and in attributes a
// tab or line feed) as a character reference, since XML readers would normalise them.
QString xmlEscaped(const QString& text, bool attribute)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QStringLiteral("&amp;"); break;
        case '<': out += QStringLiteral("&lt;"); break;
        case '>': out += QStringLiteral("&gt;"); break;
        case '\r': out += QStringLiteral("&#13;"); break;
        case '"': out += attribute ? QStringLiteral("&quot;") : QStringLiteral("\""); break;
        case '\t': out += attribute ? QStringLiteral("&#9;") : QStringLiteral("\t"); break;
        case '\n': out += attribute ? QStringLiteral("&#10;") : QStringLiteral("\n"); break;
        default: out += c;
        }
    }
    return out;
}

// The information-only type text, without characters XML cannot hold.
QString xmlSafe(const QString& text)
{
    QString out;
    forEachChar(text, [&](char32_t c, int) {
        if (xmlChar(c))
            out += QString::fromUcs4(&c, 1);
    });
    return out;
}

}

TFormDataFileCommand::TFormDataFileCommand(TPartTypeLookup typeLookup)
    : m_typeLookup(typeLookup ? std::move(typeLookup) : TPartTypeLookup(&CurrentDocumentPartType))
{
}

QByteArray TFormDataFileCommand::DataFileBytes(const TFormValueList& values, const TPartTypeLookup& typeLookup)
{
    QString xml = QStringLiteral("<FormData>");
    for (int i = 0; i < values.count(); ++i) {
        QString key = values.name(i), value = values.value(i);
        const bool escaped = needsEscape(key) || needsEscape(value);
        if (escaped) {
            key = escapeValue(key);
            value = escapeValue(value);
        }
        const QString type = typeLookup ? typeLookup(values.name(i)) : QString();
        xml += QStringLiteral("<FormDataItem key=\"") + xmlEscaped(key, true) + QStringLiteral("\" atttype=\"")
            + xmlEscaped(xmlSafe(type), true) + (escaped ? QStringLiteral("\" escaped=\"1\">") : QStringLiteral("\">"))
            + xmlEscaped(value, false) + QStringLiteral("</FormDataItem>");
    }
    xml += QStringLiteral("</FormData>");
    return xml.toUtf8();
}

bool TFormDataFileCommand::ParseDataFile(const QByteArray& bytes, TFormValueList& values)
{
    pugi::xml_document doc;
    // Line ends inside values stay as they were written.
    const unsigned flags = pugi::parse_default & ~pugi::parse_eol;
    const pugi::xml_parse_result result = doc.load_buffer(bytes.constData(), size_t(bytes.size()), flags, pugi::encoding_utf8);
    const pugi::xml_node root = doc.document_element();
    if (!result || !root)
        return false;
    values.clear();
    for (pugi::xml_node item = root.child("FormDataItem"); item; item = item.next_sibling("FormDataItem")) {
        QString key = QString::fromUtf8(item.attribute("key").value());
        QString value = QString::fromUtf8(item.child_value());
        if (QLatin1String(item.attribute("escaped").value()) == QLatin1String("1")) {
            key = unescapeValue(key);
            value = unescapeValue(value);
        }
        values.append(key, value);
    }
    return true;
}

bool TFormDataFileCommand::SaveData(const QString& screenId, int dataId, const QString& name, const TFormValueList& values)
{
    TStoreLock lock;
    // The values first, the index line last: a set is listed only once its values are stored.
    const QString dataPath = DataFilePath(dataId);
    const bool existed = QFileInfo::exists(dataPath);
    QString backup, error;
    // A failed save leaves the set as it was: the old values come back from their backup, and
    // a new data file goes again unless the index on disk lists it (its new content may be in
    // place although the folder's sync failed) - a listed set never loses its values.
    auto undo = [&] {
        if (!existed) {
            if (!indexMayList(screenId, dataId))
                QFile::remove(dataPath);
        } else if (!backup.isEmpty()) {
            // Nothing happens when the data file was never replaced: both names are one file.
            ::rename(QFile::encodeName(backup).constData(), QFile::encodeName(dataPath).constData());
        }
    };
    QDir().mkpath(QFileInfo(dataPath).path());
    if (!safefile::keepBackup(dataPath, &backup, &error)
        || !safefile::write(dataPath, DataFileBytes(values, m_typeLookup), safefile::Backup::None, &error)) {
        undo();
        showError(QStringLiteral("ファイルが保存できませんでした") + QLatin1Char('\n') + error);
        LogError(QStringLiteral("file save error: ") + error);
        return false;
    }

    TIniFile index(ScreenIndexPath(screenId));
    try {
        loadIndexFile(index);
        index.writeString(kInfo, QString::number(dataId), name);
        writeIndexFile(index, true);
    } catch (...) {
        undo();
        throw;
    }
    if (!backup.isEmpty())
        QFile::remove(backup);
    return true;
}

void TFormDataFileCommand::SetDataName(const QString& screenId, int dataId, const QString& name)
{
    TStoreLock lock;
    TIniFile index(ScreenIndexPath(screenId));
    loadIndexFile(index);
    index.writeString(kInfo, QString::number(dataId), name);
    writeIndexFile(index, false);
}

void TFormDataFileCommand::DeleteData(const QString& screenId, int dataId)
{
    TStoreLock lock;
    TIniFile index(ScreenIndexPath(screenId));
    loadIndexFile(index);
    index.deleteKey(kInfo, QString::number(dataId));
    writeIndexFile(index, false);
    const QString dataPath = DataFilePath(dataId);
    if (QFileInfo(dataPath).isFile() && !QFile::remove(dataPath))
        LogWarn(QStringLiteral("file delete error: ") + dataPath);
}

void TFormDataFileCommand::LoadValues(int dataId, TFormValueList& values)
{
    const QString dataPath = DataFilePath(dataId);
    QByteArray bytes;
    QString error;
    if (!safefile::read(dataPath, &bytes, &error))
        throw TError(QStringLiteral("ファイルが開けませんでした: ") + error);
    TFormValueList read;
    if (!ParseDataFile(bytes, read))
        throw TError(QStringLiteral("ファイルが開けませんでした: ") + dataPath + QStringLiteral(": not a form data file"));
    values = read;
}

void TFormDataFileCommand::LoadIndex(const QString& screenId, TFormDataInfoList& infos, TFormDataStore& store,
                                     TFormDataPopupHistory* saveHistory)
{
    TIniFile index(ScreenIndexPath(screenId));
    loadIndexFile(index);
    for (const QString& key : index.keyNames(kInfo)) {
        bool ok = false;
        const int dataId = key.trimmed().toInt(&ok);
        if (!ok) {
            // A hand-edited line: the others still load, and the line stays in the file.
            LogWarn(QStringLiteral("form data index: not a data ID: ") + key + QStringLiteral(" in ") + index.fileName());
            continue;
        }
        infos.add(dataId, index.readString(kInfo, key));
        // The values are read from the data file when the set is used.
        store.getOrCreate(dataId);
        if (saveHistory)
            saveHistory->add(screenId, dataId);
    }
    App().bus().NotifyFormDataNameModified(formdata::currentTabId());
}
