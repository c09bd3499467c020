// PersistentHeap: the one allocation path of the Labrix modules.
//
// Long-lived memory (an optimizer object and everything it owns) comes from
// the host's mxMalloc and is made persistent at once, so that it outlives the
// call that made it; it goes back only through release(). Memory that lives
// inside one call (a move's graph, its variables, the creation module's
// scratch) comes from allocateCallScoped(): the code frees it before the call
// returns, and the host frees it if the call ends in an error, so a failed
// call leaks nothing.
//
// No operation throws and none tests for the caller: a null result means the
// host refused the memory, and the caller reports its own message. A request
// for zero bytes is served as one byte, so that null always means failure.
// The global operator new/delete are left alone: inside a host process
// replacing them would reach into the host's own allocations. Classes that
// live in host memory derive from PersistentObject or CallScopedObject.
#ifndef LABRIX_OPTIMIZER_PERSISTENT_HEAP_H
#define LABRIX_OPTIMIZER_PERSISTENT_HEAP_H

#include <cstddef>
#include <cstdint>

struct PersistentHeap {
    static void* allocate(size_t bytes);
    static void release(void* p);
    static void* allocateCallScoped(size_t bytes);
    static void releaseCallScoped(void* p);

    // count elements of T, or null when the byte size would overflow.
    template <typename T>
    static T* allocateArray(size_t count) {
        if (count > SIZE_MAX / sizeof(T)) return nullptr;
        return static_cast<T*>(allocate(count * sizeof(T)));
    }
    template <typename T>
    static T* allocateCallScopedArray(size_t count) {
        if (count > SIZE_MAX / sizeof(T)) return nullptr;
        return static_cast<T*>(allocateCallScoped(count * sizeof(T)));
    }
};

// Base of classes whose objects outlive the call that made them.
struct PersistentObject {
    static void* operator new(size_t bytes) noexcept { return PersistentHeap::allocate(bytes); }
    static void* operator new[](size_t bytes) noexcept { return PersistentHeap::allocate(bytes); }
    static void operator delete(void* p) noexcept { PersistentHeap::release(p); }
    static void operator delete[](void* p) noexcept { PersistentHeap::release(p); }
};

// Base of classes whose objects live inside one call.
struct CallScopedObject {
    static void* operator new(size_t bytes) noexcept { return PersistentHeap::allocateCallScoped(bytes); }
    static void* operator new[](size_t bytes) noexcept { return PersistentHeap::allocateCallScoped(bytes); }
    static void operator delete(void* p) noexcept { PersistentHeap::releaseCallScoped(p); }
    static void operator delete[](void* p) noexcept { PersistentHeap::releaseCallScoped(p); }
};

#endif
