// Scans arbitrary text as a script for variables and functions. Besides crashes, the run
// checks the scanner's time per input byte: run with -max_len=1048576 and a -timeout of a
// few seconds, which a linear scan of any input up to 1 MB stays far below.
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
