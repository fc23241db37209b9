#include "document/screenidparser.h"

#include "core/appcontext.h"
#include "core/tickcount.h"
#include "document/commalist.h"
#include "document/htmldocument.h"
#include "document/urlextract.h"
#include "core/projectdocument.h"

namespace {

// A switch that is missing or not a number counts as off.
bool readSwitch(const std::function<int()>& read)
{
    try {
        return read() == 1;
    } catch (...) {
        return false;
    }
}

bool isWholeNumber(const QString& text, int* value)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    bool ok = false;
    *value = text.toInt(&ok);
    return ok;
}

void appendPart(QString& id, const QString& part)
{
    if (!id.isEmpty())
        id += QLatin1Char('_');
    id += part;
}

}

TScreenIDSettings TScreenIDSettings::fromProject(TXMLProjectType* project)
{
    TScreenIDSettings settings;
    if (!project)
        return settings;
    try {
        settings.rule = project->ScreenIdentify();
    } catch (...) {
        settings.rule = 1;
    }
    TXMLScreenIdentifyURLType url = project->ScreenIdentifyURL();
    settings.protocolType = readSwitch([&] { return url.ProtocolType(); });
    settings.domainName = readSwitch([&] { return url.DomainName(); });
    settings.portNumber = readSwitch([&] { return url.PortNumber(); });
    settings.fileName = readSwitch([&] { return url.FileName(); });
    settings.fileExtension = readSwitch([&] { return url.FileExtension(); });
    settings.directoryNameTarget = url.DirectoryNameTarget();
    settings.queryParameter = url.QueryParameter();
    settings.hiddenName = project->ScreenIdentifyHidden();
    settings.elementId = project->ScreenIdentifyID();
    return settings;
}

TScreenIDSettings TScreenIDSettings::current()
{
    return fromProject(App().currentProject());
}

QString TScreenIDParser::GetScreenID()
{
    if (m_id.isEmpty())
        m_id = QStringLiteral("VOID_SID_") + QString::number(TickCount());
    return m_id;
}

void TScreenIDParserURL::SetURL(const QString& url)
{
    TScreenIDParser::SetURL(url);
    const TURLExtract parts(url);
    QString id;
    if (m_settings.protocolType)
        id = parts.Protocol;
    if (m_settings.domainName)
        appendPart(id, parts.Domain);
    if (m_settings.portNumber && !parts.Port.isEmpty())
        appendPart(id, parts.Port);

    // Entries that are empty or not whole numbers name no directory, like positions
    // beyond the path: a list such as "1,2," must not stop every parse.
    const QStringList targets = Internal::SplitCommaList(m_settings.directoryNameTarget);
    QString directories;
    for (int k = 0; k < targets.size(); ++k) {
        int n = 0;
        if (!isWholeNumber(targets[k], &n) || n < 1 || n > parts.Directories.size())
            continue;
        if (k > 0)
            directories += QLatin1Char('_');
        directories += parts.Directories[n - 1];
    }
    if (!targets.isEmpty() && !directories.isEmpty())
        appendPart(id, directories);

    if (m_settings.fileName && !parts.FileName.isEmpty())
        appendPart(id, parts.FileName);
    if (m_settings.fileExtension && !parts.Extension.isEmpty())
        appendPart(id, parts.Extension);

    const QStringList names = Internal::SplitCommaList(m_settings.queryParameter);
    if (!names.isEmpty()) {
        QStringList values;
        for (const QString& name : names)
            for (const TQueryParameter& parameter : parts.QueryParameters)
                if (parameter.Name == name)
                    values.append(parameter.Value);
        appendPart(id, values.join(QLatin1Char('_')));
    }
    m_id = id;
}

void TScreenIDParserHIDDEN::CheckFormPart(THtmlElement* element)
{
    if (element->tagName().toUpper() == QLatin1String("INPUT")
        && element->type().toUpper() == QLatin1String("HIDDEN") && element->name() == m_hiddenName)
        m_id = element->value();
}

void TScreenIDParserID::CheckDocument(THtmlDocument* document)
{
    if (m_elementId.isEmpty())
        return;
    if (THtmlElement* element = document->elementById(m_elementId))
        m_id = element->innerText();
}

std::unique_ptr<TScreenIDParser> CreateScreenIDParser(const TScreenIDSettings& settings)
{
    switch (settings.rule) {
    case 2:
        return std::make_unique<TScreenIDParserHIDDEN>(settings.hiddenName);
    case 3:
        return std::make_unique<TScreenIDParserID>(settings.elementId);
    default:
        return std::make_unique<TScreenIDParserURL>(settings);
    }
}

QStringList SnapshotInnerTextIds()
{
    const TScreenIDSettings settings = TScreenIDSettings::current();
    if (settings.rule == 3 && !settings.elementId.isEmpty())
        return { settings.elementId };
    return {};
}
