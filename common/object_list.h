// ObjectList: the indexed, growable list of untyped object pointers that every list of both
// programs uses. It never owns the objects it points to: whoever fills a list deletes the items.
//
// A new list has capacity 64 (all slots null). Growth when full: +16 up to 256, then +capacity/4,
// never beyond 10000 slots; an add that would need more is refused and returns -1 (nothing is
// overwritten). Out-of-range indices are ignored by removeAt/swap/setCount/setCapacity and make
// get return null. `count` is a plain field read because callers poll it in every loop pass.
#pragma once

#include <cstdint>

class ObjectList {
public:
    static constexpr int32_t kInitialCapacity = 64;
    static constexpr int32_t kMaxCapacity = 10000;

    ObjectList();
    virtual ~ObjectList();
    ObjectList(const ObjectList&) = delete;
    ObjectList& operator=(const ObjectList&) = delete;

    int32_t count;     // slots in use
    int32_t capacity;  // slots allocated

    void* get(int32_t index) const {
        if (index < 0 || index >= count || !items) return nullptr;
        return items[index];
    }
    int32_t add(void* item);
    void removeAt(int32_t index);
    void swap(int32_t a, int32_t b);
    void setCount(int32_t n);
    void setCapacity(int32_t n);
    void clear();

    // Typed access for callers that know what they stored.
    template <class T>
    T* at(int32_t index) const {
        return static_cast<T*>(get(index));
    }

private:
    void** items;  // owned slot array; slots from count to capacity hold null
    void grow();
};
