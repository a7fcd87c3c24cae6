// A list with a fixed capacity held inline: the renderer's working storage
// for polygons, sized from the command set's limits instead of the heap.
#pragma once

#include <cstddef>

namespace renderer {

template <class T, std::size_t Capacity> class BoundedList {
  public:
    static constexpr std::size_t capacity = Capacity;

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear() { size_ = 0; }

    // False (and nothing stored) when the list is full; callers size the
    // capacity so that this cannot happen and check it where it could.
    bool push_back(const T& item) {
        if (size_ == Capacity) return false;
        items_[size_++] = item;
        return true;
    }

    T& operator[](std::size_t i) { return items_[i]; }
    const T& operator[](std::size_t i) const { return items_[i]; }
    const T& back() const { return items_[size_ - 1]; }
    const T* begin() const { return items_; }
    const T* end() const { return items_ + size_; }

  private:
    T items_[Capacity];
    std::size_t size_ = 0;
};

} // namespace renderer
