// ListBox: the state of one drop-down list without typing (the device, mode and detail lists of the
// settings window), kept free of any toolkit so the window's logic runs and is tested without a
// display. The FLTK view mirrors it.
//
// Positions count from 0; -1 means "no selection". Selecting a position outside the items leaves the
// list without a selection, as a list box does. Changing the selection here never raises an event:
// events belong to the form, which the view calls only for what the user does. `revision` changes
// whenever the items change, so a view rebuilds its entries only then.
#pragma once

#include <string>
#include <vector>

class ListBox {
public:
    void clear();
    void add(std::string item);
    int count() const { return static_cast<int>(items_.size()); }
    const std::vector<std::string>& items() const { return items_; }

    int selected() const { return selected_; }
    void select(int position);

    bool enabled() const { return enabled_; }
    void setEnabled(bool on) { enabled_ = on; }

    unsigned revision() const { return revision_; }

private:
    std::vector<std::string> items_;
    int selected_ = -1;
    bool enabled_ = true;
    unsigned revision_ = 0;
};
