#!/usr/bin/env bash
# Runs two builds of ugraph with every mode on every test input and compares their standard
# output, standard error and exit status byte for byte: a restructuring must change none.
# Usage: same_output.sh OLD_UGRAPH NEW_UGRAPH; MAKE_GRAPH=path/to/make_graph adds its graphs.
# Prints each command whose runs differ and a count; exits 1 on any difference, 2 on misuse.
set -euo pipefail
export LC_ALL=C # the same locale for both programs, whatever the caller's
root="$(cd "$(dirname "$0")/.." && pwd)"

fail() {
    echo "same_output: $*" >&2
    exit 2
}

absolute() { # absolute PROGRAM: a path that still holds once the runs leave the caller's folder
    local program="$1"
    [[ "$program" == */* ]] && program="$(cd "$(dirname "$program")" && pwd)/$(basename "$program")"
    [ -x "$program" ] || command -v "$program" > /dev/null || fail "$1 is not a program"
    echo "$program"
}

(($# == 2)) || fail "usage: same_output.sh OLD_UGRAPH NEW_UGRAPH"
old="$(absolute "$1")"
new="$(absolute "$2")"
# bench's graph generator, given or built by the bench preset; without it its graphs are left out.
make_graph="$root/build/bench/bench/make_graph"
if [ -n "${MAKE_GRAPH:-}" ]; then
    make_graph="$(absolute "$MAKE_GRAPH")"
elif ! [ -x "$make_graph" ]; then
    echo "same_output: no make_graph (set MAKE_GRAPH); its graphs are left out" >&2
    make_graph=""
fi

# The runs leave some 100 MB of results: in memory where /dev/shm is (unless TMPDIR says
# otherwise), since a busy disk takes as long to write and remove them as the runs take.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
    work="$(mktemp -d -p /dev/shm)"
else
    work="$(mktemp -d)"
fi
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/res/old" "$work/res/new" "$work/feed" "$work/boxes"
commands=() # commands[n]: the command of the runs res/old/n.* and res/new/n.*
# What a run reads and where its output goes, set for one call as in feed=FILE check ...:
feed=""     # a file for standard input (else /dev/null)
pipe=""     # set: the feed comes through a pipe
sink=""     # a file for standard output (else the results)

# one_run PROGRAM RESULT ARG...: one run into RESULT.out, RESULT.err and RESULT.status, with
# $feed on standard input (through a pipe when $pipe is set, so the stream reader reads it)
# and $sink in place of standard output when set. No timeout: it would cost a process a run,
# and a program that hangs shows as a run that never ends.
one_run() {
    local program="$1" result="$2" status=0
    shift 2
    : > "$result.out"
    if [ -n "${pipe:-}" ]; then
        # cat dies of SIGPIPE when the program stops reading early; the program's status counts.
        { cat "$feed" 2> /dev/null || true; } |
            "$program" "$@" > "${sink:-$result.out}" 2> "$result.err" || status=$?
    else
        "$program" "$@" < "${feed:-/dev/null}" > "${sink:-$result.out}" 2> "$result.err" ||
            status=$?
    fi
    echo "$status" > "$result.status"
}

# shown ARG...: the command as a line of the report, quoted to be typed again, into "line"
# (no command substitution: a process per command would cost as much as a run).
shown() {
    line=""
    (($# == 0)) || printf -v line ' %q' "$@"
    line="ugraph$line"
    local input="${feed:-}" # named within the scratch folder or the repository
    input="${input#"$work/"}"
    input="${input#"$root/"}"
    [ -n "$input" ] && line="$line < $input"
    [ -n "${pipe:-}" ] && line="cat $input | ${line% <*}"
    [ -n "${sink:-}" ] && line="$line > $sink"
    [ -n "${box:-}" ] && line="$line (in a copy of ${box#"$work/"})"
    return 0
}

# check ARG...: both programs with these arguments in the shared input folder, which no mode
# run here writes to. The results are compared at the end, all at once (a process per
# comparison would take as long as the runs).
check() {
    local n="${#commands[@]}" line
    shown "$@"
    commands+=("$line")
    one_run "$old" "$work/res/old/$n" "$@"
    one_run "$new" "$work/res/new/$n" "$@"
}

# check_in BOX ARG...: both programs, one after the other, on copies of the folder BOX at the
# same absolute path, for modes that may write there; the folders they leave are kept with
# the results, to be compared too.
check_in() {
    local box="$1" n="${#commands[@]}" run line
    shift
    shown "$@"
    commands+=("$line")
    for run in old new; do
        cp -a "$box" "$work/box"
        cd "$work/box"
        one_run "${!run}" "$work/res/$run/$n" "$@"
        cd "$work/in"
        mv "$work/box" "$work/res/$run/$n.box"
    done
}

# report: one line per command whose runs differ (in what), and the count. A result is
# res/RUN/N.out, .err, .status or .box (the folder of a check_in); "diff -rq" names the files
# that differ or stand in one folder only, and the lists of permission bits the others.
report() {
    local line n part modes
    declare -A parts=()
    while IFS= read -r line; do
        modes=""
        [[ "$line" == "modes "* ]] && modes=1
        # "Files res/old/N.PART and res/new/N.PART differ", "Only in res/RUN/N.box...: NAME",
        # or "modes N.PART/NAME MODE" from the permission lists.
        line="${line#* "$work"/res/*/}"
        n="${line%%.*}"
        part="${line#*.}"
        part="${part%% *}"
        part="${part%%/*}"
        part="${part%:}"
        case "$part" in
        out) part=stdout ;;
        err) part=stderr ;;
        box) part=files ;;
        esac
        [ -z "$modes" ] || part=modes
        [[ ",${parts[$n]:-}," == *",$part,"* ]] || parts[$n]="${parts[$n]:+${parts[$n]},}$part"
    done < <(
        diff -rq "$work/res/old" "$work/res/new" || true
        diff <(cd "$work/res/old" && find . -printf '%p %m\n' | sort) \
            <(cd "$work/res/new" && find . -printf '%p %m\n' | sort) |
            sed -n "s|^[<>] \./|modes $work/res/x/|p"
    )
    for n in $(printf '%s\n' "${!parts[@]}" | sort -n); do
        echo "differs (${parts[$n]}): ${commands[$n]}"
    done
    echo "${#parts[@]} of ${#commands[@]} commands differ" \
        "($(((${EPOCHREALTIME/./} - start) / 1000000)) s)"
    ((${#parts[@]} == 0))
}

# The graph files of any size, named relative to the input folder: the checked-in test data,
# made-up files for each reader (made/) and each message (bad/), gzip copies, and
# make_graph's graphs.
gather_inputs() {
    cd "$work/in"
    cp -a "$root/tests/data" data
    cp "$root/GraphDataFile2.txt" GraphDataFile2.txt
    mkdir made bad gz graphs
    made_inputs
    bad_inputs
    for file in data/awkward_names.txt data/dot/constructs.gv made/matrix.mtx made/friends.csv; do
        gzip -9 -n -c "$file" > "gz/$(basename "$file").gz"
    done
    # Two members one after another read as one; a damaged and a cut-off stream.
    gzip -n -c made/plain.txt > gz/members.txt.gz
    gzip -n -c made/friends.csv >> gz/members.txt.gz
    seq 1 4000 | awk '{ print $1, $1 + 1 }' | gzip -n -c > bad/damaged.txt.gz
    head -c 2000 bad/damaged.txt.gz > bad/cut.txt.gz
    printf '\x55\x55\x55\x55' | dd of=bad/damaged.txt.gz bs=1 seek=200 conv=notrunc status=none
    made_graphs
}

# Small files, one or a few for each way of reading a graph.
made_inputs() {
    printf '1 2\n2 3\n4 5\n6\n# a comment\n%% another\n\n7 7\n3 2\n1 2\n' > made/plain.txt
    printf '# who knows whom\nalice,bob\nbob,carol\ndave,erin\nfrank\n' > made/friends.csv
    printf 'Id,Source,Target,Weight\n0,Brown and Dawson,Du Bois,1\n1,Du Bois,Smith,2\n' \
        > made/gephi.csv
    printf 'a;b\nb;c\nd;e\n' > made/semicolon.csv
    printf 'x\ty\t3\ny\tz\t4\nw\tv\t5\n' > made/tabs.tsv
    printf '1 2\r\n3 4\r\n4 5\r\n' > made/crlf.txt
    printf '1 2\r3 4\r4 5\r' > made/cr.txt
    printf '\xef\xbb\xbf1 2\n2 3\n5 6\n' > made/bom.txt
    printf '\xff\xfea\x00 \x00b\x00\n\x00c\x00 \x00d\x00\n\x00' > made/utf16.txt
    printf '"Smith, J.",Jones\n"a""b",""\nJones,"x y"\n' > made/quoted.csv
    printf 'from to\n1 2\n3 4\n' > made/from_to.txt
    printf 'a b\n1 2\n3 4\n' > made/header_guess.txt
    printf '100 1 2\n101 2 3\n102 5\n103 6 7\n' > made/times.txt
    printf '007 8\n0 9223372036854775807\n8 10\n' > made/numbers.txt
    printf 'caf\xc3\xa9 \xff\x01x\n<&> "q\n"123" #x\n' > made/awkward.txt
    printf '"#c" ""\n"1 2" a;b\nfrom to\n' > made/quote_needs.txt
    : > made/empty.txt
    printf '\n\n# only a comment\n' > made/blank.txt
    printf '%%%%MatrixMarket matrix coordinate pattern symmetric\n%% c\n5 5 3\n1 2\n2 3\n4 4\n' \
        > made/matrix.mtx
    printf '%%%%MatrixMarket matrix coordinate real general\n3 4 2\n1 2 0.5\n3 4 1.5\n' \
        > made/real.mtx
    printf 'graph { a -- b; c; d -- e -- a }\n' > made/small.gv
    printf 'graph { "a\nb" -- c }\n' > made/line_break.gv
    # Numbers for more than the first 64 KiB, then a name: the file is read once more as
    # names (and refused from a pipe).
    seq 1 12000 | awk '{ print $1, ($1 * 7) % 12000 }' > made/late_name.txt
    printf 'v1 v2\n5 6\n' >> made/late_name.txt
}

# Files that cannot be read, one for each message.
bad_inputs() {
    printf '9223372036854775808 1\n' > bad/too_large.txt
    printf 'a,b\na,,b\n' > bad/empty_id.csv
    printf 'a,b\n"abc,d\n' > bad/unclosed.csv
    printf '%%%%MatrixMarket matrix array real general\n2 2\n1\n2\n3\n4\n' > bad/array.mtx
    printf '%%%%MatrixMarket matrix coordinate pattern general\n' > bad/no_size.mtx
    printf '%%%%MatrixMarket matrix coordinate pattern general\n2 2 1\n3 1\n' > bad/outside.mtx
    printf '%%%%MatrixMarket matrix coordinate pattern general\n3 3 3\n1 2\n' > bad/count.mtx
    printf 'graph { a -- }\n' > bad/syntax.gv
    printf '\xfd7zXZ\x00\x00' > bad/xz.bin
    printf '\x7fELF\x02\x01\x01' > bad/elf.bin
    printf '1 2\n\x00\n' > bad/nul.bin
    printf 'PK\x03\x04rest' > bad/zip.bin
    printf '%%PDF-1.4\n' > bad/pdf.bin
    printf '\x89PNG\r\n\x1a\n' > bad/png.bin
    printf 'BZh91AY&SY' > bad/bz2.bin
    printf '\x28\xb5\x2f\xfd' > bad/zstd.bin
    # A field that is no number after the first 64 KiB of numbers, with --ids=numbers.
    seq 1 12000 | awk '{ print $1, ($1 * 7) % 12000 }' > bad/late_bad.txt
    printf '5 x7\n' >> bad/late_bad.txt
}

# make_graph's graphs, as bench/any_size.sh makes them but small: up to a few of the
# readers' 256 KiB blocks, so that one, two and three threads split them differently.
made_graphs() {
    [ -n "$make_graph" ] || return 0
    "$make_graph" rmat 11 > graphs/rmat-11.txt
    "$make_graph" grid 40 > graphs/grid-40.txt
    "$make_graph" uniform 30000 40000 > graphs/uniform-30000.txt
    "$make_graph" --mtx rmat 11 > graphs/rmat-11.mtx
    "$make_graph" --ids=sparse rmat 11 > graphs/rmat-11-sparse.txt
    "$make_graph" --ids=names rmat 11 > graphs/rmat-11-names.csv
    gzip -1 -n -c graphs/rmat-11.txt > graphs/rmat-11.txt.gz
}

# Every report of one FILE: on the first thread count, each format with each choice of a
# component; on the others, the reports whose work the threads share.
all_reports() { # all_reports FILE THREADS...
    local file="$1" format component threads
    for format in summary labels text json dot edges; do
        check --format="$format" -j"$2" "$file"
        for component in 1 2 largest 99999; do
            check --format="$format" --component="$component" -j"$2" "$file"
        done
    done
    shift 2
    for threads in "$@"; do
        for format in summary labels text edges; do
            check --format="$format" -j"$threads" "$file"
        done
        check --format=labels --component=2 -j"$threads" "$file"
    done
}

# Fewer reports, for files that mostly test a reader: each format whole, some components,
# and the summary on one thread.
some_reports() { # some_reports FILE
    local format
    for format in summary labels text json dot edges; do
        check --format="$format" "$1"
    done
    check --format=labels --component=2 "$1"
    check --format=text --component=largest "$1"
    check --component=99999 "$1"
    check -j1 "$1"
}

# The options that change how a FILE is read, each once, on the labels; the ids also on the
# edges, which quote names. "all" adds the rarer ones.
read_options() { # read_options FILE [all]
    local option options=(--ids=names --ids=numbers --header --no-header '--columns=2,1'
        --separator=comma --separator=space --input-format=edges)
    [ "${2:-}" = all ] && options+=('--columns=1,3' --separator=tab --separator=semicolon
        --separator=';' --separator=x --input-format=mtx --input-format=dot -q)
    for option in "${options[@]}"; do
        check "$option" --format=labels "$1"
    done
    check --ids=names --format=edges "$1"
    check --ids=numbers --format=edges "$1"
}

any_size_files() {
    local file
    while IFS= read -r file; do
        all_reports "$file" 2 1
        read_options "$file" all
    done < <(find data -type f | sort)
    while IFS= read -r file; do
        some_reports "$file"
        read_options "$file"
    done < <(find made -type f | sort)
    while IFS= read -r file; do
        some_reports "$file"
        check --ids=names "$file"
    done < <(find gz -type f | sort)
    while IFS= read -r file; do
        all_reports "$file" 2 1 3
        check --ids=names --format=labels "$file"
        check --ids=numbers -j3 "$file"
        check --input-format=edges --format=edges -j1 "$file"
    done < <(find graphs -type f | sort)
    while IFS= read -r file; do
        check "$file"
        check --format=text -j1 "$file"
        check --format=labels --component=1 "$file"
        check --ids=numbers --format=edges "$file"
        check --input-format=edges "$file"
    done < <(find bad -type f | sort)
    # Standard input through a pipe (the stream reader), and from a regular file.
    for file in data/awkward_names.txt made/friends.csv made/matrix.mtx data/dot/constructs.gv \
        gz/friends.csv.gz made/late_name.txt bad/late_bad.txt bad/cut.txt.gz bad/zip.bin; do
        feed="$work/in/$file" pipe=1 some_reports -
        feed="$work/in/$file" pipe=1 check --ids=numbers -
    done
    feed="$work/in/made/friends.csv" pipe=1 all_reports - 2
    feed="$work/in/made/friends.csv" some_reports -
    [ -z "$make_graph" ] || feed="$work/in/graphs/rmat-11.txt" pipe=1 all_reports - 2
    # Several FILEs: summaries go on after a file that cannot be read.
    mapfile -t files < <(find data made bad gz -type f | sort)
    check "${files[@]}"
    check -j1 "${files[@]}" data missing.txt
    check -q made/plain.txt data/dot made/friends.csv
    check --format=labels made/plain.txt made/friends.csv
    check missing.txt
    check data
    check ""
}

# The data files of the dialogue's modes: the sample, awkward_names.txt, and the data files
# of the transcripts, each copied under a name of its own.
gather_data_files() {
    local case name
    mkdir "$work/in/datafiles"
    cp "$root/tests/data/awkward_names.txt" "$work/in/datafiles/awkward_names.txt"
    for case in "$root"/tests/transcripts/*; do
        name="$(basename "$case")"
        [ -f "$case/GraphDataFile2.txt" ] &&
            cp "$case/GraphDataFile2.txt" "$work/in/datafiles/$name.txt"
        [ -d "$case/files" ] && while IFS= read -r file; do
            cp "$file" "$work/in/datafiles/$name-$(basename "$file")"
        done < <(find "$case/files" -type f)
    done
    # Many transcripts share a data file; one copy of each is enough.
    (cd "$work/in/datafiles" && md5sum -- * | sort | awk 'seen[$1]++ { print $2 }' | xargs -r rm --)
}

graph_count() { # graph_count DATAFILE: the graphs the old program lists
    { "$old" --list --file "$1" 2> /dev/null || true; } | wc -l
}

# --list and --graph N in every format, for every N a data file holds and one past it
# (text is the default format).
data_file_modes() {
    local file count n format
    for file in GraphDataFile2.txt datafiles/*; do
        check --list --file "$file"
        count="$(graph_count "$file")"
        for ((n = 1; n <= count + 1; n++)); do
            check --graph "$n" --file "$file"
            check --graph="$n" --file="$file" --format=json
            check -g "$n" -f "$file" --format dot
        done
    done
    # The default data file of the current folder, short options, and standard input.
    check --list
    check -l
    check --graph 18
    check -g 19 --format json
    check -g 8 -f GraphDataFile2.txt --format=dot
    feed="$work/in/GraphDataFile2.txt" check --list --file -
    feed="$work/in/GraphDataFile2.txt" pipe=1 check --graph 15 --file - --format=json
    feed="$work/in/GraphDataFile2.txt" pipe=1 check -l -f -
    check --list --file missing.txt
    check --graph 1 --file missing.txt
    check --list --file data
    check --graph 2 --file data/dot
    check --list --file made/empty.txt
    check --graph 1 --file made/plain.txt
}

# Wrong usage, --help, --version, and writes that fail.
usage_modes() {
    local args
    check --help
    check -h
    check --version
    check --help --version
    check --version --help
    check --help --bogus
    check --bogus --help
    for args in "--graph 0" "--graph x" "--graph" "--graph 1 --format svgz" "--format=json" \
        "--list --graph 1" "--list --edit" "--graph 1 --edit" "--file - " "--edit --file -" \
        "--list made/plain.txt" "--graph 1 made/plain.txt" "--edit made/plain.txt" \
        "--file GraphDataFile2.txt made/plain.txt" "--ids=names" "--ids=bogus made/plain.txt" \
        "--separator=ab made/plain.txt" "--separator= made/plain.txt" \
        "--separator=\" made/plain.txt" \
        "--columns=0,1 made/plain.txt" "--columns=1 made/plain.txt" "--columns=a,b made/plain.txt" \
        "-j0 made/plain.txt" "-j made/plain.txt" "--threads=x made/plain.txt" \
        "--component=0 made/plain.txt" "--component=x made/plain.txt" "--component" \
        "--format=text made/plain.txt made/friends.csv" "--format=svg made/plain.txt" \
        "--input-format=csv made/plain.txt" "--header" "-q" "--bogus" "-x" "-" "--list extra" \
        "--graph=1 --graph=2 --file GraphDataFile2.txt" "--format=dot --format=json -g 3" \
        "-- made/plain.txt" "-j2 -- -" "--no-header --header made/header_guess.txt"; do
        read -ra argv <<< "$args"
        check "${argv[@]}"
    done
    sink=/dev/full check --help
    sink=/dev/full check --version
    sink=/dev/full check --list
    sink=/dev/full check --graph 17 --format=dot
    sink=/dev/full check made/friends.csv
    sink=/dev/full check --format=text graphs/rmat-11.txt
    sink=/dev/full check --format=labels made/plain.txt
    feed="$work/feed/file_last" sink=/dev/full check_in "$work/boxes/sample"
}

# The dialogue and the edit run, typed on standard input, each on its own copy of the data.
dialogue_modes() {
    local count n case name
    mkdir "$work/boxes/sample"
    cp "$root/GraphDataFile2.txt" "$work/boxes/sample/"
    count="$(graph_count GraphDataFile2.txt)"
    printf 'F\n%s\n\n' "$count" > "$work/feed/file_last"
    for ((n = 0; n <= count + 1; n++)); do
        printf 'F\n%s\n\n' "$n" > "$work/feed/file_$n"
        feed="$work/feed/file_$n" check_in "$work/boxes/sample"
        # Node 1's row replaced, the graph renamed, saved; then left as it was.
        printf 'F\n%s\n1\n2 3\n-1\nEdited\n0\nY\n' "$n" > "$work/feed/edit_$n"
        feed="$work/feed/edit_$n" check_in "$work/boxes/sample" --edit
        printf 'F\n%s\n0\nn\n' "$n" > "$work/feed/keep_$n"
        feed="$work/feed/keep_$n" check_in "$work/boxes/sample" -e
    done
    printf 'K\nTri\n4\n2 3\n3\n\n\n\n' > "$work/feed/keyboard"
    feed="$work/feed/keyboard" check_in "$work/boxes/sample"
    printf 'k\nNew one\n3\n2\n3\n\n0\nmaybe\nyes\n' > "$work/feed/keyboard_add"
    feed="$work/feed/keyboard_add" check_in "$work/boxes/sample" --edit --file added.txt
    feed="$work/feed/keyboard_add" check_in "$work/boxes/sample" --edit
    feed="$work/feed/file_last" check_in "$work/boxes/sample" --file GraphDataFile2.txt
    feed="$work/feed/file_last" pipe=1 check_in "$work/boxes/sample"
    check_in "$work/boxes/sample"
    # Every transcript of the tests, with its arguments, input and files.
    for case in "$root"/tests/transcripts/*; do
        name="$(basename "$case")"
        mkdir "$work/boxes/$name"
        [ -f "$case/GraphDataFile2.txt" ] && cp "$case/GraphDataFile2.txt" "$work/boxes/$name/"
        [ -e "$case/sample" ] && cp "$root/GraphDataFile2.txt" "$work/boxes/$name/"
        [ -d "$case/files" ] && cp -a "$case/files/." "$work/boxes/$name/"
        argv=()
        [ -f "$case/args" ] && mapfile -t argv < "$case/args"
        feed="$case/input" check_in "$work/boxes/$name" "${argv[@]}"
    done
}

start="${EPOCHREALTIME/./}"
gather_inputs
gather_data_files
cd "$work/in"
any_size_files
data_file_modes
dialogue_modes
usage_modes
report
