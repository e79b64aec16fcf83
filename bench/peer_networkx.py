# Peer of ugraph's summary: a GraphML file read and split into components by networkx.
#
#   peer_networkx.py PATH
import sys

import networkx


def plural(count, word):
    return f"{count} {word}" if count == 1 else f"{count} {word}s"


def main():
    path = sys.argv[1]
    graph = networkx.read_graphml(path)
    # networkx keeps one edge of a repeated pair, so the link count is left out.
    sizes = [len(nodes) for nodes in networkx.connected_components(graph.to_undirected())]
    print(f"{path}  {plural(graph.number_of_nodes(), 'node')}  "
          f"{plural(len(sizes), 'component')}  largest {max(sizes) if sizes else 0}")


main()
