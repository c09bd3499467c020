// Soak test: thousands of create / optimize / close cycles with random
// problems through the modules on the test host. After every close the live
// persistent memory must be back to zero, no call memory may survive, and
// the time per cycle must not grow: the cycles run in blocks that repeat the
// same sequence of problems, and the slowest late block may not take much
// longer than the fastest early one.
//
// Usage: soak [cycles]   (default 4000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "host_call.h"
#include "optimizer/handle_table.h"

extern "C" void labrixgate_mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
extern "C" void labrixnew_mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

namespace {

using testhost::Array;

int g_failures = 0;

void check(bool ok, const char* what, int cycle) {
    if (ok) return;
    if (g_failures++ < 10) std::fprintf(stderr, "cycle %d: %s\n", cycle, what);
}

void runCycle(int cycle, std::mt19937& rng) {
    auto below = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const int L = 2 + below(5), W = 4 + below(16), H = 4 + below(16);
    const bool graph = below(3) == 0;
    const int N = W * H;
    std::vector<double> d(static_cast<size_t>(L * N));
    for (double& x : d) x = below(20);
    std::vector<double> s(static_cast<size_t>(L * L));
    for (int a = 0; a < L; ++a)
        for (int b = 0; b < L; ++b) s[static_cast<size_t>(a + b * L)] = std::min(std::abs(a - b), 2) * 3.0;
    Array D = graph ? testhost::makeDouble(d, {size_t(L), size_t(N)})
                    : testhost::makeDouble(d, {size_t(L), size_t(W), size_t(H)});
    Array S = testhost::makeDouble(s, {size_t(L), size_t(L)});
    std::vector<testhost::Triplet> pairs;
    for (int p = 0; p < N; ++p) {
        if ((p % W) + 1 < W) pairs.push_back({size_t(p), size_t(p + 1), 1.0 + below(3)});
        if (p + W < N) pairs.push_back({size_t(p), size_t(p + W), 1.0 + below(3)});
    }
    Array G = testhost::makeSparse(size_t(N), size_t(N), pairs);
    testhost::CallResult made = graph ? testhost::call(labrixnew_mexFunction, 1, {D.get(), S.get(), G.get()})
                                      : testhost::call(labrixnew_mexFunction, 1, {D.get(), S.get()});
    check(made.ok, "labrixnew failed", cycle);
    if (!made.ok) return;
    const mxArray* h = made.outputs[0].get();
    Array e = testhost::makeChar("e"), a = testhost::makeChar("a"), g = testhost::makeChar("g"),
          c = testhost::makeChar("c");
    Array passes = testhost::makeScalar(1 + below(3));
    testhost::CallResult moved = below(2) ? testhost::call(labrixgate_mexFunction, 2, {h, e.get(), passes.get()})
                                          : testhost::call(labrixgate_mexFunction, 2, {h, a.get(), passes.get()});
    check(moved.ok, "move failed", cycle);
    testhost::CallResult got = testhost::call(labrixgate_mexFunction, 2, {h, g.get()});
    check(got.ok, "GetLabels failed", cycle);
    testhost::CallResult closed = testhost::call(labrixgate_mexFunction, 1, {h, c.get()});
    check(closed.ok, "close failed", cycle);
    check(testhost::livePersistentBlocks() == 0, "persistent memory left after close", cycle);
    check(testhost::liveCallBlocks() == 0, "call memory survived a call", cycle);
    check(HandleTable::liveObjects() == 0, "an object outlived its close", cycle);
}

}  // namespace

int main(int argc, char** argv) {
    const int cycles = argc > 1 ? std::max(100, std::atoi(argv[1])) : 4000;
    const int blocks = 10, perBlock = cycles / blocks;
    std::vector<double> seconds;
    for (int b = 0; b < blocks; ++b) {
        std::mt19937 rng(2026);  // every block repeats the same problems
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < perBlock; ++i) runCycle(b * perBlock + i, rng);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    testhost::clearAll();
    const double early = *std::min_element(seconds.begin(), seconds.begin() + 3);
    const double late = *std::max_element(seconds.end() - 3, seconds.end());
    std::printf("soak: %d cycles in %d blocks; block seconds first %.3f, last %.3f; fastest early %.3f, slowest late %.3f\n",
                perBlock * blocks, blocks, seconds.front(), seconds.back(), early, late);
    if (late > 2.0 * early + 0.05) {
        std::fprintf(stderr, "soak: time per cycle grew (%.3f s against %.3f s per block)\n", late, early);
        ++g_failures;
    }
    std::printf("%d passed, %d failed\n", g_failures == 0 ? 1 : 0, g_failures == 0 ? 0 : 1);
    return g_failures == 0 ? 0 : 1;
}
