// The swap move on the labels (alpha, beta): every pixel labelled alpha or
// beta becomes one binary variable (0 = alpha, 1 = beta), every other pixel
// keeps its label and enters only through the unary terms of its alpha/beta
// neighbours. Data terms come first, in pixel order, then the smoothness
// terms, pixel by pixel: on a grid the left and up neighbours give a pair
// term when they are variables too, every fixed neighbour a unary term; on
// a general graph a pair term comes from the list of the lower pixel.
//
// m_pixel_var holds, during the move, each variable pixel's position in the
// pixel list; the move writes -1 back into those entries when it is done,
// so between moves the array is all -1. Labels are written only after
// minimize: every alpha/beta pixel is written, whether it changes or not.
#include <cstdio>

#include "mex.h"
#include "optimizer/move_profile.h"
#include "optimizer/term_builders.h"

namespace {

struct SwapTerms {
    const MoveCosts& c;
    BinaryEnergy& e;
    const MoveVar* vars;
    const int32_t* list;
    int32_t n;
    int32_t alpha;
    int32_t beta;

    bool isVariable(int32_t l) const { return l == alpha || l == beta; }

    template <class Data>
    void dataTerms(const Data& d) {
        for (int32_t k = 0; k < n; ++k) {
            const int32_t p = list[k];
            const EnergyValue e0 = d(p, alpha);
            const EnergyValue e1 = d(p, beta);
            e.addTerm1(vars[k], e0, e1);
        }
    }

    template <class Cost>
    void fixedNeighbour(int32_t k, int32_t lq, const Cost& cost) {
        const EnergyValue e0 = cost(alpha, lq);
        const EnergyValue e1 = cost(beta, lq);
        e.addTerm1(vars[k], e0, e1);
    }

    template <class Cost>
    bool variablePair(int32_t k, int32_t j, const Cost& cost) {
        const EnergyValue A = cost(alpha, alpha);
        const EnergyValue B = cost(alpha, beta);
        const EnergyValue C = cost(beta, alpha);
        const EnergyValue D = cost(beta, beta);
        return addRegularPair(e, vars[k], vars[j], A, B, C, D);
    }

    template <class Data, class Smooth>
    bool grid(const Data& d, const Smooth& s) {
        dataTerms(d);
        const int32_t* lab = c.labels;
        const int32_t* pv = c.pixel_var;
        const int32_t W = c.width;
        const int32_t H = c.height;
        for (int32_t k = 0; k < n; ++k) {
            const int32_t p = list[k];
            const int32_t x = p % W;
            const int32_t y = p / W;
            if (x > 0) {
                const int32_t q = p - 1;
                auto cost = [&](int32_t a, int32_t b) { return s.horz(p, q, q, x - 1, y, a, b); };
                if (!isVariable(lab[q])) fixedNeighbour(k, lab[q], cost);
                else if (!variablePair(k, pv[q], cost)) return false;
            }
            if (y > 0) {
                const int32_t q = p - W;
                auto cost = [&](int32_t a, int32_t b) { return s.vert(p, q, q, x, y - 1, a, b); };
                if (!isVariable(lab[q])) fixedNeighbour(k, lab[q], cost);
                else if (!variablePair(k, pv[q], cost)) return false;
            }
            if (x < W - 1 && !isVariable(lab[p + 1])) {
                const int32_t q = p + 1;
                fixedNeighbour(k, lab[q], [&](int32_t a, int32_t b) { return s.horz(p, q, p, x, y, a, b); });
            }
            if (y < H - 1 && !isVariable(lab[p + W])) {
                const int32_t q = p + W;
                fixedNeighbour(k, lab[q], [&](int32_t a, int32_t b) { return s.vert(p, q, p, x, y, a, b); });
            }
        }
        return true;
    }

    template <class Data, class Smooth>
    bool graph(const Data& d, const Smooth& s) {
        dataTerms(d);
        if (!Smooth::kHasTerms) return true;
        const int32_t* lab = c.labels;
        const int32_t* pv = c.pixel_var;
        for (int32_t k = 0; k < n; ++k) {
            const int32_t p = list[k];
            LinkedBlockList& nl = c.neighbours[p];
            if (nl.isEmpty()) continue;
            nl.setCursorFront();
            while (nl.hasNext()) {
                const NeighbourRecord* r = static_cast<const NeighbourRecord*>(nl.next());
                const int32_t q = r->pixel;
                const EnergyValue w = r->weight;
                auto cost = [&](int32_t a, int32_t b) { return s.pair(p, q, w, a, b); };
                if (!isVariable(lab[q])) fixedNeighbour(k, lab[q], cost);
                else if (p < q && !variablePair(k, pv[q], cost)) return false;
            }
        }
        return true;
    }
};

}  // namespace

void Lumora::swapMove(int32_t alpha, int32_t beta) {
    // As in the expansion move: cheap refusals of what would read outside
    // the tables or call a missing cost, before anything changes.
    reportError(alpha < 0 || alpha >= m_num_labels || beta < 0 || beta >= m_num_labels,
                "Illegal Label to Expand On");
    checkCostsSet();
    MoveProfile* profile = MoveProfile::active();
    const double started = profile ? MoveProfile::now() : 0;

    BinaryEnergy* energy = new BinaryEnergy(mexErrMsgTxt);
    const int32_t N = m_num_pixels;
    int32_t* list = PersistentHeap::allocateCallScopedArray<int32_t>(static_cast<size_t>(N));
    if (!energy || !list) {
        PersistentHeap::releaseCallScoped(list);
        delete energy;
        reportError(true, "Not enough memory");
    }
    int32_t n = 0;
    for (int32_t p = 0; p < N; ++p) {
        const int32_t l = m_labels[p];
        if (l == alpha || l == beta) {
            m_pixel_var[p] = n;
            list[n++] = p;
        }
    }
    if (n == 0) {
        delete energy;
        PersistentHeap::releaseCallScoped(list);
        if (profile) profile->addMove(MoveProfile::now() - started, 0, 0);
        return;
    }
    auto unmark = [&]() {
        for (int32_t k = 0; k < n; ++k) m_pixel_var[list[k]] = -1;
    };

    MoveVar* vars = PersistentHeap::allocateCallScopedArray<MoveVar>(static_cast<size_t>(n));
    if (!vars) {
        unmark();
        PersistentHeap::releaseCallScoped(list);
        delete energy;
        reportError(true, "Not enough memory");
    }
    for (int32_t k = 0; k < n; ++k) vars[k] = energy->addVariable();

    MoveCosts costs;
    fillMoveCosts(costs);
    SwapTerms terms{costs, *energy, vars, list, n, alpha, beta};
    if (!withCostTerms(costs, terms)) {
        unmark();
        PersistentHeap::releaseCallScoped(vars);
        PersistentHeap::releaseCallScoped(list);
        delete energy;
        char message[320];
        std::snprintf(message, sizeof message,
                      "The smoothness cost is not regular for the swap move on labels %d and %d: it needs "
                      "V(alpha,beta) + V(beta,alpha) >= V(alpha,alpha) + V(beta,beta)",
                      static_cast<int>(alpha), static_cast<int>(beta));
        reportError(true, message);
    }

    const double built = profile ? MoveProfile::now() : 0;
    energy->minimize();
    const double solved = profile ? MoveProfile::now() : 0;

    for (int32_t k = 0; k < n; ++k) {
        const int32_t p = list[k];
        m_labels[p] = energy->valueOf(vars[k]) == 0 ? alpha : beta;
        m_pixel_var[p] = -1;
    }

    PersistentHeap::releaseCallScoped(vars);
    PersistentHeap::releaseCallScoped(list);
    delete energy;
    if (profile) profile->addMove((built - started) + (MoveProfile::now() - solved), solved - built, n);
}
