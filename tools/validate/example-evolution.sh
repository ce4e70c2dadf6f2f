#!/bin/sh
# The first set of an element history from a given epoch on, evolved by
# morvel for up to 400 days into a report (the decay picture of the README).
#   example-evolution.sh MORVEL HISTORY FROM OUT
# FROM is an epoch in the element-set form YYDDD.ddd; OUT.tle receives the
# chosen set under the history's title, OUT.txt the report.
set -eu
morvel=$1 history=$2 from=$3 out=$4
title=$(head -n 1 "$history")
awk -v from="$from" -v title="$title" '
    /^1 / && !done && substr($0, 19, 14) + 0 >= from { print title; print; getline; print; done = 1 }
' "$history" > "$out.tle"
printf '%s.txt\n\n' "$out" | "$morvel" -L1000 -P400 "$out.tle" > /dev/null
