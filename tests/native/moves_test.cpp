// The moves against brute force: on random small problems of every data
// form, smoothness form and graph kind, the labelling after expansionMove,
// swapMove and expandOnLabelAt is allowed by the move and has the least
// move energy (the move's own orientation, see support/move_reference.h).
// Then named cases: ties, the asymmetric orientation examples, the subset's
// fixed neighbours in all four directions, regularity on both sides of the
// rounding line, refusals, and that failed moves leak nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>

#include "host_call.h"
#include "optimizer/lumora.h"
#include "support/move_reference.h"

namespace {

struct Config {
    bool grid;
    DataForm data;
    SmoothForm smooth;
};

const Config kConfigs[] = {
    {true, DataForm::Table, SmoothForm::Table},          {true, DataForm::Table, SmoothForm::WeightedTable},
    {true, DataForm::Table, SmoothForm::PixelFn},        {true, DataForm::Table, SmoothForm::CoordFns},
    {true, DataForm::PixelFn, SmoothForm::Table},        {true, DataForm::PixelFn, SmoothForm::WeightedTable},
    {true, DataForm::PixelFn, SmoothForm::PixelFn},      {true, DataForm::PixelFn, SmoothForm::CoordFns},
    {true, DataForm::CoordFn, SmoothForm::Table},        {true, DataForm::CoordFn, SmoothForm::WeightedTable},
    {true, DataForm::CoordFn, SmoothForm::PixelFn},      {true, DataForm::CoordFn, SmoothForm::CoordFns},
    {false, DataForm::Table, SmoothForm::Table},         {false, DataForm::Table, SmoothForm::PixelFn},
    {false, DataForm::PixelFn, SmoothForm::Table},       {false, DataForm::PixelFn, SmoothForm::PixelFn},
};

bool allMinusOne(const Lumora& o) {
    for (int32_t p = 0; p < o.numPixels(); ++p)
        if (o.pixelVar()[p] != -1) return false;
    return true;
}

double tolerance(double e) { return 1e-4 * (1 + std::fabs(e)); }

enum class Move { Expansion, Swap, Subset };

// One random move on one random problem of cfg; every failure names the seed.
void checkOne(uint32_t seed, const Config& cfg, Move move) {
    std::mt19937 rng(seed);
    MoveProblem m = randomProblem(rng, cfg.grid, cfg.data, cfg.smooth);
    const int32_t alpha = static_cast<int32_t>(rng() % m.L);
    const int32_t beta = static_cast<int32_t>(rng() % m.L);
    std::vector<int32_t> list;
    for (int32_t p = 0; p < m.N; ++p)
        if (rng() % 3) list.push_back(p);
    std::shuffle(list.begin(), list.end(), rng);
    SCOPED_TRACE("seed " + std::to_string(seed) + " " + m.describe() + " alpha " + std::to_string(alpha) +
                 " beta " + std::to_string(beta));

    Lumora* o = nullptr;
    std::vector<int32_t> after;
    testhost::CallResult r = testhost::capture([&] {
        o = makeObject(m);
        if (move == Move::Expansion) o->expansionMove(alpha);
        if (move == Move::Swap) o->swapMove(alpha, beta);
        if (move == Move::Subset) o->expandOnLabelAt(alpha, list.data(), static_cast<int32_t>(list.size()));
        after = labelsOf(*o);
    });
    ASSERT_TRUE(r.ok) << r.id << ": " << r.message;
    EXPECT_TRUE(allMinusOne(*o));
    EXPECT_EQ(testhost::liveCallBlocks(), 0u);
    delete o;

    double got = 0, best = 0;
    if (move == Move::Expansion) {
        EXPECT_TRUE(allowedByExpansion(m, after, alpha));
        got = expansionMoveEnergy(m, after, alpha);
        best = bestExpansion(m, alpha);
    } else if (move == Move::Swap) {
        EXPECT_TRUE(allowedBySwap(m, after, alpha, beta));
        got = swapMoveEnergy(m, after, alpha, beta);
        best = bestSwap(m, alpha, beta);
    } else {
        EXPECT_TRUE(allowedBySubset(m, after, alpha, list));
        got = subsetMoveEnergy(m, after, alpha, list);
        best = bestSubset(m, alpha, list);
    }
    EXPECT_NEAR(got, best, tolerance(best));
}

void crossCheck(uint32_t first_seed, int per_config) {
    for (const Config& cfg : kConfigs) {
        for (int k = 0; k < per_config; ++k) {
            const uint32_t seed = first_seed + static_cast<uint32_t>(k) * 7919u;
            checkOne(seed, cfg, Move::Expansion);
            checkOne(seed + 1, cfg, Move::Swap);
            if (cfg.grid && (cfg.smooth == SmoothForm::Table || cfg.smooth == SmoothForm::WeightedTable))
                checkOne(seed + 2, cfg, Move::Subset);
        }
    }
}

TEST(MovesBruteForce, FixedSeeds) { crossCheck(20261211u, 60); }

TEST(MovesBruteForce, FreshSeed) {
    const uint32_t seed = std::random_device{}();
    SCOPED_TRACE("fresh seed " + std::to_string(seed));
    crossCheck(seed, 15);
}

// ---- ties: a variable no tree reaches keeps its label / takes beta ----

struct TieCase {
    const char* name;
    bool grid;  // 1x1 grid or a one-pixel graph without neighbours
    int32_t start;
    bool swap;
    int32_t alpha, beta;
    int32_t expected;
};

TEST(MovesNamedCases, TiesResolveAsTheSinkSide) {
    const TieCase cases[] = {
        {"expansion keeps its label, grid", true, 0, false, 1, 0, 0},
        {"expansion keeps its label, graph", false, 2, false, 0, 0, 2},
        {"swap takes beta", true, 0, true, 0, 1, 1},
        {"swap takes beta, alpha greater", false, 0, true, 2, 0, 0},
        {"swap takes beta from beta", false, 1, true, 0, 1, 1},
    };
    for (const TieCase& c : cases) {
        SCOPED_TRACE(c.name);
        MoveProblem m;
        m.grid = c.grid;
        m.W = m.H = 1;
        m.N = 1;
        m.L = 3;
        m.data = {2, 2, 2};
        m.table.assign(9, 0);
        m.labels = {c.start};
        Lumora* o = nullptr;
        testhost::CallResult r = testhost::capture([&] {
            o = makeObject(m);
            if (c.swap) o->swapMove(c.alpha, c.beta);
            else o->expansionMove(c.alpha);
        });
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(o->labels()[0], c.expected);
        delete o;
    }
}

// ---- orientation with asymmetric tables ----

TEST(MovesNamedCases, SwapReadsTableElementsSixAndSeven) {
    // 2x1 grid, L = 3, pixel 1 fixed at label 2, swap (0, 1): pixel 0 gets
    // the unary term (element 6, element 7) = (T(0,2), T(1,2)); the energy
    // evaluation reads the same pair at element 2 (label 0) or 5 (label 1).
    struct Case {
        float e6, e7, e2, e5;
        int32_t expected;
        float energy_after;
    };
    const Case cases[] = {{1, 5, 5, 1, 0, 5}, {5, 1, 1, 5, 1, 5}};
    for (const Case& c : cases) {
        MoveProblem m;
        m.W = 2;
        m.H = 1;
        m.N = 2;
        m.L = 3;
        m.data.assign(6, 0);
        m.table.assign(9, 0);
        m.table[6] = c.e6;
        m.table[7] = c.e7;
        m.table[2] = c.e2;
        m.table[5] = c.e5;
        m.labels = {1 - c.expected, 2};
        Lumora* o = nullptr;
        EnergyValue e = 0;
        testhost::CallResult r = testhost::capture([&] {
            o = makeObject(m);
            o->swapMove(0, 1);
            e = o->totalEnergy();
        });
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(o->labels()[0], c.expected);
        EXPECT_EQ(e, c.energy_after);
        delete o;
    }
}

TEST(MovesNamedCases, ExpansionReadsFromTheActivePixel) {
    // 2x1 grid, L = 2; the pixel at alpha = 1 is fixed. The active pixel
    // reads V(alpha, alpha) = T[3] to take alpha and V(0, alpha) = T[0 + 1 * 2]
    // = T[2] to keep 0, wherever the fixed pixel stands; the energy
    // evaluation would read T[1] (pixel 0 at 0 left of 1) or T[2] (1 left of 0).
    struct Case {
        const char* name;
        std::vector<int32_t> start;
        float t1, t2, t3;
        std::vector<int32_t> expected;
    };
    const Case cases[] = {
        {"fixed right neighbour, keep costs more", {0, 1}, 0, 5, 1, {1, 1}},
        {"fixed right neighbour, keep costs less", {0, 1}, 9, 1, 5, {0, 1}},
        {"fixed left neighbour, keep costs more", {1, 0}, 0, 5, 1, {1, 1}},
        {"fixed left neighbour, keep costs less", {1, 0}, 9, 1, 5, {1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MoveProblem m;
        m.W = 2;
        m.H = 1;
        m.N = 2;
        m.L = 2;
        m.data.assign(4, 0);
        m.table = {0, c.t1, c.t2, c.t3};
        m.labels = c.start;
        Lumora* o = nullptr;
        testhost::CallResult r = testhost::capture([&] {
            o = makeObject(m);
            o->expansionMove(1);
        });
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(labelsOf(*o), c.expected);
        delete o;
    }
}

// ---- the subset's fixed neighbours, all four directions ----

TEST(MovesNamedCases, SubsetFixedNeighbourInEveryDirection) {
    // 3x3 grid, L = 4, only the centre (pixel 4, label 0) listed, move to
    // alpha = 1. One neighbour, in direction d, carries label 3; the others
    // carry label 2, whose entries are all 0. Reading from the centre:
    // take = V(1, 3) * w = T[1 + 3 * 4] * w, keep = V(0, 3) * w = T[12] * w.
    // T[13] = 0, T[12] = 1 and the reversed entries T[3 + 1 * 4], T[3] are
    // set to the opposite, so a reversed read flips the outcome. Weighted:
    // w is 3 at the pair's left (upper) pixel and 1 everywhere else, and the
    // data make taking alpha cost 2: only the right weight makes keep (3)
    // dearer than take (2). Unweighted: take costs 0.5, keep 1.
    struct Direction {
        const char* name;
        int32_t neighbour;
        int32_t weight_pixel;
        bool horizontal;
    };
    const Direction directions[] = {
        {"left", 3, 3, true}, {"right", 5, 4, true}, {"up", 1, 1, false}, {"down", 7, 4, false}};
    for (bool weighted : {false, true}) {
        for (const Direction& d : directions) {
            SCOPED_TRACE(std::string(d.name) + (weighted ? " weighted" : " unweighted"));
            MoveProblem m;
            m.W = m.H = 3;
            m.N = 9;
            m.L = 4;
            m.smooth_form = weighted ? SmoothForm::WeightedTable : SmoothForm::Table;
            m.data.assign(36, 0);
            m.data[4 * 4 + 1] = weighted ? 2.0f : 0.5f;
            m.table.assign(16, 0);
            m.table[12] = 1;
            m.table[13] = 0;
            m.table[3] = 0;
            m.table[7] = 10;
            if (weighted) {
                m.hw.assign(9, 1);
                m.vw.assign(9, 1);
                (d.horizontal ? m.hw : m.vw)[d.weight_pixel] = 3;
            }
            m.labels.assign(9, 2);
            m.labels[4] = 0;
            m.labels[d.neighbour] = 3;
            const std::vector<int32_t> list = {4};
            Lumora* o = nullptr;
            testhost::CallResult r = testhost::capture([&] {
                o = makeObject(m);
                o->expandOnLabelAt(1, list.data(), 1);
            });
            ASSERT_TRUE(r.ok) << r.message;
            EXPECT_EQ(o->labels()[4], 1);
            EXPECT_TRUE(allMinusOne(*o));
            delete o;
        }
    }
}

// ---- regularity: both sides of the rounding line ----

struct RegularityCase {
    const char* name;
    bool swap;
    float excess;  // how far the term misses B + C = 0
    bool accepted;
};

TEST(MovesNamedCases, RegularityWithinRoundingIsAcceptedBeyondItRefused) {
    const RegularityCase cases[] = {
        {"expansion exact", false, 0, true},
        {"expansion within rounding", false, 2e-6f, true},
        {"expansion beyond rounding", false, 1e-4f, false},
        {"swap exact", true, 0, true},
        {"swap within rounding", true, 2e-6f, true},
        {"swap beyond rounding", true, 1e-4f, false},
    };
    for (const RegularityCase& c : cases) {
        SCOPED_TRACE(c.name);
        MoveProblem m;
        m.W = 2;
        m.H = 1;
        m.N = 2;
        m.L = 3;
        m.data = {0, 0.5f, 3, 3, 0.5f, 0};
        m.table.assign(9, 0);
        std::vector<int32_t> start;
        if (!c.swap) {
            // Expansion on 1 with pixel labels (0, 2): A = V(1,1) = 0,
            // B = V(1,2) = 1, C = V(0,1) = 1, D = V(0,2) = 2 + excess.
            m.table[1 + 2 * 3] = 1;
            m.table[0 + 1 * 3] = 1;
            m.table[0 + 2 * 3] = 2 + c.excess;
            start = {0, 2};
        } else {
            // Swap (0, 1): A = P(0,0) = 1, D = P(1,1) = 1, B = C = 1 - excess / 2.
            m.table[0] = 1;
            m.table[4] = 1;
            m.table[1] = m.table[3] = 1 - c.excess / 2;
            start = {0, 1};
        }
        m.labels = start;
        Lumora* o = nullptr;
        const size_t persistent_before = testhost::livePersistentBlocks();
        testhost::CallResult made = testhost::capture([&] { o = makeObject(m); });
        ASSERT_TRUE(made.ok);
        testhost::CallResult r = testhost::capture([&] {
            if (c.swap) o->swapMove(0, 1);
            else o->expansionMove(1);
        });
        EXPECT_EQ(r.ok, c.accepted) << r.message;
        if (c.accepted) {
            const std::vector<int32_t> after = labelsOf(*o);
            if (c.swap) EXPECT_NEAR(swapMoveEnergy(m, after, 0, 1), bestSwap(m, 0, 1), 1e-4);
            else EXPECT_NEAR(expansionMoveEnergy(m, after, 1), bestExpansion(m, 1), 1e-4);
        } else {
            EXPECT_EQ(r.id, "Labrix:internal_error");
            const std::string expected = c.swap ? "not regular for the swap move on labels 0 and 1"
                                                : "not regular for the expansion move on label 1 (labels 0 and 2";
            EXPECT_NE(r.message.find(expected), std::string::npos) << r.message;
            EXPECT_EQ(labelsOf(*o), start);
        }
        EXPECT_TRUE(allMinusOne(*o));
        EXPECT_EQ(testhost::liveCallBlocks(), 0u);
        delete o;
        EXPECT_EQ(testhost::livePersistentBlocks(), persistent_before);
    }
}

// ---- refusals change nothing and leak nothing ----

EnergyValue unitData(int32_t, int32_t) { return 1; }

struct RefusalCase {
    const char* name;
    std::function<void(Lumora&)> run;
    const char* id;
    const char* message;
};

TEST(MovesNamedCases, RefusedMovesChangeNothingAndLeakNothing) {
    const int32_t out_of_range[] = {1, 9};
    const int32_t negative[] = {-1};
    const int32_t twice[] = {2, 5, 2};
    const int32_t active[] = {0};
    const RefusalCase cases[] = {
        {"subset index past the end", [&](Lumora& o) { o.expandOnLabelAt(1, out_of_range, 2); }, "Labrix:Expand",
         "index 9 (position 1 of the list) is outside 0 to 8"},
        {"subset negative index", [&](Lumora& o) { o.expandOnLabelAt(1, negative, 1); }, "Labrix:Expand",
         "index -1 (position 0 of the list) is outside 0 to 8"},
        {"subset duplicate", [&](Lumora& o) { o.expandOnLabelAt(1, twice, 3); }, "Labrix:Expand",
         "index 2 is listed twice (positions 0 and 2 of the list)"},
        {"subset label", [&](Lumora& o) { o.expandOnLabelAt(3, active, 1); }, "Labrix:internal_error",
         "\nLumora error: Illegal Label to Expand On\n"},
        {"expand label", [&](Lumora& o) { o.expandOnLabel(-1); }, "Labrix:internal_error",
         "\nLumora error: Illegal Label to Expand On\n"},
        {"swap label", [&](Lumora& o) { o.swapLabels(0, 3); }, "Labrix:internal_error",
         "\nLumora error: Illegal Label to Expand On\n"},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        MoveProblem m;
        m.W = m.H = 3;
        m.N = 9;
        m.L = 3;
        m.data.assign(27, 0);
        for (int32_t p = 0; p < 9; ++p) m.data[p * 3] = 5;  // label 0 is dear
        m.table = {0, 1, 1, 1, 0, 1, 1, 1, 0};
        m.labels.assign(9, 0);
        Lumora* o = nullptr;
        ASSERT_TRUE(testhost::capture([&] {
                        o = makeObject(m);
                        o->expansionMove(2);  // leaves nothing behind in m_pixel_var
                        o->setAllLabels(m.labels.data());
                    }).ok);
        const size_t persistent = testhost::livePersistentBlocks();
        testhost::CallResult r = testhost::capture([&] { c.run(*o); });
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.id, c.id);
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(labelsOf(*o), m.labels);
        EXPECT_TRUE(allMinusOne(*o));
        EXPECT_EQ(testhost::liveCallBlocks(), 0u);
        EXPECT_EQ(testhost::livePersistentBlocks(), persistent);
        delete o;
    }
}

TEST(MovesNamedCases, UnsupportedSubsetConfigurationsAreRefusedWithoutTrace) {
    // A general graph, a grid with a pixel function, a grid with coordinate
    // functions: refused when a listed pixel is active, accepted when none is.
    const Config configs[] = {{false, DataForm::Table, SmoothForm::Table},
                              {true, DataForm::Table, SmoothForm::PixelFn},
                              {true, DataForm::Table, SmoothForm::CoordFns}};
    for (const Config& cfg : configs) {
        std::mt19937 rng(7);
        MoveProblem m = randomProblem(rng, cfg.grid, cfg.data, cfg.smooth);
        m.labels.assign(m.N, 0);
        const int32_t list[] = {0, 1};
        Lumora* o = nullptr;
        ASSERT_TRUE(testhost::capture([&] { o = makeObject(m); }).ok);
        const size_t persistent = testhost::livePersistentBlocks();
        testhost::CallResult refused = testhost::capture([&] { o->expandOnLabelAt(1, list, 2); });
        EXPECT_FALSE(refused.ok);
        EXPECT_EQ(refused.id, "Labrix:internal");
        EXPECT_EQ(refused.message, "NOT SUPPORTED YET,exiting!");
        EXPECT_TRUE(allMinusOne(*o));
        EXPECT_EQ(labelsOf(*o), m.labels);
        testhost::CallResult none_active = testhost::capture([&] { o->expandOnLabelAt(0, list, 2); });
        EXPECT_TRUE(none_active.ok) << none_active.message;
        EXPECT_EQ(testhost::liveCallBlocks(), 0u);
        EXPECT_EQ(testhost::livePersistentBlocks(), persistent);
        delete o;
    }
}

TEST(MovesNamedCases, UnsetCostsAreRefusedBeforeAnyCostIsRead) {
    // Deferred costs never attached: the single-label, subset and swap
    // requests refuse with the pass messages and never call a cost.
    struct Case {
        const char* name;
        bool set_data;
        std::function<void(Lumora&)> run;
        const char* message;
    };
    const int32_t list[] = {0};
    const Case cases[] = {
        {"expand, no data", false, [](Lumora& o) { o.expandOnLabel(1); },
         "\nLumora error: You have to set up the data cost before running optimization\n"},
        {"expand, no smoothness", true, [](Lumora& o) { o.expandOnLabel(1); },
         "\nLumora error: You have to set up the smoothness cost before running optimization\n"},
        {"subset, no data", false, [&](Lumora& o) { o.expandOnLabelAt(1, list, 1); },
         "\nLumora error: You have to set up the data cost before running optimization\n"},
        {"swap, no smoothness", true, [](Lumora& o) { o.swapLabels(0, 1); },
         "\nLumora error: You have to set up the smoothness cost before running optimization\n"},
        {"move itself, no data", false, [](Lumora& o) { o.expansionMove(1); },
         "\nLumora error: You have to set up the data cost before running optimization\n"},
        {"swap move itself, no smoothness", true, [](Lumora& o) { o.swapMove(0, 1); },
         "\nLumora error: You have to set up the smoothness cost before running optimization\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Lumora* o = nullptr;
        ASSERT_TRUE(testhost::capture([&] {
                        o = new Lumora(2, 2, 2, 1, 1);
                        if (c.set_data) o->setData(static_cast<DataCostFn>(unitData));
                    }).ok);
        testhost::CallResult r = testhost::capture([&] { c.run(*o); });
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.id, "Labrix:internal_error");
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(testhost::liveCallBlocks(), 0u);
        delete o;
    }
}

TEST(MovesNamedCases, SubsetAfterFullMovesReadsNoLeftovers) {
    // A full expansion and a swap run first; the subset move that follows
    // must see every unlisted neighbour as fixed.
    std::mt19937 rng(99);
    for (int k = 0; k < 40; ++k) {
        MoveProblem m = randomProblem(rng, true, DataForm::Table, SmoothForm::WeightedTable);
        std::vector<int32_t> list;
        for (int32_t p = 0; p < m.N; ++p)
            if (rng() % 2) list.push_back(p);
        const int32_t alpha = static_cast<int32_t>(rng() % m.L);
        Lumora* o = nullptr;
        ASSERT_TRUE(testhost::capture([&] {
                        o = makeObject(m);
                        o->expansionMove(static_cast<int32_t>(rng() % m.L));
                        o->swapMove(0, 1);
                        m.labels = labelsOf(*o);
                        o->expandOnLabelAt(alpha, list.data(), static_cast<int32_t>(list.size()));
                    }).ok);
        const std::vector<int32_t> after = labelsOf(*o);
        EXPECT_TRUE(allowedBySubset(m, after, alpha, list));
        EXPECT_NEAR(subsetMoveEnergy(m, after, alpha, list), bestSubset(m, alpha, list), 1e-3);
        delete o;
    }
}

}  // namespace

namespace {

TEST(MovesNamedCases, EngineFailureLeaksNothingAndTheNextSubsetMoveIsExact) {
    // The k-th allocation inside a move fails: the engine reports through
    // its callback, the call ends with the labelling unchanged and nothing
    // left allocated; m_pixel_var may hold the failed move's scratch, which
    // the subset move that follows must not misread.
    std::mt19937 rng(5);
    int failures = 0;
    for (long k = 0; k < 12; ++k) {
        SCOPED_TRACE("allocation " + std::to_string(k));
        MoveProblem m = randomProblem(rng, true, DataForm::Table, SmoothForm::Table);
        Lumora* o = nullptr;
        ASSERT_TRUE(testhost::capture([&] { o = makeObject(m); }).ok);
        const size_t persistent = testhost::livePersistentBlocks();
        const bool swap = k % 2;
        testhost::failAllocationsAfter(k / 2);
        testhost::CallResult r = testhost::capture([&] {
            if (swap) o->swapMove(0, 1);
            else o->expansionMove(1);
        });
        testhost::failAllocationsAfter(-1);
        if (!r.ok) {
            ++failures;
            EXPECT_EQ(labelsOf(*o), m.labels);
        }
        EXPECT_EQ(testhost::liveCallBlocks(), 0u);
        EXPECT_EQ(testhost::livePersistentBlocks(), persistent);
        m.labels = labelsOf(*o);
        std::vector<int32_t> list;
        for (int32_t p = 0; p < m.N; ++p)
            if (rng() % 2) list.push_back(p);
        ASSERT_TRUE(testhost::capture([&] {
                        o->expandOnLabelAt(0, list.data(), static_cast<int32_t>(list.size()));
                    }).ok);
        const std::vector<int32_t> after = labelsOf(*o);
        EXPECT_TRUE(allowedBySubset(m, after, 0, list));
        EXPECT_NEAR(subsetMoveEnergy(m, after, 0, list), bestSubset(m, 0, list), 1e-3);
        delete o;
    }
    EXPECT_GT(failures, 0);
}

}  // namespace
