#include "cutengine/flow_graph.h"

#include <cstdlib>

namespace {

const uintptr_t kChunkAlign = 8;

uintptr_t alignUp(uintptr_t p) { return (p + kChunkAlign - 1) & ~(kChunkAlign - 1); }

}  // namespace

// The object keeps the allocator's address in the word just before itself.
void* FlowGraph::operator new(size_t bytes) noexcept {
    void* raw = PersistentHeap::allocateCallScoped(bytes + sizeof(void*) + kChunkAlign - 1);
    if (!raw) return nullptr;
    uintptr_t p = alignUp(reinterpret_cast<uintptr_t>(raw) + sizeof(void*));
    reinterpret_cast<void**>(p)[-1] = raw;
    return reinterpret_cast<void*>(p);
}

void FlowGraph::operator delete(void* p) noexcept {
    if (p) PersistentHeap::releaseCallScoped(static_cast<void**>(p)[-1]);
}

FlowGraph::FlowGraph(FlowErrorFn error_fn)
    : m_node_chunks(nullptr),
      m_arc_chunks(nullptr),
      m_in_arc_chunks(nullptr),
      m_orphan_pool(nullptr),
      m_error_fn(error_fn),
      m_flow(0),
      m_drain_head(nullptr),
      m_fill_head(nullptr),
      m_drain_tail(nullptr),
      m_fill_tail(nullptr),
      m_orphans_head(nullptr),
      m_orphans_tail(nullptr),
      m_step(0) {}

FlowGraph::~FlowGraph() {
    while (m_node_chunks) {
        NodeChunk* next = m_node_chunks->next_chunk;
        PersistentHeap::releaseCallScoped(m_node_chunks->raw_base);
        m_node_chunks = next;
    }
    while (m_arc_chunks) {
        ArcChunk* next = m_arc_chunks->next_chunk;
        PersistentHeap::releaseCallScoped(m_arc_chunks->raw_base);
        m_arc_chunks = next;
    }
    while (m_in_arc_chunks) {
        InArcChunk* next = m_in_arc_chunks->next_chunk;
        PersistentHeap::releaseCallScoped(m_in_arc_chunks->raw_base);
        m_in_arc_chunks = next;
    }
}

void FlowGraph::fail(const char* message) const {
    if (m_error_fn) m_error_fn(message);
    std::exit(1);
}

void* FlowGraph::allocateAligned(size_t bytes, void** raw) const {
    void* p = PersistentHeap::allocateCallScoped(bytes + kChunkAlign - 1);
    if (!p) fail("Not enough memory!");
    *raw = p;
    return reinterpret_cast<void*>(alignUp(reinterpret_cast<uintptr_t>(p)));
}

ArcChunk* FlowGraph::newArcChunk() {
    void* raw;
    ArcChunk* c = static_cast<ArcChunk*>(allocateAligned(sizeof(ArcChunk), &raw));
    c->raw_base = raw;
    c->cursor = c->slots;
    c->next_chunk = m_arc_chunks;
    m_arc_chunks = c;
    return c;
}

InArcChunk* FlowGraph::newInArcChunk() {
    void* raw;
    InArcChunk* c = static_cast<InArcChunk*>(allocateAligned(sizeof(InArcChunk), &raw));
    c->raw_base = raw;
    c->cursor = c->slots;
    c->next_chunk = m_in_arc_chunks;
    m_in_arc_chunks = c;
    return c;
}

FlowGraph::NodeId FlowGraph::addNode() {
    NodeChunk* c = m_node_chunks;
    if (!c || c->cursor == c->slots + (NODES_PER_CHUNK - 1)) {
        void* raw;
        c = static_cast<NodeChunk*>(allocateAligned(sizeof(NodeChunk), &raw));
        c->raw_base = raw;
        c->cursor = c->slots;
        c->next_chunk = m_node_chunks;
        m_node_chunks = c;
    }
    FlowNode* n = c->cursor++;
    n->out_range = 0;
    n->in_range = 0;
    n->terminal_residual = 0;
    return n;
}

void FlowGraph::addEdge(NodeId from, NodeId to, EnergyValue forward, EnergyValue backward) {
    ArcChunk* ac = m_arc_chunks;
    if (!ac || ac->cursor == ac->slots + ARCS_PER_CHUNK) ac = newArcChunk();
    InArcChunk* ic = m_in_arc_chunks;
    if (!ic || ic->cursor == ic->slots + ARCS_PER_CHUNK) ic = newInArcChunk();
    FlowArc* a = ac->cursor++;
    InArcRef* r = ic->cursor++;
    a->head_delta = reinterpret_cast<intptr_t>(to);
    a->cap_forward = forward;
    a->cap_backward = backward;
    *r = reinterpret_cast<InArcRef>(from);
    from->out_range += 1;
    to->in_range += 1;
}

void FlowGraph::setTerminalWeights(NodeId node, EnergyValue source, EnergyValue sink) {
    EnergyValue m = source < sink ? source : sink;
    m_flow += m;
    node->terminal_residual = source - sink;
}

void FlowGraph::addTerminalWeights(NodeId node, EnergyValue source, EnergyValue sink) {
    EnergyValue d = node->terminal_residual;
    // A residual of exactly 0 goes to the sink side, where it changes nothing.
    if (d > 0) source += d;
    else sink -= d;
    m_flow += source < sink ? source : sink;
    node->terminal_residual = source - sink;
}
