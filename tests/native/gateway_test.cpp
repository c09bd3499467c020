// The labrixgate gateway end to end on the test host: scalar reading, the
// order of its checks, the label and energy commands, close, and handles
// that are stale, forged or outlived by a module unload.
#include <cmath>
#include <limits>

#include "gateway/gateway.h"
#include "optimizer/lumora.h"
#include "support/labrix_testing.h"

namespace {

using labrixtest::create;
using labrixtest::expectError;
using labrixtest::gate;
using testhost::Array;
using testhost::CallResult;
using testhost::capture;
using testhost::makeChar;
using testhost::makeInt32;
using testhost::makeNumeric;
using testhost::makeScalar;

class GatewayTest : public labrixtest::LeakChecked {
protected:
    // A 3-by-2 grid with 3 labels, data cost = label, Potts smoothness.
    Array newGrid() {
        std::vector<double> d(3 * 6);
        for (size_t i = 0; i < d.size(); ++i) d[i] = static_cast<double>(i % 3);
        Array D = testhost::makeDouble(d, {3, 3, 2});
        Array S = testhost::makeDouble({0, 1, 1, 1, 0, 1, 1, 1, 0}, {3, 3});
        CallResult r = create({D.get(), S.get()});
        EXPECT_TRUE(r.ok) << r.message;
        return std::move(r.outputs[0]);
    }
    static uint32_t handleValue(const mxArray* h) { return *static_cast<const uint32_t*>(mxGetData(h)); }
};

// ---- GetScalar ----

struct ScalarCase {
    const char* name;
    std::function<Array()> make;
    int charForm;   // expected signed 8-bit value
    int32_t intForm;
};

TEST_F(GatewayTest, GetScalarConvertsEveryAcceptedClass) {
    const double big = 4294967303.0;  // 2^32 + 7
    const std::vector<ScalarCase> cases = {
        {"double 2.9 truncates", [] { return makeScalar(2.9); }, 2, 2},
        {"double -2.9 truncates toward zero", [] { return makeScalar(-2.9); }, -2, -2},
        {"double 2^32 + 7 keeps the low bits", [&] { return makeScalar(big); }, 7, 7},
        {"double 1e20 does not fit", [] { return makeScalar(1e20); }, 0, 0},
        {"double NaN", [] { return makeScalar(std::nan("")); }, 0, 0},
        {"double infinity", [] { return makeScalar(-std::numeric_limits<double>::infinity()); }, 0, 0},
        {"double 101 is 'e'", [] { return makeScalar(101); }, 'e', 101},
        {"double 357 low byte", [] { return makeScalar(357); }, 'e', 357},
        {"single 115.7", [] { return makeNumeric(mxSINGLE_CLASS, {115.7}, {1, 1}); }, 's', 115},
        {"single 1e20", [] { return makeNumeric(mxSINGLE_CLASS, {1e20}, {1, 1}); }, 0, 0},
        {"int8 -1", [] { return makeNumeric(mxINT8_CLASS, {-1}, {1, 1}); }, -1, -1},
        {"uint8 255", [] { return makeNumeric(mxUINT8_CLASS, {255}, {1, 1}); }, -1, 255},
        {"int16 -300", [] { return makeNumeric(mxINT16_CLASS, {-300}, {1, 1}); }, -44, -300},
        {"uint16 65535 stays positive", [] { return makeNumeric(mxUINT16_CLASS, {65535}, {1, 1}); }, -1, 65535},
        {"uint16 357 is 'e'", [] { return makeNumeric(mxUINT16_CLASS, {357}, {1, 1}); }, 'e', 357},
        {"int32 -70000", [] { return makeNumeric(mxINT32_CLASS, {-70000}, {1, 1}); }, -112, -70000},
        {"uint32 max reads -1", [] { return makeNumeric(mxUINT32_CLASS, {4294967295.0}, {1, 1}); }, -1, -1},
        {"char A", [] { return makeChar("A"); }, 65, 65},
        {"char code 233", [] { return testhost::makeCharCodes({233}); }, -23, -23},
        {"char code 0x165 keeps its low byte", [] { return testhost::makeCharCodes({0x165}); }, 'e', 'e'},
        {"complex reads the real part", [] { return testhost::makeComplex({{97.0, 5.0}}, {1, 1}); }, 'a', 97},
        {"sparse scalar", [] { return testhost::makeSparse(1, 1, {{0, 0, 99.0}}); }, 'c', 99},
        {"sparse zero", [] { return testhost::makeSparse(1, 1, {}); }, 0, 0},
    };
    for (const ScalarCase& c : cases) {
        SCOPED_TRACE(c.name);
        Array a = c.make();
        char ch = 1;
        int32_t v = 1;
        ASSERT_TRUE(capture([&] {
            GetScalar(a.get(), ch);
            GetScalar(a.get(), v);
        }).ok);
        EXPECT_EQ(static_cast<int>(static_cast<signed char>(ch)), c.charForm);
        EXPECT_EQ(v, c.intForm);
    }
}

TEST_F(GatewayTest, GetScalarRefusesNonScalarsAndOtherClasses) {
    struct Case {
        const char* name;
        std::function<Array()> make;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"1-by-2 double", [] { return testhost::makeDouble({1, 2}, {1, 2}); }, "input is not a scalar!"},
        {"empty double", [] { return testhost::makeEmpty(mxDOUBLE_CLASS); }, "input is not a scalar!"},
        {"empty logical counts before class", [] { return testhost::makeEmpty(mxLOGICAL_CLASS); },
         "input is not a scalar!"},
        {"mode string", [] { return makeChar("expand"); }, "input is not a scalar!"},
        {"logical", [] { return testhost::makeLogical({true}, {1, 1}); }, "unsupported data type"},
        {"int64", [] { return makeNumeric(mxINT64_CLASS, {1}, {1, 1}); }, "unsupported data type"},
        {"uint64", [] { return makeNumeric(mxUINT64_CLASS, {1}, {1, 1}); }, "unsupported data type"},
        {"cell of one", [] {
             std::vector<Array> items;
             items.push_back(makeScalar(1));
             return testhost::makeCell(std::move(items));
         }, "unsupported data type"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Array a = c.make();
        int32_t v = 42;
        char ch = 42;
        expectError(capture([&] { GetScalar(a.get(), v); }), "Labrix:GetScalar", c.message);
        expectError(capture([&] { GetScalar(a.get(), ch); }), "Labrix:GetScalar", c.message);
        EXPECT_EQ(v, 42);
        EXPECT_EQ(ch, 42);
    }
}

// ---- the entry's checks, in order ----

TEST_F(GatewayTest, EntryChecksRunInOrderAndTheFirstFailureWins) {
    Array h = newGrid();
    Array zero = testhost::makeUint32({0}, {1, 1});
    Array two = testhost::makeUint32({handleValue(h.get()), handleValue(h.get())}, {1, 2});
    Array empty = testhost::makeEmpty(mxUINT32_CLASS);
    Array asDouble = makeScalar(handleValue(h.get()));
    Array badMode = makeChar("xy");
    Array logicalMode = testhost::makeLogical({true}, {1, 1});
    Array g = makeChar("g"), E = makeChar("E"), x = makeChar("x"), b = makeChar("b");
    struct Case {
        const char* name;
        std::vector<const mxArray*> inputs;
        const char* id;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"no inputs", {}, "Labrix", "Too few input arguments"},
        {"only a handle", {h.get()}, "Labrix", "Too few input arguments"},
        {"only a bad handle", {asDouble.get()}, "Labrix", "Too few input arguments"},
        {"two handles", {two.get(), g.get()}, "Labrix:handle", "Too many LX handles"},
        {"empty handle", {empty.get(), g.get()}, "Labrix:handle", "Too many LX handles"},
        {"double handle", {asDouble.get(), g.get()}, "Labrix:handle", "LX handle argument is not of proper type"},
        {"zero handle", {zero.get(), g.get()}, "Labrix:handle", "LX handle is not valid"},
        {"handle error wins over a bad mode", {zero.get(), badMode.get()}, "Labrix:handle",
         "LX handle is not valid"},
        {"mode not a scalar", {h.get(), badMode.get()}, "Labrix:GetScalar", "input is not a scalar!"},
        {"mode of a refused class", {h.get(), logicalMode.get()}, "Labrix:GetScalar", "unsupported data type"},
        {"upper-case mode", {h.get(), E.get()}, "Labrix:mode", "unrecognized mode"},
        {"unknown letter", {h.get(), x.get()}, "Labrix:mode", "unrecognized mode"},
        {"letter b", {h.get(), b.get()}, "Labrix:mode", "unrecognized mode"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectError(gate(2, c.inputs), c.id, c.message);
    }
    // Codes of 128 and above are negative as characters and unrecognized.
    for (double code : {200.0, 128.0, 0.0, 98.0}) {
        Array m = makeScalar(code);
        expectError(gate(1, {h.get(), m.get()}), "Labrix:mode", "unrecognized mode");
    }
}

TEST_F(GatewayTest, ForgedHandlesAreRefusedWithoutBeingRead) {
    Array h = newGrid();
    const uint32_t live = handleValue(h.get());
    Array g = makeChar("g");
    for (uint32_t forged : {1u, 0xffffffffu, live ^ 0x10000u, live + 1, live & 0xffff0000u, 0x0000ffffu,
                            static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&live))}) {
        SCOPED_TRACE(forged);
        Array f = testhost::makeUint32({forged}, {1, 1});
        expectError(gate(2, {f.get(), g.get()}), "Labrix:handle", "LX handle is not valid");
    }
}

TEST_F(GatewayTest, NumericModesSelectByTheirLowByte) {
    Array h = newGrid();
    Array s = makeScalar(115);  // 's'
    Array labels = makeInt32({1, 2, 0, 1, 2, 0}, {6, 1});
    ASSERT_TRUE(gate(1, {h.get(), s.get(), labels.get()}).ok);
    Array g = makeNumeric(mxUINT16_CLASS, {0x167}, {1, 1});  // low byte 'g'
    CallResult r = gate(2, {h.get(), g.get()});
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(testhost::valuesOf(r.outputs[1].get()), (std::vector<double>{1, 2, 0, 1, 2, 0}));
}

// ---- label and energy commands ----

TEST_F(GatewayTest, LabelAndEnergyCommandsCheckCountsClassesAndSizes) {
    Array h = newGrid();
    Array s = makeChar("s"), g = makeChar("g"), n = makeChar("n"), one = makeScalar(1);
    Array good = makeInt32({0, 1, 2, 0, 1, 2}, {2, 3});
    Array asDouble = testhost::makeDouble({0, 1, 2, 0, 1, 2});
    Array tooMany = makeInt32({0, 1, 2, 0, 1, 2, 0});
    struct Case {
        const char* name;
        int nlhs;
        std::vector<const mxArray*> inputs;
        const char* id;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"set: no labels", 1, {h.get(), s.get()}, "Labrix:SetLabels", "Wrong number of input arguments"},
        {"set: extra input", 1, {h.get(), s.get(), good.get(), good.get()}, "Labrix:SetLabels",
         "Wrong number of input arguments"},
        {"set: double labels", 1, {h.get(), s.get(), asDouble.get()}, "Labrix:SetLabels", "labels array not int32"},
        {"set: N + 1 labels", 1, {h.get(), s.get(), tooMany.get()}, "Labrix:SetLabels",
         "wrong number of elements in labels array"},
        {"set: no output", 0, {h.get(), s.get(), good.get()}, "Labrix:SetLabels", "wrong number of output parameters"},
        {"set: two outputs", 2, {h.get(), s.get(), good.get()}, "Labrix:SetLabels",
         "wrong number of output parameters"},
        {"get: extra input", 2, {h.get(), g.get(), one.get()}, "Labrix:GetLabels", "Wrong number of input arguments"},
        {"get: one output", 1, {h.get(), g.get()}, "Labrix:GetLabels", "Wrong number of output arguments"},
        {"energy: extra input", 3, {h.get(), n.get(), one.get()}, "Labrix:Energy", "Too many input arguments"},
        {"energy: two outputs", 2, {h.get(), n.get()}, "Labrix:Energy", "wrong number of output arguments"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectError(gate(c.nlhs, c.inputs), c.id, c.message);
    }
    // Nothing above changed the labelling.
    CallResult r = gate(2, {h.get(), g.get()});
    EXPECT_EQ(testhost::valuesOf(r.outputs[1].get()), std::vector<double>(6, 0.0));
}

TEST_F(GatewayTest, SetGetAndEnergyRoundTrip) {
    Array h = newGrid();
    Array s = makeChar("s"), g = makeChar("g"), n = makeChar("n");
    Array labels = makeInt32({0, 1, 2, 2, 1, 0}, {1, 6});  // any shape
    CallResult set = gate(1, {h.get(), s.get(), labels.get()});
    ASSERT_TRUE(set.ok) << set.message;
    EXPECT_EQ(handleValue(set.outputs[0].get()), handleValue(h.get()));
    CallResult got = gate(2, {h.get(), g.get()});
    ASSERT_TRUE(got.ok);
    EXPECT_EQ(mxGetClassID(got.outputs[1].get()), mxINT32_CLASS);
    EXPECT_EQ(testhost::dimsOf(got.outputs[1].get()), (std::vector<size_t>{3, 2}));
    EXPECT_EQ(testhost::valuesOf(got.outputs[1].get()), (std::vector<double>{0, 1, 2, 2, 1, 0}));
    CallResult e = gate(3, {h.get(), n.get()});
    ASSERT_TRUE(e.ok);
    for (int k : {1, 2}) {
        EXPECT_EQ(mxGetClassID(e.outputs[k].get()), mxSINGLE_CLASS);
        EXPECT_EQ(testhost::dimsOf(e.outputs[k].get()), (std::vector<size_t>{1, 1}));
    }
    // Horizontal pairs 0-1, 1-2, 2-1, 1-0 differ; vertical 0-2, 1-1, 2-0: 6.
    EXPECT_EQ(testhost::valuesOf(e.outputs[1].get()), std::vector<double>{6});
    EXPECT_EQ(testhost::valuesOf(e.outputs[2].get()), std::vector<double>{6});
    // A bad last label: the earlier ones are replaced, the error is the core's.
    Array bad = makeInt32({2, 2, 2, 2, 2, 3});
    CallResult r = gate(1, {h.get(), s.get(), bad.get()});
    expectError(r, "Labrix:internal_error", labrixtest::lumoraMessage("Wrong label value"));
    got = gate(2, {h.get(), g.get()});
    EXPECT_EQ(testhost::valuesOf(got.outputs[1].get()), (std::vector<double>{2, 2, 2, 2, 2, 0}));
    expectAccounted();
}

TEST_F(GatewayTest, LabelOutputShapesForGraphsAndEmptyGrids) {
    Array g = makeChar("g");
    struct Case {
        const char* name;
        std::vector<size_t> dDims;
        bool graph;
        std::vector<size_t> labelDims;
    };
    const std::vector<Case> cases = {
        {"5-pixel graph", {2, 5}, true, {1, 5}},
        {"empty graph", {2, 0}, true, {1, 0}},
        {"width 0 grid", {2, 0, 3}, false, {0, 0}},
        {"height 0 grid", {2, 3, 0}, false, {3, 0}},
        {"row grid", {2, 4}, false, {4, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        size_t count = 1;
        for (size_t d : c.dDims) count *= d;
        Array D = testhost::makeDouble(std::vector<double>(count, 0.0), c.dDims);
        Array S = testhost::makeDouble({0, 1, 1, 0}, {2, 2});
        size_t n = c.dDims[1];
        Array G = testhost::makeSparse(n, n, {});
        CallResult made = c.graph ? create({D.get(), S.get(), G.get()}) : create({D.get(), S.get()});
        ASSERT_TRUE(made.ok) << made.message;
        CallResult r = gate(2, {made.outputs[0].get(), g.get()});
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(testhost::dimsOf(r.outputs[1].get()), c.labelDims);
    }
}

TEST_F(GatewayTest, EnergyWithNeitherCostSetReportsTheSmoothnessFirst) {
    Lumora* o = nullptr;
    ASSERT_TRUE(capture([&] { o = new Lumora(2, 2, 2, 1, 1); }).ok);
    const uint32_t value = HandleTable::add(o);
    Array h = testhost::makeUint32({value}, {1, 1});
    Array n = makeChar("n");
    expectError(gate(3, {h.get(), n.get()}), "Labrix:internal_error",
                labrixtest::lumoraMessage("Did not initialize smoothness costs yet, can't compute smooth energy"));
    expectAccounted();
}

// ---- close and lifetime ----

TEST_F(GatewayTest, CloseReturnsZeroAndTheOldHandleIsRefused) {
    Array h = newGrid();
    Array c = makeChar("c"), g = makeChar("g"), extra = makeScalar(5);
    CallResult r = gate(3, {h.get(), c.get(), extra.get(), extra.get()});
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(handleValue(r.outputs[0].get()), 0u);
    EXPECT_EQ(r.outputs[1], nullptr);
    EXPECT_EQ(HandleTable::liveObjects(), 0u);
    EXPECT_EQ(testhost::livePersistentBlocks(), 0u);
    expectError(gate(2, {h.get(), g.get()}), "Labrix:handle", "LX handle is not valid");
    expectError(gate(2, {r.outputs[0].get(), g.get()}), "Labrix:handle", "LX handle is not valid");
    // A new object does not revive the stale handle, even in the same slot.
    for (int i = 0; i < 3; ++i) {
        Array again = newGrid();
        expectError(gate(2, {h.get(), g.get()}), "Labrix:handle", "LX handle is not valid");
        gate(1, {again.get(), c.get()});
    }
}

TEST_F(GatewayTest, UnloadingTheLastModuleDestroysEveryObject) {
    Array a = newGrid();
    Array b = newGrid();
    Array g = makeChar("g");
    ASSERT_TRUE(gate(2, {a.get(), g.get()}).ok);  // both modules are loaded now
    testhost::clearModule(labrixgate_mexFunction);
    EXPECT_EQ(HandleTable::liveObjects(), 2u);  // labrixnew still holds them
    ASSERT_TRUE(gate(2, {a.get(), g.get()}).ok);
    testhost::clearAll();
    EXPECT_EQ(HandleTable::liveObjects(), 0u);
    EXPECT_EQ(testhost::livePersistentBlocks(), 0u);
    expectError(gate(2, {b.get(), g.get()}), "Labrix:handle", "LX handle is not valid");
    Array c = newGrid();
    EXPECT_TRUE(gate(2, {c.get(), g.get()}).ok);
}

}  // namespace
