#include "optimizer/linked_block_list.h"

#include "mex.h"

LinkedBlockList::~LinkedBlockList() {
    while (m_head) {
        ListBlock* older = m_head->next;
        delete m_head;
        m_head = older;
    }
}

void LinkedBlockList::addFront(void* entry) {
    if (m_head_fill == 4) {
        ListBlock* block = new ListBlock;
        if (!block) {
            mexErrMsgIdAndTxt("Labrix:LinkedBlockList:addFront", "Out of memory");
            return;
        }
        block->next = m_head;
        m_head = block;
        m_head_fill = 0;
    }
    m_head->entries[m_head_fill] = entry;
    ++m_head_fill;
}
