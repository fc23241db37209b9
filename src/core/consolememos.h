#pragma once

#include "core/memo.h"

// The memo pages of the console besides the operation log (App().operationLog()):
// popups, downloads, the script transcript and the comparison report.
// A process-wide service: App().service<TConsoleMemos>().
struct TConsoleMemos {
    TMemo popup;
    TMemo download;
    TMemo script;
    TMemo compare;
};
