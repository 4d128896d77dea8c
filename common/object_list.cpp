#include "common/object_list.h"

#include <algorithm>

ObjectList::ObjectList() : count(0), capacity(0), items(nullptr) { setCapacity(kInitialCapacity); }

ObjectList::~ObjectList() {
    clear();
    delete[] items;
}

void ObjectList::grow() {
    int32_t next = capacity > 256 ? capacity + capacity / 4 : capacity + 16;
    setCapacity(next);
}

int32_t ObjectList::add(void* item) {
    if (count == capacity) grow();
    if (count == capacity) return -1;  // at the bound: refused, nothing overwritten
    items[count] = item;
    return count++;
}

void ObjectList::removeAt(int32_t index) {
    if (index < 0 || index >= count) return;
    std::copy(items + index + 1, items + count, items + index);
    --count;
    items[count] = nullptr;
}

void ObjectList::swap(int32_t a, int32_t b) {
    if (a < 0 || a >= count || b < 0 || b >= count) return;
    std::swap(items[a], items[b]);
}

void ObjectList::setCount(int32_t n) {
    if (n < 0 || n > kMaxCapacity) return;
    if (n > capacity) setCapacity(n);
    if (n > capacity) return;
    for (int32_t i = count; i < n; ++i) items[i] = nullptr;
    for (int32_t i = n; i < count; ++i) items[i] = nullptr;
    count = n;
}

void ObjectList::setCapacity(int32_t n) {
    if (n < count || n > kMaxCapacity || n == capacity) return;
    void** fresh = n > 0 ? new void*[n]() : nullptr;
    int32_t keep = std::min(n, capacity);
    if (items && fresh) std::copy(items, items + keep, fresh);
    delete[] items;
    items = fresh;
    capacity = n;
}

void ObjectList::clear() {
    setCount(0);
    setCapacity(0);
}
