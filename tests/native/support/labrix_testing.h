// Shared helpers of the native suites: the renamed module entries, calls
// through the test host that return a handle array, and a fixture that
// proves every test leaves no persistent or call memory behind.
#ifndef LABRIX_TESTS_LABRIX_TESTING_H
#define LABRIX_TESTS_LABRIX_TESTING_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_call.h"
#include "optimizer/handle_table.h"

extern "C" void labrixgate_mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
extern "C" void labrixnew_mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

namespace labrixtest {

using testhost::Array;
using testhost::CallResult;

inline CallResult gate(int nlhs, const std::vector<const mxArray*>& inputs) {
    return testhost::call(labrixgate_mexFunction, nlhs, inputs);
}

inline CallResult create(const std::vector<const mxArray*>& inputs) {
    return testhost::call(labrixnew_mexFunction, 1, inputs);
}

// Expects a failed call with this identifier and message.
inline void expectError(const CallResult& r, const std::string& id, const std::string& message) {
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.id, id);
    EXPECT_EQ(r.message, message);
}

inline void expectErrorContains(const CallResult& r, const std::string& id, const std::string& part) {
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.id, id);
    EXPECT_NE(r.message.find(part), std::string::npos) << "message: " << r.message;
}

inline std::string lumoraMessage(const std::string& text) { return "\nLumora error: " + text + "\n"; }

// Every test starts and ends with no live object, and in between the live
// persistent memory is exactly what the live objects own.
class LeakChecked : public ::testing::Test {
protected:
    void SetUp() override {
        testhost::clearAll();
        ASSERT_EQ(HandleTable::liveObjects(), 0u);
        ASSERT_EQ(testhost::livePersistentBlocks(), 0u);
    }
    void TearDown() override {
        expectAccounted();
        HandleTable::destroyAll();
        EXPECT_EQ(testhost::livePersistentBytes(), 0u);
        EXPECT_EQ(testhost::liveCallBlocks(), 0u);
        EXPECT_EQ(testhost::badFrees(), 0u);
    }
    static void expectAccounted() {
        EXPECT_EQ(testhost::livePersistentBytes(), HandleTable::liveObjectBytes());
    }
};

}  // namespace labrixtest

#endif
