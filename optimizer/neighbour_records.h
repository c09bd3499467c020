// The chunked store of a Lumora object's NeighbourRecords: records are handed
// out from chunks of kRecordsPerChunk, newest chunk first, and released with
// the object in one walk. A record never moves, so list entries may point to
// it for the object's lifetime.
#ifndef LABRIX_OPTIMIZER_NEIGHBOUR_RECORDS_H
#define LABRIX_OPTIMIZER_NEIGHBOUR_RECORDS_H

#include <cstddef>

#include "optimizer/lumora.h"

struct NeighbourRecordChunk {
    static const int kRecordsPerChunk = 1022;  // chunk of about 8 KiB
    NeighbourRecordChunk* next;
    int used;
    NeighbourRecord records[kRecordsPerChunk];
};

// A fresh record from the newest chunk, or null when no chunk can be had.
NeighbourRecord* takeNeighbourRecord(NeighbourRecordChunk*& chunks);
void releaseNeighbourRecords(NeighbourRecordChunk* chunks);
size_t neighbourRecordBytes(const NeighbourRecordChunk* chunks);

#endif
