// The Expand and swap modes of labrixgate on the test host: each call form
// reaches the right operation, every refusal carries its identifier and
// message, a failed call leaves the labelling as the refusal says and leaks
// nothing (persistent blocks unchanged, no call-scoped block left).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "host_call.h"

extern "C" void labrixgate_mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
extern "C" void labrixnew_mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

namespace {

using testhost::Array;

// 4-by-3 grid, L = 3, Potts smoothness 0.5; label 0 costs 5, label 1 costs 1
// and label 2 costs 0 except on pixel 5 (5): the optimum is label 2
// everywhere but pixel 5, which takes 1.
Array makeHandle() {
    std::vector<float> D(36);
    for (int p = 0; p < 12; ++p) {
        D[p * 3 + 0] = 5;
        D[p * 3 + 1] = 1;
        D[p * 3 + 2] = p == 5 ? 5 : 0;
    }
    std::vector<float> S = {0, 0.5f, 0.5f, 0.5f, 0, 0.5f, 0.5f, 0.5f, 0};
    Array d = testhost::makeSingle(D, {3, 4, 3});
    Array s = testhost::makeSingle(S, {3, 3});
    testhost::CallResult r = testhost::call(labrixnew_mexFunction, 1, {d.get(), s.get()});
    EXPECT_TRUE(r.ok) << r.message;
    return std::move(r.outputs[0]);
}

std::vector<double> labelsOf(const mxArray* h) {
    Array g = testhost::makeChar("g");
    testhost::CallResult r = testhost::call(labrixgate_mexFunction, 2, {h, g.get()});
    EXPECT_TRUE(r.ok) << r.message;
    return testhost::valuesOf(r.outputs[1].get());
}

std::vector<double> repeated(double v, double at5 = -1) {
    std::vector<double> out(12, v);
    if (at5 >= 0) out[5] = at5;
    return out;
}

struct Case {
    const char* name;
    std::vector<std::function<Array()>> args;  // after the handle
    int nlhs;
    const char* id;       // null: succeeds
    const char* message;
    std::vector<double> labels_after;  // empty: all zero
};

Array chr(const char* s) { return testhost::makeChar(s); }
Array num(double v) { return testhost::makeScalar(v); }
Array ints(std::vector<int32_t> v) { return testhost::makeInt32(v, {1, v.size()}); }
Array none() { return testhost::makeEmpty(mxDOUBLE_CLASS); }

TEST(MoveCommands, FormsMessagesAndNoLeaks) {
    const std::vector<double> converged = repeated(2, 1);
    const Case cases[] = {
        {"expand to convergence", {[] { return chr("e"); }}, 2, nullptr, "", converged},
        {"expand one pass", {[] { return chr("e"); }, [] { return num(1); }}, 2, nullptr, "", converged},
        {"expand no pass", {[] { return chr("e"); }, [] { return num(0); }}, 2, nullptr, "", {}},
        {"expand negative limit", {[] { return chr("e"); }, [] { return num(-3); }}, 1, nullptr, "", {}},
        {"expand one label", {[] { return chr("e"); }, none, [] { return num(1); }}, 0, nullptr, "", repeated(1)},
        {"expand listed pixels", {[] { return chr("e"); }, none, [] { return num(2); }, [] { return ints({0, 5, 11}); }},
         2, nullptr, "", {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}},
        {"empty index array without data expands everywhere",
         {[] { return chr("e"); }, none, [] { return num(1); }, [] { return testhost::makeEmpty(mxINT32_CLASS); }},
         2, nullptr, "", repeated(1)},
        {"indices not int32", {[] { return chr("e"); }, none, [] { return num(1); }, [] { return num(3); }}, 1,
         "Labrix:Expand", "indices must be int32", {}},
        {"too many indices",
         {[] { return chr("e"); }, none, [] { return num(1); }, [] { return ints(std::vector<int32_t>(13, 0)); }},
         1, "Labrix:Expand", "too many indices", {}},
        {"third argument not empty", {[] { return chr("e"); }, [] { return num(5); }, [] { return num(1); }}, 1,
         "Labrix:Expand", "third argument must empty", {}},
        {"index out of range",
         {[] { return chr("e"); }, none, [] { return num(1); }, [] { return ints({3, 12}); }}, 1, "Labrix:Expand",
         "index 12 (position 1 of the list) is outside 0 to 11", {}},
        {"index listed twice",
         {[] { return chr("e"); }, none, [] { return num(1); }, [] { return ints({3, 4, 3}); }}, 1, "Labrix:Expand",
         "index 3 is listed twice (positions 0 and 2 of the list)", {}},
        {"expand too many inputs",
         {[] { return chr("e"); }, none, [] { return num(1); }, [] { return ints({1}); }, [] { return num(1); }}, 1,
         "Labrix:Expand", "Too many input arguments", {}},
        {"expand illegal label", {[] { return chr("e"); }, none, [] { return num(3); }}, 1, "Labrix:internal_error",
         "\nLumora error: Illegal Label to Expand On\n", {}},
        {"expand too many outputs, after the move", {[] { return chr("e"); }}, 3, "Labrix:Expand",
         "too many output arguments", converged},
        {"swap to convergence", {[] { return chr("a"); }}, 2, nullptr, "", converged},
        {"swap one pass", {[] { return chr("a"); }, [] { return num(1); }}, 2, nullptr, "", {}},
        {"swap a pair", {[] { return chr("a"); }, [] { return num(0); }, [] { return num(2); }}, 1, nullptr, "",
         repeated(2)},
        {"swap pair, first label is alpha", {[] { return chr("a"); }, [] { return num(1); }, [] { return num(0); }}, 1,
         nullptr, "", repeated(1)},
        {"swap label too large", {[] { return chr("a"); }, [] { return num(0); }, [] { return num(3); }}, 1,
         "Labrix:swap", "invalid label value", {}},
        {"swap negative label", {[] { return chr("a"); }, [] { return num(-1); }, [] { return chr("x"); }}, 1,
         "Labrix:swap", "invalid label value", {}},
        {"swap too many inputs",
         {[] { return chr("a"); }, [] { return num(0); }, [] { return num(1); }, [] { return num(1); }}, 1,
         "Labrix:swap", "Too many input arguments", {}},
        {"swap count not scalar", {[] { return chr("a"); }, [] { return testhost::makeDouble({1, 2}); }}, 1,
         "Labrix:GetScalar", "input is not a scalar!", {}},
        {"swap too many outputs, after the move", {[] { return chr("a"); }}, 3, "Labrix:swap",
         "too many output arguments", converged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Array h = makeHandle();
        const size_t persistent = testhost::livePersistentBlocks();
        std::vector<Array> held;
        std::vector<const mxArray*> inputs = {h.get()};
        for (const auto& make : c.args) {
            held.push_back(make());
            inputs.push_back(held.back().get());
        }
        testhost::CallResult r = testhost::call(labrixgate_mexFunction, c.nlhs, inputs);
        if (c.id) {
            EXPECT_FALSE(r.ok);
            EXPECT_EQ(r.id, c.id);
            EXPECT_EQ(r.message, c.message);
        } else {
            ASSERT_TRUE(r.ok) << r.id << ": " << r.message;
            if (c.nlhs == 2) {
                EXPECT_EQ(testhost::valuesOf(r.outputs[1].get()), labelsOf(h.get()));
            }
        }
        EXPECT_EQ(testhost::liveCallBlocks(), 0u);
        EXPECT_EQ(testhost::livePersistentBlocks(), persistent);
        const std::vector<double> expected = c.labels_after.empty() ? repeated(0) : c.labels_after;
        if (std::string(c.name) != "swap one pass") {
            EXPECT_EQ(labelsOf(h.get()), expected);
        }
        Array close = chr("c");
        EXPECT_TRUE(testhost::call(labrixgate_mexFunction, 1, {h.get(), close.get()}).ok);
    }
}

}  // namespace
