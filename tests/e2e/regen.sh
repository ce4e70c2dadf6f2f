#!/usr/bin/env bash
# Regenerates expected/ of the named cases (or all) from a built morvel.
# Review every change with git diff before keeping it.
set -euo pipefail
shopt -s dotglob  # expected files may be hidden
bin=${MORVEL:-$(cd "$(dirname "$0")/../.." && pwd)/build/release/morvel/morvel}
cd "$(dirname "$0")/cases"
for c in "${@:-*}"; do
  c=${c%/}
  work=$(mktemp -d)
  [ -d "$c/files" ] && cp -rP "$c/files/." "$work/"
  mapfile -t args < "$c/args"
  input=/dev/null; [ -f "$c/stdin" ] && input=$PWD/$c/stdin
  (cd "$work" && "$bin" "${args[@]}" < "$input" > .console 2> .stderr) || true
  mkdir -p "$c/expected"
  cp "$work/.console" "$c/expected/console"
  for f in "$c"/expected/*; do
    n=$(basename "$f")
    case $n in console) ;; stderr) cp "$work/.stderr" "$f" ;; *) cp "$work/$n" "$f" ;; esac
  done
  rm -rf "$work"
done
