// A growable array of plain values on malloc, the row rasteriser's working
// memory. The web page's core is built without exceptions, where a standard
// container's failure paths abort through an import the page does not
// provide, and a freestanding build has no such paths at all; this one says
// when it cannot grow instead.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <type_traits>

template <typename T>
class PlainArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    PlainArray() = default;
    PlainArray(const PlainArray &) = delete;
    PlainArray &operator=(const PlainArray &) = delete;
    ~PlainArray() { free(items_); }

    // New items are value-initialised. False, with nothing changed, when
    // memory runs out.
    bool Resize(size_t size)
    {
        if (size > capacity_) {
            const size_t capacity = size > 2 * capacity_ ? size : 2 * capacity_;
            void *items = capacity <= SIZE_MAX / sizeof(T) ? realloc(items_, capacity * sizeof(T)) : nullptr;
            if (!items) {
                return false;
            }
            items_ = static_cast<T *>(items);
            capacity_ = capacity;
        }
        for (size_t i = size_; i < size; ++i) {
            items_[i] = T{};
        }
        size_ = size;
        return true;
    }

    size_t Size() const { return size_; }
    T &operator[](size_t i) { return items_[i]; }
    const T &operator[](size_t i) const { return items_[i]; }
    const T *begin() const { return items_; }
    const T *end() const { return items_ + size_; }

private:
    T *items_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};
