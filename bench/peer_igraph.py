# Peer of ugraph's summary: an edge list read and split into components by python-igraph.
#
#   peer_igraph.py PATH           ids are numbers, igraph's vertex numbers
#   peer_igraph.py --tuples PATH  ids are any numbers (blank-separated) or names
#                                 (comma-separated), read by Python's csv module
#                                 and named by Graph.TupleList
#   peer_igraph.py --graphml PATH a GraphML file, read by Graph.Read_GraphML
import csv
import sys

import igraph


def plural(count, word):
    return f"{count} {word}" if count == 1 else f"{count} {word}s"


def main():
    if sys.argv[1] == "--graphml":
        # The declared nodes are the nodes, as ugraph's; repeated edges are
        # kept, so the link count is left out.
        graph = igraph.Graph.Read_GraphML(sys.argv[2])
        sizes = graph.connected_components().sizes()
        print(f"{sys.argv[2]}  {plural(graph.vcount(), 'node')}  "
              f"{plural(len(sizes), 'component')}  largest {max(sizes) if sizes else 0}")
        return
    if sys.argv[1] != "--tuples":
        # igraph makes every id up to the largest a node, so only the largest
        # component's size compares with ugraph's figures.
        graph = igraph.Graph.Read_Edgelist(sys.argv[1], directed=False)
        sizes = graph.connected_components().sizes()
        print(f"{sys.argv[1]}  largest {max(sizes) if sizes else 0}")
        return
    path = sys.argv[2]
    with open(path, encoding="utf-8", newline="") as file:
        names = "," in file.readline()
        file.seek(0)
        pairs = csv.reader(file, delimiter="," if names else " ")
        graph = igraph.Graph.TupleList(pairs, directed=False)
    # Here the nodes are the ids that appear, so every figure compares.
    sizes = graph.connected_components().sizes()
    print(f"{path}  {plural(graph.vcount(), 'node')}  {plural(graph.ecount(), 'link')}  "
          f"{plural(len(sizes), 'component')}  largest {max(sizes) if sizes else 0}")


main()
