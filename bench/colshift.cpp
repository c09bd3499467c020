// colshift on a 4096-by-4096 double matrix through the test host, against the
// memory copy bound: a plain memcpy of the same 128 MiB. colshift writes every
// element once with two block copies per column, so it should stay within a
// small factor of the copy. The host's own share (a fresh, zero-filled
// result array, as the real hosts make it) is measured with a module that
// only creates its output, so colshift's own work can be read off against the
// copy. Each run's result is checked against a reference.
//
// Usage: bench_colshift [repeats]   (default 10; the best time of each is kept)
#include "host_call.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" void colshift_mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

namespace {

const size_t kRows = 4096;
const size_t kColumns = 4096;

double seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Column i of the type-1 result starts at source row (i * step) mod M.
bool resultIsRight(const std::vector<double>& x, const mxArray* out, size_t step) {
    const double* y = mxGetPr(out);
    for (size_t i = 0; i < kColumns; i += 97) {
        size_t r = (i * step) % kRows;
        for (size_t j = 0; j < kRows; j += 13) {
            if (y[i * kRows + j] != x[i * kRows + (r + j) % kRows]) return false;
        }
    }
    return true;
}

// A module that only makes the result colshift would make: the host's share.
void createOnly(int, mxArray* plhs[], int, const mxArray*[]) {
    plhs[0] = mxCreateDoubleMatrix(kRows, kColumns, mxREAL);
}

}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const size_t n = kRows * kColumns;
    const size_t bytes = n * sizeof(double);
    const size_t step = 3;

    std::vector<double> values(n);
    for (size_t k = 0; k < n; ++k) values[k] = static_cast<double>(k % 1000003) * 0.5;
    testhost::Array x = testhost::makeDouble(values, {kRows, kColumns});
    testhost::Array type = testhost::makeScalar(1);
    testhost::Array stepArray = testhost::makeScalar(static_cast<double>(step));
    testhost::Array mode = testhost::makeChar("per");

    std::vector<double> target(n, 1.0);  // touched once, so the copy never faults pages in
    double bestCopy = 1e30;
    double bestZeroedCopy = 1e30;
    double bestShift = 1e30;
    double bestCreate = 1e30;
    for (int rep = 0; rep < repeats; ++rep) {
        auto start = std::chrono::steady_clock::now();
        std::memcpy(target.data(), mxGetPr(x.get()), bytes);
        bestCopy = std::min(bestCopy, seconds(start));

        // What the host adds to any module that returns a new array: a zeroed
        // result, then the copy into it.
        start = std::chrono::steady_clock::now();
        {
            std::vector<double> fresh(n);
            std::memcpy(fresh.data(), mxGetPr(x.get()), bytes);
            if (fresh[n - 1] != values[n - 1]) return 1;
        }
        bestZeroedCopy = std::min(bestZeroedCopy, seconds(start));

        start = std::chrono::steady_clock::now();
        testhost::CallResult r =
            testhost::call(colshift_mexFunction, 1, {x.get(), type.get(), stepArray.get(), mode.get()});
        const double elapsed = seconds(start);
        if (!r.ok || !resultIsRight(values, r.outputs[0].get(), step)) {
            std::fprintf(stderr, "colshift gave a wrong result (%s)\n", r.message.c_str());
            return 1;
        }
        bestShift = std::min(bestShift, elapsed);

        start = std::chrono::steady_clock::now();
        testhost::CallResult created = testhost::call(createOnly, 1, {});
        bestCreate = std::min(bestCreate, seconds(start));
        if (!created.ok) return 1;
    }
    if (target[n - 1] != values[n - 1]) return 1;

    const double mib = static_cast<double>(bytes) / (1024.0 * 1024.0);
    std::printf("colshift %zux%zu doubles (%.0f MiB), step %zu, best of %d runs\n", kRows, kColumns, mib, step, repeats);
    std::printf("  memcpy                                %8.2f ms  (%.2f GiB/s)\n", bestCopy * 1e3, mib / 1024.0 / bestCopy);
    const double work = std::max(bestShift - bestCreate, 0.0);
    std::printf("  fresh zeroed buffer + memcpy          %8.2f ms\n", bestZeroedCopy * 1e3);
    std::printf("  host call creating the output only    %8.2f ms\n", bestCreate * 1e3);
    std::printf("  colshift via the test host            %8.2f ms\n", bestShift * 1e3);
    std::printf("  colshift's own work (call - creation) %8.2f ms\n", work * 1e3);
    std::printf("  ratio colshift work / memcpy                 %.2f\n", work / bestCopy);
    std::printf("  ratio colshift call / (fresh buffer + memcpy) %.2f\n", bestShift / bestZeroedCopy);
    std::printf("  ratio colshift call / memcpy                 %.2f\n", bestShift / bestCopy);
    return 0;
}
