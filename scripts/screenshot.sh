#!/usr/bin/env bash
# Takes the README's picture of the main window, offscreen: the sample login page loaded, a
# data set of its screen saved with the command-line tool, and the comparison of the page with
# that data set on the console.   scripts/screenshot.sh [OUTPUT.png]   (default docs/main-window.png)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${CALVERDINE_BUILD_DIR:-$here/build}"
out="${1:-$here/docs/main-window.png}"
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
export QT_QPA_PLATFORM=offscreen
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi

# The first run makes the home directory and its default project; it then opens the page.
"$build/src/app/calverdine" --home "$home" --unattended --screenshot "$home/first.png" >/dev/null
rm -f "$home/DefaultProject/TabWindow/TabWindowList.ini" # the next start opens the home page
mkdir -p "$home/site"
cp "$here/tests/fixtures/pages/login.html" "$home/site/"
page="file://$home/site/login.html"
sed -i "s|<HomePage>about:blank</HomePage>|<HomePage>$page</HomePage>|" "$home/DefaultProject.xml"
"$build/src/app/cli/calverdine-cli" save --project "$home/DefaultProject.xml" --name "ログイン初期値" "$page" >/dev/null
"$build/src/app/calverdine" --home "$home" --unattended --screenshot "$out" --screenshot-size 1400x900 \
  --screenshot-compare
echo "$out"
