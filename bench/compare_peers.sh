#!/usr/bin/env bash
# Compares a whole run of ugraph on the largest graph with Graphviz's gc -c
# and ccomps -v -s on the same graph as DOT: instructions counted by callgrind,
# and wall-clock medians from one interleaved run, with a bare process start
# (/bin/true) as the floor. Needs Graphviz and valgrind; prints a Markdown table.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
rounds="${1:-200}"
for tool in gc ccomps valgrind python3; do
    command -v "$tool" > /dev/null || { echo "compare_peers: $tool is not installed" >&2; exit 1; }
done

cmake --preset default > /dev/null
cmake --build --preset default > /dev/null
program="$root/build/default/ugraph"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
bash "$root/bench/largest_graph.sh" > GraphDataFile2.txt
bash "$root/bench/largest_graph.sh" dot > largest.gv
printf 'F\n1\n\n' > input

instructions() { # the command's whole run under callgrind, its input on stdin
    valgrind --tool=callgrind --callgrind-out-file=cg.out "$@" < input > /dev/null 2> /dev/null
    grep -E '^summary:' cg.out | awk '{print $2}'
}

python3 - "$rounds" "$program" \
    "$(instructions "$program")" "$(instructions gc -c largest.gv)" \
    "$(instructions ccomps -v -s largest.gv)" "$(instructions /bin/true)" << 'PY'
import statistics, subprocess, sys, time
rounds, program = int(sys.argv[1]), sys.argv[2]
counts = sys.argv[3:7]
runs = [
    ("ugraph (dialogue, answers F 1)", [program]),
    ("gc -c largest.gv", ["gc", "-c", "largest.gv"]),
    ("ccomps -v -s largest.gv", ["ccomps", "-v", "-s", "largest.gv"]),
    ("bare process start (/bin/true)", ["/bin/true"]),
]
times = [[] for _ in runs]
for _ in range(rounds):  # interleaved, so that load changes hit every command alike
    for i, (_, command) in enumerate(runs):
        with open("input", "rb") as given:
            start = time.perf_counter_ns()
            subprocess.run(command, stdin=given, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=True)
            times[i].append(time.perf_counter_ns() - start)
print("| Command | Instructions (callgrind) | Wall median (ms) |")
print("|---|---:|---:|")
for (name, _), count, spent in zip(runs, counts, times):
    print(f"| {name} | {int(count):,} | {statistics.median(spent) / 1e6:.2f} |")
PY
