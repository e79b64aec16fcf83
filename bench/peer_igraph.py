# Peer of ugraph's summary: an edge list read and split into components by python-igraph.
import sys

import igraph

# igraph makes every id up to the largest a node, so only the largest
# component's size compares with ugraph's figures.
graph = igraph.Graph.Read_Edgelist(sys.argv[1], directed=False)
sizes = graph.connected_components().sizes()
print(f"{sys.argv[1]}  largest {max(sizes) if sizes else 0}")
