// Attaching the data and smoothness costs: tables (copied), per-pixel
// weights (copied), and plain functions (stored). A cost is attached once;
// every setter first tests that its cost is still unset.
#include <cstring>

#include "optimizer/lumora.h"

namespace {

const char* const kDataSet =
    "ERROR: you already set the data, or said you'll use member function setDataCost() to set data";
const char* const kSmoothSet =
    "ERROR: you already set smoothness, or said you'll use member function setSmoothCost() to set Smoothness "
    "Costs";
const char* const kGridCues =
    "ERROR: for a grid graph, you can't use vertical and horizontal cues.  Use setNeighbors() member function to "
    "encode spatially varying cues";

// A persistent copy of count values; null when the heap refuses.
EnergyValue* copyOf(const EnergyValue* values, size_t count) {
    EnergyValue* copy = PersistentHeap::allocateArray<EnergyValue>(count);
    if (copy && count) std::memcpy(copy, values, count * sizeof(EnergyValue));
    return copy;
}

}  // namespace

void Lumora::setData(const EnergyValue* table) {
    reportError(m_data_kind != COST_UNSET, kDataSet);
    EnergyValue* copy = copyOf(table, static_cast<size_t>(m_num_pixels) * static_cast<size_t>(m_num_labels));
    reportError(copy == nullptr, "Not enough memory");
    m_data_table = copy;
    m_data_kind = COST_TABLE;
}

void Lumora::setData(DataCostFn fn) {
    reportError(m_data_kind != COST_UNSET, kDataSet);
    m_data_fn = fn;
    m_data_kind = COST_PIXEL_FN;
}

void Lumora::setData(DataCostFnXY fn) {
    reportError(m_data_kind != COST_UNSET, kDataSet);
    reportError(!m_grid_graph, "Cannot use data function based on coordinates for non-grid graph");
    m_data_fn_xy = fn;
    m_data_kind = COST_COORD_FN;
}

void Lumora::setSmoothness(const EnergyValue* table) {
    reportError(m_smooth_kind != COST_UNSET, kSmoothSet);
    EnergyValue* copy = copyOf(table, static_cast<size_t>(m_num_labels) * static_cast<size_t>(m_num_labels));
    reportError(copy == nullptr, "Not enough memory");
    m_smooth_table = copy;
    m_smooth_kind = COST_TABLE;
    m_weighted_grid = false;
}

void Lumora::setSmoothness(const EnergyValue* table, const EnergyValue* horz_weights,
                           const EnergyValue* vert_weights) {
    reportError(m_smooth_kind != COST_UNSET, kSmoothSet);
    reportError(!m_grid_graph, kGridCues);
    // All three copies are made before anything changes, so a refused
    // allocation leaves the cost unset and nothing allocated.
    const size_t n = static_cast<size_t>(m_num_pixels);
    EnergyValue* t = copyOf(table, static_cast<size_t>(m_num_labels) * static_cast<size_t>(m_num_labels));
    EnergyValue* v = copyOf(vert_weights, n);
    EnergyValue* h = copyOf(horz_weights, n);
    if (!t || !v || !h) {
        PersistentHeap::release(t);
        PersistentHeap::release(v);
        PersistentHeap::release(h);
        reportError(true, "Not enough memory");
    }
    m_weighted_grid = true;
    m_smooth_kind = COST_TABLE;
    m_smooth_table = t;
    m_vert_weights = v;
    m_horz_weights = h;
}

void Lumora::setSmoothness(SmoothCostFnXY fn_horz, SmoothCostFnXY fn_vert) {
    reportError(m_smooth_kind != COST_UNSET, kSmoothSet);
    reportError(!m_grid_graph, "Cannot use smoothness function based on coordinates for non-grid graph");
    m_smooth_kind = COST_COORD_FN;
    m_smooth_fn_horz = fn_horz;
    m_smooth_fn_vert = fn_vert;
}

void Lumora::setSmoothness(SmoothCostFn fn) {
    reportError(m_smooth_kind != COST_UNSET, kSmoothSet);
    m_smooth_kind = COST_PIXEL_FN;
    m_smooth_fn = fn;
}

void Lumora::setDataCost(int32_t pixel, int32_t label, EnergyValue cost) {
    reportError(m_data_kind != COST_TABLE, "setDataCost: the data cost is not a table");
    reportError(pixel < 0 || pixel >= m_num_pixels, "setDataCost: pixel index out of range");
    reportError(label < 0 || label >= m_num_labels, "setDataCost: label out of range");
    m_data_table[static_cast<size_t>(pixel) * static_cast<size_t>(m_num_labels) + static_cast<size_t>(label)] = cost;
}

void Lumora::setSmoothCost(int32_t label1, int32_t label2, EnergyValue cost) {
    reportError(m_smooth_kind != COST_TABLE, "setSmoothCost: the smoothness cost is not a table");
    reportError(label1 < 0 || label1 >= m_num_labels || label2 < 0 || label2 >= m_num_labels,
                "setSmoothCost: label out of range");
    m_smooth_table[static_cast<size_t>(label1) * static_cast<size_t>(m_num_labels) + static_cast<size_t>(label2)] =
        cost;
}
