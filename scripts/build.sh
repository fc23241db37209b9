#!/usr/bin/env bash
# Configures and builds into build/ (Release with debug info), using ccache when present.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${CALVERDINE_BUILD_DIR:-$here/build}"
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
