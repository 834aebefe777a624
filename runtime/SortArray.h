// Sorted arrays of plain values kept back to back in a byte buffer, in ascending order.
#pragma once
#include <cstdint>
#include <cstring>

#include "runtime/QelString.h"

template <class T>
class CSortArray : public CQelCommonBase {
public:
    explicit CSortArray(int64_t growStep = CQelMem::kDefaultGrowStep) { items.growStep = growStep; }
    virtual ~CSortArray() = default;

    // Inserts the value at p (0 when p is null) at its sorted position even when equal values exist:
    // after the run of equal values when afterEqual is set, otherwise where the search met one.
    // Answers the position.
    virtual int64_t AddSorted(const T* p, int afterEqual) {
        const T value = p ? *p : T();
        bool found = false;
        int64_t index = Search(value, found);
        if (found && afterEqual) {
            const int64_t count = GetCount();
            while (index < count && CompareItems(&value, At(index)) == 0) ++index;
        }
        InsertAt(index, value);
        return index;
    }

    // Inserts the value at p (0 when p is null) unless it is present; answers its position, or -1
    // when it was present.
    virtual int64_t AddUnique(const T* p) {
        const T value = p ? *p : T();
        const int64_t count = GetCount();
        if (count == 0 || CompareItems(&value, At(0)) < 0) {
            InsertAt(0, value);
            return 0;
        }
        if (CompareItems(&value, At(count - 1)) > 0) {
            InsertAt(count, value);
            return count;
        }
        bool found = false;
        const int64_t index = Search(value, found);
        if (found) return -1;
        InsertAt(index, value);
        return index;
    }

    // -1, 0 or 1 as the value at a is smaller than, equal to or greater than the value at b.
    virtual int CompareItems(const T* a, const T* b) const {
        if (*a < *b) return -1;
        if (*b < *a) return 1;
        return 0;
    }

    int64_t GetCount() const { return items.size / static_cast<int64_t>(sizeof(T)); }
    T GetAt(int64_t index) const {
        T value;
        std::memcpy(&value, items.data + index * static_cast<int64_t>(sizeof(T)), sizeof(T));
        return value;
    }

    CQelMem items;

protected:
    const T* At(int64_t index) const { return reinterpret_cast<const T*>(items.data + index * static_cast<int64_t>(sizeof(T))); }

    // Binary search: the index of an equal value (found set), or the insertion position.
    int64_t Search(const T& value, bool& found) const {
        int64_t low = 0;
        int64_t high = GetCount() - 1;
        found = false;
        while (low <= high) {
            const int64_t middle = low + (high - low) / 2;
            const int c = CompareItems(&value, At(middle));
            if (c == 0) {
                found = true;
                return middle;
            }
            if (c < 0) high = middle - 1;
            else low = middle + 1;
        }
        return low;
    }

    void InsertAt(int64_t index, const T& value) {
        const int64_t offset = index * static_cast<int64_t>(sizeof(T));
        const int64_t oldSize = items.size;
        items.SetSize(oldSize + static_cast<int64_t>(sizeof(T)));
        std::memmove(items.data + offset + sizeof(T), items.data + offset, static_cast<size_t>(oldSize - offset));
        std::memcpy(items.data + offset, &value, sizeof(T));
    }
};

// A sorted array that holds each value once.
template <class T>
class CUniqueArray : public CSortArray<T> {
public:
    using CSortArray<T>::CSortArray;
    // Adds the value unless present: its position, or -1.
    int64_t Add(const T* p) { return this->AddUnique(p); }
};

// A set of unsigned 64-bit numbers (the menus keep their accelerator key values in one).
class CNumUniqueArray : public CUniqueArray<uint64_t> {
public:
    using CUniqueArray<uint64_t>::CUniqueArray;
    int CompareItems(const uint64_t* a, const uint64_t* b) const override {
        if (*a > *b) return 1;
        if (*a < *b) return -1;
        return 0;
    }
};
