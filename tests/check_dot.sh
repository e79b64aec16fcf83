#!/usr/bin/env bash
# Checks that Graphviz's dot takes the DOT output of every loadable graph of a
# data file without a single warning, that gc counts the components that
# --list gives, and that ugraph reads the DOT back with as many components.
# Usage: check_dot.sh PROGRAM DATA_FILE
set -euo pipefail
program="$1"
data="$2"
checked=0
while IFS= read -r line; do
    number="${line%%  *}"
    case "$line" in *"  refused: "*) continue ;; esac
    expected="${line##*  }"
    expected="${expected%% component*}"
    if ! "$program" --file "$data" --graph "$number" --format=dot > graph.gv; then
        echo "check_dot: graph $number of $data was not written" >&2
        exit 1
    fi
    if ! dot -Tsvg graph.gv -o /dev/null 2> dot.log || [ -s dot.log ]; then
        echo "check_dot: dot complains about graph $number of $data:" >&2
        cat dot.log >&2
        exit 1
    fi
    counted=$(gc -c graph.gv | awk '{print $1}')
    if [ "$counted" != "$expected" ]; then
        echo "check_dot: gc counts $counted components in graph $number, --list $expected" >&2
        exit 1
    fi
    bash "$(dirname "$0")/check_dot_input.sh" "$program" graph.gv > /dev/null
    checked=$((checked + 1))
done < <("$program" --file "$data" --list | LC_ALL=C tr -c '\n -~' '?')
rm -f graph.gv dot.log
echo "dot: $checked graphs of $data accepted without a warning, and read back by ugraph"
