// A surface for overlay tests: remembers the fast copies made onto it, answers its size and a
// source colour key, and counts references.
#pragma once

#include <vector>

#include "platform/ddraw/ddraw.h"

struct FakeSurface : IDirectDrawSurface7 {
    struct Copy {
        DWORD x, y;
        IDirectDrawSurface7* source;
        RECT rect;
        DWORD flags;
    };
    DWORD width = 0, height = 0;
    DDCOLORKEY key = {0x07E0, 0x07E0};
    ULONG references = 1;
    std::vector<Copy> copies;

    FakeSurface(DWORD w = 0, DWORD h = 0) : width(w), height(h) {}
    ~FakeSurface() override = default;

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }  // the test owns the object
    HRESULT AddAttachedSurface(IDirectDrawSurface7*) override { return DD_OK; }
    HRESULT Blt(RECT*, IDirectDrawSurface7*, RECT*, DWORD, DDBLTFX*) override { return DD_OK; }
    HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface7* source, RECT* rect, DWORD flags) override {
        copies.push_back({x, y, source, rect ? *rect : RECT{}, flags});
        return DD_OK;
    }
    HRESULT DeleteAttachedSurface(DWORD, IDirectDrawSurface7*) override { return DD_OK; }
    HRESULT Flip(IDirectDrawSurface7*, DWORD) override { return DD_OK; }
    HRESULT GetAttachedSurface(DDSCAPS2*, IDirectDrawSurface7**) override { return E_NOTIMPL; }
    HRESULT GetColorKey(DWORD, DDCOLORKEY* out) override {
        *out = key;
        return DD_OK;
    }
    HRESULT GetDC(HDC*) override { return E_NOTIMPL; }
    HRESULT GetPixelFormat(DDPIXELFORMAT*) override { return E_NOTIMPL; }
    HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc) override {
        desc->dwWidth = width;
        desc->dwHeight = height;
        return DD_OK;
    }
    HRESULT IsLost() override { return DD_OK; }
    HRESULT Lock(RECT*, DDSURFACEDESC2*, DWORD, HANDLE) override { return E_NOTIMPL; }
    HRESULT ReleaseDC(HDC) override { return DD_OK; }
    HRESULT Restore() override { return DD_OK; }
    HRESULT SetColorKey(DWORD, DDCOLORKEY* k) override {
        key = *k;
        return DD_OK;
    }
    HRESULT Unlock(RECT*) override { return DD_OK; }
};
