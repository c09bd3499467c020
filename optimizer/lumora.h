// Lumora: one multi-label energy problem and its current labelling.
//
// A problem is a set of pixels (a width-by-height grid with four-connected
// neighbours, or a general graph whose neighbour pairs are added one by one),
// a number of labels L, a data cost per pixel and label, and a smoothness cost
// per neighbour pair and pair of labels. The energy of a labelling is the sum
// of both (dataEnergy + smoothnessEnergy); the expansion and swap moves lower
// it, each move solved exactly as one minimum cut.
//
// Invariants once construction has finished (m_magic == kMagic):
// - every label lies in 0..L-1 (labels are only written through checked
//   paths: construction, setAllLabels, the moves);
// - a cost kind is COST_UNSET only while its deferred argument was nonzero
//   and no setter has run; it moves from COST_UNSET to another kind once and
//   never back;
// - a cost table exists exactly when its kind is COST_TABLE, and the object
//   owns it; the weight arrays exist exactly when m_weighted_grid;
// - the object owns everything it points to (tables, weights, neighbour
//   lists and their records, label order, m_pixel_var) and its labelling when
//   m_owns_labels; a caller's labelling is written in place, never released.
// - between moves every m_pixel_var entry is -1: the moves use it as their
//   per-pixel scratch and write -1 back before they return or refuse. Only
//   a move that the engine ends with an error (out of memory) leaves its
//   scratch behind, so the subset move resets the entries it reads first.
// Every precondition is checked and reported through reportError; the object
// is usable again after any refused call. All memory is PersistentHeap's.
#ifndef LABRIX_OPTIMIZER_LUMORA_H
#define LABRIX_OPTIMIZER_LUMORA_H

#include <cstddef>
#include <cstdint>

#include "optimizer/linked_block_list.h"
#include "optimizer/persistent_heap.h"
#include "optimizer/report_error.h"

typedef float EnergyValue;

enum CostKind : int32_t { COST_TABLE = 0, COST_PIXEL_FN = 1, COST_COORD_FN = 2, COST_UNSET = 3 };

typedef EnergyValue (*DataCostFn)(int32_t pixel, int32_t label);
typedef EnergyValue (*DataCostFnXY)(int32_t x, int32_t y, int32_t label);
typedef EnergyValue (*SmoothCostFn)(int32_t pixel1, int32_t pixel2, int32_t label1, int32_t label2);
typedef EnergyValue (*SmoothCostFnXY)(int32_t x, int32_t y, int32_t label1, int32_t label2);

// One end of a general-graph neighbour pair: the other pixel and the weight.
struct NeighbourRecord {
    int32_t pixel;
    EnergyValue weight;
};

// Records are handed out from chunks the object owns, so adding a pair costs
// no allocation of its own and the records go with the object.
struct NeighbourRecordChunk;

// What the moves read of an object (optimizer/term_builders.h).
struct MoveCosts;

class Lumora : public PersistentObject {
public:
    static const uint32_t kMagic = 0xabcd0123u;
    static const int32_t kDefaultMaxIterations = 1000000000;

    // Grid of width * height pixels, every label 0.
    Lumora(int32_t width, int32_t height, int32_t num_labels, int32_t data_deferred, int32_t smooth_deferred);
    // Grid working on the caller's labelling (every label tested, not copied).
    Lumora(int32_t* labels, int32_t width, int32_t height, int32_t num_labels, int32_t data_deferred,
           int32_t smooth_deferred);
    // General graph of num_pixels pixels, every label 0.
    Lumora(int32_t num_pixels, int32_t num_labels, int32_t data_deferred, int32_t smooth_deferred);
    // General graph working on the caller's labelling.
    Lumora(int32_t* labels, int32_t num_pixels, int32_t num_labels, int32_t data_deferred,
           int32_t smooth_deferred);
    ~Lumora();
    Lumora(const Lumora&) = delete;
    Lumora& operator=(const Lumora&) = delete;

    void setRandomLabelOrder(bool flag) { m_random_order = flag; }
    int32_t numPixels() const { return m_num_pixels; }
    int32_t numLabels() const { return m_num_labels; }
    // First dimension of the label output: the width on a grid, 1 otherwise.
    int32_t labelRows() const { return m_grid_graph ? m_width : 1; }
    bool isValid() const { return m_magic == kMagic; }

    // ---- cost terms (a cost is attached once) ----
    void setData(const EnergyValue* table);  // N * L entries, index p * L + l
    void setData(DataCostFn fn);
    void setData(DataCostFnXY fn);           // grid only
    void setSmoothness(const EnergyValue* table);  // L * L entries, index l1 * L + l2
    void setSmoothness(const EnergyValue* table, const EnergyValue* horz_weights,
                       const EnergyValue* vert_weights);  // grid only, N weights each
    void setSmoothness(SmoothCostFnXY fn_horz, SmoothCostFnXY fn_vert);  // grid only
    void setSmoothness(SmoothCostFn fn);
    // Per-entry filling of the tables made for a zero deferred argument.
    void setDataCost(int32_t pixel, int32_t label, EnergyValue cost);
    void setSmoothCost(int32_t label1, int32_t label2, EnergyValue cost);

    // ---- neighbourhoods (general graph only) ----
    void setNeighbors(int32_t pixel1, int32_t pixel2, EnergyValue weight);
    void setNeighbors(int32_t pixel1, int32_t pixel2);

    // ---- energies of the current labelling ----
    EnergyValue dataEnergy();
    EnergyValue smoothnessEnergy();
    EnergyValue totalEnergy();

    // ---- labels ----
    void setAllLabels(const int32_t* labels);  // N labels, each tested
    void exportLabels(int32_t* out) const;     // N labels

    // ---- moves and their drivers ----
    EnergyValue expansion(int32_t maxIterations);
    EnergyValue expansion() { return expansion(kDefaultMaxIterations); }
    EnergyValue expansionPass();
    EnergyValue expandOnLabel(int32_t label);
    EnergyValue expandOnLabelAt(int32_t alpha, const int32_t* pixels, int32_t count);
    void scrambleLabelOrder();
    EnergyValue swap(int32_t maxIterations);
    EnergyValue swap() { return swap(kDefaultMaxIterations); }
    EnergyValue swapPass();
    EnergyValue swapLabels(int32_t alpha, int32_t beta);
    void expansionMove(int32_t alpha);
    void swapMove(int32_t alpha, int32_t beta);

    // ---- read access for the gateway, the creation module and tests ----
    bool isGrid() const { return m_grid_graph; }
    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    CostKind dataKind() const { return m_data_kind; }
    CostKind smoothKind() const { return m_smooth_kind; }
    bool randomOrder() const { return m_random_order; }
    bool weightedGrid() const { return m_weighted_grid; }
    const int32_t* labels() const { return m_labels; }
    const int32_t* labelOrder() const { return m_label_order; }
    const int32_t* pixelVar() const { return m_pixel_var; }
    // Bytes of persistent memory the object owns, itself included (walks the
    // neighbour lists: for tests and diagnostics, not for hot paths).
    size_t ownedBytes() const;

private:
    void initFields();
    void initGrid(int32_t width, int32_t height, int32_t num_labels);
    void initGeneralGraph(int32_t num_pixels, int32_t num_labels);
    void allocateLabels();
    void adoptLabels(int32_t* labels);
    void commonInit(int32_t data_deferred, int32_t smooth_deferred);
    void allocateWorkArrays();
    // Releases what the object owns; used by destruction and by a
    // construction that fails part-way, so that nothing is left behind.
    void releaseOwned();
    void failConstruction(const char* message);
    NeighbourRecord* newRecord(int32_t pixel, EnergyValue weight);
    // Refuses an unset data or smoothness cost with the pass messages.
    void checkCostsSet();
    EnergyValue runPasses(int32_t maxIterations, EnergyValue (Lumora::*pass)());
    // The moves' read-only view of the costs and the labelling.
    void fillMoveCosts(MoveCosts& costs);
    // Every m_pixel_var entry back to -1 (the state between moves).
    void resetPixelVar();
    // Checks of the subset expansion; they change nothing they do not undo.
    void checkSubsetIndices(const int32_t* pixels, int32_t count);

    EnergyValue gridSmoothnessEnergy();
    EnergyValue graphSmoothnessEnergy();

    // Fields in the order of the object's layout; m_magic stays first.
    uint32_t m_magic;
    int32_t m_num_labels;
    int32_t m_width;
    int32_t m_height;
    int32_t m_num_pixels;
    int32_t* m_labels;
    CostKind m_data_kind;
    CostKind m_smooth_kind;
    bool m_random_order;
    bool m_grid_graph;
    bool m_weighted_grid;
    int32_t m_data_deferred;
    int32_t m_smooth_deferred;
    bool m_owns_labels;
    EnergyValue* m_data_table;
    EnergyValue* m_smooth_table;
    EnergyValue* m_vert_weights;
    EnergyValue* m_horz_weights;
    LinkedBlockList* m_neighbours;
    int32_t* m_label_order;
    int32_t* m_pixel_var;
    DataCostFn m_data_fn;
    DataCostFnXY m_data_fn_xy;
    SmoothCostFnXY m_smooth_fn_horz;
    SmoothCostFnXY m_smooth_fn_vert;
    SmoothCostFn m_smooth_fn;
    NeighbourRecordChunk* m_record_chunks;
};

#endif
