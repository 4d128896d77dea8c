// Stand-in until the software 3D device exists: no DirectDraw object offers a Direct3D interface.
// The 3D device replaces this file with its real factory.
#include "platform/ddraw/ddraw.h"

HRESULT CreateDirect3DForDirectDraw(IDirectDraw7*, IDirect3D7** out) {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
}
