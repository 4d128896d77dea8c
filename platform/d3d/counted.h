// Reference counting for the objects this layer hands out: the object starts with one reference
// (the creator's) and deletes itself when the last one is released. QueryInterface offers nothing
// unless the object overrides it.
#pragma once

#include "platform/win/wintypes.h"

namespace platform::d3d {

template <class Interface>
class Counted : public Interface {
public:
    HRESULT QueryInterface(REFIID, void** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    ~Counted() override = default;

private:
    ULONG refs_ = 1;
};

}  // namespace platform::d3d
