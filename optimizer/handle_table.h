// HandleTable: the one table that names live optimizer objects to MATLAB.
//
// A handle is a 32-bit value that names a slot and the generation of the
// object in it: slot index + 1 in the low 16 bits, the generation (never 0)
// in the high 16 bits. 0 names no object. Lookups never treat a value from
// MATLAB as an address: a value whose slot does not exist, is empty, or holds
// another generation (a closed object's stale handle) finds nothing.
// Generations come from one counter that survives the table emptying, so a
// stale handle is not revived by the next object in its slot; slots are
// reused round-robin, which spreads reuse over the whole table.
//
// The table lives in liblabrix, shared by labrixnew and labrixgate. Each
// module attaches on its first call and detaches from its exit handler; when
// the last module detaches (clear all / clear functions in Octave, clear mex
// in MATLAB, host exit) every live object is destroyed.
#ifndef LABRIX_OPTIMIZER_HANDLE_TABLE_H
#define LABRIX_OPTIMIZER_HANDLE_TABLE_H

#include <cstddef>
#include <cstdint>

class Lumora;

struct HandleTable {
    static const uint32_t kSlots = 65535;

    // Names obj with a new handle; 0 when every slot is taken.
    static uint32_t add(Lumora* obj);
    // The live object a handle names, or null.
    static Lumora* find(uint32_t handle);
    // Forgets the handle and returns its object (null when none); the
    // caller destroys the object.
    static Lumora* remove(uint32_t handle);
    static size_t liveObjects();
    // Persistent bytes owned by all live objects.
    static size_t liveObjectBytes();
    static void destroyAll();

    static void attachModule();
    static void detachModule();
};

#endif
