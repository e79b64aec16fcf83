#!/usr/bin/env bash
# Draws the sample graph "Shuffled" (graph 18 of GraphDataFile2.txt), one box
# per component, as docs/shuffled.svg. UGRAPH names the program to use.
set -euo pipefail
cd "$(dirname "$0")/.."
"${UGRAPH:-build/default/ugraph}" --file GraphDataFile2.txt --graph 18 --format=dot |
    dot -Tsvg -o docs/shuffled.svg
