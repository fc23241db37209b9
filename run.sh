#!/usr/bin/env bash
# Installs what is missing, builds, and starts Calverdine. Arguments pass to the program.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/scripts/setup.sh"
"$here/scripts/build.sh"
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting under Xvfb (set QT_QPA_PLATFORM=offscreen to run without one)."
  exec xvfb-run -a -s "-screen 0 1600x1000x24" "${CALVERDINE_BUILD_DIR:-$here/build}/src/app/calverdine" "$@"
fi
exec "${CALVERDINE_BUILD_DIR:-$here/build}/src/app/calverdine" "$@"
