#!/usr/bin/env bash
# Checks ugraph's reading of DOT against Graphviz itself: for every DOT file
# given, the components ugraph counts must be those of gc -c and of ccomps -v.
# Usage: check_dot_input.sh PROGRAM FILE...
set -euo pipefail
program="$1"
shift
for file in "$@"; do
    ours=$("$program" -q --input-format=dot "$file" | sed -E 's/.*  ([0-9]+) components?  largest.*/\1/')
    by_gc=$(gc -c "$file" | head -n 1 | awk '{print $1}')
    by_ccomps=$(ccomps -v -s "$file" 2>&1 | grep -m 1 -oE '[0-9]+ components' | cut -d' ' -f1) || true
    if [ "$ours" != "$by_gc" ] || [ "$ours" != "$by_ccomps" ]; then
        echo "check_dot_input: $file: ugraph counts $ours components, gc $by_gc, ccomps $by_ccomps" >&2
        exit 1
    fi
done
echo "DOT input: $# files read with the components gc and ccomps count"
