#!/usr/bin/env bash
# Fails when a file of src/ includes a header of a higher layer, or a layer's logic includes
# views, widgets or the browser engine (views and the programs may). Each failure names the
# file and line. Usage: check_layers.sh SRC_DIR LAYER... (lowest first).
set -uo pipefail
src="$1"; shift
declare -A rank
i=0
for layer in "$@"; do rank[$layer]=$i; i=$((i + 1)); done

status=0
fail() { echo "$1"; status=1; }

for dir in "$src"/*/; do
  name="$(basename "$dir")"
  [ -n "${rank[$name]+x}" ] || fail "$name/: a folder of src/ that is not in the list of layers"
done

while IFS= read -r -d '' file; do
  rel="${file#"$src"/}"
  layer="${rel%%/*}"
  [ -n "${rank[$layer]+x}" ] || continue
  case "$rel" in
    app/main.cpp | app/cli/* | app/desktop/*) part=program ;;
    */views/*) part=views ;;
    browser/engine/*) part=engine ;;
    *) part=logic ;;
  esac
  line=0
  while IFS= read -r text; do
    line=$((line + 1))
    [[ "$text" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"\<]([^\"\>]+)[\"\>] ]] || continue
    inc="${BASH_REMATCH[1]}"
    target="${inc%%/*}"
    if [ "$target" != "$inc" ] && [ -n "${rank[$target]+x}" ]; then
      if [ "${rank[$target]}" -gt "${rank[$layer]}" ]; then
        fail "$rel:$line: $layer includes $inc of the higher layer $target"
      fi
      if [ "$part" = logic ] && [[ "$inc" == */views/* ]]; then
        fail "$rel:$line: logic of $layer includes the view $inc"
      fi
      if [ "$part" = logic ] && [[ "$inc" == browser/engine/* ]]; then
        fail "$rel:$line: logic of $layer includes the engine adapter $inc"
      fi
    fi
    if [ "$part" = logic ] && [[ "$inc" =~ ^(QtWidgets/|QWidget|QDialog|QMainWindow|QWebEngine|QtWebEngine) ]]; then
      fail "$rel:$line: logic of $layer includes $inc"
    fi
  done < "$file"
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)

[ $status -eq 0 ] && echo "layers: every include points downwards ($*)"
exit $status
