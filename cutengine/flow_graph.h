// FlowGraph: a directed graph with an implicit source and sink, built once,
// solved once by maxflow() and then asked for each node's side of the cut.
//
// Storage. Nodes, arcs and in-arc entries are appended into fixed chunks
// (511 nodes, 1024 arcs, 1024 in-arc entries per chunk), each list newest
// first, so adding a node or an edge is an O(1) append with one allocation
// per chunk and none per element; a node never moves, so its handle (the
// address of its FlowNode) stays valid until the graph is destroyed. While
// building, a node only counts its out- and in-arcs, an arc names its head
// node and the in-arc slot in the same position names its tail. maxflow()
// first lays the arcs out in place into one contiguous run per node
// (prepare_arcs.cpp), with each arc naming its head by a signed byte
// distance from its tail, and then runs the two-search-tree augmenting-path
// method (maxflow.cpp).
//
// Terminal capacities are kept as one net value per node: the part that is
// paid on either side of the cut, min(source, sink), is folded into m_flow at
// once, so m_flow always equals the folded constant plus the flow pushed.
//
// Invariants: chunks sit at addresses aligned for their records (8 bytes,
// whatever the allocator returns), so bit 0 of every arc and in-arc address
// is free for the tags LINK_AT_HEAD and RANGE_HEADED, and no field is ever
// read misaligned; every chunk keeps the allocator's address for release.
// All memory is call-scoped PersistentHeap memory: a graph lives inside one
// host call, and the host frees what a failed call leaves behind.
// Every failure goes through the error callback, then exit(1) if it returns;
// nothing here throws or returns an error code.
//
// Not supported: edges from a node to itself, more than 1024 out-arcs or
// in-arcs on one node, negative arc capacities at solve time, any building
// operation or second maxflow() after maxflow(). Complexity of the solver:
// no strongly polynomial bound (O(V^2 E |C|) in the worst case), close to
// linear on the grid graphs of vision problems.
#ifndef LABRIX_CUTENGINE_FLOW_GRAPH_H
#define LABRIX_CUTENGINE_FLOW_GRAPH_H

#include <cstddef>
#include <cstdint>

#include "optimizer/persistent_heap.h"

typedef float EnergyValue;

typedef void (*FlowErrorFn)(const char* message);

enum CutSide : int32_t { SIDE_SOURCE = 0, SIDE_SINK = 1 };

// Values of FlowNode::tree_link that are not arc addresses.
const uintptr_t LINK_NONE = 0;
const uintptr_t LINK_TERMINAL = 1;
const uintptr_t LINK_ORPHAN = 2;
// Tag on an arc address in tree_link: the node is the arc's head.
const uintptr_t LINK_AT_HEAD = 1;
// Tag on out_range / in_range: the run starts with a header slot.
const uintptr_t RANGE_HEADED = 1;

const int32_t NODES_PER_CHUNK = 512;  // the last slot is the end marker
const int32_t ARCS_PER_CHUNK = 1024;  // plus one spare slot

struct FlowNode {
    uintptr_t out_range;  // building: out-arc count; solving: run start (bit 0 RANGE_HEADED)
    uintptr_t in_range;   // building: in-arc count; solving: in-run start (bit 0 RANGE_HEADED)
    uintptr_t tree_link;  // LINK_* or a FlowArc address, bit 0 LINK_AT_HEAD
    FlowNode* queue_link;  // next in its active queue; itself when last; null when not queued
    int32_t stamp;         // growth step at which depth was exact
    int32_t depth;         // arcs up to the terminal along the tree
    int16_t in_sink_tree;  // 0 source tree, 1 sink tree
    EnergyValue terminal_residual;  // > 0 from the source, < 0 (negated) to the sink
};

struct FlowArc {
    intptr_t head_delta;  // building: head node address; solving: head - tail in bytes
    EnergyValue cap_forward;   // residual tail -> head
    EnergyValue cap_backward;  // residual head -> tail
};

// Building: the tail node of the arc in the same slot of the paired ArcChunk.
// Solving: the address of an arc that enters the node owning the run.
typedef uintptr_t InArcRef;

struct NodeChunk {
    void* raw_base;
    FlowNode* cursor;
    NodeChunk* next_chunk;
    FlowNode slots[NODES_PER_CHUNK];
};

struct ArcChunk {
    void* raw_base;
    FlowArc* cursor;
    ArcChunk* next_chunk;
    FlowArc slots[ARCS_PER_CHUNK + 1];
};

struct InArcChunk {
    void* raw_base;
    InArcRef* cursor;
    InArcChunk* next_chunk;
    InArcRef slots[ARCS_PER_CHUNK + 1];
};

struct OrphanRecord;
struct OrphanPool;

class FlowGraph : public CallScopedObject {
public:
    typedef FlowNode* NodeId;

    explicit FlowGraph(FlowErrorFn error_fn);
    ~FlowGraph();
    // The graph owns its chunks; a copy would release them twice.
    FlowGraph(const FlowGraph&) = delete;
    FlowGraph& operator=(const FlowGraph&) = delete;

    // The allocator may hand out addresses of any alignment (the test host
    // hands out odd ones); the object is placed at an aligned address.
    static void* operator new(size_t bytes) noexcept;
    static void operator delete(void* p) noexcept;

    // Building.
    NodeId addNode();
    void addEdge(NodeId from, NodeId to, EnergyValue forward, EnergyValue backward);
    void setTerminalWeights(NodeId node, EnergyValue source, EnergyValue sink);
    void addTerminalWeights(NodeId node, EnergyValue source, EnergyValue sink);

    // Solving and query.
    EnergyValue maxflow();
    CutSide segmentOf(NodeId node) const {
        return (node->tree_link != LINK_NONE && node->in_sink_tree == 0) ? SIDE_SOURCE : SIDE_SINK;
    }

    // Read access for tests and diagnostics.
    EnergyValue flowValue() const { return m_flow; }
    static EnergyValue terminalResidual(NodeId node) { return node->terminal_residual; }
    const NodeChunk* nodeChunks() const { return m_node_chunks; }
    const ArcChunk* arcChunks() const { return m_arc_chunks; }
    const InArcChunk* inArcChunks() const { return m_in_arc_chunks; }
    // Runs of a solved graph (valid only after maxflow).
    static FlowArc* outBegin(const FlowNode* n) { return runBegin<FlowArc>(n->out_range); }
    static uintptr_t outEnd(const FlowNode* n) { return runEnd<FlowArc>(n->out_range, (n + 1)->out_range); }
    static InArcRef* inBegin(const FlowNode* n) { return runBegin<InArcRef>(n->in_range); }
    static uintptr_t inEnd(const FlowNode* n) { return runEnd<InArcRef>(n->in_range, (n + 1)->in_range); }
    static FlowNode* headOf(FlowNode* tail, const FlowArc* a) {
        return reinterpret_cast<FlowNode*>(reinterpret_cast<char*>(tail) + a->head_delta);
    }
    static FlowNode* tailOf(FlowNode* head, const FlowArc* a) {
        return reinterpret_cast<FlowNode*>(reinterpret_cast<char*>(head) - a->head_delta);
    }

    // Reports message through the callback, then ends the process if the
    // callback returns.
    [[noreturn]] void fail(const char* message) const;
    // Call-scoped memory at an address aligned to 8 bytes; *raw receives the
    // allocator's address, the one to give back. Fails with "Not enough memory!".
    void* allocateAligned(size_t bytes, void** raw) const;

private:
    // A run whose range word has RANGE_HEADED set starts one slot after the
    // header at range + 1; the header's first word holds the run's end.
    // Otherwise it runs from its range word to the next node's range word
    // (which may be a tagged value one below a header: it still bounds it).
    template <typename Slot>
    static Slot* runBegin(uintptr_t range) {
        if (range & RANGE_HEADED) return reinterpret_cast<Slot*>(range + 1) + 1;
        return reinterpret_cast<Slot*>(range);
    }
    template <typename Slot>
    static uintptr_t runEnd(uintptr_t range, uintptr_t next_range) {
        if (range & RANGE_HEADED) return *reinterpret_cast<const uintptr_t*>(range + 1);
        return next_range;
    }

    ArcChunk* newArcChunk();
    InArcChunk* newInArcChunk();

    // maxflow steps (maxflow.cpp, prepare_arcs.cpp).
    void prepareArcs();
    void moveArcs(ArcChunk* first_arc_chunk, InArcChunk* first_in_chunk);
    void initTrees();
    void markActive(FlowNode* n);
    FlowNode* popActive();
    bool growTree(FlowNode* i, FlowNode** s_end, FlowNode** t_end, EnergyValue** middle,
                  EnergyValue** middle_reverse);
    void augmentPath(FlowNode* s_end, FlowNode* t_end, EnergyValue* middle, EnergyValue* middle_reverse);
    void makeOrphanFront(FlowNode* n);
    void makeOrphanBack(FlowNode* n);
    void processOrphans();
    template <bool kSinkTree>
    void adoptOrphan(FlowNode* i);
    void adoptSourceOrphan(FlowNode* i);
    void adoptSinkOrphan(FlowNode* i);

    NodeChunk* m_node_chunks;
    ArcChunk* m_arc_chunks;
    InArcChunk* m_in_arc_chunks;
    OrphanPool* m_orphan_pool;
    FlowErrorFn m_error_fn;
    EnergyValue m_flow;
    FlowNode* m_drain_head;
    FlowNode* m_fill_head;
    FlowNode* m_drain_tail;
    FlowNode* m_fill_tail;
    OrphanRecord* m_orphans_head;
    OrphanRecord* m_orphans_tail;
    int32_t m_step;
};

#endif
