# The Python module beside pandas and SciPy, in one process: ugraph.read on an edge list
# against read_csv, a CSR matrix and connected_components (as peer_scipy.py does them),
# then ugraph.connected_components against SciPy's on that same CSR matrix.
#
#   PYTHONPATH=build/default/python python_module.py PATH
#
# Each call runs once, timed with perf_counter (bench/any_size.sh takes the medians of its
# rounds). Prints the figures, as peer_scipy.py does, and the microseconds of the calls;
# any disagreement between the two sides ends the run with its reason.
import sys
import time

import numpy as np
from scipy.sparse import coo_matrix
from scipy.sparse.csgraph import connected_components

import ugraph
from peer_scipy import plural, read_links


def timed(call, *args):
    """The call's result and its wall microseconds."""
    start = time.perf_counter()
    result = call(*args)
    return result, round((time.perf_counter() - start) * 1e6)


def pandas_scipy(path):
    """The links, their CSR matrix and its components, as a Python user finds them."""
    links = read_links(path)
    ids = int(links.max()) + 1 if len(links) else 0
    ones = np.ones(len(links), dtype=np.int8)
    matrix = coo_matrix((ones, (links[:, 0], links[:, 1])), shape=(ids, ids)).tocsr()
    count, labels = connected_components(matrix, directed=False)
    return links, matrix, count, labels


def scipy_components(matrix):
    return connected_components(matrix, directed=False)


def agree(what, ours, theirs):
    if not np.array_equal(ours, theirs):
        sys.exit(f"python_module: disagreement on {what}: ugraph {ours}, SciPy {theirs}")


def main():
    path = sys.argv[1]
    # ugraph first, so that it cannot reuse the memory pandas and SciPy have freed.
    graph, read_us = timed(ugraph.read, path)
    (links, matrix, count, labels), peer_us = timed(pandas_scipy, path)
    # The ids that appear are ugraph's nodes; every other id below the largest is a
    # component of its own in SciPy's count.
    present = np.zeros(matrix.shape[0], dtype=bool)
    present[links[:, 0]] = True
    present[links[:, 1]] = True
    nodes = np.flatnonzero(present)
    largest = int(np.bincount(labels[present]).max()) if len(nodes) else 0
    agree("the nodes", graph.nodes, nodes)
    agree("the links", graph.links, len(links))
    agree("the components", graph.count, count - (len(present) - len(nodes)))
    agree("the largest", int(graph.sizes.max()) if graph.count else 0, largest)

    (ours, our_labels), cc_us = timed(ugraph.connected_components, matrix)
    (theirs, their_labels), scipy_cc_us = timed(scipy_components, matrix)
    agree("the components of the CSR matrix", ours, theirs)
    agree("the labels of the CSR matrix", our_labels, their_labels)

    print(f"{path}  {plural(len(nodes), 'node')}  {plural(len(links), 'link')}  "
          f"{plural(graph.count, 'component')}  largest {largest}  read_us={read_us} "
          f"peer_us={peer_us} cc_us={cc_us} scipy_cc_us={scipy_cc_us}")


main()
