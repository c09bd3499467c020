// OrphanPool: the records of the solver's orphan list, for one maxflow().
//
// Records come from chunks of m_records_per_chunk (128) records, one
// allocation per chunk; a released record goes to the front of the free list
// and is the next one handed out, so the pool grows only to the largest
// number of orphans waiting at once. allocRecord and releaseRecord are O(1).
// Invariant: every record is either on the free list or owned by the caller.
// A chunk that cannot be allocated is reported as "Not enough memory!"
// through the error callback, then exit(1) if the callback returns. The
// records are not given back one by one: destroy() releases every chunk.
#ifndef LABRIX_CUTENGINE_ORPHAN_POOL_H
#define LABRIX_CUTENGINE_ORPHAN_POOL_H

#include <cstdint>
#include <cstdlib>

#include "cutengine/flow_graph.h"

struct OrphanRecord {
    FlowNode* orphan_node;
    OrphanRecord* next_record;
};

struct OrphanChunk {
    void* raw_base;
    OrphanChunk* next_chunk;
    // followed by the records
    OrphanRecord* records() { return reinterpret_cast<OrphanRecord*>(this + 1); }
};

struct OrphanPool {
    int32_t m_records_per_chunk;
    OrphanChunk* m_pool_chunks;
    OrphanRecord* m_free_records;
    FlowErrorFn m_error_fn;
    void* m_raw_base;

    // Allocates the pool itself; null when the host refuses the memory.
    static OrphanPool* create(int32_t records_per_chunk, FlowErrorFn error_fn) {
        void* raw = PersistentHeap::allocateCallScoped(sizeof(OrphanPool) + 7);
        if (!raw) return nullptr;
        OrphanPool* pool = reinterpret_cast<OrphanPool*>((reinterpret_cast<uintptr_t>(raw) + 7) & ~uintptr_t(7));
        pool->m_records_per_chunk = records_per_chunk;
        pool->m_pool_chunks = nullptr;
        pool->m_free_records = nullptr;
        pool->m_error_fn = error_fn;
        pool->m_raw_base = raw;
        return pool;
    }

    static void destroy(OrphanPool* pool) {
        OrphanChunk* c = pool->m_pool_chunks;
        while (c) {
            OrphanChunk* next = c->next_chunk;
            PersistentHeap::releaseCallScoped(c->raw_base);
            c = next;
        }
        PersistentHeap::releaseCallScoped(pool->m_raw_base);
    }

    OrphanRecord* allocRecord() {
        if (!m_free_records) addChunk();
        OrphanRecord* r = m_free_records;
        m_free_records = r->next_record;
        return r;
    }

    void releaseRecord(OrphanRecord* r) {
        r->next_record = m_free_records;
        m_free_records = r;
    }

private:
    void addChunk() {
        size_t bytes = sizeof(OrphanChunk) + sizeof(OrphanRecord) * static_cast<size_t>(m_records_per_chunk);
        void* raw = PersistentHeap::allocateCallScoped(bytes + 7);
        if (!raw) {
            if (m_error_fn) m_error_fn("Not enough memory!");
            std::exit(1);
        }
        OrphanChunk* c = reinterpret_cast<OrphanChunk*>((reinterpret_cast<uintptr_t>(raw) + 7) & ~uintptr_t(7));
        c->raw_base = raw;
        c->next_chunk = m_pool_chunks;
        m_pool_chunks = c;
        OrphanRecord* r = c->records();
        for (int32_t i = 0; i + 1 < m_records_per_chunk; ++i) r[i].next_record = &r[i + 1];
        r[m_records_per_chunk - 1].next_record = nullptr;
        m_free_records = r;
    }
};

#endif
