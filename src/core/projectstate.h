#pragma once

#include <QtGlobal>

#include <functional>

// What the project controller tells the other controllers about the project's life.
// A process-wide service: App().service<TProjectState>().
struct TProjectState {
    // Set while a project is being closed and until a project is created or opened: tabs
    // closed meanwhile are not written to the project's tab list.
    bool closing = false;
    // The tick count taken when the current project was created or opened.
    quint32 startTime = 0;
};

// The "インターネットオプション(&I)..." command runs this (set by the browser area);
// without a handler the command does nothing.
// A process-wide service: App().service<TInternetOptionsHook>().handler = ...
struct TInternetOptionsHook {
    std::function<void()> handler;
};
