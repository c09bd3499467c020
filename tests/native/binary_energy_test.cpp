// BinaryEnergy: worked examples, brute force over every assignment of small
// random energies (minimum and smallest minimizer), the regularity check and
// the arc limit per variable.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "cutengine/energy.h"
#include "host_call.h"

namespace {

struct Term1 {
    int x;
    EnergyValue e0, e1;
};
struct Term2 {
    int x, y;
    EnergyValue e00, e01, e10, e11;
};
struct Energy {
    int num_vars;
    std::vector<Term1> unary;
    std::vector<Term2> pairwise;

    double value(uint32_t assignment) const {
        double e = 0;
        auto bit = [&](int v) { return (assignment >> v) & 1u; };
        for (const Term1& t : unary) e += bit(t.x) ? t.e1 : t.e0;
        for (const Term2& t : pairwise) {
            uint32_t k = bit(t.x) * 2 + bit(t.y);
            e += k == 0 ? t.e00 : k == 1 ? t.e01 : k == 2 ? t.e10 : t.e11;
        }
        return e;
    }
};

struct Minimized {
    EnergyValue value;
    uint32_t assignment;  // bit v = valueOf(variable v)
};

Minimized minimizeInOneCall(const Energy& energy) {
    Minimized m{0, 0};
    testhost::CallResult r = testhost::capture([&] {
        BinaryEnergy* e = new BinaryEnergy(mexErrMsgTxt);
        std::vector<BinaryEnergy::Var> vars;
        for (int v = 0; v < energy.num_vars; ++v) vars.push_back(e->addVariable());
        // Interleave the two kinds, as the moves do.
        size_t u = 0, p = 0;
        while (u < energy.unary.size() || p < energy.pairwise.size()) {
            if (u < energy.unary.size()) {
                const Term1& t = energy.unary[u++];
                e->addTerm1(vars[t.x], t.e0, t.e1);
            }
            if (p < energy.pairwise.size()) {
                const Term2& t = energy.pairwise[p++];
                e->addTerm2(vars[t.x], vars[t.y], t.e00, t.e01, t.e10, t.e11);
            }
        }
        m.value = e->minimize();
        for (int v = 0; v < energy.num_vars; ++v) {
            int value = e->valueOf(vars[v]);
            EXPECT_TRUE(value == 0 || value == 1);
            m.assignment |= static_cast<uint32_t>(value) << v;
        }
        delete e;
    });
    EXPECT_TRUE(r.ok) << r.message;
    return m;
}

TEST(BinaryEnergy, WorkedExamples) {
    struct Case {
        const char* name;
        Energy energy;
        EnergyValue minimum;
        uint32_t assignment;
    };
    const std::vector<Case> cases = {
        {"unary 3 / 5 takes value 0", {1, {{0, 3, 5}}, {}}, 3, 0b0},
        {"unary 5 / 5: a tie leaves the variable at 1", {1, {{0, 5, 5}}, {}}, 5, 0b1},
        {"pairwise (0, -1, 2, 0): x = 0, y = 1", {2, {}, {{0, 1, 0, -1, 2, 0}}}, -1, 0b10},
        {"Potts term pulled apart by unaries", {2, {{0, 0, 10}, {1, 10, 0}}, {{0, 1, 0, 3, 3, 0}}}, 3, 0b10},
        {"pairwise with C < 0", {2, {}, {{0, 1, 0, 6, -2, 1}}}, -2, 0b01},
        {"term with E01 + E10 = E00 + E11 acts through terminals", {2, {}, {{0, 1, 1, 2, 3, 4}}}, 1, 0b00},
        {"variables without terms end at 1", {3, {{1, 2, 9}}, {}}, 2, 0b101},
        {"no variables", {0, {}, {}}, 0, 0},
        {"negative unary costs", {2, {{0, -4, -1}, {1, -1, -4}}, {}}, -8, 0b10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Minimized m = minimizeInOneCall(c.energy);
        EXPECT_EQ(m.value, c.minimum);
        EXPECT_EQ(m.assignment, c.assignment);
    }
}

TEST(BinaryEnergy, ModularTermStillAddsAZeroArcPair) {
    testhost::CallResult r = testhost::capture([] {
        BinaryEnergy e(mexErrMsgTxt);
        BinaryEnergy::Var x = e.addVariable();
        BinaryEnergy::Var y = e.addVariable();
        e.addTerm2(x, y, 1, 2, 3, 4);
        ASSERT_NE(e.arcChunks(), nullptr);
        const FlowArc* a = e.arcChunks()->slots;
        EXPECT_EQ(e.arcChunks()->cursor, a + 1);
        EXPECT_EQ(a->cap_forward, 0);
        EXPECT_EQ(a->cap_backward, 0);
        EXPECT_EQ(e.minimize(), 1);
    });
    EXPECT_TRUE(r.ok) << r.message;
}

// Random regular energies against all 2^n assignments. The reported
// assignment attains the minimum, and its set of zeros (the source side) is
// the smallest: contained in the zeros of every minimizer.
void bruteForce(uint32_t seed, int count) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> size(1, 14);
    std::uniform_int_distribution<int> cost(-6, 12);
    std::uniform_int_distribution<int> coin(0, 3);
    for (int round = 0; round < count; ++round) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", energy " + std::to_string(round));
        Energy energy;
        energy.num_vars = size(rng);
        const int n = energy.num_vars;
        for (int v = 0; v < n; ++v)
            if (coin(rng)) energy.unary.push_back({v, static_cast<EnergyValue>(cost(rng)), static_cast<EnergyValue>(cost(rng))});
        if (n > 1) {
            std::uniform_int_distribution<int> var(0, n - 1);
            int terms = std::uniform_int_distribution<int>(0, 3 * n)(rng);
            for (int t = 0; t < terms; ++t) {
                int x = var(rng), y = var(rng);
                if (x == y) continue;
                Term2 term{x, y, EnergyValue(cost(rng)), EnergyValue(cost(rng)), EnergyValue(cost(rng)), EnergyValue(cost(rng))};
                // Make it regular, sometimes exactly on the boundary.
                EnergyValue excess = term.e00 + term.e11 - term.e01 - term.e10;
                if (excess > 0) term.e01 += excess + (coin(rng) ? EnergyValue(coin(rng)) : 0);
                if (coin(rng) == 0) {  // a Potts or truncated-linear shaped term
                    term.e00 = term.e11 = 0;
                    term.e01 = term.e10 = EnergyValue(coin(rng));
                }
                energy.pairwise.push_back(term);
            }
        }
        double best = 1e300;
        for (uint32_t a = 0; a < (1u << n); ++a) best = std::min(best, energy.value(a));
        Minimized m = minimizeInOneCall(energy);
        ASSERT_EQ(m.value, best);
        ASSERT_EQ(energy.value(m.assignment), best);
        uint32_t zeros = ~m.assignment & ((1u << n) - 1);
        for (uint32_t a = 0; a < (1u << n); ++a)
            if (energy.value(a) == best) {
                ASSERT_EQ(zeros & a, 0u) << "a minimizer sets a reported 0 to 1: " << a;
            }
    }
}

TEST(BinaryEnergy, RandomEnergiesMatchBruteForceFixedSeed) { bruteForce(2024u, 600); }

TEST(BinaryEnergy, RandomEnergiesMatchBruteForceFreshSeed) { bruteForce(std::random_device{}(), 300); }

struct Refused {
    std::string message;
};
void throwingCallback(const char* message) { throw Refused{message}; }

TEST(BinaryEnergy, NonRegularTermIsRefusedBeforeAnyChange) {
    testhost::CallResult r = testhost::capture([] {
        BinaryEnergy e(throwingCallback);
        BinaryEnergy::Var x = e.addVariable();
        BinaryEnergy::Var y = e.addVariable();
        e.addTerm1(x, 2, 7);
        e.addTerm2(x, y, 0, 1, 1, 0);
        EnergyValue flow = e.flowValue();
        EnergyValue rx = BinaryEnergy::terminalResidual(x);
        EnergyValue ry = BinaryEnergy::terminalResidual(y);
        const FlowArc* cursor = e.arcChunks()->cursor;
        std::string message;
        try {
            e.addTerm2(x, y, 5, 1, 1, 0);  // B + C = 1 - 5 + 1 - 0 < 0
        } catch (const Refused& refused) {
            message = refused.message;
        }
        EXPECT_EQ(message, "Non-regular pairwise term: B + C >= 0 does not hold");
        EXPECT_EQ(e.flowValue(), flow);
        EXPECT_EQ(BinaryEnergy::terminalResidual(x), rx);
        EXPECT_EQ(BinaryEnergy::terminalResidual(y), ry);
        EXPECT_EQ(e.arcChunks()->cursor, cursor);
        EXPECT_EQ(e.minimize(), 2);
    });
    EXPECT_TRUE(r.ok) << r.message;

    // Through the host's callback the call ends with the message.
    size_t before = testhost::liveCallBlocks();
    r = testhost::capture([] {
        BinaryEnergy* e = new BinaryEnergy(mexErrMsgTxt);
        BinaryEnergy::Var x = e->addVariable();
        e->addTerm2(x, e->addVariable(), 0, 1, -2, 0);
    });
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Non-regular pairwise term: B + C >= 0 does not hold");
    EXPECT_EQ(testhost::liveCallBlocks(), before);
}

TEST(BinaryEnergy, PairwiseTermsPerVariableLimit) {
    // The first variable of a term is the tail of its arc, the second its
    // head; unary terms add no arcs.
    struct Case {
        int terms;
        bool as_first;
        bool fits;
    };
    for (const Case& c : std::vector<Case>{{1024, true, true}, {1025, true, false}, {1024, false, true}, {1025, false, false}}) {
        SCOPED_TRACE(std::to_string(c.terms) + (c.as_first ? " as first" : " as second"));
        testhost::CallResult r = testhost::capture([&] {
            BinaryEnergy e(mexErrMsgTxt);
            BinaryEnergy::Var hub = e.addVariable();
            for (int i = 0; i < 3000; ++i) e.addTerm1(hub, 1, 2);
            for (int i = 0; i < c.terms; ++i) {
                BinaryEnergy::Var v = e.addVariable();
                if (c.as_first) e.addTerm2(hub, v, 0, 1, 1, 0);
                else e.addTerm2(v, hub, 0, 1, 1, 0);
            }
            EXPECT_EQ(e.minimize(), 3000);
        });
        EXPECT_EQ(r.ok, c.fits);
        if (!c.fits) {
            EXPECT_EQ(r.message, "# of arcs per node exceeds block size!");
        }
    }
}

}  // namespace
