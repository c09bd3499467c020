// MoveProfile: optional timing of the moves, for the benchmark. When a
// profile is active, every expansion or swap move adds the time it spent
// outside minimize (scans, variables, terms, reading the cut) and the time
// inside minimize. With no active profile (the default, and always inside
// the modules) a move only tests one pointer.
#ifndef LABRIX_OPTIMIZER_MOVE_PROFILE_H
#define LABRIX_OPTIMIZER_MOVE_PROFILE_H

#include <chrono>
#include <cstdint>

struct MoveProfile {
    double build_seconds = 0;
    double solve_seconds = 0;
    long moves = 0;
    long variables = 0;

    void addMove(double build, double solve, int32_t n) {
        build_seconds += build;
        solve_seconds += solve;
        ++moves;
        variables += n;
    }
    static double now() {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
    // The profile the moves add to, or null.
    static MoveProfile*& active() {
        static MoveProfile* current = nullptr;
        return current;
    }
};

#endif
