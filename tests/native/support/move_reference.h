// Test support for the moves: a small labelling problem described in the
// test's own terms (tables, weights, neighbour pairs in insertion order, and
// which cost form the object is given), the object built from it, and a
// brute-force reference for each move.
//
// The reference computes the energy a move minimizes with the move's own
// orientation, written down pair by pair rather than per visited pixel:
//   expansion - a pair with one active pixel is read from the active pixel;
//               two active pixels are read from the left/upper pixel (grid)
//               or the lower index (general graph);
//   swap      - one variable pixel: read from it; two: from the right/lower
//               pixel (grid) or the lower index (general graph);
//   subset    - as expansion, but a neighbour that is not a listed active
//               pixel is fixed at its own label.
// Reading a pair "from u towards v" with labels (a, b) means table element
// a + b * L (times the pair's weight), pixel function (u, v, a, b), or the
// coordinate function of the pair's direction at the left/upper pixel with
// labels (a, b). Pairs whose pixels are both fixed are constant and left out.
#ifndef LABRIX_TESTS_MOVE_REFERENCE_H
#define LABRIX_TESTS_MOVE_REFERENCE_H

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "optimizer/lumora.h"

enum class DataForm { Table, PixelFn, CoordFn };
enum class SmoothForm { Table, WeightedTable, PixelFn, CoordFns };

struct GraphPair {
    int32_t p;
    int32_t q;
    float w;
};

struct MoveProblem {
    bool grid = true;
    int32_t W = 0, H = 0, N = 0, L = 0;
    DataForm data_form = DataForm::Table;
    SmoothForm smooth_form = SmoothForm::Table;
    std::vector<float> data;   // p * L + l
    std::vector<float> table;  // the array given to setSmoothness
    std::vector<float> hw, vw;  // weighted grid: per left / upper pixel
    std::vector<GraphPair> pairs;  // general graph, in setNeighbors order
    std::vector<int32_t> labels;   // initial labelling

    std::string describe() const;
};

// Random problem with a regular smoothness cost for every move: the table is
// the shortest-path closure of random positive arc lengths (an asymmetric
// quasi-metric: zero diagonal, triangle inequality), optionally truncated;
// weights and function scales are positive.
MoveProblem randomProblem(std::mt19937& rng, bool grid, DataForm data, SmoothForm smooth);

// Builds the object (inside the caller's call scope) and attaches the costs;
// the cost functions read the problem passed to the last makeObject call.
Lumora* makeObject(const MoveProblem& problem);

// Energy of candidate labelling f under each move, starting from the
// problem's labels g (constant terms left out).
double expansionMoveEnergy(const MoveProblem& m, const std::vector<int32_t>& f, int32_t alpha);
double swapMoveEnergy(const MoveProblem& m, const std::vector<int32_t>& f, int32_t alpha, int32_t beta);
double subsetMoveEnergy(const MoveProblem& m, const std::vector<int32_t>& f, int32_t alpha,
                        const std::vector<int32_t>& list);

// Least move energy over every labelling the move allows.
double bestExpansion(const MoveProblem& m, int32_t alpha);
double bestSwap(const MoveProblem& m, int32_t alpha, int32_t beta);
double bestSubset(const MoveProblem& m, int32_t alpha, const std::vector<int32_t>& list);

// Whether f is one of the labellings the move allows.
bool allowedByExpansion(const MoveProblem& m, const std::vector<int32_t>& f, int32_t alpha);
bool allowedBySwap(const MoveProblem& m, const std::vector<int32_t>& f, int32_t alpha, int32_t beta);
bool allowedBySubset(const MoveProblem& m, const std::vector<int32_t>& f, int32_t alpha,
                     const std::vector<int32_t>& list);

std::vector<int32_t> labelsOf(const Lumora& object);

#endif
