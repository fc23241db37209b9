// Scans arbitrary text as a script for variables and functions. Besides crashes, the run
// checks the scanner's time per input byte: a scan that takes longer than a generous linear
// bound aborts, so an input that makes the scanner quadratic is kept as a crash. Run with
// -max_len=1048576 so long inputs are tried, and -timeout as a second net.
#include "document/tagscript.h"

#include <QElapsedTimer>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    QElapsedTimer timer;
    timer.start();
    auto script = TTagScript::FromText(text);
    (void)script->Variables().size();
    // A linear scan under the sanitizers takes well under 1 ms per 10 KB; the bound allows
    // a hundred times that, with a fixed allowance for a busy machine.
    const qint64 boundMs = 2000 + qint64(size) / 100;
    if (timer.elapsed() > boundMs) {
        std::fprintf(stderr, "script scan of %zu bytes took %lld ms (bound %lld ms)\n", size,
                     static_cast<long long>(timer.elapsed()), static_cast<long long>(boundMs));
        std::abort();
    }
    return 0;
}
