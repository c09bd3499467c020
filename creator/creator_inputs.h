// Reading and checking the arrays handed to labrixnew. Every reader checks
// class, complexity, sparsity, shape and content before it reads a value,
// and reports a refusal under "Labrix:new" naming the argument and what was
// expected. What a reader returns is call-scoped memory (the host frees it
// at the end of the call), so a refused call allocates nothing persistent.
#ifndef LABRIX_CREATOR_CREATOR_INPUTS_H
#define LABRIX_CREATOR_CREATOR_INPUTS_H

#include <cstddef>
#include <cstdint>

#include "mex.h"

// Refuses the call under "Labrix:new" with a printf-style message.
void refuse(const char* format, ...);

// The shape of the data-cost array D: L labels and, for a grid, W by H
// pixels (H = 1 for an L-by-W matrix); for a general graph W = N, H = 1.
struct ProblemShape {
    int32_t labels;
    int32_t width;
    int32_t height;
    int32_t pixels;
};

ProblemShape readShape(const mxArray* D, bool generalGraph);

// count finite values of a real single or double array as 32-bit floats, in
// MATLAB's element order; refuses NaN, infinities and values beyond the
// single range. transposeSide > 0 reads a square side-by-side matrix
// transposed (entry a * side + b = A(a+1, b+1)).
float* readCostArray(const mxArray* a, const char* name, size_t count, size_t transposeSide = 0);

// Like readCostArray for a W-by-H weight array, and every weight >= 0.
float* readWeightArray(const mxArray* a, const char* name, int32_t width, int32_t height);

// A neighbour pair of a general graph, 0-based, a < b.
struct GraphPair {
    int32_t a;
    int32_t b;
    float weight;
};

// The pairs of the N-by-N neighbour matrix G (sparse or full, double,
// single or logical), sorted by (a, b), one per unordered pair.
GraphPair* readGraph(const mxArray* G, int32_t pixels, size_t& pairCount);

// pixels integer labels in 0..labels-1 from any real numeric array.
int32_t* readLabels(const mxArray* a, int32_t pixels, int32_t labels);

// A logical or numeric scalar as a flag.
bool readFlag(const mxArray* a, const char* name);

#endif
