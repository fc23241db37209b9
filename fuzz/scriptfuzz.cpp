// Scans arbitrary text as a script for variables and functions.
#include "document/tagscript.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    auto script = TTagScript::FromText(text);
    (void)script->Variables().size();
    return 0;
}
