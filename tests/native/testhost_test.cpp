// The test host itself: call scopes free what they should, errors come back
// as results, persistence and exit handlers behave as on the real hosts.
#include "host_call.h"

#include <gtest/gtest.h>

namespace {

void* g_kept = nullptr;

void scratchAndKeep(int, mxArray* plhs[], int, const mxArray*[]) {
    mxMalloc(100);  // call-scoped: the host frees it
    g_kept = mxMalloc(40);
    mexMakeMemoryPersistent(g_kept);
    plhs[0] = mxCreateDoubleScalar(3);
    mxCreateDoubleScalar(4);  // not returned: the host frees it
}

void failing(int, mxArray*[], int, const mxArray*[]) {
    mxMalloc(10);
    mexErrMsgIdAndTxt("Test:fail", "value %d", 7);
}

int g_exits = 0;
void onExit() { ++g_exits; }
void registersExit(int, mxArray*[], int, const mxArray*[]) { mexAtExit(onExit); }

TEST(TestHost, CallScopeFreesScratchAndKeepsPersistentMemory) {
    size_t before = testhost::livePersistentBlocks();
    testhost::CallResult r = testhost::call(scratchAndKeep, 1, {});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(testhost::valuesOf(r.outputs[0].get()), std::vector<double>{3});
    EXPECT_EQ(testhost::liveCallBlocks(), 0u);
    EXPECT_EQ(testhost::livePersistentBlocks(), before + 1);
    mxFree(g_kept);
    EXPECT_EQ(testhost::livePersistentBlocks(), before);
    EXPECT_EQ(testhost::badFrees(), 0u);
}

TEST(TestHost, ErrorsBecomeFailedResults) {
    testhost::CallResult r = testhost::call(failing, 0, {});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.id, "Test:fail");
    EXPECT_EQ(r.message, "value 7");
    EXPECT_EQ(testhost::liveCallBlocks(), 0u);
}

TEST(TestHost, ExitHandlersRunOnClear) {
    g_exits = 0;
    testhost::call(registersExit, 0, {});
    testhost::call(registersExit, 0, {});
    testhost::clearModule(registersExit);
    EXPECT_EQ(g_exits, 1);
    testhost::clearAll();
    EXPECT_EQ(g_exits, 1);
}

TEST(TestHost, OddAddressesAndInjectedFailures) {
    testhost::setOddAddresses(true);
    void* p = mxMalloc(8);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) & 1u, 1u);
    mxFree(p);
    testhost::setOddAddresses(false);
    testhost::failAllocationsAfter(1);
    void* a = mxMalloc(8);
    void* b = mxMalloc(8);
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(b, nullptr);
    testhost::failAllocationsAfter(-1);
    mxFree(a);
    EXPECT_EQ(testhost::badFrees(), 0u);
}

TEST(TestHost, ArraysKeepClassShapeAndValues) {
    testhost::Array a = testhost::makeNumeric(mxINT16_CLASS, {1, -300, 70000}, {1, 3});
    EXPECT_EQ(mxGetClassID(a.get()), mxINT16_CLASS);
    EXPECT_EQ(testhost::dimsOf(a.get()), (std::vector<size_t>{1, 3}));
    EXPECT_EQ(testhost::valuesOf(a.get()), (std::vector<double>{1, -300, 32767}));
    // Empty arrays of every maker hold no data (the fuzz target found a copy
    // from a null source here).
    EXPECT_EQ(mxGetNumberOfElements(testhost::makeUint32({}, {0, 0}).get()), 0u);
    EXPECT_EQ(mxGetNumberOfElements(testhost::makeInt32({}, {1, 0}).get()), 0u);
    EXPECT_EQ(mxGetNumberOfElements(testhost::makeSingle({}, {0, 3}).get()), 0u);
    testhost::Array s = testhost::makeSparse(3, 3, {{0, 1, 2.0}, {2, 0, 5.0}});
    EXPECT_TRUE(mxIsSparse(s.get()));
    EXPECT_EQ(mxGetJc(s.get())[3], 2u);
    char buffer[4];
    testhost::Array c = testhost::makeChar("period");
    EXPECT_EQ(mxGetString(c.get(), buffer, 4), 1);
    EXPECT_STREQ(buffer, "per");
}

}  // namespace
