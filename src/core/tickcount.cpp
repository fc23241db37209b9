#include "core/tickcount.h"

#include <time.h>

namespace {
std::function<quint32()>& source()
{
    static std::function<quint32()> s_source;
    return s_source;
}
}

quint32 TickCount()
{
    if (source())
        return source()();
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const quint64 ms = quint64(ts.tv_sec) * 1000u + quint64(ts.tv_nsec) / 1000000u;
    return quint32(ms & 0xffffffffu);
}

QString TickCountText()
{
    return QString::number(qint32(TickCount()));
}

void SetTickCountSource(std::function<quint32()> s)
{
    source() = std::move(s);
}
