// LinkedBlockList: a per-pixel list of untyped entries (here pointers to
// NeighbourRecord), kept as a singly linked chain of blocks of four slots that
// only grows at the front, and read with a cursor.
//
// Invariants: only the head block may be partly filled (m_head_fill of its
// slots, 1 to 4); every older block holds exactly four entries; an empty list
// has no head and m_head_fill 4, so the first addFront opens a block. The
// reading order is the head block's slots 0..m_head_fill-1, then each older
// block's slots 0..3: entries e1..e6 read back as e5, e6, e1, e2, e3, e4.
// The list owns its blocks, not what the entries point to.
#ifndef LABRIX_OPTIMIZER_LINKED_BLOCK_LIST_H
#define LABRIX_OPTIMIZER_LINKED_BLOCK_LIST_H

#include <cstdint>

#include "optimizer/persistent_heap.h"

struct ListBlock : PersistentObject {
    void* entries[4];
    ListBlock* next;
};

class LinkedBlockList : public PersistentObject {
public:
    LinkedBlockList() : m_head(nullptr), m_head_fill(4), m_cursor_pos(0), m_cursor_block(nullptr) {}
    ~LinkedBlockList();
    LinkedBlockList(const LinkedBlockList&) = delete;
    LinkedBlockList& operator=(const LinkedBlockList&) = delete;

    // Ends the host call with "Labrix:LinkedBlockList:addFront" when a block
    // cannot be allocated; the list is then unchanged.
    void addFront(void* entry);
    bool isEmpty() const { return m_head == nullptr; }
    void setCursorFront() {
        m_cursor_block = m_head;
        m_cursor_pos = 0;
    }
    bool hasNext() const { return m_cursor_block != nullptr; }
    // Allowed only while hasNext().
    void* next() {
        void* e = m_cursor_block->entries[m_cursor_pos];
        ++m_cursor_pos;
        if ((m_cursor_block == m_head && m_cursor_pos >= m_head_fill) || m_cursor_pos == 4) {
            m_cursor_block = m_cursor_block->next;
            m_cursor_pos = 0;
        }
        return e;
    }

    // For tests of the block layout.
    const ListBlock* head() const { return m_head; }
    int headFill() const { return m_head_fill; }

private:
    ListBlock* m_head;
    int8_t m_head_fill;
    int8_t m_cursor_pos;
    ListBlock* m_cursor_block;
};

#endif
