// Term builders of the expansion and swap moves: how a move reads the data
// cost d(p, l) and the smoothness cost of a neighbour pair, one small value
// type per cost form, and the one-time choice of the pair of builders that a
// move's configuration needs.
//
// Invariants and conventions every builder keeps:
// - A pair is always read from the pixel being visited, p (label a), towards
//   its neighbour q (label b): a table is read at element a + b * L, a pixel
//   function gets (p, q, a, b), a coordinate function gets the coordinates
//   of the pair's left (upper) pixel and (a, b). Weights multiply the table
//   entry and the product is rounded to EnergyValue once.
// - withCostTerms picks the builders from the cost kinds once per move and
//   hands them to the move's visitor as template arguments, so the loops the
//   visitor runs contain no test of the cost kind; the only test per pair is
//   the regularity check of a pair term.
// - No builder allocates; none is ever made for an unset cost (the moves
//   refuse unset costs before they get here).
#ifndef LABRIX_OPTIMIZER_TERM_BUILDERS_H
#define LABRIX_OPTIMIZER_TERM_BUILDERS_H

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "cutengine/energy.h"
#include "optimizer/lumora.h"

// The handle addVariable hands out.
typedef BinaryEnergy::Var MoveVar;

// A plain copy of what the moves read of the object, filled by
// Lumora::fillMoveCosts.
struct MoveCosts {
    int32_t num_pixels;
    int32_t num_labels;
    int32_t width;
    int32_t height;
    int32_t* labels;
    int32_t* pixel_var;
    CostKind data_kind;
    CostKind smooth_kind;
    bool grid;
    bool weighted;
    const EnergyValue* data_table;
    const EnergyValue* smooth_table;
    const EnergyValue* horz_weights;
    const EnergyValue* vert_weights;
    LinkedBlockList* neighbours;
    DataCostFn data_fn;
    DataCostFnXY data_fn_xy;
    SmoothCostFn smooth_fn;
    SmoothCostFnXY smooth_fn_horz;
    SmoothCostFnXY smooth_fn_vert;
};

// ---- data builders: d(p, l) ----

struct DataFromTable {
    const EnergyValue* table;
    size_t L;
    EnergyValue operator()(int32_t p, int32_t l) const {
        return table[static_cast<size_t>(p) * L + static_cast<size_t>(l)];
    }
};

struct DataFromPixelFn {
    DataCostFn fn;
    EnergyValue operator()(int32_t p, int32_t l) const { return fn(p, l); }
};

struct DataFromCoordFn {
    DataCostFnXY fn;
    int32_t W;
    EnergyValue operator()(int32_t p, int32_t l) const { return fn(p % W, p / W, l); }
};

// ---- grid smoothness builders ----
// horz/vert(p, q, first, xf, yf, a, b): pair of p (label a) and q (label b);
// first is the pair's left (upper) pixel and (xf, yf) its coordinates.

struct GridFromTable {
    const EnergyValue* table;
    size_t L;
    EnergyValue entry(int32_t a, int32_t b) const {
        return table[static_cast<size_t>(a) + static_cast<size_t>(b) * L];
    }
    EnergyValue horz(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t a, int32_t b) const { return entry(a, b); }
    EnergyValue vert(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t a, int32_t b) const { return entry(a, b); }
};

struct GridFromWeightedTable {
    const EnergyValue* table;
    size_t L;
    const EnergyValue* horz_weights;
    const EnergyValue* vert_weights;
    EnergyValue entry(int32_t a, int32_t b) const {
        return table[static_cast<size_t>(a) + static_cast<size_t>(b) * L];
    }
    EnergyValue horz(int32_t, int32_t, int32_t first, int32_t, int32_t, int32_t a, int32_t b) const {
        return entry(a, b) * horz_weights[first];
    }
    EnergyValue vert(int32_t, int32_t, int32_t first, int32_t, int32_t, int32_t a, int32_t b) const {
        return entry(a, b) * vert_weights[first];
    }
};

struct GridFromPixelFn {
    SmoothCostFn fn;
    EnergyValue horz(int32_t p, int32_t q, int32_t, int32_t, int32_t, int32_t a, int32_t b) const {
        return fn(p, q, a, b);
    }
    EnergyValue vert(int32_t p, int32_t q, int32_t, int32_t, int32_t, int32_t a, int32_t b) const {
        return fn(p, q, a, b);
    }
};

struct GridFromCoordFns {
    SmoothCostFnXY fn_horz;
    SmoothCostFnXY fn_vert;
    EnergyValue horz(int32_t, int32_t, int32_t, int32_t xf, int32_t yf, int32_t a, int32_t b) const {
        return fn_horz(xf, yf, a, b);
    }
    EnergyValue vert(int32_t, int32_t, int32_t, int32_t xf, int32_t yf, int32_t a, int32_t b) const {
        return fn_vert(xf, yf, a, b);
    }
};

// ---- general-graph smoothness builders ----
// pair(p, q, w, a, b); kHasTerms false means the move adds no pair terms.

struct GraphFromTable {
    static const bool kHasTerms = true;
    const EnergyValue* table;
    size_t L;
    EnergyValue pair(int32_t, int32_t, EnergyValue w, int32_t a, int32_t b) const {
        return table[static_cast<size_t>(a) + static_cast<size_t>(b) * L] * w;
    }
};

struct GraphFromPixelFn {
    static const bool kHasTerms = true;
    SmoothCostFn fn;
    EnergyValue pair(int32_t p, int32_t q, EnergyValue, int32_t a, int32_t b) const { return fn(p, q, a, b); }
};

struct GraphWithoutSmoothness {
    static const bool kHasTerms = false;
    EnergyValue pair(int32_t, int32_t, EnergyValue, int32_t, int32_t) const { return 0; }
};

// ---- the one-time choice ----
// Calls visitor.grid(data, smooth) or visitor.graph(data, smooth) with the
// builders of the configuration; returns what the visitor returns.

template <class Visitor, class Data>
bool withSmoothTerms(const MoveCosts& c, const Data& data, Visitor& visitor) {
    const size_t L = static_cast<size_t>(c.num_labels);
    if (c.grid) {
        switch (c.smooth_kind) {
            case COST_TABLE:
                if (c.weighted)
                    return visitor.grid(data, GridFromWeightedTable{c.smooth_table, L, c.horz_weights, c.vert_weights});
                return visitor.grid(data, GridFromTable{c.smooth_table, L});
            case COST_PIXEL_FN: return visitor.grid(data, GridFromPixelFn{c.smooth_fn});
            default: return visitor.grid(data, GridFromCoordFns{c.smooth_fn_horz, c.smooth_fn_vert});
        }
    }
    switch (c.smooth_kind) {
        case COST_TABLE: return visitor.graph(data, GraphFromTable{c.smooth_table, L});
        case COST_PIXEL_FN: return visitor.graph(data, GraphFromPixelFn{c.smooth_fn});
        default: return visitor.graph(data, GraphWithoutSmoothness{});
    }
}

template <class Visitor>
bool withCostTerms(const MoveCosts& c, Visitor& visitor) {
    switch (c.data_kind) {
        case COST_TABLE:
            return withSmoothTerms(c, DataFromTable{c.data_table, static_cast<size_t>(c.num_labels)}, visitor);
        case COST_PIXEL_FN: return withSmoothTerms(c, DataFromPixelFn{c.data_fn}, visitor);
        default: return withSmoothTerms(c, DataFromCoordFn{c.data_fn_xy, c.width}, visitor);
    }
}

// ---- pair terms and their regularity ----

// Adds the pair term E00 = A, E01 = B, E10 = C, E11 = D unless it breaks
// regularity (B - A) + (C - D) >= 0, computed in EnergyValue as the builder
// computes it. A violation no larger than float rounding of the four values
// (1e-6 of the sum of their magnitudes) is taken as an exact zero: the term
// is then split into the unary part (A, D) and a remainder (0, b, -b, 0)
// that is regular to the bit. Returns false, adding nothing, when the term
// is not regular.
inline bool addRegularPair(BinaryEnergy& e, MoveVar x, MoveVar y, EnergyValue A, EnergyValue B, EnergyValue C,
                           EnergyValue D) {
    const EnergyValue b = B - A;
    const EnergyValue c = C - D;
    const EnergyValue s = b + c;
    if (s >= 0) {
        e.addTerm2(x, y, A, B, C, D);
        return true;
    }
    const EnergyValue scale = std::fabs(A) + std::fabs(B) + std::fabs(C) + std::fabs(D);
    if (!(-s <= 1e-6f * scale)) return false;  // also false for NaN
    e.addTerm1(x, A, D);
    e.addTerm2(x, y, 0, b, -b, 0);
    return true;
}

// ---- the two terms of an expansion pair, shared by the full and the subset move ----

// The pair seen from the active pixel p (label lp) whose neighbour keeps
// label lq: E0 = V(alpha, lq) (p takes alpha), E1 = V(lp, lq) (p keeps lp).
// In the full move lq is alpha. The cost of keeping is read first.
template <class Cost>
void addExpansionUnary(BinaryEnergy& e, MoveVar x, int32_t alpha, int32_t lp, int32_t lq, const Cost& cost) {
    const EnergyValue keep = cost(lp, lq);
    const EnergyValue take = cost(alpha, lq);
    e.addTerm1(x, take, keep);
}

// Both pixels may take alpha: V(alpha, alpha), V(alpha, lq), V(lp, alpha),
// V(lp, lq), read last first. False, adding nothing, when not regular.
template <class Cost>
bool addExpansionPair(BinaryEnergy& e, MoveVar x, MoveVar y, int32_t alpha, int32_t lp, int32_t lq,
                      const Cost& cost) {
    const EnergyValue D = cost(lp, lq);
    const EnergyValue C = cost(lp, alpha);
    const EnergyValue B = cost(alpha, lq);
    const EnergyValue A = cost(alpha, alpha);
    return addRegularPair(e, x, y, A, B, C, D);
}

#endif
