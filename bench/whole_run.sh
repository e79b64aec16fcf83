#!/usr/bin/env bash
# Measures one whole run on the largest graph the data file holds (48 nodes,
# 624 links): instructions counted by callgrind and heap use by memcheck.
# Fails when a figure is over its target.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
max_instructions=1500000
max_allocations=5

cmake --preset default > /dev/null
cmake --build --preset default > /dev/null
program="$root/build/default/ugraph"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

bash "$root/bench/largest_graph.sh" > "$work/GraphDataFile2.txt"
printf 'F\n1\n\n' > "$work/input"

cd "$work"
valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$program" \
    < input > output 2> callgrind.log
instructions=$(grep -E '^summary:' callgrind.out | awk '{print $2}')
valgrind --tool=memcheck --leak-check=full "$program" < input > /dev/null 2> memcheck.log
allocations=$(grep -oE 'total heap usage: [0-9,]+ allocs' memcheck.log | grep -oE '[0-9,]+' | tr -d ,)
in_use=$(grep -oE 'in use at exit: [0-9,]+ bytes' memcheck.log | grep -oE '[0-9,]+' | tr -d ,)

grep -q '^Ufile Largest     48 Nodes   624 Links$' output
printf 'data file: %s characters\n' "$(($(wc -c < GraphDataFile2.txt) - 1))"
printf 'instructions: %s (target at most %s)\n' "$instructions" "$max_instructions"
printf 'heap allocations: %s (target at most %s)\n' "$allocations" "$max_allocations"
printf 'heap in use at exit: %s bytes\n' "$in_use"
[ "$instructions" -le "$max_instructions" ]
[ "$allocations" -le "$max_allocations" ]
[ "$in_use" -eq 0 ]
