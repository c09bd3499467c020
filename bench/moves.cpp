// Benchmark of the expansion and swap drivers on a stereo-like grid problem
// that the program generates itself: a 450x375 random-dot stereo pair whose
// disparity map is known (a background plane and three nearer shapes), a
// truncated absolute-difference data cost, a truncated-linear smoothness
// with contrast weights (pairs across an intensity edge cost less).
//
// For each driver it runs passes one by one (with the drivers' stopping
// rule: after the first pass, go on while a pass lowers the energy), and
// reports the time of each pass, the passes to convergence, the share of the
// moves' time spent building graphs (everything outside minimize) against
// maxflow (minimize), the final energy and the fraction of pixels whose label
// differs from the known disparity. Fixed seed; the run ends with a check
// that the energy went down and the labelling is close to the truth.
//
//   build/bench/bench_moves [swap_labels]   (60 labels for expansion; swap 60 by default)
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "host_call.h"
#include "optimizer/lumora.h"
#include "optimizer/move_profile.h"

namespace {

const int kWidth = 450;
const int kHeight = 375;
const float kTruncData = 30;
const float kTruncSmooth = 4;
const float kLambda = 6;

struct Stereo {
    int W, H, L;
    std::vector<int32_t> truth;  // disparity per pixel
    std::vector<bool> visible;   // seen in the right view (not occluded, not off the edge)
    std::vector<float> left, right;
};

// Disparity of pixel (x, y) for L labels: background plane and shapes.
int disparityAt(int x, int y, int L) {
    const double s = (L - 1) / 59.0;
    int d = static_cast<int>(std::lround((6 + 8.0 * y / kHeight) * s));
    const double cx = x - 300, cy = y - 140;
    if (x > 60 && x < 200 && y > 50 && y < 180) d = static_cast<int>(std::lround(30 * s));
    if (cx * cx + cy * cy < 70 * 70) d = static_cast<int>(std::lround(45 * s));
    if (x > 120 && x < 380 && y > 250 && y < 330) d = static_cast<int>(std::lround(59 * s));
    return d;
}

Stereo makeStereo(int L, unsigned seed) {
    Stereo s{kWidth, kHeight, L, {}, {}, {}, {}};
    const int N = s.W * s.H;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> intensity(0, 255);
    std::normal_distribution<float> noise(0, 4);
    s.truth.resize(N);
    s.left.resize(N);
    s.right.assign(N, -1);
    std::vector<int> depth(N, -1);
    for (int y = 0; y < s.H; ++y)
        for (int x = 0; x < s.W; ++x) {
            const int p = x + y * s.W;
            s.truth[p] = disparityAt(x, y, L);
            s.left[p] = intensity(rng);
        }
    // The right view sees left pixel (x, y) at (x - d, y); nearer wins.
    for (int y = 0; y < s.H; ++y)
        for (int x = 0; x < s.W; ++x) {
            const int p = x + y * s.W;
            const int xr = x - s.truth[p];
            if (xr < 0) continue;
            const int q = xr + y * s.W;
            if (s.truth[p] > depth[q]) {
                depth[q] = s.truth[p];
                s.right[q] = s.left[p] + noise(rng);
            }
        }
    for (float& r : s.right)
        if (r < 0) r = intensity(rng);
    s.visible.assign(N, false);
    for (int p = 0; p < N; ++p) {
        const int xr = p % s.W - s.truth[p];
        s.visible[p] = xr >= 0 && depth[xr + (p / s.W) * s.W] == s.truth[p];
    }
    return s;
}

Lumora* makeProblem(const Stereo& s) {
    const int N = s.W * s.H, L = s.L;
    std::vector<float> data(static_cast<size_t>(N) * L);
    for (int y = 0; y < s.H; ++y)
        for (int x = 0; x < s.W; ++x) {
            const int p = x + y * s.W;
            for (int l = 0; l < L; ++l) {
                const float c = x - l < 0 ? kTruncData : std::fabs(s.left[p] - s.right[x - l + y * s.W]);
                data[static_cast<size_t>(p) * L + l] = std::fmin(c, kTruncData);
            }
        }
    std::vector<float> table(static_cast<size_t>(L) * L);
    for (int a = 0; a < L; ++a)
        for (int b = 0; b < L; ++b) table[a * L + b] = std::fmin(static_cast<float>(std::abs(a - b)), kTruncSmooth);
    // Contrast weights: a pair across a strong intensity step costs half.
    std::vector<float> hw(N, kLambda), vw(N, kLambda);
    for (int p = 0; p < N; ++p) {
        const int x = p % s.W;
        if (x + 1 < s.W && std::fabs(s.left[p] - s.left[p + 1]) > 60) hw[p] = kLambda / 2;
        if (p + s.W < N && std::fabs(s.left[p] - s.left[p + s.W]) > 60) vw[p] = kLambda / 2;
    }
    Lumora* o = new Lumora(s.W, s.H, L, 1, 1);
    o->setData(data.data());
    o->setSmoothness(table.data(), hw.data(), vw.data());
    o->setRandomLabelOrder(false);
    return o;
}

double seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Outcome {
    double start_energy, final_energy, bad_fraction, bad_visible_fraction;
    int passes;
};

Outcome run(const char* name, int L, bool swap, int max_passes) {
    const Stereo s = makeStereo(L, 20261211u);
    Outcome out{0, 0, 0, 0, 0};
    testhost::CallResult r = testhost::capture([&] {
        Lumora* o = makeProblem(s);
        MoveProfile profile;
        MoveProfile::active() = &profile;
        EnergyValue current = o->totalEnergy();
        out.start_energy = current;
        std::printf("%s: %dx%d, %d labels, start energy %.1f\n", name, s.W, s.H, L, static_cast<double>(current));
        EnergyValue previous = current;
        const double all = seconds();
        for (int pass = 1; pass <= max_passes; ++pass) {
            if (pass > 1 && !(previous > current)) break;
            previous = current;
            const double t = seconds();
            current = swap ? o->swapPass() : o->expansionPass();
            out.passes = pass;
            std::printf("  pass %d: %.3f s, energy %.1f\n", pass, seconds() - t, static_cast<double>(current));
        }
        const double total = seconds() - all;
        MoveProfile::active() = nullptr;
        long bad = 0, bad_visible = 0, visible = 0;
        for (int p = 0; p < s.W * s.H; ++p) {
            const bool off = o->labels()[p] != s.truth[p];
            bad += off;
            visible += s.visible[p];
            bad_visible += off && s.visible[p];
        }
        out.final_energy = current;
        out.bad_fraction = static_cast<double>(bad) / (s.W * s.H);
        out.bad_visible_fraction = static_cast<double>(bad_visible) / visible;
        const double moves_time = profile.build_seconds + profile.solve_seconds;
        std::printf("  passes to convergence: %d (the last one brought no decrease), %.2f s in all, %.3f s per pass\n",
                    out.passes, total, total / out.passes);
        std::printf("  %ld moves, %.1f variables per move; building graphs %.2f s (%.0f%%), maxflow %.2f s (%.0f%%)\n",
                    profile.moves, static_cast<double>(profile.variables) / profile.moves, profile.build_seconds,
                    100 * profile.build_seconds / moves_time, profile.solve_seconds,
                    100 * profile.solve_seconds / moves_time);
        std::printf("  final energy %.1f, pixels off the true disparity: %.2f%% (%.2f%% of the pixels the right "
                    "view sees)\n",
                    out.final_energy, 100 * out.bad_fraction, 100.0 * bad_visible / visible);
        delete o;
    });
    if (!r.ok) std::printf("%s failed: %s %s\n", name, r.id.c_str(), r.message.c_str());
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const int swap_labels = argc > 1 ? std::atoi(argv[1]) : 60;
    const Outcome e = run("expansion", 60, false, 50);
    const Outcome w = run("swap", swap_labels, true, 50);
    const bool ok = e.final_energy < e.start_energy && w.final_energy < w.start_energy && e.bad_visible_fraction < 0.02 &&
                    w.bad_visible_fraction < 0.02;
    std::printf("check: %s\n", ok ? "ok" : "FAILED (energy not lowered or labelling far from the truth)");
    return ok ? 0 : 1;
}
