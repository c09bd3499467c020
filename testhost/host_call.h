// The test side of the test host: making arrays, calling a module's entry as
// a host would, and reading the host's memory counters.
//
// Invariants the host keeps, which tests rely on:
// - A call made through call() (or a scope run through capture()) ends with
//   every non-persistent mxMalloc block and every array it created freed,
//   except the arrays it stored in plhs, which the result owns.
// - An error raised through mexErrMsgIdAndTxt / mexErrMsgTxt leaves the call
//   at once and reaches the test as CallResult::ok == false with its
//   identifier and formatted message; outputs of a failed call are freed.
// - livePersistentBlocks()/livePersistentBytes() count the blocks made
//   persistent and not yet freed; badFrees() counts mxFree calls on memory
//   the host never handed out (always a bug).
#ifndef LABRIX_TESTHOST_HOST_CALL_H
#define LABRIX_TESTHOST_HOST_CALL_H

#include "mex.h"

#include <complex>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace testhost {

typedef void (*MexFunction)(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

// The exception the host's error functions throw. Only testhost code catches
// it; module code never sees it as anything but a non-returning call.
struct HostError {
    std::string id;
    std::string message;
};

struct ArrayDeleter {
    void operator()(mxArray* a) const { mxDestroyArray(a); }
};
typedef std::unique_ptr<mxArray, ArrayDeleter> Array;

// Array makers. Dimensions default to a column of the values' length.
Array makeDouble(const std::vector<double>& values, std::vector<size_t> dims = {});
Array makeScalar(double value);
Array makeSingle(const std::vector<float>& values, std::vector<size_t> dims = {});
Array makeInt32(const std::vector<int32_t>& values, std::vector<size_t> dims = {});
Array makeUint32(const std::vector<uint32_t>& values, std::vector<size_t> dims = {});
// Any numeric class; values are converted to it element by element.
Array makeNumeric(mxClassID cls, const std::vector<double>& values, std::vector<size_t> dims = {});
Array makeComplex(const std::vector<std::complex<double>>& values, std::vector<size_t> dims = {});
Array makeLogical(const std::vector<bool>& values, std::vector<size_t> dims = {});
Array makeChar(const std::string& text);
// A char array holding raw 16-bit codes (for codes above 127).
Array makeCharCodes(const std::vector<uint16_t>& codes);
Array makeEmpty(mxClassID cls, size_t rows = 0, size_t cols = 0);
Array makeCell(std::vector<Array> items);
// Sparse double from (row, col, value) triplets, 0-based; duplicates are summed.
struct Triplet {
    size_t row;
    size_t col;
    double value;
};
Array makeSparse(size_t rows, size_t cols, const std::vector<Triplet>& entries);

std::vector<size_t> dimsOf(const mxArray* a);
std::vector<double> valuesOf(const mxArray* a);  // real part, converted to double

struct CallResult {
    bool ok = false;
    std::string id;
    std::string message;
    std::vector<Array> outputs;  // max(nlhs, 1) slots; unset outputs are null
};

// Runs fn as the host would: plhs has max(nlhs, 1) null slots, errors become
// a failed result, and call-scoped memory and arrays are freed at the end.
CallResult call(MexFunction fn, int nlhs, const std::vector<const mxArray*>& inputs);

// Runs body as one call scope without a module entry (for testing the core
// directly): a host error becomes a failed result, call memory is freed.
CallResult capture(const std::function<void()>& body);

// Counters.
size_t livePersistentBlocks();
size_t livePersistentBytes();
size_t liveCallBlocks();
size_t badFrees();

// Allocation behaviour for tests of the failure paths.
void setOddAddresses(bool on);        // hand out odd addresses (one byte in)
void failAllocationsAfter(long n);    // the (n+1)-th mxMalloc from now returns null; -1 = never
long allocationCount();               // mxMalloc/mxCalloc/mxRealloc calls so far

// Exit handlers: clearModule runs the handler that module registered with
// mexAtExit (simulating `clear labrixgate`); clearAll runs every handler
// (simulating `clear all` or host exit).
void clearModule(MexFunction fn);
void clearAll();

// Text printed through mexPrintf since the last call of this function.
std::string takePrinted();

}  // namespace testhost

#endif
