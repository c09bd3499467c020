// Max-flow engine benchmark.
//
// Graph families, each generated from a fixed seed:
// - 2-D 4-connected segmentation grids (noisy synthetic image, data term from
//   the intensity, contrast-sensitive smoothness, integer capacities);
// - the graphs of one pass of expansion moves of a stereo-like problem,
//   built through BinaryEnergy the way an expansion move builds them
//   (unary terms and truncated-linear pairwise terms on a grid);
// - a 3-D 6-connected segmentation grid;
// - a sparse random graph.
// For each graph: build and solve time, also in copy units (the time of one
// memcpy of 100 bytes per node of that graph, measured in the same run), the
// bytes per node and per arc of the graph storage. Every cut is checked: its
// capacity, summed exactly in 64-bit integers from the generated
// capacities, must equal the solver's flow value (up to float rounding of
// the running sum) and, where peers run, their integer flow value exactly.
// Peers (LEMON Preflow, Boost Graph push_relabel_max_flow) run where they
// finish within about 30 s, on the very graphs our solver is timed on again.
// Times are the best of a few fresh builds and solves; the first build of a
// run also pays the page faults of fresh memory, later ones reuse it.
//
// Usage: bench_maxflow [--quick] [--only WORD | --only peers seg4|rand1m]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "cutengine/energy.h"
#include "cutengine/flow_graph.h"

#ifdef LABRIX_HAVE_LEMON
#include <lemon/preflow.h>
#include <lemon/smart_graph.h>
#endif
#ifdef LABRIX_HAVE_BOOST_GRAPH
#include <boost/graph/adjacency_list.hpp>
#include <boost/graph/push_relabel_max_flow.hpp>
#endif

namespace {

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A graph as plain arrays: terminal capacities per node (nonnegative), arc
// pairs u -> v with forward and backward capacities.
struct PlainGraph {
    std::string name;
    int32_t n = 0;
    std::vector<int32_t> src, snk;
    std::vector<int32_t> eu, ev, ef, eb;
    int64_t constant = 0;  // added to the flow (constants folded out by the generator)

    void reserve(int32_t nodes, size_t edges) {
        n = nodes;
        src.assign(nodes, 0);
        snk.assign(nodes, 0);
        eu.reserve(edges);
        ev.reserve(edges);
        ef.reserve(edges);
        eb.reserve(edges);
    }
    void edge(int32_t u, int32_t v, int32_t f, int32_t b) {
        eu.push_back(u);
        ev.push_back(v);
        ef.push_back(f);
        eb.push_back(b);
    }
    size_t m() const { return eu.size(); }
};

// ---------------------------------------------------------------- generators

std::vector<float> noisyImage(int w, int h, int d, uint32_t seed) {
    // Background 80, a few spheres / discs and boxes at 170, Gaussian noise.
    std::mt19937 rng(seed);
    std::normal_distribution<float> noise(0.f, 45.f);
    std::uniform_real_distribution<float> u(0.f, 1.f);
    struct Blob {
        float cx, cy, cz, r;
        bool box;
    };
    std::vector<Blob> blobs;
    for (int i = 0; i < 12; ++i) blobs.push_back({u(rng) * w, u(rng) * h, u(rng) * d, (0.05f + 0.12f * u(rng)) * std::min(w, h), i % 3 == 0});
    std::vector<float> img(static_cast<size_t>(w) * h * d);
    size_t i = 0;
    for (int z = 0; z < d; ++z)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x, ++i) {
                bool fg = false;
                for (const Blob& b : blobs) {
                    float dx = x - b.cx, dy = y - b.cy, dz = d > 1 ? z - b.cz : 0;
                    if (b.box ? (std::fabs(dx) < b.r && std::fabs(dy) < b.r && std::fabs(dz) < b.r)
                              : (dx * dx + dy * dy + dz * dz < b.r * b.r))
                        fg = !fg;
                }
                float v = (fg ? 170.f : 80.f) + noise(rng);
                img[i] = std::min(255.f, std::max(0.f, v));
            }
    return img;
}

// Data term: squared distance to the two class means; smoothness: lambda *
// exp(-dI^2 / (2 beta)), beta the mean squared neighbour difference.
PlainGraph segmentationGrid(const char* name, int w, int h, int d, uint32_t seed, float lambda) {
    std::vector<float> img = noisyImage(w, h, d, seed);
    PlainGraph s;
    s.name = name;
    const int32_t n = w * h * d;
    const int dims = d > 1 ? 3 : 2;
    s.reserve(n, static_cast<size_t>(n) * dims);
    const int32_t stride[3] = {1, w, w * h};
    double sum = 0;
    size_t count = 0;
    for (int32_t i = 0; i < n; i += 7)
        if (i + 1 < n) {
            double dI = img[i] - img[i + 1];
            sum += dI * dI;
            ++count;
        }
    const double beta = sum / count;
    for (int32_t i = 0; i < n; ++i) {
        float fg = (img[i] - 170.f) * (img[i] - 170.f) / 200.f;
        float bg = (img[i] - 80.f) * (img[i] - 80.f) / 200.f;
        // Source side = foreground: the sink capacity is paid there.
        s.snk[i] = static_cast<int32_t>(std::min(fg, 120.f));
        s.src[i] = static_cast<int32_t>(std::min(bg, 120.f));
    }
    int i = 0;
    for (int z = 0; z < d; ++z)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x, ++i) {
                const bool has[3] = {x + 1 < w, y + 1 < h, z + 1 < d};
                for (int k = 0; k < dims; ++k) {
                    if (!has[k]) continue;
                    int j = i + stride[k];
                    double dI = img[i] - img[j];
                    int32_t c = static_cast<int32_t>(std::lround(lambda * std::exp(-dI * dI / (2 * beta))));
                    s.edge(i, j, c, c);
                }
            }
    return s;
}

PlainGraph sparseRandom(const char* name, int32_t n, int32_t m, uint32_t seed) {
    std::mt19937 rng(seed);
    PlainGraph s;
    s.name = name;
    s.reserve(n, m);
    std::uniform_int_distribution<int32_t> node(0, n - 1);
    std::uniform_int_distribution<int32_t> cap(0, 40);
    std::uniform_int_distribution<int32_t> term(0, 9);
    for (int32_t i = 0; i < n; ++i) {
        int32_t k = term(rng);
        if (k < 3) s.src[i] = cap(rng);
        else if (k < 6) s.snk[i] = cap(rng);
    }
    // Mostly local arcs (within a window), a few long ones.
    std::uniform_int_distribution<int32_t> near(1, 64);
    for (int32_t e = 0; e < m; ++e) {
        int32_t u = node(rng);
        int32_t v = term(rng) == 0 ? node(rng) : (u + near(rng)) % n;
        if (u == v) v = (u + 1) % n;
        s.edge(u, v, cap(rng) / 4, cap(rng) / 4);
    }
    return s;
}

// Stereo-like labelling problem for the expansion family.
struct Stereo {
    int w, h, labels;
    std::vector<int32_t> data;    // pixel * labels + label
    std::vector<int32_t> weight;  // per pixel: [right, down]
    std::vector<int32_t> label;
    int32_t truncation = 3;

    int32_t smooth(int32_t a, int32_t b) const { return std::min(std::abs(a - b), truncation); }
};

Stereo makeStereo(int w, int h, int labels, uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> noise(0, 6);
    std::uniform_int_distribution<int32_t> wild(0, 99);
    Stereo st{w, h, labels, {}, {}, {}};
    std::vector<int32_t> gt(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int g = 2 + x * 5 / w;  // slanted background
            if (x > w / 5 && x < w / 2 && y > h / 4 && y < 3 * h / 4) g = labels - 4;
            if ((x - 3 * w / 4) * (x - 3 * w / 4) + (y - h / 2) * (y - h / 2) < (h / 5) * (h / 5)) g = labels - 2;
            gt[x + y * w] = std::min(g, labels - 1);
        }
    st.data.resize(static_cast<size_t>(w) * h * labels);
    st.weight.resize(static_cast<size_t>(w) * h * 2);
    st.label.resize(static_cast<size_t>(w) * h);
    for (int p = 0; p < w * h; ++p) {
        bool occluded = wild(rng) < 8;
        int32_t best = 0;
        for (int l = 0; l < labels; ++l) {
            int32_t c = occluded ? wild(rng) / 5 : std::min(3 * std::abs(l - gt[p]) + noise(rng), 20);
            st.data[static_cast<size_t>(p) * labels + l] = c;
            if (c < st.data[static_cast<size_t>(p) * labels + best]) best = l;
        }
        st.label[p] = best;  // winner-take-all start
        int x = p % w, y = p / w;
        st.weight[2 * p] = (x + 1 < w && gt[p] != gt[p + 1]) ? 2 : 6;
        st.weight[2 * p + 1] = (y + 1 < h && gt[p] != gt[p + w]) ? 2 : 6;
    }
    return st;
}

// One expansion move's terms, handed to a sink with the BinaryEnergy
// interface. Pixels that already have alpha are constants; a pair with one
// of them contributes a unary term to the other.
template <typename Sink>
void expansionTerms(const Stereo& st, int32_t alpha, Sink& sink, std::vector<typename Sink::Var>& var) {
    const int n = st.w * st.h;
    for (int p = 0; p < n; ++p) {
        if (st.label[p] == alpha) continue;
        var[p] = sink.addVariable();
        sink.addTerm1(var[p], static_cast<EnergyValue>(st.data[static_cast<size_t>(p) * st.labels + alpha]),
                      static_cast<EnergyValue>(st.data[static_cast<size_t>(p) * st.labels + st.label[p]]));
    }
    for (int p = 0; p < n; ++p) {
        int x = p % st.w, y = p / st.w;
        for (int k = 0; k < 2; ++k) {
            if (k == 0 ? x + 1 >= st.w : y + 1 >= st.h) continue;
            int q = p + (k == 0 ? 1 : st.w);
            int32_t wpq = st.weight[2 * p + k];
            int32_t lp = st.label[p], lq = st.label[q];
            bool vp = lp != alpha, vq = lq != alpha;
            if (vp && vq) {
                sink.addTerm2(var[p], var[q], 0, static_cast<EnergyValue>(wpq * st.smooth(alpha, lq)),
                              static_cast<EnergyValue>(wpq * st.smooth(lp, alpha)),
                              static_cast<EnergyValue>(wpq * st.smooth(lp, lq)));
            } else if (vp) {
                sink.addTerm1(var[p], 0, static_cast<EnergyValue>(wpq * st.smooth(lp, alpha)));
            } else if (vq) {
                sink.addTerm1(var[q], 0, static_cast<EnergyValue>(wpq * st.smooth(alpha, lq)));
            }
        }
    }
}

// Records the graph that BinaryEnergy would build, as a PlainGraph.
struct GraphRecorder {
    typedef int32_t Var;
    PlainGraph graph;
    std::vector<int64_t> s, t;
    Var addVariable() {
        s.push_back(0);
        t.push_back(0);
        return static_cast<Var>(s.size() - 1);
    }
    void addTerm1(Var x, EnergyValue e0, EnergyValue e1) {
        s[x] += static_cast<int64_t>(e1);
        t[x] += static_cast<int64_t>(e0);
    }
    void addTerm2(Var x, Var y, EnergyValue a, EnergyValue b, EnergyValue c, EnergyValue d) {
        s[x] += static_cast<int64_t>(d);
        t[x] += static_cast<int64_t>(a);
        int64_t bb = static_cast<int64_t>(b - a), cc = static_cast<int64_t>(c - d);
        if (bb < 0) {
            t[x] += bb;
            t[y] -= bb;
            graph.edge(x, y, 0, static_cast<int32_t>(bb + cc));
        } else if (cc < 0) {
            t[x] -= cc;
            t[y] += cc;
            graph.edge(x, y, static_cast<int32_t>(bb + cc), 0);
        } else {
            graph.edge(x, y, static_cast<int32_t>(bb), static_cast<int32_t>(cc));
        }
    }
    PlainGraph finish(const std::string& name) {
        graph.name = name;
        graph.n = static_cast<int32_t>(s.size());
        graph.src.resize(graph.n);
        graph.snk.resize(graph.n);
        for (int32_t i = 0; i < graph.n; ++i) {
            int64_t m = std::min(s[i], t[i]);
            graph.constant += m;
            graph.src[i] = static_cast<int32_t>(s[i] - m);
            graph.snk[i] = static_cast<int32_t>(t[i] - m);
        }
        return graph;
    }
};

// ------------------------------------------------------------------ measuring

double copyUnitSeconds(int32_t n) {
    size_t bytes = static_cast<size_t>(n) * 100;
    std::vector<char> a(bytes, 1), b(bytes, 2);
    double best = 1e30;
    for (int r = 0; r < 10; ++r) {
        double t0 = now();
        std::memcpy(b.data(), a.data(), bytes);
        double t1 = now();
        best = std::min(best, t1 - t0);
        a[r] = b[bytes - 1 - r];  // keep the copies observable
    }
    return best;
}

struct OurRun {
    double build = 0, solve = 0;
    double flow = 0;
    int64_t cut = 0;  // exact capacity of the reported cut, constant included
    size_t node_bytes = 0, arc_bytes = 0;
};

template <typename Chunk>
size_t chunkBytes(const Chunk* c) {
    size_t b = 0;
    for (; c; c = c->next_chunk) b += sizeof(Chunk);
    return b;
}

int64_t cutCost(const PlainGraph& s, const std::vector<char>& source_side) {
    int64_t c = s.constant;
    for (int32_t i = 0; i < s.n; ++i) c += source_side[i] ? s.snk[i] : s.src[i];
    for (size_t e = 0; e < s.m(); ++e) {
        if (source_side[s.eu[e]] && !source_side[s.ev[e]]) c += s.ef[e];
        if (!source_side[s.eu[e]] && source_side[s.ev[e]]) c += s.eb[e];
    }
    return c;
}

OurRun runOurs(const PlainGraph& s) {
    OurRun r;
    std::vector<FlowNode*> nodes(s.n);
    double t0 = now();
    FlowGraph* g = new FlowGraph(nullptr);
    for (int32_t i = 0; i < s.n; ++i) nodes[i] = g->addNode();
    for (int32_t i = 0; i < s.n; ++i) g->addTerminalWeights(nodes[i], static_cast<EnergyValue>(s.src[i]), static_cast<EnergyValue>(s.snk[i]));
    const size_t m = s.m();
    for (size_t e = 0; e < m; ++e)
        g->addEdge(nodes[s.eu[e]], nodes[s.ev[e]], static_cast<EnergyValue>(s.ef[e]), static_cast<EnergyValue>(s.eb[e]));
    double t1 = now();
    r.flow = g->maxflow() + static_cast<double>(s.constant);
    double t2 = now();
    r.build = t1 - t0;
    r.solve = t2 - t1;
    r.node_bytes = chunkBytes(g->nodeChunks());
    r.arc_bytes = chunkBytes(g->arcChunks()) + chunkBytes(g->inArcChunks());
    std::vector<char> side(s.n);
    for (int32_t i = 0; i < s.n; ++i) side[i] = g->segmentOf(nodes[i]) == SIDE_SOURCE;
    delete g;
    r.cut = cutCost(s, side);
    return r;
}

// Best of `repeats` fresh builds and solves.
OurRun bestOfOurs(const PlainGraph& s, int repeats) {
    OurRun best;
    for (int i = 0; i < repeats; ++i) {
        OurRun r = runOurs(s);
        if (i == 0) best = r;
        best.build = std::min(best.build, r.build);
        best.solve = std::min(best.solve, r.solve);
        if (r.cut != best.cut) {
            std::printf("ERROR: %s: cut differs between runs\n", s.name.c_str());
            std::exit(1);
        }
    }
    return best;
}

bool flowMatchesCut(double flow, int64_t cut) {
    // The flow value is a running float sum; the cut is summed exactly.
    // Millions of small float additions to a sum above 2^24 (where the spacing
    // of floats is 2 or more) drift the running sum by up to ~0.5%.
    return std::fabs(flow - static_cast<double>(cut)) <= 1e-2 * std::max(1.0, std::fabs(static_cast<double>(cut)));
}

struct PeerRun {
    bool ran = false;
    double build = 0, solve = 0;
    int64_t flow = 0;
};

#ifdef LABRIX_HAVE_LEMON
PeerRun runLemon(const PlainGraph& s) {
    typedef lemon::SmartDigraph G;
    PeerRun r;
    r.ran = true;
    double t0 = now();
    G g;
    g.reserveNode(s.n + 2);
    g.reserveArc(static_cast<int>(2 * s.m() + 2 * s.n));
    std::vector<G::Node> nodes(s.n);
    for (int32_t i = 0; i < s.n; ++i) nodes[i] = g.addNode();
    G::Node source = g.addNode(), sink = g.addNode();
    G::ArcMap<int64_t> cap(g);
    for (int32_t i = 0; i < s.n; ++i) {
        if (s.src[i] > 0) cap[g.addArc(source, nodes[i])] = s.src[i];
        if (s.snk[i] > 0) cap[g.addArc(nodes[i], sink)] = s.snk[i];
    }
    for (size_t e = 0; e < s.m(); ++e) {
        cap[g.addArc(nodes[s.eu[e]], nodes[s.ev[e]])] = s.ef[e];
        cap[g.addArc(nodes[s.ev[e]], nodes[s.eu[e]])] = s.eb[e];
    }
    double t1 = now();
    lemon::Preflow<G, G::ArcMap<int64_t>> preflow(g, cap, source, sink);
    preflow.runMinCut();
    r.flow = preflow.flowValue() + s.constant;
    double t2 = now();
    r.build = t1 - t0;
    r.solve = t2 - t1;
    return r;
}
#endif

#ifdef LABRIX_HAVE_BOOST_GRAPH
PeerRun runBoost(const PlainGraph& s) {
    using namespace boost;
    typedef adjacency_list_traits<vecS, vecS, directedS> Traits;
    typedef adjacency_list<vecS, vecS, directedS, no_property,
                           property<edge_capacity_t, int64_t,
                                    property<edge_residual_capacity_t, int64_t,
                                             property<edge_reverse_t, Traits::edge_descriptor>>>>
        G;
    PeerRun r;
    r.ran = true;
    double t0 = now();
    G g(s.n + 2);
    auto cap = get(edge_capacity, g);
    auto rev = get(edge_reverse, g);
    auto pair = [&](int u, int v, int64_t f, int64_t b) {
        Traits::edge_descriptor e1 = add_edge(u, v, g).first;
        Traits::edge_descriptor e2 = add_edge(v, u, g).first;
        cap[e1] = f;
        cap[e2] = b;
        rev[e1] = e2;
        rev[e2] = e1;
    };
    const int source = s.n, sink = s.n + 1;
    for (int32_t i = 0; i < s.n; ++i) {
        if (s.src[i] > 0) pair(source, i, s.src[i], 0);
        if (s.snk[i] > 0) pair(i, sink, s.snk[i], 0);
    }
    for (size_t e = 0; e < s.m(); ++e) pair(s.eu[e], s.ev[e], s.ef[e], s.eb[e]);
    double t1 = now();
    r.flow = push_relabel_max_flow(g, source, sink) + s.constant;
    double t2 = now();
    r.build = t1 - t0;
    r.solve = t2 - t1;
    return r;
}
#endif

// ------------------------------------------------------------------- reports

int g_failures = 0;

void printOursHeader() {
    std::printf("\n%-28s %9s %9s %9s %9s %9s %8s %8s %7s %7s %16s\n", "graph", "nodes", "arcs", "build ms", "solve ms",
                "copy ms", "build cu", "solve cu", "B/node", "B/arc", "flow (= cut)");
}

// cut < 0: several graphs, each checked on its own.
void printOurs(const std::string& name, int64_t nodes, int64_t arcs, const OurRun& r, double copy, int64_t cut) {
    char flow[32] = "each move";
    if (cut >= 0) std::snprintf(flow, sizeof flow, "%lld", (long long)cut);
    std::printf("%-28s %9lld %9lld %9.1f %9.1f %9.2f %8.1f %8.1f %7.1f %7.1f %16s\n", name.c_str(), (long long)nodes,
                (long long)arcs, r.build * 1e3, r.solve * 1e3, copy * 1e3, r.build / copy, r.solve / copy,
                double(r.node_bytes) / nodes, arcs ? double(r.arc_bytes) / arcs : 0.0, flow);
}

void checkOurs(const std::string& name, const OurRun& r) {
    if (!flowMatchesCut(r.flow, r.cut)) {
        std::printf("ERROR: %s: flow %.1f but the reported cut costs %lld\n", name.c_str(), r.flow, (long long)r.cut);
        ++g_failures;
    }
}

void benchFamily(const PlainGraph& s, int repeats) {
    OurRun r = bestOfOurs(s, repeats);
    double copy = copyUnitSeconds(s.n);
    checkOurs(s.name, r);
    printOurs(s.name, s.n, static_cast<int64_t>(s.m()), r, copy, r.cut);
    std::fflush(stdout);
}

struct PeerLine {
    std::string name;
    int32_t n;
    size_t m;
    OurRun ours;
    PeerRun lemon, boost;
};
std::vector<PeerLine> g_peer_lines;

void benchPeers(const PlainGraph& s, bool with_lemon = true, bool with_boost = true) {
    PeerLine line{s.name, s.n, s.m(), bestOfOurs(s, 3), {}, {}};
    checkOurs(s.name, line.ours);
#ifdef LABRIX_HAVE_LEMON
    if (with_lemon) line.lemon = runLemon(s);
    if (line.lemon.ran && line.lemon.flow != line.ours.cut) {
        std::printf("ERROR: %s: LEMON flow %lld, our cut %lld\n", s.name.c_str(), (long long)line.lemon.flow, (long long)line.ours.cut);
        ++g_failures;
    }
#endif
#ifdef LABRIX_HAVE_BOOST_GRAPH
    if (with_boost) line.boost = runBoost(s);
    if (line.boost.ran && line.boost.flow != line.ours.cut) {
        std::printf("ERROR: %s: Boost flow %lld, our cut %lld\n", s.name.c_str(), (long long)line.boost.flow, (long long)line.ours.cut);
        ++g_failures;
    }
#endif
    g_peer_lines.push_back(line);
    std::fprintf(stderr, "  peers done: %s\n", s.name.c_str());
}

void printPeers() {
    std::printf("\nPeers on the same graphs (solve times; ratio = peer / ours; flows checked equal to our cut)\n");
    std::printf("%-28s %9s %9s %9s %10s %8s %10s %8s %16s\n", "graph", "nodes", "arcs", "ours ms", "LEMON ms", "ratio",
                "Boost ms", "ratio", "flow");
    for (const PeerLine& l : g_peer_lines) {
        char lemon[32] = "-", lemon_ratio[32] = "-", boost[32] = "-", boost_ratio[32] = "-";
        if (l.lemon.ran) {
            std::snprintf(lemon, sizeof lemon, "%.1f", l.lemon.solve * 1e3);
            std::snprintf(lemon_ratio, sizeof lemon_ratio, "%.1fx", l.lemon.solve / l.ours.solve);
        }
        if (l.boost.ran) {
            std::snprintf(boost, sizeof boost, "%.1f", l.boost.solve * 1e3);
            std::snprintf(boost_ratio, sizeof boost_ratio, "%.1fx", l.boost.solve / l.ours.solve);
        }
        std::printf("%-28s %9d %9zu %9.1f %10s %8s %10s %8s %16lld\n", l.name.c_str(), l.n, l.m, l.ours.solve * 1e3, lemon,
                    lemon_ratio, boost, boost_ratio, (long long)l.ours.cut);
    }
}

// One pass of expansion moves over every label, each built through
// BinaryEnergy and applied; reports the sum over the moves.
void benchExpansionPass(const char* name, int w, int h, int labels, uint32_t seed, int peer_alpha, PlainGraph* peer_graph,
                        bool print = true) {
    Stereo st = makeStereo(w, h, labels, seed);
    std::vector<BinaryEnergy::Var> var(static_cast<size_t>(w) * h);
    OurRun total;
    double copy_total = 0;
    int64_t nodes_total = 0, arcs_total = 0;
    for (int alpha = 0; alpha < labels; ++alpha) {
        if (peer_graph && alpha == peer_alpha) {
            GraphRecorder sink;
            std::vector<GraphRecorder::Var> svar(static_cast<size_t>(w) * h);
            expansionTerms(st, alpha, sink, svar);
            *peer_graph = sink.finish(std::string(name) + " move " + std::to_string(alpha));
        }
        double t0 = now();
        BinaryEnergy* e = new BinaryEnergy(nullptr);
        expansionTerms(st, alpha, *e, var);
        double t1 = now();
        double value = e->minimize();
        double t2 = now();
        int64_t nodes = 0;
        for (const NodeChunk* c = e->nodeChunks(); c; c = c->next_chunk) nodes += c->cursor - c->slots;
        int64_t arcs = 0;
        total.node_bytes += chunkBytes(e->nodeChunks());
        total.arc_bytes += chunkBytes(e->arcChunks()) + chunkBytes(e->inArcChunks());
        // Apply the move, and check its value against the energy it reached.
        std::vector<int32_t> before = st.label;
        for (int p = 0; p < w * h; ++p)
            if (st.label[p] != alpha && e->valueOf(var[p]) == 0) st.label[p] = alpha;
        delete e;
        // Energy of the move's result relative to the terms: recompute the
        // move energy from scratch in integers.
        int64_t move_energy = 0;
        for (int p = 0; p < w * h; ++p) {
            if (before[p] == alpha) continue;
            move_energy += st.data[static_cast<size_t>(p) * labels + st.label[p]];
        }
        for (int p = 0; p < w * h; ++p) {
            int x = p % w, y = p / w;
            for (int k = 0; k < 2; ++k) {
                if (k == 0 ? x + 1 >= w : y + 1 >= h) continue;
                int q = p + (k == 0 ? 1 : w);
                if (before[p] == alpha && before[q] == alpha) continue;
                move_energy += st.weight[2 * p + k] * st.smooth(st.label[p], st.label[q]);
            }
        }
        OurRun r;
        r.flow = value;
        r.cut = move_energy;
        checkOurs(std::string(name) + " move " + std::to_string(alpha), r);
        // Graph size: the moves' variables and their pairwise terms.
        for (int p = 0; p < w * h; ++p) {
            if (before[p] == alpha) continue;
            int x = p % w, y = p / w;
            if (x + 1 < w && before[p + 1] != alpha) ++arcs;
            if (y + 1 < h && before[p + w] != alpha) ++arcs;
        }
        nodes_total += nodes;
        arcs_total += arcs;
        total.build += t1 - t0;
        total.solve += t2 - t1;
        copy_total += copyUnitSeconds(static_cast<int32_t>(std::max<int64_t>(nodes, 1)));
    }
    // Per-move averages; copy units relative to the summed copy times.
    OurRun avg = total;
    avg.build /= labels;
    avg.solve /= labels;
    avg.node_bytes /= labels;
    avg.arc_bytes /= labels;
    if (!print) return;
    std::string label = std::string(name) + " (avg/move)";
    printOurs(label, nodes_total / labels, arcs_total / labels, avg, copy_total / labels, -1);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    // --quick: one repetition, no 4-megapixel grid. --only WORD: only the
    // families whose name contains WORD (for profiling), no peers.
    bool quick = false;
    const char* only = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) quick = true;
        else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) only = argv[++i];
    }
    auto wanted = [&](const char* name) { return !only || std::strstr(name, only); };
    std::printf("Labrix max-flow benchmark%s. cu = copy units: time / (one memcpy of 100 bytes per node).\n",
                quick ? " (quick)" : "");
    std::printf("Node record %zu bytes, arc %zu bytes + in-arc entry %zu bytes; chunks of %d nodes / %d arcs.\n",
                sizeof(FlowNode), sizeof(FlowArc), sizeof(InArcRef), NODES_PER_CHUNK - 1, ARCS_PER_CHUNK);
    std::printf("Flow values are float running sums; each is checked against the exact integer capacity of its cut.\n");
    printOursHeader();
    const int repeats = quick ? 1 : 3;
    if (wanted("segmentation 1000x1000")) benchFamily(segmentationGrid("segmentation 1000x1000", 1000, 1000, 1, 11, 30), repeats);
    if (!quick && wanted("segmentation 2000x2000"))
        benchFamily(segmentationGrid("segmentation 2000x2000", 2000, 2000, 1, 12, 30), repeats);
    PlainGraph expansion_move;
    if (wanted("expansion 640x480"))
        benchExpansionPass("expansion 640x480 L16", 640, 480, 16, 21, 8, only ? nullptr : &expansion_move);
    if (wanted("3-D grid 128")) benchFamily(segmentationGrid("3-D grid 128x128x128", 128, 128, 128, 13, 20), quick ? 1 : 2);
    if (wanted("sparse random 250k")) benchFamily(sparseRandom("sparse random 250k/1M", 250000, 1000000, 14), quick ? 1 : 2);
    if (only && std::strcmp(only, "peers") == 0 && argc > 3) {
        // --only peers NAME: one extra peer comparison on a full-size graph.
        const char* name = argv[argc - 1];
        if (std::strcmp(name, "seg4") == 0)
            benchPeers(segmentationGrid("segmentation 2000x2000", 2000, 2000, 1, 12, 30), false, true);
        if (std::strcmp(name, "rand1m") == 0) benchPeers(sparseRandom("sparse random 1M/4M", 1000000, 4000000, 14), false, true);
        printPeers();
    }
    if (only) return g_failures ? 1 : 0;

    // Peers: LEMON only where it finishes within about 30 s, Boost also on
    // some full-size graphs. Our solver is timed again on each graph.
    std::fprintf(stderr, "peers...\n");
    benchPeers(segmentationGrid("segmentation 1000x1000", 1000, 1000, 1, 11, 30), false, true);
    benchPeers(segmentationGrid("segmentation 300x300", 300, 300, 1, 31, 30));
    benchPeers(segmentationGrid("segmentation 200x200", 200, 200, 1, 32, 30));
    benchPeers(expansion_move);
    {
        PlainGraph s;
        benchExpansionPass("expansion 240x180 L16", 240, 180, 16, 33, 8, &s, false);
        benchPeers(s);
    }
    benchPeers(segmentationGrid("3-D grid 128x128x128", 128, 128, 128, 13, 20), false, true);
    benchPeers(segmentationGrid("3-D grid 64x64x64", 64, 64, 64, 34, 20));
    if (!quick) benchPeers(sparseRandom("sparse random 250k/1M", 250000, 1000000, 14));
    benchPeers(sparseRandom("sparse random 50k/200k", 50000, 200000, 35));
    printPeers();
    if (g_failures) std::printf("\n%d check(s) FAILED\n", g_failures);
    return g_failures ? 1 : 0;
}
