#include "optimizer/persistent_heap.h"

#include "mex.h"

void* PersistentHeap::allocate(size_t bytes) {
    void* p = mxMalloc(bytes ? bytes : 1);
    if (p) mexMakeMemoryPersistent(p);
    return p;
}

void PersistentHeap::release(void* p) {
    if (p) mxFree(p);
}

void* PersistentHeap::allocateCallScoped(size_t bytes) { return mxMalloc(bytes ? bytes : 1); }

void PersistentHeap::releaseCallScoped(void* p) {
    if (p) mxFree(p);
}
