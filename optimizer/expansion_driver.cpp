// The expansion driver: passes of one expansion move per label, the
// single-label move, the label-order shuffle shared with the swap pass, and
// the helpers that every move uses (cost checks, the moves' cost view, the
// reset of m_pixel_var).
//
// Stopping rule of expansion(n): the first pass always runs when n >= 1;
// after it, passes go on while the last pass lowered the total energy
// strictly and fewer than n passes have run. A NaN energy ends the loop (the
// comparison is false). The labelling is that of the last pass run.
#include <cstdlib>

#include "optimizer/term_builders.h"

void Lumora::checkCostsSet() {
    reportError(m_data_kind == COST_UNSET, "You have to set up the data cost before running optimization");
    reportError(m_smooth_kind == COST_UNSET, "You have to set up the smoothness cost before running optimization");
}

void Lumora::fillMoveCosts(MoveCosts& c) {
    c.num_pixels = m_num_pixels;
    c.num_labels = m_num_labels;
    c.width = m_width;
    c.height = m_height;
    c.labels = m_labels;
    c.pixel_var = m_pixel_var;
    c.data_kind = m_data_kind;
    c.smooth_kind = m_smooth_kind;
    c.grid = m_grid_graph;
    c.weighted = m_weighted_grid;
    c.data_table = m_data_table;
    c.smooth_table = m_smooth_table;
    c.horz_weights = m_horz_weights;
    c.vert_weights = m_vert_weights;
    c.neighbours = m_neighbours;
    c.data_fn = m_data_fn;
    c.data_fn_xy = m_data_fn_xy;
    c.smooth_fn = m_smooth_fn;
    c.smooth_fn_horz = m_smooth_fn_horz;
    c.smooth_fn_vert = m_smooth_fn_vert;
}

void Lumora::resetPixelVar() {
    for (int32_t p = 0; p < m_num_pixels; ++p) m_pixel_var[p] = -1;
}

// The stopping rule both drivers share: the first pass always runs when the
// limit allows one (so a problem that starts at a negative energy is still
// optimized), then passes go on while the last one lowered the total energy
// strictly; a NaN energy ends the loop, since no comparison with it holds.
EnergyValue Lumora::runPasses(int32_t maxIterations, EnergyValue (Lumora::*pass)()) {
    EnergyValue current = totalEnergy();
    EnergyValue previous = current;
    for (int32_t done = 0; done < maxIterations; ++done) {
        if (done > 0 && !(previous > current)) break;
        previous = current;
        current = (this->*pass)();
    }
    return current;
}

EnergyValue Lumora::expansion(int32_t maxIterations) { return runPasses(maxIterations, &Lumora::expansionPass); }

EnergyValue Lumora::expansionPass() {
    checkCostsSet();
    if (m_random_order) scrambleLabelOrder();
    for (int32_t i = 0; i < m_num_labels; ++i) expansionMove(m_label_order[i]);
    return totalEnergy();
}

EnergyValue Lumora::expandOnLabel(int32_t label) {
    reportError(label < 0 || label >= m_num_labels, "Illegal Label to Expand On");
    checkCostsSet();
    expansionMove(label);
    return totalEnergy();
}

void Lumora::scrambleLabelOrder() {
    const int32_t L = m_num_labels;
    for (int32_t k = 0; k < 2 * L; ++k) {
        const int32_t a = rand() % L;
        const int32_t b = rand() % L;
        const int32_t t = m_label_order[a];
        m_label_order[a] = m_label_order[b];
        m_label_order[b] = t;
    }
}
