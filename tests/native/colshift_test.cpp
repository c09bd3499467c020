// colshift on the test host: shifted columns against a plain reference, the
// refusals and their order, and the host's memory after a refused call.
#include "host_call.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

extern "C" void colshift_mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
extern "C" const char* colshift_mexVersion(void);

namespace {

using testhost::Array;
using testhost::CallResult;
using testhost::makeChar;
using testhost::makeDouble;
using testhost::makeScalar;

const char* const kNotEnoughInput = "Not enough input for COLSHIFT!";
const char* const kBadX = "The first input (x) must be a full double array (real or complex)";
const char* const kBadTypeArray = "The second input (type) must be a non-empty real numeric array";
const char* const kBadType = "The second input (type) must be either 1 or 2";
const char* const kBadStepArray = "The third input (step) must be a non-empty real numeric array";
const char* const kBadStep = "The third input (step) must be a finite number within the int32 range";
const char* const kModeNotString = "EXTMOD arg must be a string";
const char* const kBadMode = "Invalid EXTMOD";

// Distinct values 1, 2, ... for an array of the given element count.
std::vector<double> iota(size_t n) {
    std::vector<double> v(n);
    for (size_t k = 0; k < n; ++k) v[k] = static_cast<double>(k + 1);
    return v;
}

// The plain reference: the offset is the exact product, wrapped to 32 bits by
// hand (through int64 and mod 2^32), then every row is taken by a remainder.
std::vector<double> reference(const std::vector<double>& x, size_t rows, size_t columns, int type, int64_t step) {
    std::vector<double> out(x.size());
    for (size_t i = 0; i < columns; ++i) {
        int64_t product = static_cast<int64_t>(i) * step;
        if (type == 2) product = -product;
        uint64_t low = static_cast<uint64_t>(product) & 0xffffffffu;
        int64_t offset = low >= 0x80000000u ? static_cast<int64_t>(low) - 0x100000000LL : static_cast<int64_t>(low);
        int64_t m = static_cast<int64_t>(rows);
        for (size_t j = 0; j < rows; ++j) {
            int64_t k = ((static_cast<int64_t>(j) + offset) % m + m) % m;
            out[i * rows + j] = x[i * rows + static_cast<size_t>(k)];
        }
    }
    return out;
}

CallResult shift(const mxArray* x, const mxArray* type, const mxArray* step, const mxArray* mode, int nlhs = 1) {
    return testhost::call(colshift_mexFunction, nlhs, {x, type, step, mode});
}

// Runs a call expected to succeed and returns its result's values, checking
// that it is a real double rows-by-columns matrix.
std::vector<double> shiftedValues(const mxArray* x, double type, double step, size_t rows, size_t columns) {
    Array t = makeScalar(type);
    Array s = makeScalar(step);
    Array mode = makeChar("per");
    CallResult r = shift(x, t.get(), s.get(), mode.get());
    EXPECT_TRUE(r.ok) << r.message;
    if (!r.ok || !r.outputs[0]) return {};
    const mxArray* out = r.outputs[0].get();
    EXPECT_EQ(mxGetClassID(out), mxDOUBLE_CLASS);
    EXPECT_FALSE(mxIsComplex(out));
    EXPECT_EQ(testhost::dimsOf(out), (std::vector<size_t>{rows, columns}));
    return testhost::valuesOf(out);
}

// ---- the worked example ----

struct WorkedCase {
    const char* name;
    int type;
    double step;
    std::vector<double> expected;  // 4-by-3, columns 1..4, 5..8, 9..12 of the input
};

TEST(Colshift, WorkedExample) {
    const std::vector<WorkedCase> cases = {
        {"type 1 step 1", 1, 1, {1, 2, 3, 4, 6, 7, 8, 5, 11, 12, 9, 10}},
        {"type 1 step 5", 1, 5, {1, 2, 3, 4, 6, 7, 8, 5, 11, 12, 9, 10}},
        {"type 2 step 1", 2, 1, {1, 2, 3, 4, 8, 5, 6, 7, 11, 12, 9, 10}},
        {"type 2 step 5", 2, 5, {1, 2, 3, 4, 8, 5, 6, 7, 11, 12, 9, 10}},
    };
    Array x = makeDouble(iota(12), {4, 3});
    for (const WorkedCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(shiftedValues(x.get(), c.type, c.step, 4, 3), c.expected);
    }
}

// ---- shifts against the reference ----

struct ShiftCase {
    const char* name;
    size_t rows;
    size_t columns;
    double type;   // as passed
    double step;   // as passed
    int usedType;  // what the reference is given
    int64_t usedStep;
};

TEST(Colshift, MatchesReference) {
    const int64_t kMax = std::numeric_limits<int32_t>::max();
    const int64_t kMin = std::numeric_limits<int32_t>::min();
    const std::vector<ShiftCase> cases = {
        {"step 0 type 1", 5, 4, 1, 0, 1, 0},
        {"step 0 type 2", 5, 4, 2, 0, 2, 0},
        {"one column", 6, 1, 1, 3, 1, 3},
        {"one row", 1, 7, 2, 3, 2, 3},
        {"step equal to M", 4, 6, 1, 4, 1, 4},
        {"step a negative multiple of M", 4, 6, 2, -8, 2, -8},
        {"negative step", 5, 6, 1, -2, 1, -2},
        {"step larger than M", 3, 5, 2, 7, 2, 7},
        {"type 1.7 acts as 1", 5, 4, 1.7, 1, 1, 1},
        {"type 2.5 acts as 2", 5, 4, 2.5, 1, 2, 1},
        {"step 2.9 acts as 2", 7, 5, 1, 2.9, 1, 2},
        {"step -2.9 acts as -2", 7, 5, 1, -2.9, 1, -2},
        {"step -0.5 acts as 0", 7, 5, 2, -0.5, 2, 0},
        {"step 0.5 acts as 0", 7, 5, 1, 0.5, 1, 0},
        {"int32 max, type 1", 7, 6, 1, 2147483647.0, 1, kMax},
        {"int32 max, type 2", 7, 6, 2, 2147483647.0, 2, kMax},
        {"int32 min, type 1", 7, 6, 1, -2147483648.0, 1, kMin},
        {"int32 min, type 2", 7, 6, 2, -2147483648.0, 2, kMin},
        {"int32 max minus 1", 11, 9, 1, 2147483646.0, 1, kMax - 1},
        {"int32 min plus 1", 11, 9, 2, -2147483647.0, 2, kMin + 1},
        {"int32 max plus 0.9 truncated", 7, 6, 1, 2147483647.9, 1, kMax},
        {"int32 min minus 0.9 truncated", 7, 6, 2, -2147483648.9, 2, kMin},
        {"2^30 wraps from column 2", 13, 8, 1, 1073741824.0, 1, 1073741824},
        {"65536 wraps at column 65536", 5, 3, 2, 65536.0, 2, 65536},
        {"2^31 - 3 over many columns", 10, 40, 2, 2147483645.0, 2, kMax - 2},
    };
    for (const ShiftCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<double> values = iota(c.rows * c.columns);
        Array x = makeDouble(values, {c.rows, c.columns});
        EXPECT_EQ(shiftedValues(x.get(), c.type, c.step, c.rows, c.columns),
                  reference(values, c.rows, c.columns, c.usedType, c.usedStep));
    }
}

TEST(Colshift, StepZeroOneColumnAndMultiplesOfMKeepTheInput) {
    const std::vector<std::vector<double>> setups = {
        // rows, columns, type, step
        {5, 4, 1, 0}, {5, 4, 2, 0}, {6, 1, 1, 5}, {6, 1, 2, -5}, {4, 6, 1, 4}, {4, 6, 2, 12}, {3, 5, 1, -9},
    };
    for (const std::vector<double>& s : setups) {
        size_t rows = static_cast<size_t>(s[0]);
        size_t columns = static_cast<size_t>(s[1]);
        SCOPED_TRACE(std::to_string(rows) + "x" + std::to_string(columns) + " step " + std::to_string(s[3]));
        std::vector<double> values = iota(rows * columns);
        Array x = makeDouble(values, {rows, columns});
        EXPECT_EQ(shiftedValues(x.get(), s[2], s[3], rows, columns), values);
    }
}

TEST(Colshift, TypeOneWithStepEqualsTypeTwoWithNegatedStep) {
    const std::vector<double> steps = {1, 2, 3, -4, 7, 1000, 2147483647.0, -2147483647.0};
    std::vector<double> values = iota(9 * 7);
    Array x = makeDouble(values, {9, 7});
    for (double s : steps) {
        SCOPED_TRACE(s);
        EXPECT_EQ(shiftedValues(x.get(), 1, s, 9, 7), shiftedValues(x.get(), 2, -s, 9, 7));
    }
}

TEST(Colshift, RandomSizesTypesAndStepsMatchTheReference) {
    std::mt19937 random(20261211u);
    for (int trial = 0; trial < 300; ++trial) {
        size_t rows = random() % 12;
        size_t columns = random() % 12;
        int type = 1 + static_cast<int>(random() % 2);
        int32_t step = static_cast<int32_t>(random());
        if (trial % 2 == 0) step = static_cast<int32_t>(random() % 41) - 20;
        SCOPED_TRACE("trial " + std::to_string(trial) + ": " + std::to_string(rows) + "x" + std::to_string(columns) +
                     " type " + std::to_string(type) + " step " + std::to_string(step));
        std::vector<double> values = iota(rows * columns);
        Array x = makeDouble(values, {rows, columns});
        EXPECT_EQ(shiftedValues(x.get(), type, step, rows, columns),
                  reference(values, rows, columns, type, step));
    }
}

// ---- shapes ----

TEST(Colshift, EmptyRowAndColumnCounts) {
    const std::vector<std::vector<size_t>> shapes = {{0, 3}, {4, 0}, {0, 0}, {0, 1}, {1, 0}};
    for (const std::vector<size_t>& shape : shapes) {
        for (double type : {1.0, 2.0}) {
            SCOPED_TRACE(std::to_string(shape[0]) + "x" + std::to_string(shape[1]));
            Array x = testhost::makeEmpty(mxDOUBLE_CLASS, shape[0], shape[1]);
            EXPECT_TRUE(shiftedValues(x.get(), type, 3, shape[0], shape[1]).empty());
        }
    }
}

TEST(Colshift, ComplexInputGivesTheShiftedRealPart) {
    std::vector<std::complex<double>> values;
    std::vector<double> real;
    for (int k = 0; k < 12; ++k) {
        values.emplace_back(k + 1, -100.0 - k);
        real.push_back(k + 1);
    }
    Array x = testhost::makeComplex(values, {4, 3});
    EXPECT_EQ(shiftedValues(x.get(), 1, 1, 4, 3), reference(real, 4, 3, 1, 1));
    EXPECT_EQ(shiftedValues(x.get(), 2, 3, 4, 3), reference(real, 4, 3, 2, 3));
}

TEST(Colshift, NDimensionalInputIsFlattenedToRowsByTheRest) {
    std::vector<double> values = iota(3 * 2 * 4);
    Array x = makeDouble(values, {3, 2, 4});
    EXPECT_EQ(shiftedValues(x.get(), 1, 1, 3, 8), reference(values, 3, 8, 1, 1));
    Array y = makeDouble(iota(2 * 1 * 3 * 2), {2, 1, 3, 2});
    EXPECT_EQ(shiftedValues(y.get(), 2, 1, 2, 6), reference(iota(12), 2, 6, 2, 1));
}

TEST(Colshift, OutputIsStoredWhateverCountIsAsked) {
    Array x = makeDouble(iota(6), {3, 2});
    Array t = makeScalar(1);
    Array s = makeScalar(1);
    Array mode = makeChar("per");
    CallResult r = shift(x.get(), t.get(), s.get(), mode.get(), 0);
    ASSERT_TRUE(r.ok) << r.message;
    ASSERT_TRUE(r.outputs[0]);
    EXPECT_EQ(testhost::valuesOf(r.outputs[0].get()), reference(iota(6), 3, 2, 1, 1));
}

// ---- only the first element of type and step ----

TEST(Colshift, OnlyTheFirstElementOfTypeAndStepIsUsed) {
    std::vector<double> values = iota(20);
    Array x = makeDouble(values, {5, 4});
    Array mode = makeChar("per");
    struct Case {
        const char* name;
        Array type;
        Array step;
        int usedType;
        int usedStep;
    };
    std::vector<Case> cases;
    cases.push_back({"row vectors", makeDouble({2, 1, 7}, {1, 3}), makeDouble({3, 0, 99}, {1, 3}), 2, 3});
    cases.push_back({"matrices", makeDouble({1, 5, 6, 0}, {2, 2}), makeDouble({-1, 4, 4, 4}, {2, 2}), 1, -1});
    cases.push_back({"refused later elements", makeDouble({1, 3}, {2, 1}), makeDouble({2, NAN}, {2, 1}), 1, 2});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CallResult r = shift(x.get(), c.type.get(), c.step.get(), mode.get());
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(testhost::valuesOf(r.outputs[0].get()), reference(values, 5, 4, c.usedType, c.usedStep));
    }
}

// ---- other numeric classes for type and step ----

TEST(Colshift, TypeAndStepOfOtherNumericClassesAreConverted) {
    std::vector<double> values = iota(24);
    Array x = makeDouble(values, {6, 4});
    Array mode = makeChar("per");
    const std::vector<mxClassID> classes = {mxSINGLE_CLASS, mxINT8_CLASS,  mxUINT8_CLASS, mxINT16_CLASS,
                                            mxUINT16_CLASS, mxINT32_CLASS, mxUINT32_CLASS, mxINT64_CLASS,
                                            mxUINT64_CLASS};
    for (mxClassID cls : classes) {
        SCOPED_TRACE(static_cast<int>(cls));
        Array t = testhost::makeNumeric(cls, {2}, {1, 1});
        Array s = testhost::makeNumeric(cls, {5}, {1, 1});
        CallResult r = shift(x.get(), t.get(), s.get(), mode.get());
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(testhost::valuesOf(r.outputs[0].get()), reference(values, 6, 4, 2, 5));
    }
    Array t = testhost::makeSingle({1.7f}, {1, 1});
    Array s = testhost::makeSingle({-2.9f}, {1, 1});
    CallResult r = shift(x.get(), t.get(), s.get(), mode.get());
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(testhost::valuesOf(r.outputs[0].get()), reference(values, 6, 4, 1, -2));
}

// ---- refusals ----

struct RefusalCase {
    std::string name;
    std::vector<Array> inputs;
    const char* message;
};

void expectRefusals(const std::vector<RefusalCase>& cases) {
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<const mxArray*> inputs;
        for (const Array& a : c.inputs) inputs.push_back(a.get());
        CallResult r = testhost::call(colshift_mexFunction, 1, inputs);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.id, "");  // message-only errors
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(testhost::liveCallBlocks(), 0u);
    }
}

std::vector<Array> args(Array x, Array type, Array step, Array mode) {
    std::vector<Array> v;
    v.push_back(std::move(x));
    v.push_back(std::move(type));
    v.push_back(std::move(step));
    v.push_back(std::move(mode));
    return v;
}

Array goodX() { return makeDouble(iota(12), {4, 3}); }

TEST(Colshift, TooFewInputs) {
    std::vector<RefusalCase> cases;
    cases.push_back({"none", {}, kNotEnoughInput});
    std::vector<Array> one;
    one.push_back(goodX());
    cases.push_back({"one", std::move(one), kNotEnoughInput});
    std::vector<Array> three;
    three.push_back(goodX());
    three.push_back(makeScalar(1));
    three.push_back(makeScalar(1));
    cases.push_back({"three", std::move(three), kNotEnoughInput});
    std::vector<Array> threeBad;  // the count is judged before anything is read
    threeBad.push_back(makeChar("x"));
    threeBad.push_back(makeScalar(9));
    threeBad.push_back(makeScalar(NAN));
    cases.push_back({"three bad ones", std::move(threeBad), kNotEnoughInput});
    expectRefusals(cases);
}

TEST(Colshift, RefusedModes) {
    std::vector<RefusalCase> cases;
    for (const char* mode : {"PER", "per ", "period", "", "perperperp", "per0000000000", "Per", " per", "pe"}) {
        cases.push_back({std::string("mode '") + mode + "'", args(goodX(), makeScalar(1), makeScalar(1), makeChar(mode)), kBadMode});
    }
    cases.push_back({"numeric mode", args(goodX(), makeScalar(1), makeScalar(1), makeScalar(112)), kModeNotString});
    cases.push_back({"empty numeric mode", args(goodX(), makeScalar(1), makeScalar(1), testhost::makeEmpty(mxDOUBLE_CLASS)),
                     kModeNotString});
    std::vector<Array> cell;
    cell.push_back(makeChar("per"));
    cases.push_back({"cell mode", args(goodX(), makeScalar(1), makeScalar(1), testhost::makeCell(std::move(cell))),
                     kModeNotString});
    expectRefusals(cases);
}

TEST(Colshift, RefusedTypes) {
    std::vector<RefusalCase> cases;
    for (double type : std::vector<double>{0.5, 3.0, 0.0, -1.0, -1.5, 2147483649.0, NAN, INFINITY, -INFINITY}) {
        cases.push_back({"type " + std::to_string(type), args(goodX(), makeScalar(type), makeScalar(1), makeChar("per")), kBadType});
    }
    cases.push_back({"int8 3", args(goodX(), testhost::makeNumeric(mxINT8_CLASS, {3}, {1, 1}), makeScalar(1), makeChar("per")),
                     kBadType});
    cases.push_back({"empty", args(goodX(), testhost::makeEmpty(mxDOUBLE_CLASS), makeScalar(1), makeChar("per")),
                     kBadTypeArray});
    cases.push_back({"1-by-0", args(goodX(), testhost::makeEmpty(mxDOUBLE_CLASS, 1, 0), makeScalar(1), makeChar("per")),
                     kBadTypeArray});
    cases.push_back({"complex", args(goodX(), testhost::makeComplex({{1, 1}}, {1, 1}), makeScalar(1), makeChar("per")),
                     kBadTypeArray});
    cases.push_back({"char", args(goodX(), makeChar("1"), makeScalar(1), makeChar("per")), kBadTypeArray});
    cases.push_back({"logical", args(goodX(), testhost::makeLogical({true}, {1, 1}), makeScalar(1), makeChar("per")),
                     kBadTypeArray});
    cases.push_back({"sparse", args(goodX(), testhost::makeSparse(1, 1, {{0, 0, 1.0}}), makeScalar(1), makeChar("per")),
                     kBadTypeArray});
    std::vector<Array> cell;
    cell.push_back(makeScalar(1));
    cases.push_back({"cell", args(goodX(), testhost::makeCell(std::move(cell)), makeScalar(1), makeChar("per")),
                     kBadTypeArray});
    expectRefusals(cases);
}

TEST(Colshift, RefusedSteps) {
    std::vector<RefusalCase> cases;
    for (double step : std::vector<double>{2147483648.0, -2147483649.0, 1e300, -1e300, NAN, INFINITY, -INFINITY}) {
        cases.push_back({"step " + std::to_string(step), args(goodX(), makeScalar(1), makeScalar(step), makeChar("per")), kBadStep});
    }
    cases.push_back({"int64 beyond int32",
                     args(goodX(), makeScalar(1), testhost::makeNumeric(mxINT64_CLASS, {4294967296.0}, {1, 1}), makeChar("per")),
                     kBadStep});
    cases.push_back({"uint32 beyond int32",
                     args(goodX(), makeScalar(2), testhost::makeUint32({2147483648u}, {1, 1}), makeChar("per")), kBadStep});
    cases.push_back({"single infinity",
                     args(goodX(), makeScalar(2), testhost::makeSingle({INFINITY}, {1, 1}), makeChar("per")), kBadStep});
    cases.push_back({"empty", args(goodX(), makeScalar(1), testhost::makeEmpty(mxDOUBLE_CLASS, 0, 1), makeChar("per")),
                     kBadStepArray});
    cases.push_back({"empty int32", args(goodX(), makeScalar(1), testhost::makeEmpty(mxINT32_CLASS), makeChar("per")),
                     kBadStepArray});
    cases.push_back({"complex", args(goodX(), makeScalar(1), testhost::makeComplex({{2, 0}}, {1, 1}), makeChar("per")),
                     kBadStepArray});
    cases.push_back({"char", args(goodX(), makeScalar(1), makeChar("2"), makeChar("per")), kBadStepArray});
    cases.push_back({"logical", args(goodX(), makeScalar(1), testhost::makeLogical({true}, {1, 1}), makeChar("per")),
                     kBadStepArray});
    expectRefusals(cases);
}

TEST(Colshift, RefusedMatrices) {
    std::vector<RefusalCase> cases;
    cases.push_back({"single", args(testhost::makeSingle({1, 2, 3, 4}, {2, 2}), makeScalar(1), makeScalar(1), makeChar("per")), kBadX});
    cases.push_back({"int32", args(testhost::makeInt32({1, 2, 3, 4}, {2, 2}), makeScalar(1), makeScalar(1), makeChar("per")), kBadX});
    cases.push_back({"uint8", args(testhost::makeNumeric(mxUINT8_CLASS, {1, 2}, {2, 1}), makeScalar(1), makeScalar(1), makeChar("per")), kBadX});
    cases.push_back({"char", args(makeChar("abcd"), makeScalar(1), makeScalar(1), makeChar("per")), kBadX});
    cases.push_back({"logical", args(testhost::makeLogical({true, false}, {2, 1}), makeScalar(1), makeScalar(1), makeChar("per")), kBadX});
    cases.push_back({"sparse", args(testhost::makeSparse(3, 3, {{1, 1, 2.0}}), makeScalar(1), makeScalar(1), makeChar("per")), kBadX});
    std::vector<Array> cell;
    cell.push_back(goodX());
    cases.push_back({"cell", args(testhost::makeCell(std::move(cell)), makeScalar(1), makeScalar(1), makeChar("per")), kBadX});
    cases.push_back({"empty single", args(testhost::makeEmpty(mxSINGLE_CLASS), makeScalar(1), makeScalar(1), makeChar("per")), kBadX});
    expectRefusals(cases);
}

TEST(Colshift, ChecksRunInOrder) {
    std::vector<RefusalCase> cases;
    cases.push_back({"bad x before bad type", args(makeChar("x"), makeScalar(5), makeScalar(NAN), makeScalar(0)), kBadX});
    cases.push_back({"bad type before bad step", args(goodX(), makeScalar(5), makeScalar(NAN), makeScalar(0)), kBadType});
    cases.push_back({"bad step before numeric mode", args(goodX(), makeScalar(1), makeScalar(NAN), makeScalar(0)), kBadStep});
    cases.push_back({"numeric mode last", args(goodX(), makeScalar(2), makeScalar(3), makeScalar(0)), kModeNotString});
    expectRefusals(cases);
}

// The refused mode comes after the result exists: the call has stored it as
// its first output, and the host frees it with the failed call.
TEST(Colshift, InvalidModeComesAfterTheOutputIsStored) {
    Array x = goodX();
    Array t = makeScalar(2);
    Array s = makeScalar(1);
    Array mode = makeChar("PER");
    const mxArray* prhs[] = {x.get(), t.get(), s.get(), mode.get()};
    mxArray* plhs[1] = {nullptr};
    std::vector<size_t> storedDims;
    CallResult r = testhost::capture([&] {
        try {
            colshift_mexFunction(1, plhs, 4, prhs);
        } catch (const testhost::HostError&) {
            if (plhs[0]) storedDims = testhost::dimsOf(plhs[0]);
            throw;
        }
    });
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, kBadMode);
    EXPECT_EQ(storedDims, (std::vector<size_t>{4, 3}));
    EXPECT_EQ(testhost::liveCallBlocks(), 0u);
    EXPECT_EQ(testhost::livePersistentBlocks(), 0u);
    EXPECT_EQ(testhost::badFrees(), 0u);

    CallResult viaCall = shift(x.get(), t.get(), s.get(), mode.get());
    EXPECT_FALSE(viaCall.ok);
    EXPECT_EQ(viaCall.message, kBadMode);
    EXPECT_EQ(testhost::liveCallBlocks(), 0u);
}

TEST(Colshift, VersionNamesTheInterface) { EXPECT_STREQ(colshift_mexVersion(), "MATLAB R14 native"); }

}  // namespace
