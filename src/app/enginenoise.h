#pragma once

#include <QStringList>

// The browser engine reports its start-up and graphics set-up on standard error ("No suitable
// graphics backend found", sandbox and GL lines), through Qt's message log and from its own
// processes. None of it is the tool's output: the tool writes its own messages directly, so
// unless the user asks for them, the engine's lines are kept out of standard error.
//
// Call before the QApplication is created. verbose lets everything through as before.
void QuietEngineMessages(bool verbose);

// Removes "--verbose" wherever it stands in the arguments; true when it was there.
bool TakeVerboseArgument(QStringList& arguments);
