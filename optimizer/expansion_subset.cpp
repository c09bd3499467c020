// Expansion on a listed subset of the pixels of a grid with a smoothness
// table: only the listed pixels whose label differs from alpha (active
// listed pixels) may take alpha; every other pixel keeps its label and acts
// as a fixed neighbour with its own label lq, so its unary term is
// E0 = V(alpha, lq), E1 = V(lp, lq). Work is proportional to the list.
//
// The list is checked before anything changes: every index in 0..N-1
// ("Labrix:Expand"), none listed twice ("Labrix:Expand"), and, when a listed
// pixel is active, a supported configuration ("Labrix:internal", "NOT
// SUPPORTED YET,exiting!"). m_pixel_var contract: the move reads only the
// entries of listed pixels and their four neighbours; it sets those to -1
// first (so leftovers of a move that ended in an engine error cannot be
// taken for list positions), marks each active listed pixel with its list
// position, and on every exit, refused or completed, leaves the listed
// pixels' entries -1 again. Between moves every entry is -1, so that reset
// changes nothing there.
#include <cstdio>

#include "mex.h"
#include "optimizer/term_builders.h"

namespace {

struct SubsetTerms {
    const MoveCosts& c;
    BinaryEnergy& e;
    const MoveVar* vars;  // indexed by list position; set for active positions only
    const int32_t* pixels;
    int32_t count;
    int32_t alpha;
    int32_t bad_lp;
    int32_t bad_lq;

    template <class Data>
    void dataTerms(const Data& d) {
        const int32_t* lab = c.labels;
        for (int32_t i = 0; i < count; ++i) {
            const int32_t p = pixels[i];
            if (lab[p] == alpha) continue;
            const EnergyValue keep = d(p, lab[p]);
            const EnergyValue take = d(p, alpha);
            e.addTerm1(vars[i], take, keep);
        }
    }

    // q free: listed, active, and marked with its list position.
    bool isFree(int32_t q) const { return c.labels[q] != alpha && c.pixel_var[q] != -1; }

    template <class Cost>
    void fixedNeighbour(int32_t i, int32_t lp, int32_t lq, const Cost& cost) {
        addExpansionUnary(e, vars[i], alpha, lp, lq, cost);
    }

    template <class Cost>
    bool freePair(int32_t i, int32_t j, int32_t lp, int32_t lq, const Cost& cost) {
        if (addExpansionPair(e, vars[i], vars[j], alpha, lp, lq, cost)) return true;
        bad_lp = lp;
        bad_lq = lq;
        return false;
    }

    template <class Data, class Smooth>
    bool grid(const Data& d, const Smooth& s) {
        dataTerms(d);
        const int32_t* lab = c.labels;
        const int32_t* pv = c.pixel_var;
        const int32_t W = c.width;
        const int32_t H = c.height;
        for (int32_t i = 0; i < count; ++i) {
            const int32_t p = pixels[i];
            const int32_t lp = lab[p];
            if (lp == alpha) continue;
            const int32_t x = p % W;
            const int32_t y = p / W;
            if (x < W - 1) {
                const int32_t q = p + 1;
                auto cost = [&](int32_t a, int32_t b) { return s.horz(p, q, p, x, y, a, b); };
                if (!isFree(q)) fixedNeighbour(i, lp, lab[q], cost);
                else if (!freePair(i, pv[q], lp, lab[q], cost)) return false;
            }
            if (y < H - 1) {
                const int32_t q = p + W;
                auto cost = [&](int32_t a, int32_t b) { return s.vert(p, q, p, x, y, a, b); };
                if (!isFree(q)) fixedNeighbour(i, lp, lab[q], cost);
                else if (!freePair(i, pv[q], lp, lab[q], cost)) return false;
            }
            if (x > 0 && !isFree(p - 1)) {
                const int32_t q = p - 1;
                fixedNeighbour(i, lp, lab[q], [&](int32_t a, int32_t b) { return s.horz(p, q, q, x - 1, y, a, b); });
            }
            if (y > 0 && !isFree(p - W)) {
                const int32_t q = p - W;
                fixedNeighbour(i, lp, lab[q], [&](int32_t a, int32_t b) { return s.vert(p, q, q, x, y - 1, a, b); });
            }
        }
        return true;
    }

    // General graphs are refused before any term is added.
    template <class Data, class Smooth>
    bool graph(const Data&, const Smooth&) {
        return true;
    }
};

}  // namespace

void Lumora::checkSubsetIndices(const int32_t* pixels, int32_t count) {
    const int32_t N = m_num_pixels;
    for (int32_t i = 0; i < count; ++i)
        if (pixels[i] < 0 || pixels[i] >= N)
            mexErrMsgIdAndTxt("Labrix:Expand", "index %d (position %d of the list) is outside 0 to %d",
                              static_cast<int>(pixels[i]), static_cast<int>(i), static_cast<int>(N - 1));
    // Every entry the move will read to -1, then one mark per listed pixel:
    // a pixel found marked is listed twice.
    const int32_t W = m_width;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t p = pixels[i];
        m_pixel_var[p] = -1;
        if (!m_grid_graph) continue;
        const int32_t x = p % W;
        if (x > 0) m_pixel_var[p - 1] = -1;
        if (x < W - 1) m_pixel_var[p + 1] = -1;
        if (p >= W) m_pixel_var[p - W] = -1;
        if (p + W < N) m_pixel_var[p + W] = -1;
    }
    for (int32_t i = 0; i < count; ++i) {
        const int32_t p = pixels[i];
        if (m_pixel_var[p] != -1) {
            const int32_t first = m_pixel_var[p];
            for (int32_t k = 0; k < i; ++k) m_pixel_var[pixels[k]] = -1;
            mexErrMsgIdAndTxt("Labrix:Expand", "index %d is listed twice (positions %d and %d of the list)",
                              static_cast<int>(p), static_cast<int>(first), static_cast<int>(i));
        }
        m_pixel_var[p] = i;
    }
}

EnergyValue Lumora::expandOnLabelAt(int32_t alpha, const int32_t* pixels, int32_t count) {
    reportError(alpha < 0 || alpha >= m_num_labels, "Illegal Label to Expand On");
    checkCostsSet();
    if (count < 0) count = 0;
    checkSubsetIndices(pixels, count);

    // Only active listed pixels keep their marks.
    int32_t active = 0;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t p = pixels[i];
        if (m_labels[p] == alpha) m_pixel_var[p] = -1;
        else ++active;
    }
    auto unmark = [&]() {
        for (int32_t i = 0; i < count; ++i) m_pixel_var[pixels[i]] = -1;
    };
    if (active == 0) return totalEnergy();
    if (!m_grid_graph || m_smooth_kind != COST_TABLE) {
        unmark();
        mexErrMsgIdAndTxt("Labrix:internal", "NOT SUPPORTED YET,exiting!");
    }

    BinaryEnergy* energy = new BinaryEnergy(reportFlowError);
    MoveVar* vars = PersistentHeap::allocateCallScopedArray<MoveVar>(static_cast<size_t>(count));
    if (!energy || !vars) {
        unmark();
        PersistentHeap::releaseCallScoped(vars);
        delete energy;
        reportError(true, "Not enough memory");
    }
    for (int32_t i = 0; i < count; ++i)
        if (m_labels[pixels[i]] != alpha) vars[i] = energy->addVariable();

    MoveCosts costs;
    fillMoveCosts(costs);
    SubsetTerms terms{costs, *energy, vars, pixels, count, alpha, 0, 0};
    if (!withCostTerms(costs, terms)) {
        unmark();
        PersistentHeap::releaseCallScoped(vars);
        delete energy;
        char message[320];
        std::snprintf(message, sizeof message,
                      "The smoothness cost is not regular for the expansion move on label %d (labels %d and %d of a "
                      "neighbour pair): it needs V(alpha,lq) + V(lp,alpha) >= V(alpha,alpha) + V(lp,lq)",
                      static_cast<int>(alpha), static_cast<int>(terms.bad_lp), static_cast<int>(terms.bad_lq));
        reportError(true, message);
    }
    energy->minimize();

    for (int32_t i = 0; i < count; ++i) {
        const int32_t p = pixels[i];
        if (m_labels[p] != alpha && energy->valueOf(vars[i]) == 0) m_labels[p] = alpha;
    }
    unmark();
    PersistentHeap::releaseCallScoped(vars);
    delete energy;
    return totalEnergy();
}
