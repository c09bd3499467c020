// The swap driver: passes of one swap move per unordered pair of distinct
// labels, and the single swap on a pair the caller names.
//
// A pass visits positions i of m_label_order ascending and, inside, j
// descending, and swaps (order[i], order[j]) when order[i] < order[j]: each
// pair once per pass, always with the smaller label as alpha. Stopping rule
// of swap(n) as for expansion(n): the first pass always runs when n >= 1,
// then passes go on while the last one lowered the energy strictly.
#include "optimizer/lumora.h"

EnergyValue Lumora::swap(int32_t maxIterations) { return runPasses(maxIterations, &Lumora::swapPass); }

EnergyValue Lumora::swapPass() {
    checkCostsSet();
    if (m_random_order) scrambleLabelOrder();
    const int32_t L = m_num_labels;
    for (int32_t i = 0; i < L; ++i)
        for (int32_t j = L - 1; j >= 0; --j) {
            const int32_t a = m_label_order[i];
            const int32_t b = m_label_order[j];
            if (a < b) swapMove(a, b);
        }
    return totalEnergy();
}

EnergyValue Lumora::swapLabels(int32_t alpha, int32_t beta) {
    reportError(alpha < 0 || alpha >= m_num_labels || beta < 0 || beta >= m_num_labels,
                "Illegal Label to Expand On");
    checkCostsSet();
    swapMove(alpha, beta);
    return totalEnergy();
}
