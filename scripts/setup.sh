#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the application and the tests need.
# Safe to run again: packages already present are left alone.
#   --fuzz   also the compiler the libFuzzer targets need (clang with its runtime)
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webchannel-dev
  qt6-httpserver-dev qt6-websockets-dev
  libqt6webenginecore6-bin qt6-qpa-plugins libgl-dev libxkbcommon-dev
  libpugixml-dev libsimdjson-dev libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-translations-l10n fonts-noto-cjk xvfb xauth
  dpkg-dev file desktop-file-utils
)
for arg in "$@"; do
  case "$arg" in
    --fuzz) packages+=(clang libclang-rt-dev) ;;
    *) echo "setup.sh: unknown option: $arg" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
      echo "setup.sh: these packages are missing; run as root or install sudo: ${missing[*]}" >&2
      exit 1
    fi
    sudo_cmd=(sudo env DEBIAN_FRONTEND=noninteractive) # sudo does not pass the environment on
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
