#pragma once

#include <functional>

// What the benchmarks on the real engine share.

// Runs the event loop until `done` holds or the time is up, asking every `pollMs`; says
// whether it holds.
bool WaitFor(const std::function<bool()>& done, int timeoutMs, int pollMs = 1);

// The main of a benchmark program on the engine: headless unless told otherwise, no GPU.
int RunEngineBenchmarks(int argc, char** argv);
