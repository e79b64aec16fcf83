# Peer of ugraph's summary: an edge list read by pandas, its components found by SciPy.
import sys

import numpy as np
import pandas as pd
from scipy.sparse import coo_matrix
from scipy.sparse.csgraph import connected_components


def read_links(path):
    """The links as an array of two columns: int32 ids, or int64 when they do not fit."""
    try:
        table = pd.read_csv(path, sep=" ", header=None, dtype=np.int32, engine="c")
    except pd.errors.EmptyDataError:
        return np.zeros((0, 2), dtype=np.int32)
    except (OverflowError, ValueError):
        table = pd.read_csv(path, sep=" ", header=None, dtype=np.int64, engine="c")
    return table.to_numpy()


def plural(count, word):
    return f"{count} {word}" if count == 1 else f"{count} {word}s"


def main():
    path = sys.argv[1]
    links = read_links(path)
    ids = int(links.max()) + 1 if len(links) else 0
    ones = np.ones(len(links), dtype=np.int8)
    matrix = coo_matrix((ones, (links[:, 0], links[:, 1])), shape=(ids, ids)).tocsr()
    count, labels = connected_components(matrix, directed=False)
    # ugraph's nodes are the ids that appear; every other id below the largest is
    # a component of its own here, so it is taken off the count.
    present = np.zeros(ids, dtype=bool)
    present[links[:, 0]] = True
    present[links[:, 1]] = True
    nodes = int(present.sum())
    components = count - (ids - nodes)
    largest = int(np.bincount(labels[present]).max()) if nodes else 0
    print(f"{path}  {plural(nodes, 'node')}  {plural(len(links), 'link')}  "
          f"{plural(components, 'component')}  largest {largest}")


main()
