# Peer of ugraph's summary: an edge list read by pandas, its components found by SciPy.
#
#   peer_scipy.py PATH               ids are numbers, used as SciPy's indexes
#   peer_scipy.py --factorize PATH   ids are any numbers (blank-separated) or
#                                    names (comma-separated), numbered by
#                                    pd.factorize as a Python user numbers them
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


def factorized_links(path):
    """The links as two arrays of indexes from 0, and how many ids there are."""
    with open(path, encoding="utf-8") as file:
        names = "," in file.readline()
    try:
        table = pd.read_csv(path, sep="," if names else " ", header=None,
                            dtype=str if names else np.int64, engine="c")
    except pd.errors.EmptyDataError:
        return np.zeros(0, dtype=np.int64), np.zeros(0, dtype=np.int64), 0
    # Both columns in one factorize, so that an id has one index in either.
    codes, uniques = pd.factorize(pd.concat([table[0], table[1]], ignore_index=True))
    return codes[:len(table)], codes[len(table):], len(uniques)


def plural(count, word):
    return f"{count} {word}" if count == 1 else f"{count} {word}s"


def components_of(ids, sources, targets):
    """The component count and the component of each id."""
    ones = np.ones(len(sources), dtype=np.int8)
    matrix = coo_matrix((ones, (sources, targets)), shape=(ids, ids)).tocsr()
    return connected_components(matrix, directed=False)


def summary_of_numbers(path):
    links = read_links(path)
    ids = int(links.max()) + 1 if len(links) else 0
    count, labels = components_of(ids, links[:, 0], links[:, 1])
    # ugraph's nodes are the ids that appear; every other id below the largest is
    # a component of its own here, so it is taken off the count.
    present = np.zeros(ids, dtype=bool)
    present[links[:, 0]] = True
    present[links[:, 1]] = True
    nodes = int(present.sum())
    largest = int(np.bincount(labels[present]).max()) if nodes else 0
    return nodes, len(links), count - (ids - nodes), largest


def summary_of_factorized(path):
    sources, targets, nodes = factorized_links(path)
    count, labels = components_of(nodes, sources, targets)
    # Every index is an id that appears: no component to take off.
    largest = int(np.bincount(labels).max()) if nodes else 0
    return nodes, len(sources), count, largest


def main():
    factorize = sys.argv[1] == "--factorize"
    path = sys.argv[2] if factorize else sys.argv[1]
    nodes, links, components, largest = (summary_of_factorized if factorize
                                         else summary_of_numbers)(path)
    print(f"{path}  {plural(nodes, 'node')}  {plural(links, 'link')}  "
          f"{plural(components, 'component')}  largest {largest}")


if __name__ == "__main__":
    main()
