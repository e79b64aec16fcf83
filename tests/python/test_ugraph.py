# The Python module against the command line's --format=labels and against SciPy.
import errno
import gzip
import io
import os
import subprocess
import sys

import numpy as np
import pytest
import scipy.sparse as sp
from scipy.sparse.csgraph import connected_components as scipy_components

import ugraph

PROGRAM = os.environ.get("UGRAPH_PROGRAM", "ugraph")

# name, file text, read's keywords, the command line's options
FILES = [
    ("numbers", "1 2\n2 3\n5 5\n9 8\n", {}, []),
    ("hashed numbers", "9000000000 2\n2 3\n70000000 70000001\n", {}, []),
    ("names", "b a\nc d\na c\nz z\n", {}, []),
    ("names forced", "1 2\n2 3\n", {"ids": "names"}, ["--ids=names"]),
    ("csv header", "source,target\nx,y\ny,z\nw,v\n", {}, []),
    ("columns", "1;a;b\n2;b;c\n3;d;e\n", {"separator": ";", "columns": (2, 3)},
     ["--separator=;", "--columns=2,3"]),
    ("no header", "from to\nto x\n", {"header": False}, ["--no-header"]),
    ("matrix market", "%%MatrixMarket matrix coordinate pattern symmetric\n5 5 2\n1 2\n4 3\n",
     {}, []),
    ("adjacency list", "1 2 3\n4 5\n6\n", {"input_format": "adjlist"}, ["--input-format=adjlist"]),
    ("metis", "4 2\n2\n1\n4\n3\n", {"input_format": "metis"}, ["--input-format=metis"]),
    ("pajek", '*Vertices 3\n1 "a"\n2 "b"\n3 "c"\n*Edges\n1 3\n', {}, []),
    ("gml", "graph [ node [ id 1 ] node [ id 2 ] node [ id 3 ] edge [ source 3 target 1 ] ]\n",
     {}, []),
]


def command_labels(path, options):
    out = subprocess.run([PROGRAM, "--format=labels", *options, str(path)], check=True,
                         capture_output=True).stdout.decode("utf-8", "surrogateescape")
    rows = [line.split("\t") for line in out.splitlines()]
    return [row[0] for row in rows], [int(row[1]) for row in rows]


@pytest.mark.parametrize("name,text,keywords,options", FILES, ids=[f[0] for f in FILES])
@pytest.mark.parametrize("packed", [False, True], ids=["plain", "gzip"])
def test_read_agrees_with_labels_format(tmp_path, name, text, keywords, options, packed):
    path = tmp_path / "graph"
    path.write_bytes(gzip.compress(text.encode()) if packed else text.encode())
    g = ugraph.read(path, **keywords)
    ids, labels = command_labels(path, options)
    assert [str(node) for node in g.nodes] == ids
    assert g.labels.tolist() == labels and g.labels.dtype == np.int32
    assert g.count == max(labels, default=0) and len(g) == len(ids)
    assert g.sizes.tolist() == [labels.count(k) for k in range(1, g.count + 1)]
    assert g.largest == 1 + int(np.argmax(g.sizes))
    assert [str(n) for n in g.component("largest")] == [
        i for i, k in zip(ids, labels) if k == g.largest]


def test_read_counts_links_and_gives_number_ids_as_int64(tmp_path):
    (tmp_path / "g").write_text("1 2\n2 1\n3 3\n")
    g = ugraph.read(tmp_path / "g")
    assert g.nodes.dtype == np.int64 and g.links == 3 and g.count == 2


@pytest.mark.parametrize("opener", [
    lambda p: open(p, "rb"), lambda p: open(p), lambda p: io.BytesIO(p.read_bytes()),
    lambda p: io.StringIO(p.read_text())], ids=["binary", "text", "bytes", "str"])
def test_read_takes_a_file_object(tmp_path, opener):
    path = tmp_path / "g"
    path.write_text("a b\nc d\nb e\n")
    with opener(path) as f:
        g = ugraph.read(f)
    assert g.nodes.tolist() == ["a", "b", "c", "d", "e"] and g.labels.tolist() == [1, 1, 2, 2, 1]


def test_read_is_the_same_on_1_2_and_8_threads(tmp_path):
    rng = np.random.default_rng(7)
    pairs = rng.integers(0, 50000, size=(300000, 2))
    path = tmp_path / "g"
    np.savetxt(path, pairs, fmt="%d")
    graphs = [ugraph.read(path, threads=t) for t in (1, 2, 8)]
    for g in graphs[1:]:
        assert np.array_equal(g.nodes, graphs[0].nodes)
        assert np.array_equal(g.labels, graphs[0].labels)


# the file's text (None: no file there), read's keywords, the exception, errno or line
FAILURES = [
    (None, {}, FileNotFoundError, errno.ENOENT),
    ("dir", {}, IsADirectoryError, errno.EISDIR),
    ("1 2\n3 x\n", {"ids": "numbers"}, ugraph.Error, 2),
    ("%%MatrixMarket matrix coordinate pattern general\n2 2 3\n1 2\n", {}, ugraph.Error, 2),
    ("\x00\x01\x02binary", {}, ugraph.Error, None),
    ("1 2\n", {"ids": "digits"}, ValueError, None),
    ("1 2\n", {"separator": "ab"}, ValueError, None),
    ("1 2\n", {"columns": "1,1"}, ValueError, None),
    ("1 2\n", {"input_format": "xml"}, ValueError, None),
    ("1 2\n", {"threads": 0}, ValueError, None),
]


@pytest.mark.parametrize("text,keywords,kind,detail", FAILURES)
def test_read_failures(tmp_path, text, keywords, kind, detail):
    path = tmp_path / "g"
    if text == "dir":
        path.mkdir()
    elif text is not None:
        path.write_text(text)
    with pytest.raises(kind) as caught:
        ugraph.read(path, **keywords)
    if issubclass(kind, OSError):
        assert caught.value.errno == detail and caught.value.filename == str(path)
    if kind is ugraph.Error:
        assert isinstance(caught.value, ValueError)
        assert caught.value.file == str(path) and caught.value.line == detail
        options = [f"--{key}={value}" for key, value in keywords.items()]
        run = subprocess.run([PROGRAM, *options, str(path)], capture_output=True, text=True)
        assert str(caught.value) == run.stderr.strip()


def test_read_refuses_standard_input_by_name():
    with pytest.raises(ValueError):
        ugraph.read("-")


@pytest.mark.skipif("asan" in os.environ.get("LD_PRELOAD", ""), reason="ASan reserves memory")
def test_memory_running_out_is_memory_error():
    code = ("import resource, ugraph; resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30))\n"
            "try: ugraph.connected_components(([0], [1]), n=(1 << 30) - 2)\n"
            "except MemoryError: print('MemoryError')")
    run = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True)
    assert run.stdout.strip() == "MemoryError"


def reads_dot(tmp_path):
    (tmp_path / "probe.gv").write_text("graph { a -- b }\n")
    try:
        return ugraph.read(tmp_path / "probe.gv").count == 1
    except ugraph.Error:
        return False  # built without cgraph


# cgraph starts only with about six times the text free: a DOT file too big
# for the memory left is a MemoryError naming it, where the program's run ends.
@pytest.mark.skipif("asan" in os.environ.get("LD_PRELOAD", ""), reason="ASan reserves memory")
def test_dot_file_without_room_is_memory_error(tmp_path):
    if not reads_dot(tmp_path):
        pytest.skip("built without Graphviz's cgraph")
    path = tmp_path / "big.gv"
    path.write_text("graph {\n" + "".join(f"n{i} -- n{i + 1};\n" for i in range(600000)) + "}\n")
    code = ("import resource, sys, ugraph\n"
            "size = int(open('/proc/self/statm').read().split()[0]) * resource.getpagesize()\n"
            "resource.setrlimit(resource.RLIMIT_AS, (size + (48 << 20),) * 2)\n"
            "try: ugraph.read(sys.argv[1])\n"
            "except MemoryError as e: print('MemoryError', e)")
    run = subprocess.run([sys.executable, "-c", code, str(path)], capture_output=True, text=True)
    assert run.stdout.strip() == f"MemoryError ugraph: {path}: out of memory", run.stderr


def random_graph(seed, n, m, loops=True):
    rng = np.random.default_rng(seed)
    rows, cols = rng.integers(0, n, m), rng.integers(0, n, m)
    if not loops:
        cols = np.where(rows == cols, (cols + 1) % n, cols)
    return rows, cols


# name, nodes, links: sparse, dense, empty, one node, self-links alone, repeated links
GRAPHS = [("sparse", 500, 300), ("dense", 60, 400), ("no links", 40, 0), ("empty", 0, 0),
          ("one node", 1, 0), ("self-links", 30, 30), ("repeated", 20, 200)]
FORMS = {
    "csr": lambda m, r, c: m.tocsr(), "csc": lambda m, r, c: m.tocsc(),
    "coo": lambda m, r, c: m, "lil": lambda m, r, c: m.tolil(),
    "dense": lambda m, r, c: m.toarray(),
    "pair int32": lambda m, r, c: (r.astype(np.int32), c.astype(np.int32)),
    "pair int64": lambda m, r, c: (r.astype(np.int64), c.astype(np.int64)),
    "table int32": lambda m, r, c: np.stack([r, c], axis=1).astype(np.int32),
    "table int64": lambda m, r, c: np.stack([r, c], axis=1).astype(np.int64),
}


@pytest.mark.parametrize("name,n,m", GRAPHS, ids=[g[0] for g in GRAPHS])
@pytest.mark.parametrize("form", FORMS)
@pytest.mark.parametrize("seed", [1, 2, 3])
def test_connected_components_agree_with_scipy(name, n, m, form, seed):
    rows, cols = random_graph(seed, max(n, 1), m)
    if name == "self-links":
        cols = rows
    if name == "repeated":
        rows, cols = np.repeat(rows[:5], 40), np.repeat(cols[:5], 40)
    matrix = sp.coo_matrix((np.ones(len(rows)), (rows, cols)), shape=(n, n))
    expected = scipy_components(matrix, directed=False)
    graph = FORMS[form](matrix, rows, cols)
    if form.startswith("table") and len(rows) == 2:
        pytest.skip("a square array is a matrix")
    keywords = {"n": n} if form.startswith(("pair", "table")) else {}
    count, labels = ugraph.connected_components(graph, **keywords)
    assert count == expected[0] and labels.dtype == np.int32
    assert np.array_equal(labels, expected[1])
    assert ugraph.connected_components(graph, return_labels=False, **keywords) == expected[0]


def test_connected_components_are_the_same_on_1_2_and_8_threads():
    rows, cols = random_graph(5, 100000, 150000)
    results = [ugraph.connected_components((rows, cols), threads=t) for t in (1, 2, 8)]
    assert all(r[0] == results[0][0] and np.array_equal(r[1], results[0][1]) for r in results)


@pytest.mark.parametrize("graph,keywords,kind", [
    (([0, 5], [1, 2]), {"n": 4}, ValueError),
    (([0, -1], [1, 2]), {}, ValueError),
    (np.zeros((3, 4)), {}, ValueError),
    (np.array([[0.5, 1.5, 2.0]] * 5), {}, ValueError),
    (np.eye(3), {"directed": True, "connection": "strong"}, NotImplementedError),
    (np.eye(3), {"connection": "middling"}, ValueError),
    (np.eye(3), {"threads": 5000}, ValueError),
])
def test_connected_components_failures(graph, keywords, kind):
    with pytest.raises(kind):
        ugraph.connected_components(graph, **keywords)


def test_directed_weak_is_undirected():
    m = sp.csr_matrix(([1, 1], ([0, 3], [1, 2])), shape=(4, 4))
    assert ugraph.connected_components(m, directed=True)[1].tolist() == [0, 0, 1, 1]
