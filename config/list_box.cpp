#include "config/list_box.h"

#include <utility>

void ListBox::clear() {
    items_.clear();
    selected_ = -1;
    ++revision_;
}

void ListBox::add(std::string item) {
    items_.push_back(std::move(item));
    ++revision_;
}

void ListBox::select(int position) {
    selected_ = (position >= 0 && position < count()) ? position : -1;
}
