// Construction and destruction of Lumora.
#include "optimizer/lumora.h"

#include <cstdlib>
#include <ctime>
#include <new>

#include "optimizer/neighbour_records.h"

void Lumora::initFields() {
    m_magic = 0;
    m_num_labels = 0;
    m_width = 0;
    m_height = 0;
    m_num_pixels = 0;
    m_labels = nullptr;
    m_data_kind = COST_UNSET;
    m_smooth_kind = COST_UNSET;
    m_random_order = true;
    m_grid_graph = true;
    m_weighted_grid = false;
    m_data_deferred = 0;
    m_smooth_deferred = 0;
    m_owns_labels = false;
    m_data_table = nullptr;
    m_smooth_table = nullptr;
    m_vert_weights = nullptr;
    m_horz_weights = nullptr;
    m_neighbours = nullptr;
    m_label_order = nullptr;
    m_pixel_var = nullptr;
    m_data_fn = nullptr;
    m_data_fn_xy = nullptr;
    m_smooth_fn_horz = nullptr;
    m_smooth_fn_vert = nullptr;
    m_smooth_fn = nullptr;
    m_record_chunks = nullptr;
}

Lumora::Lumora(int32_t width, int32_t height, int32_t num_labels, int32_t data_deferred,
               int32_t smooth_deferred) {
    initFields();
    initGrid(width, height, num_labels);
    allocateLabels();
    commonInit(data_deferred, smooth_deferred);
}

Lumora::Lumora(int32_t* labels, int32_t width, int32_t height, int32_t num_labels, int32_t data_deferred,
               int32_t smooth_deferred) {
    initFields();
    initGrid(width, height, num_labels);
    adoptLabels(labels);
    commonInit(data_deferred, smooth_deferred);
}

Lumora::Lumora(int32_t num_pixels, int32_t num_labels, int32_t data_deferred, int32_t smooth_deferred) {
    initFields();
    initGeneralGraph(num_pixels, num_labels);
    allocateLabels();
    commonInit(data_deferred, smooth_deferred);
}

Lumora::Lumora(int32_t* labels, int32_t num_pixels, int32_t num_labels, int32_t data_deferred,
               int32_t smooth_deferred) {
    initFields();
    initGeneralGraph(num_pixels, num_labels);
    adoptLabels(labels);
    commonInit(data_deferred, smooth_deferred);
}

Lumora::~Lumora() { releaseOwned(); }

void Lumora::initGrid(int32_t width, int32_t height, int32_t num_labels) {
    reportError(width < 0 || height < 0 || num_labels < 0, "Illegal negative parameters");
    int64_t pixels = static_cast<int64_t>(width) * height;
    reportError(pixels > INT32_MAX, "Too many pixels: width * height exceeds 2147483647");
    m_width = width;
    m_height = height;
    m_num_pixels = static_cast<int32_t>(pixels);
    m_num_labels = num_labels;
    m_grid_graph = true;
    srand(static_cast<unsigned>(time(nullptr)));
}

void Lumora::initGeneralGraph(int32_t num_pixels, int32_t num_labels) {
    reportError(num_pixels < 0 || num_labels < 0, "Illegal negative parameters");
    m_num_labels = num_labels;
    m_num_pixels = num_pixels;
    m_grid_graph = false;
    // Raw storage and placement construction instead of an array new, so
    // that the bytes the object owns are known exactly (no array cookie).
    void* raw = PersistentHeap::allocateArray<LinkedBlockList>(static_cast<size_t>(num_pixels));
    reportError(raw == nullptr, "Not enough memory");
    m_neighbours = static_cast<LinkedBlockList*>(raw);
    for (int32_t p = 0; p < num_pixels; ++p) ::new (&m_neighbours[p]) LinkedBlockList();
}

void Lumora::allocateLabels() {
    m_labels = PersistentHeap::allocateArray<int32_t>(static_cast<size_t>(m_num_pixels));
    if (!m_labels) failConstruction("out of memory");
    for (int32_t p = 0; p < m_num_pixels; ++p) m_labels[p] = 0;
    m_owns_labels = true;
}

void Lumora::adoptLabels(int32_t* labels) {
    m_owns_labels = false;
    if (m_num_pixels > 0 && labels == nullptr) failConstruction("Initial labels are out of valid range");
    for (int32_t p = 0; p < m_num_pixels; ++p)
        if (labels[p] < 0 || labels[p] >= m_num_labels) failConstruction("Initial labels are out of valid range");
    m_labels = labels;
}

void Lumora::commonInit(int32_t data_deferred, int32_t smooth_deferred) {
    m_random_order = true;
    m_weighted_grid = false;
    m_data_deferred = data_deferred;
    m_smooth_deferred = smooth_deferred;
    const size_t n = static_cast<size_t>(m_num_pixels);
    const size_t l = static_cast<size_t>(m_num_labels);
    if (data_deferred == 0) {
        m_data_table = PersistentHeap::allocateArray<EnergyValue>(n * l);
        if (!m_data_table) failConstruction("Not enough memory");
        for (size_t i = 0; i < n * l; ++i) m_data_table[i] = 0;
        m_data_kind = COST_TABLE;
    } else {
        m_data_kind = COST_UNSET;
    }
    if (smooth_deferred == 0) {
        m_smooth_table = PersistentHeap::allocateArray<EnergyValue>(l * l);
        if (!m_smooth_table) failConstruction("Not enough memory");
        for (size_t i = 0; i < l * l; ++i) m_smooth_table[i] = 0;
        m_smooth_kind = COST_TABLE;
    } else {
        m_smooth_kind = COST_UNSET;
    }
    allocateWorkArrays();
    srand(static_cast<unsigned>(time(nullptr)));
    m_magic = kMagic;
}

void Lumora::allocateWorkArrays() {
    m_pixel_var = PersistentHeap::allocateArray<int32_t>(static_cast<size_t>(m_num_pixels));
    m_label_order = PersistentHeap::allocateArray<int32_t>(static_cast<size_t>(m_num_labels));
    if (!m_pixel_var || !m_label_order) failConstruction("Not enough memory");
    for (int32_t i = 0; i < m_num_labels; ++i) m_label_order[i] = i;
    for (int32_t p = 0; p < m_num_pixels; ++p) m_pixel_var[p] = -1;
}

void Lumora::failConstruction(const char* message) {
    releaseOwned();
    reportError(true, message);
}

void Lumora::releaseOwned() {
    m_magic = 0;
    PersistentHeap::release(m_data_table);
    PersistentHeap::release(m_smooth_table);
    PersistentHeap::release(m_vert_weights);
    PersistentHeap::release(m_horz_weights);
    if (m_owns_labels) PersistentHeap::release(m_labels);
    if (m_neighbours) {
        for (int32_t p = m_num_pixels - 1; p >= 0; --p) m_neighbours[p].~LinkedBlockList();
        PersistentHeap::release(m_neighbours);
    }
    releaseNeighbourRecords(m_record_chunks);
    PersistentHeap::release(m_label_order);
    PersistentHeap::release(m_pixel_var);
    m_data_table = m_smooth_table = m_vert_weights = m_horz_weights = nullptr;
    m_labels = nullptr;
    m_owns_labels = false;
    m_neighbours = nullptr;
    m_record_chunks = nullptr;
    m_label_order = m_pixel_var = nullptr;
}

size_t Lumora::ownedBytes() const {
    const size_t n = static_cast<size_t>(m_num_pixels);
    const size_t l = static_cast<size_t>(m_num_labels);
    auto bytes = [](size_t b) { return b ? b : 1; };  // the heap serves 0 bytes as 1
    size_t total = sizeof(Lumora);
    if (m_owns_labels && m_labels) total += bytes(n * sizeof(int32_t));
    if (m_data_table) total += bytes(n * l * sizeof(EnergyValue));
    if (m_smooth_table) total += bytes(l * l * sizeof(EnergyValue));
    if (m_vert_weights) total += bytes(n * sizeof(EnergyValue));
    if (m_horz_weights) total += bytes(n * sizeof(EnergyValue));
    if (m_neighbours) total += bytes(n * sizeof(LinkedBlockList));
    if (m_neighbours)
        for (int32_t p = 0; p < m_num_pixels; ++p)
            for (const ListBlock* b = m_neighbours[p].head(); b; b = b->next) total += sizeof(ListBlock);
    total += neighbourRecordBytes(m_record_chunks);
    if (m_label_order) total += bytes(l * sizeof(int32_t));
    if (m_pixel_var) total += bytes(n * sizeof(int32_t));
    return total;
}
