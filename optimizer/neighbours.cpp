// General-graph neighbourhoods: setNeighbors and the record store.
#include "optimizer/lumora.h"
#include "optimizer/neighbour_records.h"

NeighbourRecord* takeNeighbourRecord(NeighbourRecordChunk*& chunks) {
    if (!chunks || chunks->used == NeighbourRecordChunk::kRecordsPerChunk) {
        NeighbourRecordChunk* chunk =
            static_cast<NeighbourRecordChunk*>(PersistentHeap::allocate(sizeof(NeighbourRecordChunk)));
        if (!chunk) return nullptr;
        chunk->next = chunks;
        chunk->used = 0;
        chunks = chunk;
    }
    return &chunks->records[chunks->used++];
}

void releaseNeighbourRecords(NeighbourRecordChunk* chunks) {
    while (chunks) {
        NeighbourRecordChunk* older = chunks->next;
        PersistentHeap::release(chunks);
        chunks = older;
    }
}

size_t neighbourRecordBytes(const NeighbourRecordChunk* chunks) {
    size_t total = 0;
    for (; chunks; chunks = chunks->next) total += sizeof(NeighbourRecordChunk);
    return total;
}

void Lumora::setNeighbors(int32_t pixel1, int32_t pixel2, EnergyValue weight) {
    // Preconditions are reported, not asserted: a failed assertion would end
    // the host process. Nothing is added to either list when one fails.
    reportError(!(pixel1 < m_num_pixels && pixel1 >= 0 && pixel2 < m_num_pixels && pixel2 >= 0),
                "pixel1 < m_num_pixels && pixel1 >= 0 && pixel2 < m_num_pixels && pixel2 >= 0");
    reportError(m_grid_graph, "m_grid_graph == 0");
    NeighbourRecord* r1 = takeNeighbourRecord(m_record_chunks);
    NeighbourRecord* r2 = takeNeighbourRecord(m_record_chunks);
    reportError(!r1 || !r2, "Not enough memory");
    r1->pixel = pixel2;
    r1->weight = weight;
    r2->pixel = pixel1;
    r2->weight = weight;
    m_neighbours[pixel1].addFront(r1);
    m_neighbours[pixel2].addFront(r2);
}

void Lumora::setNeighbors(int32_t pixel1, int32_t pixel2) { setNeighbors(pixel1, pixel2, 1.0f); }
