// Arc storage preparation: turns the append-order storage of a built graph
// into one contiguous out-run and one contiguous in-run per node, in place.
//
// Runs are laid out node by node (node chunks newest first, slots in order)
// from the newest arc chunk toward the oldest; a run never spans two chunks,
// so when one does not fit behind the walker the rest of that chunk stays
// empty and, past the oldest chunk, new chunks are added. The arcs are then
// moved by following the cycles of the permutation from append position to
// run position: each arc is read and written once. The in-arc slot paired
// with an arc slot names the tail of the arc that still sits there, so it
// tells both whose run a displaced arc belongs to and whether a slot has
// been moved already (cleared); no extra array is needed. The in-runs are
// then filled from the out-runs. The last node of each chunk cannot find its
// run's end at the next node, so its run gets a header slot holding the end;
// its first entry moves behind the run (into the spare slot if the chunk is
// full) to make room.
#include "cutengine/flow_graph.h"

namespace {

// Scratch value in tree_link: the node's run lies in a chunk without a pair.
// Odd, so never the address of an in-arc slot.
const uintptr_t kNoPair = 1;

inline FlowNode* lastNodeOf(const FlowArc* spare) { return reinterpret_cast<FlowNode*>(spare->head_delta); }
inline FlowNode* lastNodeOf(const InArcRef* spare) { return reinterpret_cast<FlowNode*>(*spare); }

// One cycle walk in progress: the arc it carries and the slot it goes to.
// Between its two phases a walk waits for the memory it will touch next,
// so that several walks keep several cache misses in flight.
struct CycleWalk {
    FlowArc* dest;
    InArcRef* dest_pair;
    FlowNode* tail;  // owner of the carried arc (phase 1)
    FlowArc carried;
    int phase;  // 0: dest and dest_pair prefetched; 1: tail prefetched
};

const int kWalks = 2048;

}  // namespace

// Moves every arc of the initial chunks into its tail's run by following
// permutation cycles. A run is filled from its end: the tail's out_range
// (and its scratch pointer into the paired in-arc chunk) step down one slot
// per arc, so afterwards out_range is the run's start. The displacement
// between append order and run order is close to a shift by a few chunks,
// so one cycle strides through the whole arc storage and each step is a
// cache and TLB miss behind the previous one (2.6 s for the 8 million arcs
// of a 2000x2000 grid). Up to kWalks walks therefore run interleaved, each
// started at the next unmoved slot in chunk order: walks started side by
// side stride side by side, so together they sweep the storage almost
// sequentially (0.11 s for the same grid with 2048 walks; the walk states
// take one call-scoped block of 96 KB). The order of the arcs inside a run
// is the order in which the walks reach them, so it is not the order one
// walk at a time would give: growth and adoption may meet the arcs of a
// node in another order, which changes which path or parent is found first
// but not the flow value or the cut. The walks cannot disturb each other:
// each slot is the destination of exactly one arc, a walk picks up a slot's
// arc in the same step in which it finds the slot unmoved, and a slot whose
// pair entry is cleared but that was never a destination is the start of
// some walk, a hole that the walk arriving there fills and ends in.
void FlowGraph::moveArcs(ArcChunk* first_arc_chunk, InArcChunk* first_in_chunk) {
    void* raw;
    CycleWalk* walks = static_cast<CycleWalk*>(allocateAligned(sizeof(CycleWalk) * kWalks, &raw));
    int active = 0;
    ArcChunk* scan_arcs = first_arc_chunk;
    InArcChunk* scan_pairs = first_in_chunk;
    int32_t scan = 0;

    // Picks up the arc of the next unmoved slot in scan order into w.
    auto start = [&](CycleWalk& w) -> bool {
        for (; scan_pairs; scan_pairs = scan_pairs->next_chunk, scan_arcs = scan_arcs->next_chunk, scan = 0) {
            for (; scan < ARCS_PER_CHUNK; ++scan) {
                InArcRef* pair = &scan_pairs->slots[scan];
                uintptr_t t = *pair;
                if (!t) continue;
                *pair = 0;
                w.carried = scan_arcs->slots[scan];
                w.carried.head_delta -= static_cast<intptr_t>(t);
                w.dest_pair = pair;
                w.tail = reinterpret_cast<FlowNode*>(t);
                __builtin_prefetch(w.tail, 1);
                w.phase = 1;
                ++scan;
                return true;
            }
        }
        return false;
    };

    while (active < kWalks && start(walks[active])) ++active;
    while (active > 0) {
        for (int k = 0; k < active; ++k) {
            CycleWalk& w = walks[k];
            if (w.phase == 1) {
                FlowNode* tail = w.tail;
                tail->out_range -= sizeof(FlowArc);
                w.dest = reinterpret_cast<FlowArc*>(tail->out_range);
                // In a chunk without a pair, the walk keeps the cleared
                // entry it came from, so it ends at that destination.
                if (tail->tree_link != kNoPair) {
                    tail->tree_link -= sizeof(InArcRef);
                    w.dest_pair = reinterpret_cast<InArcRef*>(tail->tree_link);
                }
                __builtin_prefetch(w.dest, 1);
                __builtin_prefetch(w.dest_pair, 1);
                w.phase = 0;
                continue;
            }
            uintptr_t t = *w.dest_pair;
            if (!t) {
                *w.dest = w.carried;
                if (!start(w)) {
                    w = walks[--active];
                    --k;
                }
                continue;
            }
            *w.dest_pair = 0;
            FlowArc saved = *w.dest;
            saved.head_delta -= static_cast<intptr_t>(t);
            *w.dest = w.carried;
            w.carried = saved;
            w.tail = reinterpret_cast<FlowNode*>(t);
            __builtin_prefetch(w.tail, 1);
            w.phase = 1;
        }
    }
    PersistentHeap::releaseCallScoped(raw);
}

void FlowGraph::prepareArcs() {
    if (!m_in_arc_chunks) {
        // Keep the arc storage non-empty so that every chunk walk below has a chunk.
        FlowNode* a = addNode();
        FlowNode* b = addNode();
        addEdge(a, b, 1, 0);
    }

    // Slots of the newest in-arc chunk that were never filled hold no tail.
    for (InArcRef* r = m_in_arc_chunks->cursor; r < m_in_arc_chunks->slots + ARCS_PER_CHUNK; ++r) *r = 0;

    ArcChunk* const first_arc_chunk = m_arc_chunks;
    InArcChunk* const first_in_chunk = m_in_arc_chunks;

    // Lay out the runs. The pair walker follows the out-walker through the
    // initial chunks; in new chunks there is no pair.
    ArcChunk* out_chunk = m_arc_chunks;
    FlowArc* out_pos = out_chunk->slots;
    bool out_allocating = false;
    InArcChunk* pair_chunk = m_in_arc_chunks;
    InArcRef* pair_pos = pair_chunk->slots;
    InArcChunk* in_chunk = m_in_arc_chunks;
    InArcRef* in_pos = in_chunk->slots;
    bool in_allocating = false;
    // The spare slots record each chunk's last node while runs are laid out.
    for (ArcChunk* c = m_arc_chunks; c; c = c->next_chunk) c->slots[ARCS_PER_CHUNK].head_delta = 0;
    for (InArcChunk* c = m_in_arc_chunks; c; c = c->next_chunk) c->slots[ARCS_PER_CHUNK] = 0;

    for (NodeChunk* nc = m_node_chunks; nc; nc = nc->next_chunk) {
        for (FlowNode* n = nc->slots; n < nc->cursor; ++n) {
            uintptr_t k = n->out_range;
            if (k > static_cast<uintptr_t>(out_chunk->slots + ARCS_PER_CHUNK - out_pos)) {
                if (k > static_cast<uintptr_t>(ARCS_PER_CHUNK)) fail("# of arcs per node exceeds block size!");
                if (out_allocating) {
                    out_chunk = nullptr;
                } else {
                    out_chunk = out_chunk->next_chunk;
                    pair_chunk = pair_chunk ? pair_chunk->next_chunk : nullptr;
                    pair_pos = pair_chunk ? pair_chunk->slots : nullptr;
                }
                if (!out_chunk) {
                    out_chunk = newArcChunk();
                    out_allocating = true;
                    pair_chunk = nullptr;
                    pair_pos = nullptr;
                }
                out_pos = out_chunk->slots;
                out_chunk->slots[ARCS_PER_CHUNK].head_delta = 0;
            }
            if (pair_chunk) {
                pair_pos += k;
                n->tree_link = reinterpret_cast<uintptr_t>(pair_pos);
            } else {
                n->tree_link = kNoPair;
            }
            out_pos += k;
            n->out_range = reinterpret_cast<uintptr_t>(out_pos);
            out_chunk->slots[ARCS_PER_CHUNK].head_delta = reinterpret_cast<intptr_t>(n);

            uintptr_t k2 = n->in_range;
            if (k2 > static_cast<uintptr_t>(in_chunk->slots + ARCS_PER_CHUNK - in_pos)) {
                if (k2 > static_cast<uintptr_t>(ARCS_PER_CHUNK)) fail("# of arcs per node exceeds block size!");
                in_chunk = in_allocating ? nullptr : in_chunk->next_chunk;
                if (!in_chunk) {
                    in_chunk = newInArcChunk();
                    in_allocating = true;
                }
                in_pos = in_chunk->slots;
                in_chunk->slots[ARCS_PER_CHUNK] = 0;
            }
            in_pos += k2;
            n->in_range = reinterpret_cast<uintptr_t>(in_pos);
            in_chunk->slots[ARCS_PER_CHUNK] = reinterpret_cast<InArcRef>(n);
        }
        nc->cursor->out_range = reinterpret_cast<uintptr_t>(out_pos);
        nc->cursor->in_range = reinterpret_cast<uintptr_t>(in_pos);
    }

    // A chunk's cursor now marks the end of the last run placed in it.
    for (ArcChunk* c = m_arc_chunks; c; c = c->next_chunk) {
        FlowNode* last = lastNodeOf(&c->slots[ARCS_PER_CHUNK]);
        c->cursor = last ? reinterpret_cast<FlowArc*>(last->out_range) : c->slots;
    }

    moveArcs(first_arc_chunk, first_in_chunk);

    // Give each chunk's last node a header slot holding its run's end.
    for (ArcChunk* c = m_arc_chunks; c; c = c->next_chunk) {
        FlowNode* last = lastNodeOf(&c->slots[ARCS_PER_CHUNK]);
        if (!last) continue;
        FlowArc* s = reinterpret_cast<FlowArc*>(last->out_range);
        *c->cursor = *s;
        s->head_delta = reinterpret_cast<intptr_t>(c->cursor + 1);
        last->out_range = reinterpret_cast<uintptr_t>(s) - 1;
    }

    for (InArcChunk* c = m_in_arc_chunks; c; c = c->next_chunk) {
        FlowNode* last = lastNodeOf(&c->slots[ARCS_PER_CHUNK]);
        c->cursor = last ? reinterpret_cast<InArcRef*>(last->in_range) : c->slots;
    }

    // Fill the in-runs from their ends, walking the out-runs as the solver does.
    for (NodeChunk* nc = m_node_chunks; nc; nc = nc->next_chunk) {
        for (FlowNode* n = nc->slots; n < nc->cursor; ++n) {
            uintptr_t end = outEnd(n);
            for (FlowArc* a = outBegin(n); reinterpret_cast<uintptr_t>(a) < end; ++a) {
                FlowNode* h = headOf(n, a);
                h->in_range -= sizeof(InArcRef);
                *reinterpret_cast<InArcRef*>(h->in_range) = reinterpret_cast<InArcRef>(a);
            }
        }
    }

    for (InArcChunk* c = m_in_arc_chunks; c; c = c->next_chunk) {
        FlowNode* last = lastNodeOf(&c->slots[ARCS_PER_CHUNK]);
        if (!last) continue;
        InArcRef* s = reinterpret_cast<InArcRef*>(last->in_range);
        *c->cursor = *s;
        *s = reinterpret_cast<InArcRef>(c->cursor + 1);
        last->in_range = reinterpret_cast<uintptr_t>(s) - 1;
    }
}
