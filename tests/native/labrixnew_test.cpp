// The creation module: every form builds the object it describes, with the
// orientation conventions of the toolbox, and every bad argument is refused
// under "Labrix:new" before anything persistent exists.
#include <cmath>
#include <limits>

#include "optimizer/lumora.h"
#include "support/labrix_testing.h"

namespace {

using labrixtest::create;
using labrixtest::expectErrorContains;
using labrixtest::gate;
using testhost::Array;
using testhost::CallResult;
using testhost::makeChar;
using testhost::makeDouble;
using testhost::makeInt32;

class LabrixNewTest : public labrixtest::LeakChecked {
protected:
    // Sets the labels and returns {smoothness, data} through the gateway.
    std::pair<double, double> energies(const mxArray* h, const std::vector<int32_t>& labels) {
        Array s = makeChar("s"), n = makeChar("n");
        Array l = makeInt32(labels);
        CallResult set = gate(1, {h, s.get(), l.get()});
        EXPECT_TRUE(set.ok) << set.message;
        CallResult e = gate(3, {h, n.get()});
        EXPECT_TRUE(e.ok) << e.message;
        return {testhost::valuesOf(e.outputs[1].get())[0], testhost::valuesOf(e.outputs[2].get())[0]};
    }
    static Lumora* objectOf(const mxArray* h) { return HandleTable::find(*static_cast<const uint32_t*>(mxGetData(h))); }
};

TEST_F(LabrixNewTest, SmoothnessTableIsTakenRowByFirstPixelOnGridsAndGraphs) {
    Array D = makeDouble({0, 0, 0, 0}, {2, 2});
    Array S = makeDouble({0, 7, 5, 0}, {2, 2});  // S = [0 5; 7 0]
    CallResult grid = create({D.get(), S.get()});
    ASSERT_TRUE(grid.ok) << grid.message;
    EXPECT_EQ(energies(grid.outputs[0].get(), {0, 1}).first, 5.0);
    Array G = makeDouble({0, 1, 1, 0}, {2, 2});
    CallResult graph = create({D.get(), S.get(), G.get()});
    ASSERT_TRUE(graph.ok) << graph.message;
    EXPECT_EQ(energies(graph.outputs[0].get(), {0, 1}).first, 7.0);
    expectAccounted();
}

TEST_F(LabrixNewTest, DataCostsFollowLabelThenPixelOrder) {
    // L = 2, W = 2, H = 2: D(l+1, x+1, y+1) = 10 * (x + 2y) + l.
    std::vector<double> d(8);
    for (int p = 0; p < 4; ++p)
        for (int l = 0; l < 2; ++l) d[static_cast<size_t>(p * 2 + l)] = 10.0 * p + l;
    Array D = makeDouble(d, {2, 2, 2});
    Array S = testhost::makeSingle({0, 0, 0, 0}, {2, 2});
    CallResult r = create({D.get(), S.get()});
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(objectOf(r.outputs[0].get())->width(), 2);
    EXPECT_EQ(energies(r.outputs[0].get(), {1, 0, 0, 1}).second, 0 + 1 + 10 + 20 + 31 - 0.0);
}

TEST_F(LabrixNewTest, WeightsFollowTheGridOrientation) {
    // 2-by-2 grid, Potts: HW(x+1,y+1) weighs (x,y)-(x+1,y); VW(x+1,y+1) weighs (x,y)-(x,y+1).
    Array D = makeDouble(std::vector<double>(8, 0.0), {2, 2, 2});
    Array S = makeDouble({0, 1, 1, 0}, {2, 2});
    Array HW = makeDouble({2, 99, 3, 99}, {2, 2});   // pairs 0-1 (y = 0) and 2-3 (y = 1)
    Array VW = makeDouble({5, 7, 99, 99}, {2, 2});   // pairs 0-2 (x = 0) and 1-3 (x = 1)
    CallResult r = create({D.get(), S.get(), HW.get(), VW.get()});
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(objectOf(r.outputs[0].get())->weightedGrid());
    EXPECT_EQ(energies(r.outputs[0].get(), {0, 1, 0, 0}).first, 2.0 + 7.0);
    EXPECT_EQ(energies(r.outputs[0].get(), {0, 0, 1, 0}).first, 3.0 + 5.0);
}

TEST_F(LabrixNewTest, GraphMatricesOfEveryFormMeanTheSameGraph) {
    Array D = makeDouble(std::vector<double>(8, 0.0), {2, 4});
    Array S = makeDouble({0, 1, 1, 0}, {2, 2});
    // Pairs (0,1) weight 2, (1,3) weight 3, (0,3) weight 0.5; diagonal ignored.
    std::vector<testhost::Triplet> upper = {{0, 1, 2}, {1, 3, 3}, {0, 3, 0.5}, {2, 2, 9}};
    std::vector<testhost::Triplet> symmetric = upper;
    for (const auto& t : upper) symmetric.push_back({t.col, t.row, t.value});
    std::vector<double> full(16, 0.0);
    for (const auto& t : upper) full[t.row + 4 * t.col] = t.value;
    std::vector<Array> forms;
    forms.push_back(testhost::makeSparse(4, 4, upper));
    forms.push_back(testhost::makeSparse(4, 4, symmetric));
    forms.push_back(makeDouble(full, {4, 4}));
    std::vector<double> lower(16, 0.0);
    for (const auto& t : upper) lower[t.col + 4 * t.row] = t.value;
    forms.push_back(testhost::makeNumeric(mxSINGLE_CLASS, lower, {4, 4}));
    for (const Array& G : forms) {
        CallResult r = create({D.get(), S.get(), G.get()});
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(energies(r.outputs[0].get(), {1, 0, 0, 0}).first, 2.5);
        EXPECT_EQ(energies(r.outputs[0].get(), {0, 1, 1, 0}).first, 5.0);
    }
    Array logical = testhost::makeLogical({false, true, true, false}, {2, 2});
    Array D2 = makeDouble({0, 0, 0, 0}, {2, 2});
    CallResult r = create({D2.get(), S.get(), logical.get()});
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(energies(r.outputs[0].get(), {1, 0}).first, 1.0);
    expectAccounted();
}

TEST_F(LabrixNewTest, OptionsSetTheLabellingAndTheOrderFlag) {
    Array D = makeDouble(std::vector<double>(6, 0.0), {2, 3});
    Array S = makeDouble({0, 1, 1, 0}, {2, 2});
    Array name = makeChar("labels"), value = testhost::makeNumeric(mxUINT8_CLASS, {1, 0, 1}, {1, 3});
    Array order = makeChar("RANDOMORDER"), off = testhost::makeLogical({false}, {1, 1});
    CallResult r = create({D.get(), S.get(), name.get(), value.get(), order.get(), off.get()});
    ASSERT_TRUE(r.ok) << r.message;
    Lumora* o = objectOf(r.outputs[0].get());
    EXPECT_FALSE(o->randomOrder());
    EXPECT_EQ(std::vector<int32_t>(o->labels(), o->labels() + 3), (std::vector<int32_t>{1, 0, 1}));
    CallResult d = create({D.get(), S.get()});
    EXPECT_TRUE(objectOf(d.outputs[0].get())->randomOrder());
}

TEST_F(LabrixNewTest, BadArgumentsAreRefusedBeforeAnythingIsBuilt) {
    const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
    Array D = makeDouble(std::vector<double>(6, 0.0), {2, 3});
    Array S = makeDouble({0, 1, 1, 0}, {2, 2});
    Array W = makeDouble({1, 1, 1}, {3, 1});
    Array Dnan = makeDouble({0, 0, 0, nan, 0, 0}, {2, 3});
    Array Dinf = makeDouble({0, 0, 0, 0, inf, 0}, {2, 3});
    Array Dbig = makeDouble({0, 0, 0, 0, 1e300, 0}, {2, 3});
    Array Dint = testhost::makeNumeric(mxINT32_CLASS, {0, 0, 0, 0, 0, 0}, {2, 3});
    Array Dcomplex = testhost::makeComplex({{0, 1}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}, {2, 3});
    Array Dsparse = testhost::makeSparse(2, 3, {{0, 0, 1}});
    Array D4 = makeDouble(std::vector<double>(16, 0.0), {2, 2, 2, 2});
    Array Dempty = makeDouble({}, {0, 3});
    Array S3 = makeDouble(std::vector<double>(9, 0.0), {3, 3});
    Array Srow = makeDouble({0, 1, 1, 0}, {1, 4});
    Array Snan = makeDouble({0, nan, 1, 0}, {2, 2});
    Array Wneg = makeDouble({1, -1, 1}, {3, 1});
    Array Wnan = makeDouble({1, nan, 1}, {3, 1});
    Array Wshape = makeDouble({1, 1, 1}, {1, 3});
    Array Gsize = makeDouble(std::vector<double>(4, 0.0), {2, 2});
    Array Gdiffer = testhost::makeSparse(3, 3, {{0, 1, 2}, {1, 0, 3}});
    Array Gneg = testhost::makeSparse(3, 3, {{0, 1, -2}});
    Array Gnan = makeDouble({0, 0, 0, nan, 0, 0, 0, 0, 0}, {3, 3});
    Array Gchar = makeChar("abc");
    Array Gcomplex = testhost::makeComplex(std::vector<std::complex<double>>(9, {0, 1}), {3, 3});
    Array D3d = makeDouble(std::vector<double>(8, 0.0), {2, 2, 2});
    Array Gfor3d = makeDouble(std::vector<double>(16, 0.0), {4, 4});
    Array labelsName = makeChar("Labels"), orderName = makeChar("RandomOrder"), unknown = makeChar("Verbose");
    Array badLabel = makeDouble({0, 2, 0}), fracLabel = makeDouble({0, 0.5, 0}), shortLabels = makeDouble({0, 1});
    Array cellValue = testhost::makeCell({});
    Array nanFlag = makeDouble({nan}, {1, 1}), twoFlags = makeDouble({1, 1}, {1, 2});
    Array num = makeDouble({1}, {1, 1});
    struct Case {
        const char* name;
        std::vector<const mxArray*> inputs;
        const char* part;
    };
    const std::vector<Case> cases = {
        {"no arguments", {}, "expected labrixnew(D, S)"},
        {"one argument", {D.get()}, "expected labrixnew(D, S)"},
        {"five arrays", {D.get(), S.get(), W.get(), W.get(), W.get()}, "(got 5 array arguments)"},
        {"integer D", {Dint.get(), S.get()}, "D must be a real double or single array (got int32)"},
        {"complex D", {Dcomplex.get(), S.get()}, "D must be real, not complex"},
        {"sparse D", {Dsparse.get(), S.get()}, "D must be a full array, not sparse"},
        {"4-D D", {D4.get(), S.get()}, "D must be L-by-W-by-H (got 4 dimensions)"},
        {"no labels", {Dempty.get(), S.get()}, "D must have at least one row"},
        {"NaN cost", {Dnan.get(), S.get()}, "D(4) is NaN; costs must be finite (a large finite cost forbids a label)"},
        {"infinite cost", {Dinf.get(), S.get()}, "D(5) is infinite"},
        {"cost beyond single", {Dbig.get(), S.get()}, "D(5) is beyond the single range"},
        {"S of other size", {D.get(), S3.get()}, "S must be L-by-L = 2-by-2, with L = size(D, 1) (got 3-by-3)"},
        {"S as a row", {D.get(), Srow.get()}, "S must be L-by-L = 2-by-2"},
        {"NaN in S", {D.get(), Snan.get()}, "S(2) is NaN"},
        {"negative weight", {D.get(), S.get(), W.get(), Wneg.get()}, "VW(2) is negative"},
        {"NaN weight", {D.get(), S.get(), Wnan.get(), W.get()}, "HW(2) is NaN"},
        {"weights of other shape", {D.get(), S.get(), Wshape.get(), W.get()}, "HW must be W-by-H = 3-by-1"},
        {"G of other size", {D.get(), S.get(), Gsize.get()}, "G must be N-by-N = 3-by-3 (got 2-by-2)"},
        {"G entries differ", {D.get(), S.get(), Gdiffer.get()}, "differ; give each pair one weight"},
        {"G negative", {D.get(), S.get(), Gneg.get()}, "neighbour weights must be finite and > 0"},
        {"G NaN", {D.get(), S.get(), Gnan.get()}, "neighbour weights must be finite and > 0"},
        {"G complex", {D.get(), S.get(), Gcomplex.get()}, "G must be real, not complex"},
        {"G char is an option name", {D.get(), S.get(), Gchar.get()}, "unknown option 'abc'"},
        {"3-D D with a graph", {D3d.get(), S.get(), Gfor3d.get()}, "D must be L-by-N for a general graph"},
        {"unknown option", {D.get(), S.get(), unknown.get(), num.get()}, "unknown option 'Verbose'"},
        {"option without value", {D.get(), S.get(), labelsName.get()}, "option 'Labels' has no value"},
        {"option name not a string", {D.get(), S.get(), labelsName.get(), badLabel.get(), num.get(), num.get()},
         "expected an option name"},
        {"label out of range", {D.get(), S.get(), labelsName.get(), badLabel.get()},
         "Labels(2) = 2 is not an integer label from 0 to 1"},
        {"fractional label", {D.get(), S.get(), labelsName.get(), fracLabel.get()}, "Labels(2) = 0.5"},
        {"too few labels", {D.get(), S.get(), labelsName.get(), shortLabels.get()},
         "Labels must have N = 3 elements, one per pixel (got 2)"},
        {"labels of a cell", {D.get(), S.get(), labelsName.get(), cellValue.get()},
         "Labels must be a real numeric array (got cell)"},
        {"NaN flag", {D.get(), S.get(), orderName.get(), nanFlag.get()}, "RandomOrder must not be NaN"},
        {"flag not scalar", {D.get(), S.get(), orderName.get(), twoFlags.get()},
         "RandomOrder must be a logical or numeric scalar"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectErrorContains(create(c.inputs), "Labrix:new", c.part);
        EXPECT_EQ(HandleTable::liveObjects(), 0u);
        EXPECT_EQ(testhost::livePersistentBlocks(), 0u);
    }
    CallResult two = testhost::call(labrixnew_mexFunction, 2, {D.get(), S.get()});
    expectErrorContains(two, "Labrix:new", "returns one output");
}

TEST_F(LabrixNewTest, RefusedMemoryWhileBuildingReleasesTheObject) {
    Array D = makeDouble(std::vector<double>(2 * 600, 1.0), {2, 600});
    Array S = makeDouble({0, 1, 1, 0}, {2, 2});
    std::vector<testhost::Triplet> chain;
    for (size_t i = 0; i + 1 < 600; ++i) chain.push_back({i, i + 1, 1.0});
    Array G = testhost::makeSparse(600, 600, chain);
    for (long k = 0;; ++k) {
        testhost::failAllocationsAfter(k);
        CallResult r = create({D.get(), S.get(), G.get()});
        testhost::failAllocationsAfter(-1);
        if (r.ok) {
            expectAccounted();
            break;
        }
        SCOPED_TRACE(k);
        EXPECT_EQ(HandleTable::liveObjects(), 0u);
        EXPECT_EQ(testhost::livePersistentBlocks(), 0u);
        EXPECT_EQ(testhost::liveCallBlocks(), 0u);
    }
}

}  // namespace
