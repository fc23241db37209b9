// Splits arbitrary addresses and resolves script addresses against them.
#include "document/localhost.h"
#include "document/screenidparser.h"
#include "document/tagscript.h"
#include "document/urlextract.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = text.indexOf(QLatin1Char('\n'));
    const QString url = split < 0 ? text : text.left(split);
    const QString other = split < 0 ? QString() : text.mid(split + 1);

    const TURLExtract parts(url);
    (void)parts.Directories.size();
    ResolveScriptAddress(other, url);
    IsLocalURL(url);

    TScreenIDSettings settings;
    settings.protocolType = settings.portNumber = settings.fileExtension = true;
    settings.directoryNameTarget = other;
    settings.queryParameter = other;
    TScreenIDParserURL rule(settings);
    rule.SetURL(url);
    return 0;
}
