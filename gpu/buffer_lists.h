// Intrusive circular doubly-linked lists for the buffer manager. A list is a
// static head link; an empty list is a head that points to itself both ways.
// A link that belongs to no list is kept pointing to itself as well, so that
// membership can be told from the link alone.
#pragma once

#include "gpu.h"

#include <cstddef>

namespace gpu_mm {

inline void list_init(gpuListLink* link) {
    link->next = link;
    link->prev = link;
}

inline bool list_empty(const gpuListLink* head) {
    return head->next == head;
}

// Links node in just before position; with the head as position this
// appends to the back of the list.
inline void list_insert_before(gpuListLink* position, gpuListLink* node) {
    node->prev = position->prev;
    node->next = position;
    position->prev->next = node;
    position->prev = node;
}

inline void list_append(gpuListLink* head, gpuListLink* node) {
    list_insert_before(head, node);
}

// Unlinks node and leaves it pointing to itself.
inline void list_remove(gpuListLink* node) {
    node->prev->next = node->next;
    node->next->prev = node->prev;
    list_init(node);
}

// The buffer that owns a link of `list`. The link is the buffer's first
// member, so the two addresses are the same.
inline gpuBuf* buf_of_list_link(gpuListLink* link) {
    return reinterpret_cast<gpuBuf*>(link);
}

// The buffer that owns a link of `fc_list`.
inline gpuBuf* buf_of_fc_link(gpuListLink* link) {
    return reinterpret_cast<gpuBuf*>(reinterpret_cast<char*>(link) - offsetof(gpuBuf, fc_link));
}

} // namespace gpu_mm
