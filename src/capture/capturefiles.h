#pragma once

#include <QString>

// File names of captures. A screen's captures are "<screen>_<number>.<extension>" in the
// capture folder, numbered from 001 on.

// The screen ID as a part of a file name: characters a file name cannot hold or that
// would make it a hidden or special name ("/", "\\", NUL and other control characters,
// ":*?\"<>|", "%", a leading ".") are written as "%" and two hexadecimal digits of each of
// their UTF-8 bytes; an ID longer than 180 bytes is cut there and ends in "~" and eight
// hexadecimal digits of its hash, so that different IDs keep different names.
QString CaptureNameOfScreen(const QString& screenId);

// The number a capture file name carries: the decimal number between the last "_" and the
// last "." of the name, 0 when that text is not a number.
qint64 CaptureFileNumber(const QString& fileName);

// The next capture file of a screen in the folder: one more than the greatest number of
// the files named "<screen>_*.<extension>" there (compared without regard to case),
// padded to three digits at least.
QString NextCaptureFileName(const QString& folder, const QString& screenId, const QString& extension);
