#pragma once

#include <QString>

// The engine version the adapter was built against.
const char* CalverdineEngineVersion();
// The engine as the version information names it: its Qt module and its Chromium.
QString EngineVersionText();
