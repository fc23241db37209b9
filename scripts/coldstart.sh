#!/bin/sh
# Cold start of the desktop tool, headless (QT_QPA_PLATFORM=offscreen):
#   - process start to the main window shown with its default project and an empty tab,
#     with a new home folder (first run: the home folder and default project are made) and
#     with the existing one;
#   - process start to the first page parsed (the default project's home page set to a
#     generated page of FIELDS form fields, read from a file).
# It times the tool's own --screenshot run, which exits once the window is shown, the
# start-up project open and its pages loaded and parsed: that run waits for 0.8 s of quiet
# (8 polls of 100 ms) before it writes its picture, which is subtracted here.
#
# Usage: scripts/coldstart.sh [BUILD_DIR] [RUNS] [FIELDS]   (defaults: build 3 5000)
set -eu
build=${1:-build}
runs=${2:-3}
fields=${3:-5000}
app="$build/src/app/calverdine"
[ -x "$app" ] || { echo "no $app: build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

# Milliseconds of one run, quiet wait subtracted.
timed() {
    start=$(date +%s%N)
    "$app" --home "$1" --screenshot "$work/shot.png" >"$work/out.txt" 2>&1 || { cat "$work/out.txt" >&2; exit 1; }
    end=$(date +%s%N)
    echo $(( (end - start) / 1000000 - 800 ))
}

series() {
    label=$1
    shift
    line=""
    i=0
    while [ "$i" -lt "$runs" ]; do
        line="$line $("$@")"
        i=$((i + 1))
    done
    echo "$label:$line ms"
}

fresh() {
    rm -rf "$work/home"
    timed "$work/home"
}

series "window shown, new home folder" fresh
series "window shown, existing home folder" timed "$work/home"

page="$work/fields.html"
{
    printf '<!DOCTYPE html><html><head><meta charset=utf-8><title>Fields</title></head><body><form name=f action=save.cgi>'
    i=0
    while [ "$i" -lt "$fields" ]; do
        printf '<input type=text name=field%d value="value %d">' "$i" "$i"
        i=$((i + 1))
    done
    printf '</form></body></html>'
} >"$page"
sed -i "s#<HomePage>about:blank</HomePage>#<HomePage>file://$page</HomePage>#" "$work/home/DefaultProject.xml"
grep -q "<HomePage>file://" "$work/home/DefaultProject.xml" || { echo "the default project has no about:blank home page" >&2; exit 1; }
series "first page parsed ($fields fields), existing home folder" timed "$work/home"
