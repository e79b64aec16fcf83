#!/usr/bin/env bash
# Prints the largest graph the data file holds: 48 nodes and 624 links taken by
# ascending distance between their nodes (so it is connected). "data" (the
# default) writes it as a data file, "dot" as a Graphviz graph for the peers.
set -euo pipefail
declare -A neighbors
links=0
for ((distance = 1; links < 624; distance++)); do
    for ((a = 1; a + distance <= 48 && links < 624; a++)); do
        neighbors[$a]+=" $((a + distance))"
        links=$((links + 1))
    done
done
if [ "${1:-data}" = dot ]; then
    printf 'graph Largest {\n'
    for ((a = 1; a <= 48; a++)); do
        printf '  %d;\n' "$a"
        for b in ${neighbors[$a]:-}; do
            printf '  %d -- %d;\n' "$a" "$b"
        done
    done
    printf '}\n'
else
    printf '[U "Largest"'
    for ((a = 1; a <= 48; a++)); do
        printf ' (%d)%s' "$a" "${neighbors[$a]:-}"
    done
    printf ']\n'
fi
