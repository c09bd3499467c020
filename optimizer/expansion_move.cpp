// The expansion move on label alpha: every pixel whose label differs from
// alpha (an active pixel) becomes one binary variable (0 = take alpha,
// 1 = keep its label), gets its data term and at most one term per
// neighbour pair, and one minimum cut decides all of them at once. Labels
// are written only after minimize, so a failure before leaves them as they
// were.
//
// m_pixel_var is the move's only per-pixel storage: first the list of active
// pixels (entry i = pixel of variable i, ascending), then, while the pair
// terms are added in descending variable order, the map pixel -> variable
// (an entry is overwritten only at a pixel index >= the list positions still
// to be read). The final scan sets every entry back to -1, so between moves
// the array is all -1, which the subset move relies on.
#include <cstdio>

#include "mex.h"
#include "optimizer/move_profile.h"
#include "optimizer/term_builders.h"

namespace {

// Adds the terms of one expansion move; returns false at the first pair
// term that is not regular, with its labels in bad_lp, bad_lq.
struct ExpansionTerms {
    const MoveCosts& c;
    BinaryEnergy& e;
    const MoveVar* vars;
    int32_t n;
    int32_t alpha;
    int32_t bad_lp;
    int32_t bad_lq;

    template <class Data>
    void dataTerms(const Data& d) {
        const int32_t* list = c.pixel_var;
        const int32_t* lab = c.labels;
        for (int32_t i = 0; i < n; ++i) {
            const int32_t p = list[i];
            const EnergyValue keep = d(p, lab[p]);
            const EnergyValue take = d(p, alpha);
            e.addTerm1(vars[i], take, keep);
        }
    }

    // q at alpha: the unary term of the pair.
    template <class Cost>
    void fixedNeighbour(int32_t i, int32_t lp, const Cost& cost) {
        addExpansionUnary(e, vars[i], alpha, lp, alpha, cost);
    }

    template <class Cost>
    bool activePair(int32_t i, int32_t j, int32_t lp, int32_t lq, const Cost& cost) {
        if (addExpansionPair(e, vars[i], vars[j], alpha, lp, lq, cost)) return true;
        bad_lp = lp;
        bad_lq = lq;
        return false;
    }

    template <class Data, class Smooth>
    bool grid(const Data& d, const Smooth& s) {
        dataTerms(d);
        int32_t* pv = c.pixel_var;
        const int32_t* lab = c.labels;
        const int32_t W = c.width;
        const int32_t H = c.height;
        for (int32_t i = n - 1; i >= 0; --i) {
            const int32_t p = pv[i];
            pv[p] = i;
            const int32_t lp = lab[p];
            const int32_t x = p % W;
            const int32_t y = p / W;
            if (x < W - 1) {
                const int32_t q = p + 1;
                auto cost = [&](int32_t a, int32_t b) { return s.horz(p, q, p, x, y, a, b); };
                if (lab[q] == alpha) fixedNeighbour(i, lp, cost);
                else if (!activePair(i, pv[q], lp, lab[q], cost)) return false;
            }
            if (y < H - 1) {
                const int32_t q = p + W;
                auto cost = [&](int32_t a, int32_t b) { return s.vert(p, q, p, x, y, a, b); };
                if (lab[q] == alpha) fixedNeighbour(i, lp, cost);
                else if (!activePair(i, pv[q], lp, lab[q], cost)) return false;
            }
            if (x > 0 && lab[p - 1] == alpha) {
                const int32_t q = p - 1;
                fixedNeighbour(i, lp, [&](int32_t a, int32_t b) { return s.horz(p, q, q, x - 1, y, a, b); });
            }
            if (y > 0 && lab[p - W] == alpha) {
                const int32_t q = p - W;
                fixedNeighbour(i, lp, [&](int32_t a, int32_t b) { return s.vert(p, q, q, x, y - 1, a, b); });
            }
        }
        return true;
    }

    template <class Data, class Smooth>
    bool graph(const Data& d, const Smooth& s) {
        dataTerms(d);
        if (!Smooth::kHasTerms) return true;
        int32_t* pv = c.pixel_var;
        const int32_t* lab = c.labels;
        for (int32_t i = n - 1; i >= 0; --i) {
            const int32_t p = pv[i];
            pv[p] = i;
            const int32_t lp = lab[p];
            LinkedBlockList& list = c.neighbours[p];
            if (list.isEmpty()) continue;
            list.setCursorFront();
            while (list.hasNext()) {
                const NeighbourRecord* r = static_cast<const NeighbourRecord*>(list.next());
                const int32_t q = r->pixel;
                const EnergyValue w = r->weight;
                auto cost = [&](int32_t a, int32_t b) { return s.pair(p, q, w, a, b); };
                if (lab[q] == alpha) fixedNeighbour(i, lp, cost);
                else if (p < q && !activePair(i, pv[q], lp, lab[q], cost)) return false;
            }
        }
        return true;
    }
};

}  // namespace

void Lumora::expansionMove(int32_t alpha) {
    // The drivers check both already; the move is public, so it refuses
    // what would make it read outside its tables or call a missing cost.
    reportError(alpha < 0 || alpha >= m_num_labels, "Illegal Label to Expand On");
    checkCostsSet();
    MoveProfile* profile = MoveProfile::active();
    const double started = profile ? MoveProfile::now() : 0;

    BinaryEnergy* energy = new BinaryEnergy(reportFlowError);
    reportError(!energy, "Not enough memory");

    const int32_t N = m_num_pixels;
    int32_t n = 0;
    for (int32_t p = 0; p < N; ++p)
        if (m_labels[p] != alpha) m_pixel_var[n++] = p;
    if (n == 0) {
        delete energy;
        if (profile) profile->addMove(MoveProfile::now() - started, 0, 0);
        return;
    }

    MoveVar* vars = PersistentHeap::allocateCallScopedArray<MoveVar>(static_cast<size_t>(n));
    if (!vars) {
        resetPixelVar();
        delete energy;
        reportError(true, "Not enough memory");
    }
    for (int32_t i = 0; i < n; ++i) vars[i] = energy->addVariable();

    MoveCosts costs;
    fillMoveCosts(costs);
    ExpansionTerms terms{costs, *energy, vars, n, alpha, 0, 0};
    if (!withCostTerms(costs, terms)) {
        resetPixelVar();
        PersistentHeap::releaseCallScoped(vars);
        delete energy;
        char message[320];
        std::snprintf(message, sizeof message,
                      "The smoothness cost is not regular for the expansion move on label %d (labels %d and %d of a "
                      "neighbour pair): it needs V(alpha,lq) + V(lp,alpha) >= V(alpha,alpha) + V(lp,lq)",
                      static_cast<int>(alpha), static_cast<int>(terms.bad_lp), static_cast<int>(terms.bad_lq));
        reportError(true, message);
    }

    const double built = profile ? MoveProfile::now() : 0;
    energy->minimize();
    const double solved = profile ? MoveProfile::now() : 0;

    int32_t k = 0;
    for (int32_t p = 0; p < N; ++p) {
        m_pixel_var[p] = -1;
        if (m_labels[p] == alpha) continue;
        if (energy->valueOf(vars[k]) == 0) m_labels[p] = alpha;
        ++k;
    }

    PersistentHeap::releaseCallScoped(vars);
    delete energy;
    if (profile) profile->addMove((built - started) + (MoveProfile::now() - solved), solved - built, n);
}
