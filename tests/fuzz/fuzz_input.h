// What both fuzz targets share: reading the fuzzer's bytes as a stream of
// small decisions (an exhausted input reads as zeros, so every input decodes
// to something), and ending the run when an invariant breaks, so that
// libFuzzer records the input.
#ifndef LABRIX_TESTS_FUZZ_INPUT_H
#define LABRIX_TESTS_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

[[noreturn]] inline void violated(const std::string& what) {
    std::fprintf(stderr, "invariant violated: %s\n", what.c_str());
    std::abort();
}

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint32_t word() {
        uint32_t w = 0;
        for (int k = 0; k < 4; ++k) w |= static_cast<uint32_t>(byte()) << (8 * k);
        return w;
    }
    // A number in 0..n-1 (0 when n <= 1).
    int below(int n) { return n <= 1 ? 0 : byte() % n; }
    bool done() const { return m_pos >= m_size; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

#endif
