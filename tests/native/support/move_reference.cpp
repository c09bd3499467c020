#include "move_reference.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

const MoveProblem* g_problem = nullptr;

// Scales that make the function forms depend on the pixel order and on the
// pair's position, so a swapped argument shows.
float pixelScale(int32_t p1, int32_t p2) { return 1.0f + 0.25f * static_cast<float>((p1 * 3 + p2 * 5) % 4); }
float horzScale(int32_t x, int32_t y) { return 1.0f + 0.5f * static_cast<float>((x + 2 * y) % 3); }
float vertScale(int32_t x, int32_t y) { return 1.0f + 0.75f * static_cast<float>((2 * x + y) % 2); }

float tableAt(const MoveProblem& m, int32_t a, int32_t b) { return m.table[a + b * m.L]; }

EnergyValue dataFn(int32_t p, int32_t l) { return g_problem->data[p * g_problem->L + l]; }
EnergyValue dataFnXY(int32_t x, int32_t y, int32_t l) {
    return g_problem->data[(x + y * g_problem->W) * g_problem->L + l];
}
EnergyValue smoothFn(int32_t p1, int32_t p2, int32_t l1, int32_t l2) {
    return tableAt(*g_problem, l1, l2) * pixelScale(p1, p2);
}
EnergyValue horzFn(int32_t x, int32_t y, int32_t l1, int32_t l2) {
    return tableAt(*g_problem, l1, l2) * horzScale(x, y);
}
EnergyValue vertFn(int32_t x, int32_t y, int32_t l1, int32_t l2) {
    return tableAt(*g_problem, l1, l2) * vertScale(x, y);
}

enum PairKind { Horizontal, Vertical, Graph };

struct Pair {
    int32_t p, q;  // grid: p is the left/upper pixel
    PairKind kind;
    float w;
};

std::vector<Pair> pairsOf(const MoveProblem& m) {
    std::vector<Pair> out;
    if (m.grid) {
        for (int32_t p = 0; p < m.N; ++p) {
            const int32_t x = p % m.W, y = p / m.W;
            if (x < m.W - 1) out.push_back({p, p + 1, Horizontal, 1});
            if (y < m.H - 1) out.push_back({p, p + m.W, Vertical, 1});
        }
    } else {
        for (const GraphPair& g : m.pairs)
            if (g.p != g.q) out.push_back({g.p, g.q, Graph, g.w});
    }
    return out;
}

// The pair read from u towards v with labels (a, b).
double readPair(const MoveProblem& m, const Pair& pr, int32_t u, int32_t v, int32_t a, int32_t b) {
    switch (m.smooth_form) {
        case SmoothForm::Table:
            return pr.kind == Graph ? tableAt(m, a, b) * pr.w : tableAt(m, a, b);
        case SmoothForm::WeightedTable:
            return tableAt(m, a, b) * (pr.kind == Horizontal ? m.hw[pr.p] : m.vw[pr.p]);
        case SmoothForm::PixelFn: return smoothFn(u, v, a, b);
        case SmoothForm::CoordFns: {
            const int32_t x = pr.p % m.W, y = pr.p / m.W;
            return pr.kind == Horizontal ? horzFn(x, y, a, b) : vertFn(x, y, a, b);
        }
    }
    return 0;
}

// Which pixels are variables, and for two variables which one reads first.
template <class IsVar, class FirstOfTwo>
double moveEnergy(const MoveProblem& m, const std::vector<int32_t>& f, IsVar isVar, FirstOfTwo firstOfTwo) {
    double e = 0;
    for (int32_t p = 0; p < m.N; ++p)
        if (isVar(p)) e += m.data[p * m.L + f[p]];
    for (const Pair& pr : pairsOf(m)) {
        const bool vp = isVar(pr.p), vq = isVar(pr.q);
        if (!vp && !vq) continue;
        int32_t u, v;
        if (vp && vq) {
            u = firstOfTwo(pr);
            v = u == pr.p ? pr.q : pr.p;
        } else {
            u = vp ? pr.p : pr.q;
            v = vp ? pr.q : pr.p;
        }
        e += readPair(m, pr, u, v, f[u], f[v]);
    }
    return e;
}

std::vector<bool> subsetActive(const MoveProblem& m, int32_t alpha, const std::vector<int32_t>& list) {
    std::vector<bool> active(m.N, false);
    for (int32_t p : list)
        if (m.labels[p] != alpha) active[p] = true;
    return active;
}

// Enumerates every labelling in which each variable pixel takes one of its
// two choices; returns the least energy.
template <class Choices, class Energy>
double enumerate(const MoveProblem& m, const std::vector<int32_t>& vars, Choices choice, Energy energy) {
    double best = INFINITY;
    std::vector<int32_t> f = m.labels;
    const size_t n = vars.size();
    for (uint32_t bits = 0; bits < (1u << n); ++bits) {
        for (size_t i = 0; i < n; ++i) f[vars[i]] = choice(vars[i], (bits >> i) & 1u);
        best = std::min(best, energy(f));
    }
    return best;
}

}  // namespace

std::string MoveProblem::describe() const {
    std::ostringstream s;
    s << (grid ? "grid " : "graph ") << W << "x" << H << " N=" << N << " L=" << L << " data="
      << static_cast<int>(data_form) << " smooth=" << static_cast<int>(smooth_form) << " labels=";
    for (int32_t l : labels) s << l;
    return s.str();
}

MoveProblem randomProblem(std::mt19937& rng, bool grid, DataForm data, SmoothForm smooth) {
    std::uniform_int_distribution<int> pick(0, 1 << 20);
    auto uniform = [&](float lo, float hi) { return lo + (hi - lo) * static_cast<float>(pick(rng)) / (1 << 20); };
    MoveProblem m;
    m.grid = grid;
    m.data_form = data;
    m.smooth_form = smooth;
    m.L = 2 + pick(rng) % 3;
    if (grid) {
        static const int32_t shapes[][2] = {{3, 3}, {4, 3}, {2, 5}, {1, 6}, {6, 1}, {3, 4}, {2, 2}};
        const auto& s = shapes[pick(rng) % 7];
        m.W = s[0];
        m.H = s[1];
        m.N = m.W * m.H;
    } else {
        m.N = 3 + pick(rng) % 8;
        const int32_t count = m.N + pick(rng) % (m.N + 2);
        for (int32_t k = 0; k < count; ++k)
            m.pairs.push_back({pick(rng) % m.N, pick(rng) % m.N, uniform(0.5f, 2.0f)});
        if (!m.pairs.empty() && pick(rng) % 2) m.pairs.push_back(m.pairs.front());  // a pair stored twice
    }
    m.data.resize(static_cast<size_t>(m.N * m.L));
    for (float& d : m.data) d = std::round(uniform(0, 6) * 4) / 4;  // quarter steps, so ties happen
    // Quasi-metric by shortest paths over random asymmetric arc lengths.
    std::vector<double> d(static_cast<size_t>(m.L * m.L));
    for (int32_t a = 0; a < m.L; ++a)
        for (int32_t b = 0; b < m.L; ++b) d[a + b * m.L] = a == b ? 0 : uniform(0.5f, 4.0f);
    for (int32_t k = 0; k < m.L; ++k)
        for (int32_t a = 0; a < m.L; ++a)
            for (int32_t b = 0; b < m.L; ++b)
                d[a + b * m.L] = std::min(d[a + b * m.L], d[a + k * m.L] + d[k + b * m.L]);
    const double cap = pick(rng) % 2 ? uniform(1.0f, 3.0f) : INFINITY;
    m.table.resize(d.size());
    for (size_t i = 0; i < d.size(); ++i) m.table[i] = static_cast<float>(std::min(d[i], cap));
    if (smooth == SmoothForm::WeightedTable) {
        m.hw.resize(m.N);
        m.vw.resize(m.N);
        for (float& w : m.hw) w = uniform(0.25f, 3.0f);
        for (float& w : m.vw) w = uniform(0.25f, 3.0f);
    }
    m.labels.resize(m.N);
    for (int32_t& l : m.labels) l = pick(rng) % m.L;
    return m;
}

Lumora* makeObject(const MoveProblem& m) {
    g_problem = &m;
    Lumora* o = m.grid ? new Lumora(m.W, m.H, m.L, 1, 1) : new Lumora(m.N, m.L, 1, 1);
    for (const GraphPair& g : m.pairs) o->setNeighbors(g.p, g.q, g.w);
    o->setAllLabels(m.labels.data());
    switch (m.data_form) {
        case DataForm::Table: o->setData(m.data.data()); break;
        case DataForm::PixelFn: o->setData(static_cast<DataCostFn>(dataFn)); break;
        case DataForm::CoordFn: o->setData(static_cast<DataCostFnXY>(dataFnXY)); break;
    }
    switch (m.smooth_form) {
        case SmoothForm::Table: o->setSmoothness(m.table.data()); break;
        case SmoothForm::WeightedTable: o->setSmoothness(m.table.data(), m.hw.data(), m.vw.data()); break;
        case SmoothForm::PixelFn: o->setSmoothness(static_cast<SmoothCostFn>(smoothFn)); break;
        case SmoothForm::CoordFns: o->setSmoothness(horzFn, vertFn); break;
    }
    o->setRandomLabelOrder(false);
    return o;
}

double expansionMoveEnergy(const MoveProblem& m, const std::vector<int32_t>& f, int32_t alpha) {
    return moveEnergy(
        m, f, [&](int32_t p) { return m.labels[p] != alpha; },
        [&](const Pair& pr) { return std::min(pr.p, pr.q); });
}

double swapMoveEnergy(const MoveProblem& m, const std::vector<int32_t>& f, int32_t alpha, int32_t beta) {
    return moveEnergy(
        m, f, [&](int32_t p) { return m.labels[p] == alpha || m.labels[p] == beta; },
        [&](const Pair& pr) { return m.grid ? std::max(pr.p, pr.q) : std::min(pr.p, pr.q); });
}

double subsetMoveEnergy(const MoveProblem& m, const std::vector<int32_t>& f, int32_t alpha,
                        const std::vector<int32_t>& list) {
    const std::vector<bool> active = subsetActive(m, alpha, list);
    return moveEnergy(
        m, f, [&](int32_t p) { return static_cast<bool>(active[p]); },
        [&](const Pair& pr) { return std::min(pr.p, pr.q); });
}

double bestExpansion(const MoveProblem& m, int32_t alpha) {
    std::vector<int32_t> vars;
    for (int32_t p = 0; p < m.N; ++p)
        if (m.labels[p] != alpha) vars.push_back(p);
    return enumerate(
        m, vars, [&](int32_t p, uint32_t bit) { return bit ? m.labels[p] : alpha; },
        [&](const std::vector<int32_t>& f) { return expansionMoveEnergy(m, f, alpha); });
}

double bestSwap(const MoveProblem& m, int32_t alpha, int32_t beta) {
    std::vector<int32_t> vars;
    for (int32_t p = 0; p < m.N; ++p)
        if (m.labels[p] == alpha || m.labels[p] == beta) vars.push_back(p);
    return enumerate(
        m, vars, [&](int32_t, uint32_t bit) { return bit ? beta : alpha; },
        [&](const std::vector<int32_t>& f) { return swapMoveEnergy(m, f, alpha, beta); });
}

double bestSubset(const MoveProblem& m, int32_t alpha, const std::vector<int32_t>& list) {
    std::vector<int32_t> vars;
    const std::vector<bool> active = subsetActive(m, alpha, list);
    for (int32_t p = 0; p < m.N; ++p)
        if (active[p]) vars.push_back(p);
    return enumerate(
        m, vars, [&](int32_t p, uint32_t bit) { return bit ? m.labels[p] : alpha; },
        [&](const std::vector<int32_t>& f) { return subsetMoveEnergy(m, f, alpha, list); });
}

bool allowedByExpansion(const MoveProblem& m, const std::vector<int32_t>& f, int32_t alpha) {
    for (int32_t p = 0; p < m.N; ++p)
        if (f[p] != m.labels[p] && f[p] != alpha) return false;
    return true;
}

bool allowedBySwap(const MoveProblem& m, const std::vector<int32_t>& f, int32_t alpha, int32_t beta) {
    for (int32_t p = 0; p < m.N; ++p) {
        const bool var = m.labels[p] == alpha || m.labels[p] == beta;
        if (var ? (f[p] != alpha && f[p] != beta) : f[p] != m.labels[p]) return false;
    }
    return true;
}

bool allowedBySubset(const MoveProblem& m, const std::vector<int32_t>& f, int32_t alpha,
                     const std::vector<int32_t>& list) {
    const std::vector<bool> active = subsetActive(m, alpha, list);
    for (int32_t p = 0; p < m.N; ++p)
        if (f[p] != m.labels[p] && !(active[p] && f[p] == alpha)) return false;
    return true;
}

std::vector<int32_t> labelsOf(const Lumora& object) {
    return std::vector<int32_t>(object.labels(), object.labels() + object.numPixels());
}
