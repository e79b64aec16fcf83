#!/usr/bin/python3
# Checks ugraph's reading of files that networkx and igraph write themselves.
# Random graphs (none, one or many nodes, isolated nodes, links to themselves,
# repeated links, awkward names; directed and undirected) are written by each
# writer below; ugraph's labels must split the nodes into the components
# networkx finds (weakly connected ones for a directed graph), its summary must
# count the nodes and links written, and its edge list must read back with the
# same components. Each disagreement is one line; the exit status is 1 if any.
# GraphML is reported as skipped while the build refuses it.
# Usage: check_peer_writers.py PROGRAM [SEED]
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

try:
    import igraph
    import networkx as nx
except ImportError as missing:
    print(f"peer writers: {missing.name} is not importable; the check is skipped")
    sys.exit(0)

PROGRAM = sys.argv[1]
SEED = int(sys.argv[2]) if len(sys.argv) > 2 else 23
SIZES = [0, 1, 1, 2, 3, 5, 8, 13, 30, 100]

# Each name style is unique by the node's number, so no two nodes share a name.
NAMES = {
    "plain": lambda i: f"n{i}",
    "number": lambda i: f"{i}",  # a number as a string
    "quote": lambda i: f'q"{i}',
    "accent": lambda i: f"Zoë{i}",
    "cjk": lambda i: f"节点{i}",
    "blank": lambda i: f"a b{i}",
    "quoted blank": lambda i: f'say "hi" {i}',
}
# Adjacency lists separate names by blanks, so their names have none.
NO_BLANKS = ["plain", "number", "quote", "accent", "cjk"]


def random_graph(rng, size, directed, styles):
    graph = nx.MultiDiGraph() if directed else nx.MultiGraph()
    graph.add_nodes_from(NAMES[rng.choice(styles)](i) for i in range(size))
    nodes = list(graph)
    for _ in range(rng.randint(0, size + size // 4) if size else 0):
        u = rng.choice(nodes)
        v = u if rng.random() < 0.1 else rng.choice(nodes)
        weight = {"weight": round(rng.uniform(-2, 5), 2)} if rng.random() < 0.5 else {}
        graph.add_edge(u, v, **weight)
        if rng.random() < 0.1:
            graph.add_edge(u, v)  # a repeated link
    return graph


def as_igraph(graph):
    index = {node: i for i, node in enumerate(graph)}
    edges = [(index[u], index[v]) for u, v in graph.edges()]
    made = igraph.Graph(n=len(index), edges=edges, directed=graph.is_directed())
    made.vs["name"] = list(graph)
    made.es["weight"] = [weight for _, _, weight in graph.edges(data="weight", default=1.0)]
    return made


# Each writer writes GRAPH to PATH and returns ugraph's flags and a map from
# the ids ugraph reports to the graph's nodes.
def by_index(graph, first=0, prefix=""):
    return {f"{prefix}{i + first}": node for i, node in enumerate(graph)}


def nx_graphml(graph, path, rng):
    nx.write_graphml(graph, path)
    return ["--input-format=graphml"], {node: node for node in graph}


def nx_gml(graph, path, rng):
    nx.write_gml(graph, path)  # ids 0..N-1 in the graph's order, names as labels
    return [], by_index(graph)


def nx_pajek(graph, path, rng):
    nx.write_pajek(graph, path)  # vertices 1..N in the graph's order
    return [], by_index(graph, first=1)


def nx_adjlist(graph, path, rng):
    nx.write_adjlist(graph, path)
    return ["--input-format=adjlist"], {node: node for node in graph}


def ig_graphml(graph, path, rng):
    as_igraph(graph).write_graphml(path)  # ids n0..nN-1, names as data
    return ["--input-format=graphml"], by_index(graph, prefix="n")


def ig_gml(graph, path, rng):
    made = as_igraph(graph)
    if rng.random() < 0.5:
        made.write_gml(path)  # ids 0..N-1
        return [], by_index(graph)
    ids = rng.sample(range(-5 * len(graph), 5 * len(graph) + 1), len(graph))
    made.vs["id"] = ids  # a numeric id attribute is written as the id
    made.write_gml(path)
    return [], {str(n): node for n, node in zip(ids, graph)}


def ig_pajek(graph, path, rng):
    made = as_igraph(graph)
    if rng.random() < 0.5:  # two modes: the first line is *Vertices N N1
        first_mode = rng.randint(0, len(graph))
        made.vs["type"] = [i >= first_mode for i in range(len(graph))]
    made.write_pajek(path)
    return [], by_index(graph, first=1)


WRITERS = [  # name, writer, the name styles it can write
    ("networkx write_graphml", nx_graphml, list(NAMES)),
    ("networkx write_gml", nx_gml, list(NAMES)),
    ("networkx write_pajek", nx_pajek, list(NAMES)),
    ("networkx write_adjlist", nx_adjlist, NO_BLANKS),
    ("igraph write_graphml", ig_graphml, list(NAMES)),
    ("igraph write_gml", ig_gml, list(NAMES)),
    ("igraph write_pajek", ig_pajek, list(NAMES)),
]


def ugraph(form, flags, path):
    """Runs ugraph on PATH; returns its output and its message if it failed."""
    run = subprocess.run([PROGRAM, "-q", f"--format={form}", *flags, path], capture_output=True)
    err = run.stderr.decode("utf-8", "replace").strip() or "no message"
    return run.stdout.decode("utf-8", "surrogateescape"), err if run.returncode else None


def reads_graphml():
    err = ugraph("labels", ["--input-format=graphml"], os.devnull)[1] or ""
    return "built without" not in err and "--input-format must be" not in err


def partition(labels, name_of):
    """Groups the nodes of ugraph's labels by component; raises on a stray id."""
    groups, seen = {}, set()
    for line in labels.splitlines():
        if "\t" not in line:
            raise ValueError(f"line {line!r} is not ID<tab>K")
        ident, number = line.rsplit("\t", 1)
        if ident in seen or ident not in name_of:
            raise ValueError(f"id {ident!r} is labelled twice or is no node of the graph")
        seen.add(ident)
        groups.setdefault(number, set()).add(name_of[ident])
    return {frozenset(group) for group in groups.values()}


def components(graph):
    found = nx.weakly_connected_components if graph.is_directed() else nx.connected_components
    return {frozenset(group) for group in found(graph)}


def compare(what, labels, err, name_of, graph):
    """Returns a line if the labels are not the graph's components."""
    if err is not None:
        return [f"{what}: refused: {err}"]
    try:
        ours, theirs = partition(labels, name_of), components(graph)
    except ValueError as fault:
        return [f"{what}: {fault}"]
    if ours != theirs:
        return [f"{what}: {len(ours)} components, networkx {len(theirs)}, not the same nodes"]
    return []


def check(graph, path, flags, name_of):
    """Returns the disagreements of one written file, each a line."""
    labels, err = ugraph("labels", flags, path)
    faults = compare("labels", labels, err, name_of, graph)
    summary, err = ugraph("summary", flags, path)
    counts = re.search(r"  (\d+) nodes?  (\d+) links?  ", summary)
    written = f"{len(graph)} nodes {graph.number_of_edges()} links"
    if err is not None:
        faults.append(f"summary: refused: {err}")
    elif not counts or f"{counts[1]} nodes {counts[2]} links" != written:
        faults.append(f"summary: {summary.strip()!r}, written {written}")
    edges, err = ugraph("edges", flags, path)
    if err is not None:
        return faults + [f"edges: refused: {err}"]
    with open(path + ".txt", "w", encoding="utf-8", errors="surrogateescape") as out:
        out.write(edges)
    return faults + compare("its edge list read back", *ugraph("labels", [], path + ".txt"),
                            name_of, graph)


def main():
    rng = random.Random(SEED)
    scratch = tempfile.mkdtemp(prefix="peer_writers.")
    graphml = reads_graphml()
    if not graphml:
        print("peer writers: GraphML skipped, not checked: this build does not read it")
    checked, faults = 0, 0
    for case, (size, directed) in enumerate((s, d) for s in SIZES for d in (False, True)):
        for name, write, styles in WRITERS:
            graph = random_graph(rng, size, directed, styles)  # made alike, read or skipped
            if "graphml" in name and not graphml:
                continue
            path = os.path.join(scratch, f"{case}_{write.__name__}")
            lines = check(graph, path, *write(graph, path, rng))
            kind = "directed" if directed else "undirected"
            for line in lines:
                print(f"peer writers: {name}, {size} nodes {kind} ({path}): {line}")
            faults += len(lines)
            checked += 1
    print(f"peer writers: {checked} files written by networkx and igraph checked (seed {SEED}), "
          f"{faults} disagreements")
    if faults:
        print(f"peer writers: the files are kept in {scratch}")
        return 1
    shutil.rmtree(scratch)
    return 0


if __name__ == "__main__":
    sys.exit(main())
