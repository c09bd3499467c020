#include "optimizer/handle_table.h"

#include <ctime>

#include "optimizer/lumora.h"

namespace {

struct Slot {
    Lumora* object;
    uint16_t generation;
};

// Static storage: the table needs no allocation, so it owns no host memory
// and cannot fail to exist.
Slot g_slots[HandleTable::kSlots];
uint32_t g_cursor = 0;
size_t g_live = 0;
int g_modules = 0;
// Seeded from the clock, so that handles of an earlier load of the library
// are unlikely to name objects of a later one.
uint16_t g_generation = static_cast<uint16_t>(time(nullptr) * 2654435761u >> 16);

}  // namespace

uint32_t HandleTable::add(Lumora* obj) {
    if (!obj || g_live >= kSlots) return 0;
    while (g_slots[g_cursor].object) g_cursor = (g_cursor + 1) % kSlots;
    uint16_t generation = ++g_generation;
    if (generation == 0) generation = ++g_generation;
    g_slots[g_cursor] = Slot{obj, generation};
    ++g_live;
    const uint32_t handle = (static_cast<uint32_t>(generation) << 16) | (g_cursor + 1);
    g_cursor = (g_cursor + 1) % kSlots;
    return handle;
}

Lumora* HandleTable::find(uint32_t handle) {
    const uint32_t index = (handle & 0xffffu);
    const uint16_t generation = static_cast<uint16_t>(handle >> 16);
    if (index == 0 || index > kSlots || generation == 0) return nullptr;
    const Slot& slot = g_slots[index - 1];
    if (!slot.object || slot.generation != generation) return nullptr;
    return slot.object;
}

Lumora* HandleTable::remove(uint32_t handle) {
    Lumora* obj = find(handle);
    if (obj) {
        g_slots[(handle & 0xffffu) - 1] = Slot{nullptr, 0};
        --g_live;
    }
    return obj;
}

size_t HandleTable::liveObjects() { return g_live; }

size_t HandleTable::liveObjectBytes() {
    size_t total = 0;
    for (const Slot& slot : g_slots)
        if (slot.object) total += slot.object->ownedBytes();
    return total;
}

void HandleTable::destroyAll() {
    for (Slot& slot : g_slots) {
        if (slot.object) {
            delete slot.object;
            slot = Slot{nullptr, 0};
        }
    }
    g_live = 0;
}

void HandleTable::attachModule() { ++g_modules; }

void HandleTable::detachModule() {
    if (g_modules > 0 && --g_modules == 0) destroyAll();
}
