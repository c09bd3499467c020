// The max-flow solver: two search trees over residual arcs, one hanging from
// the source and one from the sink, grown from active nodes in FIFO order.
// When a growth step touches the other tree, the path through both trees is
// augmented by its bottleneck; nodes whose tree arc (or terminal capacity)
// the augmentation saturates become orphans and look for a new parent in
// their own tree, preferring the shallowest one, or are freed. Depths are
// trusted only when their stamp equals the current growth step, so each
// node's depth is recomputed at most once per step. The loop ends when no
// node is active; the source tree is then exactly what the source reaches
// in the residual graph, the smallest source side of a minimum cut.
#include "cutengine/flow_graph.h"
#include "cutengine/orphan_pool.h"

namespace {

const int32_t DEPTH_INFINITE = 1000000000;

inline FlowArc* linkArc(uintptr_t link) { return reinterpret_cast<FlowArc*>(link & ~LINK_AT_HEAD); }
inline bool isArcLink(uintptr_t link) { return link > LINK_ORPHAN; }

// The parent of a node whose tree_link is an arc.
inline FlowNode* parentOf(FlowNode* k, uintptr_t link) {
    FlowArc* a = linkArc(link);
    return (link & LINK_AT_HEAD) ? FlowGraph::tailOf(k, a) : FlowGraph::headOf(k, a);
}

inline FlowArc* inArc(const InArcRef* r) { return reinterpret_cast<FlowArc*>(*r); }

}  // namespace

EnergyValue FlowGraph::maxflow() {
    prepareArcs();
    initTrees();
    m_orphan_pool = OrphanPool::create(128, m_error_fn);
    if (!m_orphan_pool) fail("Not enough memory!");

    FlowNode* current = nullptr;
    for (;;) {
        if (current) {
            current->queue_link = nullptr;
            if (current->tree_link == LINK_NONE) current = nullptr;
        }
        if (!current) {
            current = popActive();
            if (!current) break;
        }
        FlowNode* s_end;
        FlowNode* t_end;
        EnergyValue* middle;
        EnergyValue* middle_reverse;
        bool found = growTree(current, &s_end, &t_end, &middle, &middle_reverse);
        m_step += 1;
        if (found) {
            // The self-link keeps markActive off the node while the path is
            // worked off; it then grows again from the start of its runs.
            current->queue_link = current;
            augmentPath(s_end, t_end, middle, middle_reverse);
            processOrphans();
        } else {
            current = nullptr;
        }
    }

    OrphanPool::destroy(m_orphan_pool);
    m_orphan_pool = nullptr;
    return m_flow;
}

void FlowGraph::initTrees() {
    m_drain_head = m_drain_tail = nullptr;
    m_fill_head = m_fill_tail = nullptr;
    m_orphans_head = m_orphans_tail = nullptr;
    for (NodeChunk* nc = m_node_chunks; nc; nc = nc->next_chunk) {
        for (FlowNode* n = nc->slots; n < nc->cursor; ++n) {
            n->queue_link = nullptr;
            n->stamp = 0;
            if (n->terminal_residual > 0) {
                n->in_sink_tree = 0;
                n->tree_link = LINK_TERMINAL;
                markActive(n);
                n->depth = 1;
            } else if (n->terminal_residual < 0) {
                n->in_sink_tree = 1;
                n->tree_link = LINK_TERMINAL;
                markActive(n);
                n->depth = 1;
            } else {
                n->tree_link = LINK_NONE;
            }
        }
    }
    m_step = 0;
}

inline void FlowGraph::markActive(FlowNode* n) {
    if (n->queue_link) return;
    if (m_fill_tail) m_fill_tail->queue_link = n;
    else m_fill_head = n;
    m_fill_tail = n;
    n->queue_link = n;
}

FlowNode* FlowGraph::popActive() {
    for (;;) {
        if (!m_drain_head) {
            m_drain_head = m_fill_head;
            m_drain_tail = m_fill_tail;
            m_fill_head = m_fill_tail = nullptr;
            if (!m_drain_head) return nullptr;
        }
        FlowNode* n = m_drain_head;
        if (n->queue_link == n) m_drain_head = m_drain_tail = nullptr;
        else m_drain_head = n->queue_link;
        n->queue_link = nullptr;
        if (n->tree_link != LINK_NONE) return n;
    }
}

bool FlowGraph::growTree(FlowNode* i, FlowNode** s_end, FlowNode** t_end, EnergyValue** middle,
                         EnergyValue** middle_reverse) {
    const int32_t stamp = i->stamp;
    const int32_t depth = i->depth;
    if (i->in_sink_tree == 0) {
        uintptr_t end = outEnd(i);
        for (FlowArc* a = outBegin(i); reinterpret_cast<uintptr_t>(a) < end; ++a) {
            if (a->cap_forward == 0) continue;
            FlowNode* j = headOf(i, a);
            if (j->tree_link == LINK_NONE) {
                j->in_sink_tree = 0;
                j->tree_link = reinterpret_cast<uintptr_t>(a) | LINK_AT_HEAD;
                j->stamp = stamp;
                j->depth = depth + 1;
                markActive(j);
            } else if (j->in_sink_tree) {
                *s_end = i;
                *t_end = j;
                *middle = &a->cap_forward;
                *middle_reverse = &a->cap_backward;
                return true;
            } else if (j->stamp <= stamp && j->depth > depth) {
                j->tree_link = reinterpret_cast<uintptr_t>(a) | LINK_AT_HEAD;
                j->stamp = stamp;
                j->depth = depth + 1;
            }
        }
        end = inEnd(i);
        for (InArcRef* r = inBegin(i); reinterpret_cast<uintptr_t>(r) < end; ++r) {
            FlowArc* a = inArc(r);
            if (a->cap_backward == 0) continue;
            FlowNode* j = tailOf(i, a);
            if (j->tree_link == LINK_NONE) {
                j->in_sink_tree = 0;
                j->tree_link = reinterpret_cast<uintptr_t>(a);
                j->stamp = stamp;
                j->depth = depth + 1;
                markActive(j);
            } else if (j->in_sink_tree) {
                *s_end = i;
                *t_end = j;
                *middle = &a->cap_backward;
                *middle_reverse = &a->cap_forward;
                return true;
            } else if (j->stamp <= stamp && j->depth > depth) {
                j->tree_link = reinterpret_cast<uintptr_t>(a);
                j->stamp = stamp;
                j->depth = depth + 1;
            }
        }
    } else {
        uintptr_t end = outEnd(i);
        for (FlowArc* a = outBegin(i); reinterpret_cast<uintptr_t>(a) < end; ++a) {
            if (a->cap_backward == 0) continue;
            FlowNode* j = headOf(i, a);
            if (j->tree_link == LINK_NONE) {
                j->in_sink_tree = 1;
                j->tree_link = reinterpret_cast<uintptr_t>(a) | LINK_AT_HEAD;
                j->stamp = stamp;
                j->depth = depth + 1;
                markActive(j);
            } else if (!j->in_sink_tree) {
                *s_end = j;
                *t_end = i;
                *middle = &a->cap_backward;
                *middle_reverse = &a->cap_forward;
                return true;
            } else if (j->stamp <= stamp && j->depth > depth) {
                j->tree_link = reinterpret_cast<uintptr_t>(a) | LINK_AT_HEAD;
                j->stamp = stamp;
                j->depth = depth + 1;
            }
        }
        end = inEnd(i);
        for (InArcRef* r = inBegin(i); reinterpret_cast<uintptr_t>(r) < end; ++r) {
            FlowArc* a = inArc(r);
            if (a->cap_forward == 0) continue;
            FlowNode* j = tailOf(i, a);
            if (j->tree_link == LINK_NONE) {
                j->in_sink_tree = 1;
                j->tree_link = reinterpret_cast<uintptr_t>(a);
                j->stamp = stamp;
                j->depth = depth + 1;
                markActive(j);
            } else if (!j->in_sink_tree) {
                *s_end = j;
                *t_end = i;
                *middle = &a->cap_forward;
                *middle_reverse = &a->cap_backward;
                return true;
            } else if (j->stamp <= stamp && j->depth > depth) {
                j->tree_link = reinterpret_cast<uintptr_t>(a);
                j->stamp = stamp;
                j->depth = depth + 1;
            }
        }
    }
    return false;
}

inline void FlowGraph::makeOrphanFront(FlowNode* n) {
    n->tree_link = LINK_ORPHAN;
    OrphanRecord* r = m_orphan_pool->allocRecord();
    r->orphan_node = n;
    r->next_record = m_orphans_head;
    m_orphans_head = r;
}

inline void FlowGraph::makeOrphanBack(FlowNode* n) {
    n->tree_link = LINK_ORPHAN;
    OrphanRecord* r = m_orphan_pool->allocRecord();
    r->orphan_node = n;
    r->next_record = nullptr;
    if (m_orphans_tail) m_orphans_tail->next_record = r;
    else m_orphans_head = r;
    m_orphans_tail = r;
}

void FlowGraph::augmentPath(FlowNode* s_end, FlowNode* t_end, EnergyValue* middle, EnergyValue* middle_reverse) {
    EnergyValue b = *middle;
    // Bottleneck on the source side: capacities from parent to child.
    FlowNode* k = s_end;
    for (;;) {
        uintptr_t link = k->tree_link;
        if (link == LINK_TERMINAL) {
            if (k->terminal_residual < b) b = k->terminal_residual;
            break;
        }
        FlowArc* a = linkArc(link);
        EnergyValue cap;
        if (link & LINK_AT_HEAD) {
            cap = a->cap_forward;
            k = tailOf(k, a);
        } else {
            cap = a->cap_backward;
            k = headOf(k, a);
        }
        if (cap < b) b = cap;
    }
    // Sink side: capacities from child to parent.
    k = t_end;
    for (;;) {
        uintptr_t link = k->tree_link;
        if (link == LINK_TERMINAL) {
            if (-k->terminal_residual < b) b = -k->terminal_residual;
            break;
        }
        FlowArc* a = linkArc(link);
        EnergyValue cap;
        if (link & LINK_AT_HEAD) {
            cap = a->cap_backward;
            k = tailOf(k, a);
        } else {
            cap = a->cap_forward;
            k = headOf(k, a);
        }
        if (cap < b) b = cap;
    }

    *middle_reverse += b;
    *middle -= b;

    k = s_end;
    for (;;) {
        uintptr_t link = k->tree_link;
        if (link == LINK_TERMINAL) {
            k->terminal_residual -= b;
            if (k->terminal_residual == 0) makeOrphanFront(k);
            break;
        }
        FlowArc* a = linkArc(link);
        FlowNode* parent;
        EnergyValue* down;
        if (link & LINK_AT_HEAD) {
            down = &a->cap_forward;
            a->cap_backward += b;
            parent = tailOf(k, a);
        } else {
            down = &a->cap_backward;
            a->cap_forward += b;
            parent = headOf(k, a);
        }
        *down -= b;
        if (*down == 0) makeOrphanFront(k);
        k = parent;
    }
    k = t_end;
    for (;;) {
        uintptr_t link = k->tree_link;
        if (link == LINK_TERMINAL) {
            k->terminal_residual += b;
            if (k->terminal_residual == 0) makeOrphanFront(k);
            break;
        }
        FlowArc* a = linkArc(link);
        FlowNode* parent;
        EnergyValue* up;
        if (link & LINK_AT_HEAD) {
            up = &a->cap_backward;
            a->cap_forward += b;
            parent = tailOf(k, a);
        } else {
            up = &a->cap_forward;
            a->cap_backward += b;
            parent = headOf(k, a);
        }
        *up -= b;
        if (*up == 0) makeOrphanFront(k);
        k = parent;
    }
    m_flow += b;
}

// The orphans of one augmentation are taken from the front (newest first);
// the orphans that adopting one of them makes are appended behind it and
// settled, in FIFO order, before the next one.
void FlowGraph::processOrphans() {
    while (m_orphans_head) {
        OrphanRecord* first = m_orphans_head;
        OrphanRecord* rest = first->next_record;
        first->next_record = nullptr;
        m_orphans_head = m_orphans_tail = first;
        while (m_orphans_head) {
            OrphanRecord* r = m_orphans_head;
            m_orphans_head = r->next_record;
            if (!m_orphans_head) m_orphans_tail = nullptr;
            FlowNode* n = r->orphan_node;
            m_orphan_pool->releaseRecord(r);
            if (n->in_sink_tree) adoptSinkOrphan(n);
            else adoptSourceOrphan(n);
        }
        m_orphans_head = rest;
    }
}

namespace {

// Depth of candidate parent j in its tree, or DEPTH_INFINITE when its path
// to the terminal passes an orphan. Exact depths found are stamped with
// step so that later candidates of the same step stop there.
inline int32_t candidateDepth(FlowNode* j, int32_t step) {
    int32_t d = 0;
    FlowNode* k = j;
    for (;;) {
        if (k->stamp == step) {
            d += k->depth;
            break;
        }
        d += 1;
        uintptr_t link = k->tree_link;
        if (link == LINK_TERMINAL) {
            k->stamp = step;
            k->depth = 1;
            break;
        }
        if (link == LINK_ORPHAN) return DEPTH_INFINITE;
        k = parentOf(k, link);
    }
    int32_t dd = d;
    for (k = j; k->stamp != step; k = parentOf(k, k->tree_link)) {
        k->stamp = step;
        k->depth = dd;
        dd -= 1;
    }
    return d;
}

}  // namespace

// Adoption of an orphan of either tree. The two trees differ only in the
// direction of the residual capacity that matters: a source-tree parent j
// must reach i (j -> i), a sink-tree parent must be reached from i (i -> j).
// Seen from i, that is cap_backward of an out-arc and cap_forward of an
// in-arc in the source tree, and the reverse in the sink tree; the tree is a
// template argument, so each instance has the plain field reads.
template <bool kSinkTree>
void FlowGraph::adoptOrphan(FlowNode* i) {
    auto outCapacity = [](const FlowArc* a) { return kSinkTree ? a->cap_forward : a->cap_backward; };
    auto inCapacity = [](const FlowArc* a) { return kSinkTree ? a->cap_backward : a->cap_forward; };
    auto inThisTree = [](const FlowNode* j) { return j->tree_link != LINK_NONE && (j->in_sink_tree != 0) == kSinkTree; };

    uintptr_t best = LINK_NONE;
    int32_t best_depth = DEPTH_INFINITE;
    const int32_t step = m_step;
    uintptr_t out_end = outEnd(i);
    uintptr_t in_end = inEnd(i);
    for (FlowArc* a = outBegin(i); reinterpret_cast<uintptr_t>(a) < out_end; ++a) {
        if (outCapacity(a) == 0) continue;
        FlowNode* j = headOf(i, a);
        if (!inThisTree(j)) continue;
        int32_t d = candidateDepth(j, step);
        if (d < best_depth) {
            best = reinterpret_cast<uintptr_t>(a);
            best_depth = d;
        }
    }
    for (InArcRef* r = inBegin(i); reinterpret_cast<uintptr_t>(r) < in_end; ++r) {
        FlowArc* a = inArc(r);
        if (inCapacity(a) == 0) continue;
        FlowNode* j = tailOf(i, a);
        if (!inThisTree(j)) continue;
        int32_t d = candidateDepth(j, step);
        if (d < best_depth) {
            best = reinterpret_cast<uintptr_t>(a) | LINK_AT_HEAD;
            best_depth = d;
        }
    }
    i->tree_link = best;
    if (best != LINK_NONE) {
        i->stamp = step;
        i->depth = best_depth + 1;
        return;
    }

    // Freed: neighbours of its former tree that could link to i again may
    // grow into it, and its children lose their parent.
    i->stamp = 0;
    for (FlowArc* a = outBegin(i); reinterpret_cast<uintptr_t>(a) < out_end; ++a) {
        FlowNode* j = headOf(i, a);
        if (!inThisTree(j)) continue;
        const uintptr_t link = j->tree_link;
        if (outCapacity(a) != 0) markActive(j);
        if (isArcLink(link) && (link & LINK_AT_HEAD) && tailOf(j, linkArc(link)) == i) makeOrphanBack(j);
    }
    for (InArcRef* r = inBegin(i); reinterpret_cast<uintptr_t>(r) < in_end; ++r) {
        FlowArc* a = inArc(r);
        FlowNode* j = tailOf(i, a);
        if (!inThisTree(j)) continue;
        const uintptr_t link = j->tree_link;
        if (inCapacity(a) != 0) markActive(j);
        if (isArcLink(link) && !(link & LINK_AT_HEAD) && headOf(j, linkArc(link)) == i) makeOrphanBack(j);
    }
}

void FlowGraph::adoptSourceOrphan(FlowNode* i) { adoptOrphan<false>(i); }

void FlowGraph::adoptSinkOrphan(FlowNode* i) { adoptOrphan<true>(i); }
