// The expansion and swap drivers, observed through a recording data-cost
// function: pass counts and the stopping rule (including limits of 0 and
// below, NaN, and a negative starting energy), the order in which a pass
// visits labels and label pairs, the label order carried across passes and
// calls, and reproducibility with the shuffle off.
//
// Two recorded problems, both general graphs:
// - the chain: pixels 0-1-2-3 in a chain with a linear smoothness |a - b|,
//   plus an isolated marker pixel 4 that stays at label 0 (every other label
//   costs 100). Every move that has the marker as a variable reads its cost
//   for one label other than 0 exactly once, and the energy evaluation
//   never does, so passes = such reads / (L - 1) for both drivers. An
//   isolated pixel 5 costs 0 at every label, or NaN to make every energy NaN.
// - the identity problem: L isolated pixels, pixel i at label i, every
//   pixel prefers its own label. Nothing ever changes, and the reads of a
//   pixel's cost at another label name the moves in the order they ran.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host_call.h"
#include "optimizer/lumora.h"

namespace {

std::vector<std::pair<int32_t, int32_t>> g_reads;
std::vector<float> g_costs;  // pixel * L + label
int32_t g_labels_count = 0;

EnergyValue recordedCost(int32_t p, int32_t l) {
    g_reads.emplace_back(p, l);
    return g_costs[static_cast<size_t>(p * g_labels_count + l)];
}

const int32_t kMarker = 4;

long markerReads() {
    long n = 0;
    for (const auto& r : g_reads) n += r.first == kMarker && r.second != 0;
    return n;
}

// The chain problem; data rows of the four chain pixels, each shifted by
// offset; pixel 5 costs last at every label.
Lumora* makeChain(const std::vector<std::vector<float>>& rows, float offset = 0, float last = 0) {
    const int32_t L = 4;
    g_labels_count = L;
    g_costs.clear();
    for (const auto& row : rows)
        for (float c : row) g_costs.push_back(c + offset);
    g_costs.insert(g_costs.end(), {0, 100, 100, 100, last, last, last, last});
    std::vector<float> linear(L * L);
    for (int32_t a = 0; a < L; ++a)
        for (int32_t b = 0; b < L; ++b) linear[a * L + b] = static_cast<float>(std::abs(a - b));
    Lumora* o = new Lumora(6, L, 1, 1);
    o->setNeighbors(0, 1);
    o->setNeighbors(1, 2);
    o->setNeighbors(2, 3);
    o->setData(static_cast<DataCostFn>(recordedCost));
    o->setSmoothness(linear.data());
    o->setRandomLabelOrder(false);
    return o;
}

// From all labels 0 with the order 0..3, expansion lowers the energy
// 11 -> 7 -> 5 and its third pass leaves it at 5 with labels 3 3 3 2.
const std::vector<std::vector<float>> kExpansionRows = {{2, 6, 5, 3}, {3, 2, 3, 0}, {5, 6, 6, 1}, {1, 4, 0, 3}};
// The same for swap: 9 -> 8 -> 7, third pass 7, labels 3 3 2 2.
const std::vector<std::vector<float>> kSwapRows = {{3, 6, 5, 3}, {0, 2, 6, 0}, {3, 1, 0, 2}, {3, 6, 3, 6}};

struct PassCase {
    const char* name;
    bool swap;
    int32_t limit;   // kDefault for the form without a limit; 1 also runs the pass directly
    float offset;    // added to every chain cost (negative: a negative start)
    float last;      // NaN makes every energy NaN
    long passes;
    float energy;    // NaN: expect NaN
    std::vector<int32_t> labels;
};

const int32_t kDefault = -1000;

TEST(MoveDrivers, PassCountsAndStoppingRule) {
    const float nan = std::nanf("");
    const PassCase cases[] = {
        {"expansion to convergence", false, kDefault, 0, 0, 3, 5, {3, 3, 3, 2, 0}},
        {"expansion limit 2", false, 2, 0, 0, 2, 5, {3, 3, 3, 2, 0}},
        {"expansion limit 1", false, 1, 0, 0, 1, 7, {}},
        {"expansion limit 0", false, 0, 0, 0, 0, 11, {0, 0, 0, 0, 0}},
        {"expansion negative limit", false, -3, 0, 0, 0, 11, {0, 0, 0, 0, 0}},
        {"expansion negative start", false, kDefault, -20, 0, 3, 5 - 80, {3, 3, 3, 2, 0}},
        {"expansion negative start, limit 1", false, 1, -20, 0, 1, 7 - 80, {}},
        {"expansion NaN energy", false, kDefault, 0, nan, 1, nan, {}},
        {"swap to convergence", true, kDefault, 0, 0, 3, 7, {3, 3, 2, 2, 0}},
        {"swap limit 2", true, 2, 0, 0, 2, 7, {3, 3, 2, 2, 0}},
        {"swap limit 1", true, 1, 0, 0, 1, 8, {}},
        {"swap limit 0", true, 0, 0, 0, 0, 9, {0, 0, 0, 0, 0}},
        {"swap negative limit", true, -7, 0, 0, 0, 9, {0, 0, 0, 0, 0}},
        {"swap negative start", true, kDefault, -20, 0, 3, 7 - 80, {3, 3, 2, 2, 0}},
        {"swap NaN energy", true, kDefault, 0, nan, 1, nan, {}},
    };
    for (const PassCase& c : cases) {
        SCOPED_TRACE(c.name);
        Lumora* o = nullptr;
        EnergyValue result = 0;
        testhost::CallResult r = testhost::capture([&] {
            o = makeChain(c.swap ? kSwapRows : kExpansionRows, c.offset, c.last);
            g_reads.clear();
            if (c.swap) result = c.limit == kDefault ? o->swap() : o->swap(c.limit);
            else result = c.limit == kDefault ? o->expansion() : o->expansion(c.limit);
        });
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(markerReads(), c.passes * 3);
        if (std::isnan(c.energy)) EXPECT_TRUE(std::isnan(result));
        else EXPECT_FLOAT_EQ(result, c.energy);
        if (!c.labels.empty()) {
            EXPECT_EQ(std::vector<int32_t>(o->labels(), o->labels() + 5), c.labels);
        }
        delete o;
    }
}

TEST(MoveDrivers, OnePassEqualsTheOnePassLimit) {
    for (bool swap : {false, true}) {
        SCOPED_TRACE(swap ? "swap" : "expansion");
        Lumora* a = nullptr;
        Lumora* b = nullptr;
        EnergyValue ea = 0, eb = 0;
        ASSERT_TRUE(testhost::capture([&] {
                        a = makeChain(swap ? kSwapRows : kExpansionRows, -20);
                        ea = swap ? a->swapPass() : a->expansionPass();
                        b = makeChain(swap ? kSwapRows : kExpansionRows, -20);
                        eb = swap ? b->swap(1) : b->expansion(1);
                    }).ok);
        EXPECT_EQ(ea, eb);
        EXPECT_EQ(std::vector<int32_t>(a->labels(), a->labels() + 5),
                  std::vector<int32_t>(b->labels(), b->labels() + 5));
        delete a;
        delete b;
    }
}

TEST(MoveDrivers, EqualEnergyPassEndsTheLoopAndKeepsItsLabelling) {
    // One isolated pixel, labels 0 and 1 cost the same: the swap of (0, 1)
    // moves it to beta = 1 at equal energy, which ends swap after one pass.
    g_labels_count = 2;
    g_costs = {1, 1};
    Lumora* o = nullptr;
    EnergyValue e = 0;
    ASSERT_TRUE(testhost::capture([&] {
                    o = new Lumora(1, 2, 1, 1);
                    o->setData(static_cast<DataCostFn>(recordedCost));
                    std::vector<float> table = {0, 1, 1, 0};
                    o->setSmoothness(table.data());
                    o->setRandomLabelOrder(false);
                    g_reads.clear();
                    e = o->swap();
                })
                    .ok);
    EXPECT_EQ(o->labels()[0], 1);
    EXPECT_EQ(e, 1);
    // One pass: the move reads (0,0), (0,1); each energy evaluation one cost.
    EXPECT_EQ(g_reads.size(), 4u);
    delete o;
}

// ---- visiting orders ----

// The identity problem with L labels.
Lumora* makeIdentity(int32_t L) {
    g_labels_count = L;
    g_costs.assign(static_cast<size_t>(L * L), 1);
    std::vector<int32_t> labels(L);
    for (int32_t i = 0; i < L; ++i) {
        g_costs[static_cast<size_t>(i * L + i)] = 0;
        labels[i] = i;
    }
    Lumora* o = new Lumora(L, L, 1, 1);
    o->setAllLabels(labels.data());
    o->setData(static_cast<DataCostFn>(recordedCost));
    std::vector<float> table(static_cast<size_t>(L * L), 0);
    o->setSmoothness(table.data());
    return o;
}

// Swap moves in the order they ran: swapMove(a, b) with a < b reads pixel
// a's cost at b first; no other read has pixel < label.
std::vector<std::pair<int32_t, int32_t>> swapsRun() {
    std::vector<std::pair<int32_t, int32_t>> out;
    for (const auto& r : g_reads)
        if (r.first < r.second) out.push_back(r);
    return out;
}

// Expansion moves in the order they ran: a move on alpha reads every other
// pixel's cost at alpha, L - 1 reads per move.
std::vector<int32_t> expansionsRun(int32_t L) {
    std::vector<int32_t> out;
    long k = 0;
    for (const auto& r : g_reads)
        if (r.first != r.second && k++ % (L - 1) == 0) out.push_back(r.second);
    return out;
}

// A seed whose first scramble of 0..L-1 gives target.
unsigned seedFor(const std::vector<int32_t>& target) {
    const int32_t L = static_cast<int32_t>(target.size());
    for (unsigned s = 1; s < 100000; ++s) {
        srand(s);
        std::vector<int32_t> order(L);
        for (int32_t i = 0; i < L; ++i) order[i] = i;
        for (int32_t k = 0; k < 2 * L; ++k) {
            const int32_t a = rand() % L;
            const int32_t b = rand() % L;
            std::swap(order[a], order[b]);
        }
        if (order == target) return s;
    }
    return 0;
}

TEST(MoveDrivers, SwapPassVisitsPairsByPositions) {
    typedef std::vector<std::pair<int32_t, int32_t>> Pairs;
    struct Case {
        std::vector<int32_t> order;
        Pairs expected;
    };
    const Case cases[] = {
        {{0, 1, 2, 3}, {{0, 3}, {0, 2}, {0, 1}, {1, 3}, {1, 2}, {2, 3}}},
        {{2, 0, 1}, {{0, 1}, {0, 2}, {1, 2}}},
        {{1, 0, 2}, {{1, 2}, {0, 2}, {0, 1}}},
    };
    for (const Case& c : cases) {
        const int32_t L = static_cast<int32_t>(c.order.size());
        Lumora* o = nullptr;
        ASSERT_TRUE(testhost::capture([&] {
                        o = makeIdentity(L);
                        bool identity = true;
                        for (int32_t i = 0; i < L; ++i) identity = identity && c.order[i] == i;
                        if (!identity) {
                            const unsigned seed = seedFor(c.order);
                            ASSERT_NE(seed, 0u);
                            srand(seed);
                            o->scrambleLabelOrder();
                        }
                        o->setRandomLabelOrder(false);
                        g_reads.clear();
                        o->swapPass();
                    }).ok);
        EXPECT_EQ(std::vector<int32_t>(o->labelOrder(), o->labelOrder() + L), c.order);
        EXPECT_EQ(swapsRun(), c.expected);
        delete o;
    }
}

// The orders a sequence of shuffles gives from 0..L-1 after srand(seed).
std::vector<std::vector<int32_t>> replayShuffles(unsigned seed, int32_t L, int count) {
    srand(seed);
    std::vector<int32_t> order(L);
    for (int32_t i = 0; i < L; ++i) order[i] = i;
    std::vector<std::vector<int32_t>> out;
    for (int n = 0; n < count; ++n) {
        for (int32_t k = 0; k < 2 * L; ++k) {
            const int32_t a = rand() % L;
            const int32_t b = rand() % L;
            std::swap(order[a], order[b]);
        }
        out.push_back(order);
    }
    return out;
}

TEST(MoveDrivers, LabelOrderCarriesAcrossPassesAndCalls) {
    // With the shuffle on, each pass shuffles the previous permutation: two
    // calls of one pass each visit the labels in the first and the second
    // shuffled order, and a swap pass after them uses the third.
    const int32_t L = 5;
    const unsigned seed = 4242;
    const auto orders = replayShuffles(seed, L, 3);
    Lumora* o = nullptr;
    std::vector<int32_t> first, second;
    std::vector<std::pair<int32_t, int32_t>> swaps;
    ASSERT_TRUE(testhost::capture([&] {
                    o = makeIdentity(L);
                    srand(seed);
                    g_reads.clear();
                    o->expansionPass();
                    first = expansionsRun(L);
                    g_reads.clear();
                    o->expansion(1);
                    second = expansionsRun(L);
                    g_reads.clear();
                    o->swapPass();
                    swaps = swapsRun();
                }).ok);
    EXPECT_EQ(first, orders[0]);
    EXPECT_EQ(second, orders[1]);
    EXPECT_EQ(std::vector<int32_t>(o->labelOrder(), o->labelOrder() + L), orders[2]);
    std::vector<std::pair<int32_t, int32_t>> expected;
    for (int32_t i = 0; i < L; ++i)
        for (int32_t j = L - 1; j >= 0; --j)
            if (orders[2][i] < orders[2][j]) expected.emplace_back(orders[2][i], orders[2][j]);
    EXPECT_EQ(swaps, expected);
    delete o;
}

TEST(MoveDrivers, FixedOrderIsReproducible) {
    // With the shuffle off nothing draws random numbers: the order stays
    // what it was (0..L-1, or the last shuffle), whatever the generator's
    // state, and two objects given the same calls end alike.
    const int32_t L = 4;
    Lumora* o = nullptr;
    std::vector<int32_t> visits;
    ASSERT_TRUE(testhost::capture([&] {
                    o = makeIdentity(L);
                    o->setRandomLabelOrder(false);
                    srand(1);
                    g_reads.clear();
                    o->expansionPass();
                    srand(2);
                    o->expansionPass();
                    visits = expansionsRun(L);
                }).ok);
    EXPECT_EQ(visits, (std::vector<int32_t>{0, 1, 2, 3, 0, 1, 2, 3}));
    delete o;

    std::vector<int32_t> results[2];
    for (int k = 0; k < 2; ++k) {
        ASSERT_TRUE(testhost::capture([&] {
                        Lumora* c = makeChain(kExpansionRows);
                        srand(static_cast<unsigned>(100 + k));  // differs: must not matter
                        c->expansion();
                        c->swap();
                        results[k].assign(c->labels(), c->labels() + 5);
                        delete c;
                    }).ok);
    }
    EXPECT_EQ(results[0], results[1]);
}

TEST(MoveDrivers, SingleRequestsAndUnsetCosts) {
    struct Case {
        const char* name;
        std::function<EnergyValue(Lumora&)> run;
        const char* message;  // null: succeeds
    };
    const Case cases[] = {
        {"expansion with unset costs reports the energy's message", [](Lumora& o) { return o.expansion(); },
         "\nLumora error: Did not initialize the data costs yet\n"},
        {"expansion pass with unset costs", [](Lumora& o) { return o.expansionPass(); },
         "\nLumora error: You have to set up the data cost before running optimization\n"},
        {"swap with unset costs", [](Lumora& o) { return o.swap(3); },
         "\nLumora error: Did not initialize the data costs yet\n"},
        {"swap pass with unset costs", [](Lumora& o) { return o.swapPass(); },
         "\nLumora error: You have to set up the data cost before running optimization\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Lumora* o = nullptr;
        ASSERT_TRUE(testhost::capture([&] { o = new Lumora(3, 2, 2, 1, 1); }).ok);
        testhost::CallResult r = testhost::capture([&] { c.run(*o); });
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message, c.message);
        delete o;
    }

    // A label every pixel has: nothing changes, the current energy returns;
    // a swap of a label with itself, and one with alpha > beta.
    Lumora* o = nullptr;
    EnergyValue before = 0, same = 0, self = 0;
    std::vector<int32_t> labels_before, labels_after;
    ASSERT_TRUE(testhost::capture([&] {
                    o = makeChain(kSwapRows);
                    before = o->totalEnergy();
                    same = o->expandOnLabel(0);
                    self = o->swapLabels(0, 0);
                    labels_before.assign(o->labels(), o->labels() + 5);
                    o->swapLabels(3, 0);
                    labels_after.assign(o->labels(), o->labels() + 5);
                }).ok);
    EXPECT_EQ(same, before);
    EXPECT_EQ(self, before);
    EXPECT_EQ(labels_before, (std::vector<int32_t>{0, 0, 0, 0, 0}));
    // Swap (3, 0) from all 0: pixels take 3 where it is cheaper; the
    // marker (100 at label 3) stays 0.
    EXPECT_EQ(labels_after[4], 0);
    delete o;

    // L = 1: a swap pass makes no move and swap stops after one pass.
    ASSERT_TRUE(testhost::capture([&] {
                    Lumora* one = new Lumora(2, 2, 1, 0, 0);
                    EXPECT_EQ(one->swap(), 0);
                    EXPECT_EQ(one->expansion(), 0);
                    delete one;
                }).ok);
}

}  // namespace
