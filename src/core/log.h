#pragma once

#include <QString>

// The operation log writer. Every line starts with the tick count and ": ".
void LogInfo(const QString& text);
// Written as "[WARN] " + text, only while a project is open whose OutputWarning is 1.
void LogWarn(const QString& text);
// Written as "[ERROR] " + text; the text is also shown in a message box.
void LogError(const QString& text);
// Appends one line with the tick count prefix to the operation log.
void WriteLogLine(const QString& text);
