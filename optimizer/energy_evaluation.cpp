// Energy of the current labelling. Every sum is a running EnergyValue,
// rounded after each addition in the order below; a weighted term (table
// entry times weight) is formed in double and rounded only when it is added.
// These orders fix the result to the last bit, so they are part of the
// contract: grid pairs are read with the left (upper) pixel's label as the
// table row, general-graph pairs with the larger pixel's label as the row.
#include "optimizer/lumora.h"

namespace {

inline EnergyValue addWeighted(EnergyValue sum, EnergyValue entry, EnergyValue weight) {
    return static_cast<EnergyValue>(static_cast<double>(sum) +
                                    static_cast<double>(entry) * static_cast<double>(weight));
}

}  // namespace

EnergyValue Lumora::dataEnergy() {
    EnergyValue sum = 0;
    const int32_t L = m_num_labels;
    switch (m_data_kind) {
        case COST_TABLE:
            for (int32_t p = 0; p < m_num_pixels; ++p) {
                const int32_t l = m_labels[p];
                if (l == L + 1) continue;  // only a caller-owned labelling can hold it
                sum += m_data_table[static_cast<size_t>(p) * static_cast<size_t>(L) + static_cast<size_t>(l)];
            }
            break;
        case COST_PIXEL_FN:
            for (int32_t p = 0; p < m_num_pixels; ++p) sum += m_data_fn(p, m_labels[p]);
            break;
        case COST_COORD_FN:
            for (int32_t y = 0; y < m_height; ++y)
                for (int32_t x = 0; x < m_width; ++x) sum += m_data_fn_xy(x, y, m_labels[x + y * m_width]);
            break;
        default:
            reportError(true, "Did not initialize the data costs yet");
    }
    return sum;
}

EnergyValue Lumora::smoothnessEnergy() {
    return m_grid_graph ? gridSmoothnessEnergy() : graphSmoothnessEnergy();
}

EnergyValue Lumora::gridSmoothnessEnergy() {
    EnergyValue sum = 0;
    const int32_t W = m_width;
    const int32_t H = m_height;
    const size_t L = static_cast<size_t>(m_num_labels);
    const int32_t skip = m_num_labels + 1;
    const int32_t* lab = m_labels;
    const EnergyValue* T = m_smooth_table;
    auto entry = [&](int32_t row, int32_t col) { return T[static_cast<size_t>(row) * L + static_cast<size_t>(col)]; };

    switch (m_smooth_kind) {
        case COST_TABLE:
            if (m_weighted_grid) {
                for (int32_t y = 0; y < H; ++y)
                    for (int32_t x = 1; x < W; ++x) {
                        const int32_t p = x + y * W;
                        if (lab[p - 1] == skip || lab[p] == skip) continue;
                        sum = addWeighted(sum, entry(lab[p - 1], lab[p]), m_horz_weights[p - 1]);
                    }
                for (int32_t y = 1; y < H; ++y)
                    for (int32_t x = 0; x < W; ++x) {
                        const int32_t p = x + y * W;
                        const int32_t u = p - W;
                        if (lab[u] == skip || lab[p] == skip) continue;
                        sum = addWeighted(sum, entry(lab[u], lab[p]), m_vert_weights[u]);
                    }
            } else {
                for (int32_t y = 0; y < H; ++y)
                    for (int32_t x = 1; x < W; ++x) {
                        const int32_t p = x + y * W;
                        sum += entry(lab[p - 1], lab[p]);
                    }
                for (int32_t y = 1; y < H; ++y)
                    for (int32_t x = 0; x < W; ++x) {
                        const int32_t p = x + y * W;
                        sum += entry(lab[p - W], lab[p]);
                    }
            }
            break;
        case COST_PIXEL_FN:
            for (int32_t y = 0; y < H; ++y)
                for (int32_t x = 1; x < W; ++x) {
                    const int32_t p = x + y * W;
                    sum += m_smooth_fn(p, p - 1, lab[p], lab[p - 1]);
                }
            for (int32_t y = 1; y < H; ++y)
                for (int32_t x = 0; x < W; ++x) {
                    const int32_t p = x + y * W;
                    sum += m_smooth_fn(p, p - W, lab[p], lab[p - W]);
                }
            break;
        case COST_COORD_FN:
            for (int32_t y = 0; y < H; ++y)
                for (int32_t x = 1; x < W; ++x) {
                    const int32_t p = x + y * W;
                    sum += m_smooth_fn_horz(x - 1, y, lab[p], lab[p - 1]);
                }
            for (int32_t y = 1; y < H; ++y)
                for (int32_t x = 0; x < W; ++x) {
                    const int32_t p = x + y * W;
                    sum += m_smooth_fn_vert(x, y - 1, lab[p], lab[p - W]);
                }
            break;
        default:
            reportError(true, "Did not initialize smoothness costs yet, can't compute smooth energy");
    }
    return sum;
}

EnergyValue Lumora::graphSmoothnessEnergy() {
    EnergyValue sum = 0;
    const size_t L = static_cast<size_t>(m_num_labels);
    const int32_t* lab = m_labels;
    if (m_smooth_kind != COST_TABLE && m_smooth_kind != COST_PIXEL_FN)
        reportError(true, "Did not initialize smoothness costs yet, can't compute smooth energy");
    const bool table = m_smooth_kind == COST_TABLE;
    for (int32_t p = 0; p < m_num_pixels; ++p) {
        LinkedBlockList& list = m_neighbours[p];
        if (list.isEmpty()) continue;
        list.setCursorFront();
        while (list.hasNext()) {
            const NeighbourRecord* r = static_cast<const NeighbourRecord*>(list.next());
            if (p >= r->pixel) continue;  // each pair once, from its smaller pixel
            if (table) {
                const EnergyValue t =
                    m_smooth_table[static_cast<size_t>(lab[r->pixel]) * L + static_cast<size_t>(lab[p])];
                sum = addWeighted(sum, t, r->weight);
            } else {
                sum += m_smooth_fn(p, r->pixel, lab[p], lab[r->pixel]);
            }
        }
    }
    return sum;
}

EnergyValue Lumora::totalEnergy() {
    const EnergyValue data = dataEnergy();
    const EnergyValue smooth = smoothnessEnergy();
    return data + smooth;
}
