#!/usr/bin/env bash
# Times ugraph's summary of large graphs beside wc -l, the decompressors, SciPy, igraph and
# networkx, and the Python module beside pandas and SciPy, and checks they agree.
# BASELINE=/path/to/another/ugraph also times that build on every ugraph command, beside it.
set -euo pipefail
export LC_ALL=C # a dot in the decimals of EPOCHREALTIME and printf
root="$(cd "$(dirname "$0")/.." && pwd)"
scale="${1:-20}"        # the RMAT graph has 2^scale ids and 16 times as many links
rounds="${ROUNDS:-5}"   # each round runs every command once
python=/usr/bin/python3 # Debian's, with Debian's pandas, SciPy and igraph
baseline="${BASELINE:-}" # another build of ugraph, timed beside this one when given

fail() {
    echo "any_size: $*" >&2
    exit 1
}

if ! [[ "$scale" =~ ^[1-9][0-9]*$ ]] || ((scale < 6 || scale > 28)); then
    fail "the scale must be 6 to 28"
fi
if ! [[ "$rounds" =~ ^[1-9][0-9]*$ ]]; then
    fail "ROUNDS must be 1 or more"
fi

install_missing() {
    local missing=()
    [ -x /usr/bin/time ] || missing+=(time)
    command -v xz > /dev/null || missing+=(xz-utils)
    command -v zstd > /dev/null || missing+=(zstd)
    for module in pandas scipy igraph networkx; do
        "$python" -c "import $module" 2> /dev/null || missing+=("python3-$module")
    done
    if ((${#missing[@]} > 0)); then
        apt-get update -qq && apt-get install -y -qq "${missing[@]}" > /dev/null
    fi
}

build() {
    (cd "$root" && cmake --preset bench > /dev/null &&
        cmake --build --preset bench --target make_graph floor expat_floor > /dev/null)
    make_graph="$root/build/bench/bench/make_graph"
    floor="$root/build/bench/bench/floor"
    expat_floor="$root/build/bench/bench/expat_floor"
    if [ -z "${UGRAPH:-}" ]; then # else the program to measure is given
        (cd "$root" && cmake --preset default > /dev/null && cmake --build --preset default > /dev/null)
        UGRAPH="$root/build/default/ugraph"
    fi
    # The runs happen in the scratch folder, so a relative path is made absolute.
    [[ "$UGRAPH" == */* ]] && UGRAPH="$(cd "$(dirname "$UGRAPH")" && pwd)/$(basename "$UGRAPH")"
    [ -x "$UGRAPH" ] || command -v "$UGRAPH" > /dev/null || fail "$UGRAPH is not a program"
    build_module
    [ -n "$baseline" ] || return 0
    [[ "$baseline" == */* ]] && baseline="$(cd "$(dirname "$baseline")" && pwd)/$(basename "$baseline")"
    [ -x "$baseline" ] || command -v "$baseline" > /dev/null || fail "$baseline is not a program"
}

# The Python module of the default preset's build, which has it when pybind11 and Python's
# headers were found; without it, its rows are left out and the targets table says so.
module_dir=""
build_module() {
    (cd "$root" && cmake --preset default > /dev/null)
    if grep -q '^UGRAPH_PYTHON:BOOL=ON$' "$root/build/default/CMakeCache.txt"; then
        (cd "$root" && cmake --build --preset default --target ugraph_python > /dev/null)
        module_dir="$root/build/default/python"
    else
        echo "any_size: no Python module (pybind11 or Python's headers missing): its rows" \
            "are left out" >&2
    fi
}

# make_file FILE COMMAND...: writes the command's output to FILE and keeps the milliseconds.
declare -A made
make_file() {
    local file="$1" start="${EPOCHREALTIME/./}"
    shift
    "$@" > "$file"
    made[$file]="$(((${EPOCHREALTIME/./} - start) / 1000))"
}

# The graphs. The grid and the uniform graph follow the scale: 4·2^scale nodes (4 M at 20),
# the uniform graph with 8·2^scale links. The sparse and names files hold the big RMAT
# graph's links (the same seed) under ids x*1000003+17 and "vx", so that only the ids differ.
# The GraphML file is the small RMAT graph with every id declared a node; the .xz and .zst
# files are the big one, compressed by the tools' defaults at their fastest level.
generate() {
    local file
    side="$(awk -v s="$scale" 'BEGIN { printf "%d", 2 ^ ((s + 2) / 2) + 0.5 }')"
    big="rmat-$scale.txt"
    small="rmat-$((scale - 2)).txt"
    grid="grid-$side.txt"
    uniform="uniform-$((1 << (scale + 2))).txt"
    mtx="rmat-$scale.mtx"
    sparse="rmat-$scale-sparse.txt"
    names="rmat-$scale-names.csv"
    graphml="rmat-$((scale - 2)).graphml"
    make_file "$big" "$make_graph" rmat "$scale"
    make_file "$small" "$make_graph" rmat "$((scale - 2))"
    make_file "$grid" "$make_graph" grid "$side"
    make_file "$uniform" "$make_graph" uniform "$((1 << (scale + 2)))" "$((1 << (scale + 3)))"
    make_file "$big.gz" gzip -1 -c "$big"
    make_file "$mtx" "$make_graph" --mtx rmat "$scale"
    make_file "$sparse" "$make_graph" --ids=sparse rmat "$scale"
    make_file "$names" "$make_graph" --ids=names rmat "$scale"
    make_file "$graphml" "$make_graph" --graphml rmat "$((scale - 2))"
    make_file "$big.xz" xz -1 -c "$big"
    make_file "$big.zst" zstd -1 -q -c "$big"
    # The RMAT graph's nodes, and the bytes of their names ("v" and the id): one pass of
    # awk over ugraph's labels of the numbers file, a line a node. Collecting the distinct
    # names of the names file in awk would take far longer at scale 20.
    read -r rmat_nodes name_bytes < <("$UGRAPH" -q --format=labels "$big" |
        awk '{ bytes += 1 + length($1) } END { print NR, bytes + 0 }')
    ((rmat_nodes > 0)) || fail "ugraph --format=labels lists no node of $big"
    echo "Graphs (RMAT scale $scale, $rounds rounds):"
    for file in "$big" "$small" "$grid" "$uniform" "$big.gz" "$mtx" "$sparse" "$names" \
        "$graphml" "$big.xz" "$big.zst"; do
        printf '  %-24s %8s MiB  %10d lines  made in %5.2f s\n' "$file" \
            "$(awk -v b="$(stat -c %s "$file")" 'BEGIN { printf "%.1f", b / 1048576 }')" \
            "$(plain_text "$file" | wc -l)" "${made[$file]}e-3"
    done
}

plain_text() { # plain_text FILE: the file's text, decompressed by its name's ending
    case "$1" in
        *.xz) xz -dc "$1" ;;
        *.zst) zstd -dc -q "$1" ;;
        *) zcat -f "$1" ;;
    esac
}

# measure KEY FILE COMMAND...: one timed run of the command on FILE; its output goes to
# out/KEY (or to $stdout), its wall microseconds and peak RSS KiB are added to times/KEY.
# /usr/bin/time gives the RSS; its %e has 10 ms steps, so the wall time is taken around it.
# The baseline's keys (baseline_KEY) have a table of their own, not a row of the main one.
declare -A label input
order=()
measure() {
    local key="$1" file="$2" start end
    shift 2
    if [ -z "${label[$key]:-}" ]; then
        label[$key]="$(shown "$@")${stdout:+ > $stdout}"
        input[$key]="$file"
        [[ "$key" == baseline_* ]] || order+=("$key")
    fi
    start="${EPOCHREALTIME/./}"
    /usr/bin/time -f '%e %M' -o time.out "$@" > "${stdout:-out/$key}" 2> "err/$key" ||
        fail "failed: ${label[$key]}: $(tail -n 3 "err/$key")"
    end="${EPOCHREALTIME/./}"
    echo "$((end - start)) $(tail -n 1 time.out | cut -d' ' -f2)" >> "times/$key"
}

shown() { # the command as the table shows it
    local command="$*"
    command="${command/#"$UGRAPH" /ugraph }"
    command="${command/#"$python $root/"/}"
    command="${command/#"$root/build/bench/"/}"
    command="${command/#bash -c /}"
    echo "${command//|/\\|}" # a bar of a pipeline would end a Markdown cell
}

# measure_ugraph KEY FILE ARG...: measures ugraph with these arguments and, when BASELINE is
# given, the baseline with the same ones right after it in odd rounds and right before it
# in even ones, so that neither always runs on the caches the other warmed.
measure_ugraph() {
    local key="$1" file="$2"
    shift 2
    if [ -n "$baseline" ] && ((round % 2 == 0)); then
        measure "baseline_$key" "$file" "$baseline" "$@"
    fi
    measure "$key" "$file" "$UGRAPH" "$@"
    if [ -n "$baseline" ] && ((round % 2 == 1)); then
        measure "baseline_$key" "$file" "$baseline" "$@"
    fi
}

# One round runs every command once, in turn, so that a change of load hits them alike.
one_round() {
    local u=(-q --format=summary)
    measure_ugraph ugraph_j2_big "$big" "${u[@]}" -j2 "$big"
    measure_ugraph ugraph_j1_big "$big" "${u[@]}" -j1 "$big"
    measure_ugraph ugraph_j2_small "$small" "${u[@]}" -j2 "$small"
    measure_ugraph ugraph_j2_grid "$grid" "${u[@]}" -j2 "$grid"
    measure_ugraph ugraph_j2_uniform "$uniform" "${u[@]}" -j2 "$uniform"
    measure_ugraph ugraph_j2_gz "$big.gz" "${u[@]}" -j2 "$big.gz"
    measure_ugraph ugraph_j2_mtx "$mtx" "${u[@]}" -j2 "$mtx"
    measure_ugraph ugraph_j2_xz "$big.xz" "${u[@]}" -j2 "$big.xz"
    measure_ugraph ugraph_j2_zst "$big.zst" "${u[@]}" -j2 "$big.zst"
    measure_ugraph ugraph_j2_graphml "$graphml" "${u[@]}" -j2 "$graphml"
    for graph in sparse names; do
        measure_ugraph "ugraph_j2_$graph" "${!graph}" "${u[@]}" -j2 "${!graph}"
        measure_ugraph "ugraph_j1_$graph" "${!graph}" "${u[@]}" -j1 "${!graph}"
    done
    stdout=/dev/null measure_ugraph ugraph_text_big "$big" -q --format=text -j2 "$big"
    for graph in big small grid uniform; do
        measure "wc_$graph" "${!graph}" wc -l "${!graph}"
    done
    measure zcat_wc_gz "$big.gz" bash -c "zcat $big.gz | wc -l"
    measure xz_wc "$big.xz" bash -c "xz -dc $big.xz | wc -l"
    measure zstd_wc "$big.zst" bash -c "zstd -dc -q $big.zst | wc -l"
    # The floors: only the reading and parsing a summary cannot skip, on two
    # threads and one, and only the work of the text report (bench/floor.cpp).
    for graph in big grid uniform; do
        measure "floor_parse_j2_$graph" "${!graph}" "$floor" parse "${!graph}" 2
    done
    measure floor_parse_j1_big "$big" "$floor" parse "$big" 1
    stdout=/dev/null measure floor_text_big "$big" "$floor" text "$big"
    # Sparse numbers and names: the parse, a table of node indexes (sized by the
    # node count) and the joining, on two threads and one.
    for graph in sparse names; do
        measure "floor_hashed_j2_$graph" "${!graph}" "$floor" hashed "${!graph}" 2 "$rmat_nodes"
        measure "floor_hashed_j1_$graph" "${!graph}" "$floor" hashed "${!graph}" 1 "$rmat_nodes"
    done
    for graph in big grid uniform; do
        measure "scipy_$graph" "${!graph}" "$python" "$root/bench/peer_scipy.py" "${!graph}"
    done
    # The other ids are numbered as a Python user numbers them: pd.factorize, TupleList.
    for graph in sparse names; do
        measure "scipy_$graph" "${!graph}" "$python" "$root/bench/peer_scipy.py" --factorize \
            "${!graph}"
    done
    measure igraph_big "$big" "$python" "$root/bench/peer_igraph.py" "$big"
    for graph in sparse names; do
        measure "igraph_$graph" "${!graph}" "$python" "$root/bench/peer_igraph.py" --tuples \
            "${!graph}"
    done
    # expat alone reading the GraphML file: no reader built on it goes below.
    measure floor_expat "$graphml" "$expat_floor" "$graphml"
    measure igraph_graphml "$graphml" "$python" "$root/bench/peer_igraph.py" --graphml "$graphml"
    measure networkx_graphml "$graphml" "$python" "$root/bench/peer_networkx.py" "$graphml"
    measure_module
}

# measure_module: one run of bench/python_module.py on the big RMAT file. Its four calls
# are timed inside the process, one each; their microseconds go to times/module_*.
measure_module() {
    local name us
    [ -n "$module_dir" ] || return 0
    label[module]="python_module.py $big"
    PYTHONPATH="$module_dir" "$python" "$root/bench/python_module.py" "$big" > out/module \
        2> err/module || fail "failed: ${label[module]}: $(tail -n 3 err/module)"
    for name in read peer cc scipy_cc; do
        us="$(grep -oE "(^| )${name}_us=[0-9]+" out/module | cut -d= -f2)" ||
            fail "no ${name}_us in the output of ${label[module]}"
        echo "$us" >> "times/module_$name"
    done
}

# figure KEY WORD: the number before WORD (node, link, component) or after "largest"
# in the output of KEY; none fails the run.
figure() {
    local found
    if [ "$2" = largest ]; then
        found="$(grep -oE 'largest [0-9]+' "out/$1" | cut -d' ' -f2)"
    else
        found="$(grep -oE "[0-9]+ $2s?( |\$)" "out/$1" | cut -d' ' -f1)"
    fi
    [[ "$found" =~ ^[0-9]+$ ]] || fail "no single $2 figure in the output of ${label[$1]}"
    echo "$found"
}

agree() { # agree WHAT A B: A and B must be the same
    [ "$2" = "$3" ] || fail "disagreement on $1: $2 against $3"
}

same_figure() { # same_figure WORD KEY_A KEY_B: both outputs give the same figure
    local a b
    a="$(figure "$2" "$1")"
    b="$(figure "$3" "$1")"
    agree "$1 (${label[$2]}; ${label[$3]})" "$a" "$b"
}

check_agreement() {
    local word graph key ids nodes components mtx_components
    for graph in big grid uniform; do
        for word in node component largest; do
            same_figure "$word" "ugraph_j2_$graph" "scipy_$graph"
        done
    done
    same_figure largest ugraph_j2_big igraph_big
    agree "$big with -j1 and -j2" "$(cat out/ugraph_j1_big)" "$(cat out/ugraph_j2_big)"
    agree "$big.gz" "$(sed 's/^[^ ]*  //' out/ugraph_j2_gz)" "$(sed 's/^[^ ]*  //' out/ugraph_j2_big)"
    # The Matrix Market file declares every id a node: the ids that never appear
    # in a link are so many more nodes, and components of one node each.
    ids=$((1 << scale))
    nodes="$(figure ugraph_j2_mtx node)"
    agree "$mtx nodes" "$nodes" "$ids"
    same_figure link ugraph_j2_mtx ugraph_j2_big
    same_figure largest ugraph_j2_mtx ugraph_j2_big
    nodes="$(figure ugraph_j2_big node)"
    components="$(figure ugraph_j2_big component)"
    mtx_components="$(figure ugraph_j2_mtx component)"
    agree "$mtx components" "$mtx_components" "$((components + ids - nodes))"
    agree "$big nodes by --format=labels" "$rmat_nodes" "$nodes"
    for key in ugraph_j2_xz ugraph_j2_zst; do
        agree "${input[$key]}" "$(sed 's/^[^ ]*  //' "out/$key")" \
            "$(sed 's/^[^ ]*  //' out/ugraph_j2_big)"
    done
    check_graphml
    if [ -n "$module_dir" ]; then
        for word in node link component largest; do
            same_figure "$word" ugraph_j2_big module
        done
    fi
    # The same graph under other ids: every figure is the numbers file's.
    for graph in sparse names; do
        agree "${!graph} with -j1 and -j2" "$(cat "out/ugraph_j1_$graph")" \
            "$(cat "out/ugraph_j2_$graph")"
        for word in node link component largest; do
            for key in "ugraph_j2_$graph" "scipy_$graph" "igraph_$graph"; do
                same_figure "$word" ugraph_j2_big "$key"
            done
        done
        for word in node component; do
            same_figure "$word" ugraph_j2_big "floor_hashed_j2_$graph"
            same_figure "$word" ugraph_j2_big "floor_hashed_j1_$graph"
        done
    done
    echo "Agreement: ugraph, SciPy, igraph and networkx give the same figures; .gz, .xz, .zst," \
        ".mtx, GraphML and the sparse and names files match the edge list, and the hashed" \
        "floors count the same."
    if [ -n "$module_dir" ]; then
        echo "The Python module agrees with pandas and SciPy on $big and with SciPy's labels" \
            "of its CSR matrix."
    fi
}

# The GraphML file declares every id of the small graph a node, as the Matrix
# Market file does the big one's; the peers count the same.
check_graphml() {
    local word key ids nodes components
    ids=$((1 << (scale - 2)))
    agree "$graphml nodes" "$(figure ugraph_j2_graphml node)" "$ids"
    same_figure link ugraph_j2_graphml ugraph_j2_small
    same_figure largest ugraph_j2_graphml ugraph_j2_small
    nodes="$(figure ugraph_j2_small node)"
    components="$(figure ugraph_j2_small component)"
    agree "$graphml components" "$(figure ugraph_j2_graphml component)" \
        "$((components + ids - nodes))"
    for key in igraph_graphml networkx_graphml; do
        for word in node component largest; do
            same_figure "$word" ugraph_j2_graphml "$key"
        done
    done
}

median() { # median KEY COLUMN: the median of a column of times/KEY
    sort -n -k "$2" "times/$1" | awk -v c="$2" '{ v[NR] = $c }
        END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

wall() { # wall KEY: the median wall seconds
    awk -v us="$(median "$1" 1)" 'BEGIN { printf "%.3f", us / 1e6 }'
}

peak_mib() { # peak_mib KEY: the largest peak RSS of all rounds, MiB
    sort -n -k 2 "times/$1" | tail -n 1 | awk '{ printf "%.1f", $2 / 1024 }'
}

ratio() { # ratio A B: median wall of A over median wall of B
    awk -v a="$(median "$1" 1)" -v b="$(median "$2" 1)" \
        'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "n/a" }'
}

ns_per_byte() { # ns_per_byte KEY: median wall nanoseconds per byte of its file
    awk -v us="$(median "$1" 1)" -v bytes="$(stat -c %s "${input[$1]}")" \
        'BEGIN { printf "%.2f", us * 1000 / bytes }'
}

byte_ratio() { # byte_ratio A B: A's median wall per byte of its file over B's
    awk -v a="$(ns_per_byte "$1")" -v b="$(ns_per_byte "$2")" \
        'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "n/a" }'
}

print_table() {
    local key reference width=7
    for key in "${order[@]}"; do
        ((${#label[$key]} > width)) && width=${#label[$key]}
    done
    echo
    echo "Medians of $rounds round(s); the peak RSS is the largest of the rounds."
    echo
    printf '| %-*s | %13s | %12s | %22s |\n' "$width" Command "wall median s" "peak RSS MiB" \
        "/ ugraph -j2 same file"
    printf '|%s|--------------:|-------------:|-----------------------:|\n' "$(dashes $((width + 2)))"
    for key in "${order[@]}"; do
        reference="$(ugraph_key_of "${input[$key]}")"
        printf '| %-*s | %13s | %12s | %22s |\n' "$width" "${label[$key]}" "$(wall "$key")" \
            "$(peak_mib "$key")" "$(ratio "$key" "$reference")"
    done
}

dashes() { # dashes N: N dashes, a table rule
    printf '%*s' "$1" '' | tr ' ' -
}

ugraph_key_of() { # the key of ugraph's summary -j2 on a file
    local key
    for key in "${order[@]}"; do
        if [[ "$key" == ugraph_j2_* && "${input[$key]}" == "$1" ]]; then
            echo "$key"
            return
        fi
    done
}

# target NAME VALUE OP LIMIT FIGURES: one line of the targets table, PASS or MISS.
target() {
    local verdict=MISS
    if [ "$2" != n/a ] && awk -v v="$2" -v l="$4" "BEGIN { exit !(v $3 l) }"; then
        verdict=PASS
    fi
    printf '| %-50s | %8s | %-8s | %-6s | %s |\n' "$1" "$2" "$3 $4" "$verdict" "$5"
}

print_targets() {
    local j2 peak
    j2="$(wall ugraph_j2_big) s"
    peak="$(peak_mib ugraph_j2_big)"
    echo
    printf '| %-50s | %8s | %-8s | %-6s | %s |\n' Target Measured Limit Result Figures
    printf '|%s|---------:|----------|--------|---------|\n' "$(dashes 52)"
    target "RMAT-$scale summary -j2 / wc -l" "$(ratio ugraph_j2_big wc_big)" "<=" 3 \
        "$j2 against $(wall wc_big) s"
    target "SciPy / ugraph on RMAT-$scale" "$(ratio scipy_big ugraph_j2_big)" ">=" 25 \
        "$(wall scipy_big) s against $j2"
    target "igraph / ugraph on RMAT-$scale" "$(ratio igraph_big ugraph_j2_big)" ">=" 150 \
        "$(wall igraph_big) s against $j2"
    target "peak RSS MiB, RMAT-$scale summary -j2" "$peak" "<=" 32 "$peak MiB"
    for graph in grid uniform; do
        target "SciPy / ugraph on $graph" "$(ratio "scipy_$graph" "ugraph_j2_$graph")" ">=" 15 \
            "$(wall "scipy_$graph") s against $(wall "ugraph_j2_$graph") s"
    done
    target "RMAT-$scale -j1 / -j2" "$(ratio ugraph_j1_big ugraph_j2_big)" ">=" 1.6 \
        "$(wall ugraph_j1_big) s against $j2"
    target "RMAT-$scale / RMAT-$((scale - 2)) (4x the links)" \
        "$(ratio ugraph_j2_big ugraph_j2_small)" "<=" 4.5 "$j2 against $(wall ugraph_j2_small) s"
    target "RMAT-$scale text / summary" "$(ratio ugraph_text_big ugraph_j2_big)" "<=" 6 \
        "$(wall ugraph_text_big) s against $j2"
    target "RMAT-$scale .gz / zcat \\| wc -l" "$(ratio ugraph_j2_gz zcat_wc_gz)" "<=" 1.5 \
        "$(wall ugraph_j2_gz) s against $(wall zcat_wc_gz) s"
    target "RMAT-$scale .mtx / edge list" "$(ratio ugraph_j2_mtx ugraph_j2_big)" "<=" 1.2 \
        "$(wall ugraph_j2_mtx) s against $j2"
    target "RMAT-$scale .xz / xz -dc \\| wc -l" "$(ratio ugraph_j2_xz xz_wc)" "<=" 1.2 \
        "$(wall ugraph_j2_xz) s against $(wall xz_wc) s"
    target "RMAT-$scale .zst / zstd -dc \\| wc -l" "$(ratio ugraph_j2_zst zstd_wc)" "<=" 1.2 \
        "$(wall ugraph_j2_zst) s against $(wall zstd_wc) s"
    target "igraph / ugraph on RMAT-$((scale - 2)) GraphML" \
        "$(ratio igraph_graphml ugraph_j2_graphml)" ">=" 10 \
        "$(wall igraph_graphml) s against $(wall ugraph_j2_graphml) s"
    target "networkx / ugraph on RMAT-$((scale - 2)) GraphML" \
        "$(ratio networkx_graphml ugraph_j2_graphml)" ">=" 50 \
        "$(wall networkx_graphml) s against $(wall ugraph_j2_graphml) s"
    print_id_targets
    print_module_targets
}

# The targets of the same RMAT graph under sparse numbers and names.
print_id_targets() {
    local graph kind limit peak
    for graph in sparse names; do
        limit=1.5
        [ "$graph" = names ] && limit=3
        target "RMAT-$scale $graph / numbers, time per byte" \
            "$(byte_ratio "ugraph_j2_$graph" ugraph_j2_big)" "<=" "$limit" \
            "$(ns_per_byte "ugraph_j2_$graph") ns/B against $(ns_per_byte ugraph_j2_big) ns/B"
    done
    for graph in big sparse names; do
        kind="$graph"
        [ "$graph" = big ] && kind=numbers
        target "RMAT-$scale $kind -j1 / -j2" "$(ratio "ugraph_j1_$graph" "ugraph_j2_$graph")" \
            ">=" 1.4 "$(wall "ugraph_j1_$graph") s against $(wall "ugraph_j2_$graph") s"
    done
    for graph in sparse names; do
        target "SciPy / ugraph on RMAT-$scale $graph" \
            "$(ratio "scipy_$graph" "ugraph_j2_$graph")" ">=" 10 \
            "$(wall "scipy_$graph") s against $(wall "ugraph_j2_$graph") s"
    done
    target "igraph / ugraph on RMAT-$scale sparse" "$(ratio igraph_sparse ugraph_j2_sparse)" \
        ">=" 100 "$(wall igraph_sparse) s against $(wall ugraph_j2_sparse) s"
    # 16 bytes a node and the names' own bytes, beyond 16 MiB.
    limit="$(awk -v n="$rmat_nodes" -v b="$name_bytes" \
        'BEGIN { printf "%.1f", (16 * n + b) / 1048576 + 16 }')"
    peak="$(peak_mib ugraph_j2_names)"
    target "peak RSS MiB, RMAT-$scale names summary -j2" "$peak" "<=" "$limit" \
        "$peak MiB; 16 B × $rmat_nodes nodes + $name_bytes B of names + 16 MiB"
}

# The Python module beside pandas and SciPy in the same process (bench/python_module.py).
print_module_targets() {
    if [ -z "$module_dir" ]; then
        echo
        echo "No Python module in build/default (pybind11 or Python's headers missing): its two" \
            "targets are left out."
        return
    fi
    target "pandas + SciPy / ugraph.read on RMAT-$scale" "$(ratio module_peer module_read)" \
        ">=" 20 "$(wall module_peer) s against $(wall module_read) s"
    target "SciPy / ugraph.connected_components on RMAT-$scale CSR" \
        "$(ratio module_scipy_cc module_cc)" ">=" 5 \
        "$(wall module_scipy_cc) s against $(wall module_cc) s"
}

# The hashed floors beside ugraph: how far each kind of id could go.
print_floors() {
    local graph
    echo
    echo "Sparse numbers and names: ugraph's summary beside floor hashed (median wall s)."
    echo
    printf '| %-24s | %10s | %10s | %14s | %10s | %10s | %14s |\n' File "ugraph -j2" "floor -j2" \
        "ugraph / floor" "ugraph -j1" "floor -j1" "ugraph / floor"
    printf '|%s|-----------:|-----------:|---------------:|-----------:|-----------:|---------------:|\n' \
        "$(dashes 26)"
    for graph in sparse names; do
        printf '| %-24s | %10s | %10s | %14s | %10s | %10s | %14s |\n' "${!graph}" \
            "$(wall "ugraph_j2_$graph")" "$(wall "floor_hashed_j2_$graph")" \
            "$(ratio "ugraph_j2_$graph" "floor_hashed_j2_$graph")" "$(wall "ugraph_j1_$graph")" \
            "$(wall "floor_hashed_j1_$graph")" "$(ratio "ugraph_j1_$graph" "floor_hashed_j1_$graph")"
    done
    echo
    echo "GraphML: ugraph's summary -j2 $(wall ugraph_j2_graphml) s beside expat alone" \
        "$(wall floor_expat) s on $graphml: $(ratio ugraph_j2_graphml floor_expat) times."
}

# Each ugraph row beside the baseline's medians of the same command: the ratio to three
# places, since a few percent is what a change of the code moves.
print_baseline() {
    local key width=7 ours theirs
    [ -n "$baseline" ] || return 0
    for key in "${order[@]}"; do
        [[ "$key" == ugraph_* ]] && ((${#label[$key]} > width)) && width=${#label[$key]}
    done
    echo
    echo "ugraph beside the baseline ($baseline): median wall s; \"slower\" marks ugraph more" \
        "than 5% slower."
    echo
    printf '| %-*s | %8s | %8s | %18s | %-6s |\n' "$width" Command ugraph baseline \
        "ugraph / baseline" Note
    printf '|%s|---------:|---------:|-------------------:|--------|\n' "$(dashes $((width + 2)))"
    for key in "${order[@]}"; do
        [[ "$key" == ugraph_* ]] || continue
        ours="$(median "$key" 1)"
        theirs="$(median "baseline_$key" 1)"
        printf '| %-*s | %8s | %8s | %18s | %-6s |\n' "$width" "${label[$key]}" "$(wall "$key")" \
            "$(wall "baseline_$key")" "$(awk -v a="$ours" -v b="$theirs" \
                'BEGIN { if (b > 0) printf "%.3f", a / b; else printf "n/a" }')" \
            "$(awk -v a="$ours" -v b="$theirs" 'BEGIN { if (a > 1.05 * b) printf "slower" }')"
    done
}

install_missing
build
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir out err times
generate
for ((round = 1; round <= rounds; round++)); do
    one_round
    # A disagreement shows in the first round; no need to wait for the others.
    ((round > 1)) || check_agreement
done
print_table
print_targets
print_floors
print_baseline
