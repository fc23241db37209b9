#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

// Milliseconds since system start, wrapping at 32 bits, like the tick counts the
// stored file names, backups and salts are made of.
quint32 TickCount();

// Decimal text of the tick count read as a signed 32-bit number (log lines, backups).
QString TickCountText();

// Tests replace the clock; an empty function restores the system clock.
void SetTickCountSource(std::function<quint32()> source);
