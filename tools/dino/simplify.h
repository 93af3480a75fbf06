// Reduces a closed triangle mesh by quadric edge collapses.
#pragma once
#include <vector>

#include "tools/dino/surface_nets.h"

// Collapses edges, cheapest quadric error first, until `vertexCount`
// vertices remain. Every vertex kept is one of the input's, at its place, so a
// mesh on a surface stays on it. Collapses that would flip a face or leave a
// sliver are refused; the vertices in `keep` stay. Returns the new number of
// each input vertex, -1 for the removed ones.
std::vector<int> simplify(TriMesh& mesh, int vertexCount, const std::vector<int>& keep);
