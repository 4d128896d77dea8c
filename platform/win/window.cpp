// Window classes, window records, creation, destruction and default handling.
#include "platform/win/window.h"

#include <algorithm>
#include <map>

#include "platform/backend/backend.h"
#include "platform/win/messages.h"
#include "platform/win/paint.h"
#include "platform/win/window_registry.h"

namespace platform::win {
namespace {

struct ClassRecord {
    WNDCLASSA wc;
    std::string name;
};

std::map<std::string, ClassRecord> g_classes;
std::map<uintptr_t, WindowRecord> g_windows;
std::vector<HWND> g_order;  // creation order

backend::WindowId idOf(HWND hwnd) { return handleToNumber(hwnd); }

// Client origin on the screen: a child of our own window sits inside it; another program's window
// is taken to be at the screen's origin (only scripted pointer positions depend on it).
void placeOnScreen(WindowRecord& rec, int x, int y) {
    rec.screenX = x;
    rec.screenY = y;
    if (WindowRecord* parent = findRecord(rec.parent)) {
        rec.screenX += parent->screenX;
        rec.screenY += parent->screenY;
    }
}

void destroyChildren(HWND parent) {
    std::vector<HWND> children;
    for (HWND h : g_order)
        if (WindowRecord* r = findRecord(h); r && r->parent == parent) children.push_back(h);
    for (HWND h : children) destroyWindow(h, false);
}

}  // namespace

WindowRecord* findRecord(HWND hwnd) {
    auto it = g_windows.find(idOf(hwnd));
    return it == g_windows.end() ? nullptr : &it->second;
}

std::vector<HWND> allHandles() { return g_order; }

HWND inputWindow() { return g_order.empty() ? nullptr : g_order.back(); }

const WNDCLASSA* findClass(const std::string& name) {
    auto it = g_classes.find(name);
    return it == g_classes.end() ? nullptr : &it->second.wc;
}

bool destroyWindow(HWND hwnd, bool nativeGone) {
    WindowRecord* rec = findRecord(hwnd);
    if (!rec) return false;
    if (rec->destroying) return true;
    rec->destroying = true;
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    destroyChildren(hwnd);
    SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
    forgetTimersOf(hwnd);
    if (!nativeGone) backend::current().destroyWindow(idOf(hwnd));
    g_windows.erase(idOf(hwnd));
    g_order.erase(std::remove(g_order.begin(), g_order.end(), hwnd), g_order.end());
    return true;
}

HWND createWindow(const CreateRequest& req) {
    const WNDCLASSA* wc = findClass(req.className ? req.className : "");
    if (!wc) return nullptr;
    bool child = (req.style & WS_CHILD) != 0;
    if (child && !IsWindow(req.parent)) return nullptr;
    if (req.width < 0 || req.height < 0 || req.width > 32767 || req.height > 32767) return nullptr;

    backend::WindowSpec desired;
    desired.parent = child ? idOf(req.parent) : 0;
    desired.x = req.x;
    desired.y = req.y;
    desired.width = req.width;
    desired.height = req.height;
    desired.visible = (req.style & WS_VISIBLE) != 0;
    desired.topmost = (req.exStyle & WS_EX_TOPMOST) != 0;
    desired.className = req.className;
    desired.title = req.title ? req.title : "";
    backend::WindowId id = backend::current().createWindow(desired);
    if (!id) return nullptr;

    HWND hwnd = handleFromNumber(id);
    WindowRecord& rec = g_windows[id];
    rec.handle = hwnd;
    rec.proc = wc->lpfnWndProc;
    rec.className = desired.className;
    rec.title = desired.title;
    rec.style = req.style;
    rec.exStyle = req.exStyle;
    rec.parent = child ? req.parent : nullptr;
    rec.background = wc->hbrBackground;
    rec.enabled = (req.style & WS_DISABLED) == 0;
    int w = 0, h = 0;
    backend::current().clientSize(id, &w, &h);
    rec.width = w;
    rec.height = h;
    placeOnScreen(rec, req.x, req.y);
    g_order.push_back(hwnd);
    return hwnd;
}

LRESULT defaultHandling(HWND hwnd, UINT message, WPARAM wParam) {
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND: {
            WindowRecord* rec = findRecord(hwnd);
            if (!rec || !rec->background) return 0;
            RECT all{0, 0, rec->width, rec->height};
            platform::paintWindowRect(hwnd, rec->invalid ? rec->invalidRect : all, 0);
            return 1;
        }
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(hwnd, WM_CLOSE, 0, 0);
            return 0;
        default:
            return 0;
    }
}

void resetAll() {
    while (!g_order.empty()) {
        HWND h = g_order.front();
        if (!destroyWindow(h, false)) g_order.erase(g_order.begin());
    }
    g_windows.clear();
    g_classes.clear();
}

ATOM registerClass(const WNDCLASSA& wc) {
    if (!wc.lpszClassName || !*wc.lpszClassName || !wc.lpfnWndProc) return 0;
    std::string name = wc.lpszClassName;
    if (g_classes.count(name)) return 0;
    ClassRecord& rec = g_classes[name];
    rec.name = name;
    rec.wc = wc;
    rec.wc.lpszClassName = rec.name.c_str();
    rec.wc.lpszMenuName = nullptr;
    return static_cast<ATOM>(g_classes.size());
}

bool unregisterClass(const char* name) { return name && g_classes.erase(name) > 0; }

}  // namespace platform::win

using namespace platform::win;

ATOM RegisterClassA(const WNDCLASSA* wc) { return wc ? registerClass(*wc) : 0; }

BOOL UnregisterClassA(const char* className, HINSTANCE) { return unregisterClass(className) ? TRUE : FALSE; }

HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param) {
    CreateRequest req{exStyle, className, title, style, x, y, width, height, parent};
    HWND hwnd = createWindow(req);
    if (!hwnd) return nullptr;
    CREATESTRUCTA cs{param, instance, menu, parent, height, width, y, x, static_cast<LONG>(style), title,
                     className, exStyle};
    LRESULT created = SendMessageA(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs));
    if (created == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    WindowRecord* rec = findRecord(hwnd);
    if (!rec || rec->destroying) return nullptr;  // the window destroyed itself while being created
    if (style & WS_VISIBLE) {
        SendMessageA(hwnd, WM_SHOWWINDOW, TRUE, 0);
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    return findRecord(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) { return destroyWindow(hwnd, false) ? TRUE : FALSE; }

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    return defaultHandling(hwnd, message, wParam);
}

BOOL IsWindow(HWND hwnd) {
    if (!hwnd) return FALSE;
    if (WindowRecord* rec = findRecord(hwnd)) return rec->destroying ? FALSE : TRUE;
    return platform::backend::current().windowExists(handleToNumber(hwnd)) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
    WindowRecord* rec = findRecord(hwnd);
    return rec && rec->enabled ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    WindowRecord* rec = findRecord(hwnd);
    if (!rec) return FALSE;
    bool wasDisabled = !rec->enabled;
    bool wanted = enable != FALSE;
    if (rec->enabled != wanted) {
        rec->enabled = wanted;
        rec->style = wanted ? (rec->style & ~WS_DISABLED) : (rec->style | WS_DISABLED);
        SendMessageA(hwnd, WM_ENABLE, wanted ? TRUE : FALSE, 0);
    }
    return wasDisabled ? TRUE : FALSE;
}

HWND GetParent(HWND hwnd) {
    WindowRecord* rec = findRecord(hwnd);
    return rec ? rec->parent : nullptr;
}

LONG GetWindowLongA(HWND hwnd, int index) {
    WindowRecord* rec = findRecord(hwnd);
    if (!rec) return 0;
    if (index == GWL_STYLE) return static_cast<LONG>(rec->style);
    if (index == GWL_EXSTYLE) return static_cast<LONG>(rec->exStyle);
    return 0;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    if (!rect || !hwnd) return FALSE;
    int w = 0, h = 0;
    if (WindowRecord* rec = findRecord(hwnd)) {
        w = rec->width;
        h = rec->height;
    } else if (!platform::backend::current().clientSize(handleToNumber(hwnd), &w, &h)) {
        return FALSE;
    }
    *rect = RECT{0, 0, w, h};
    return TRUE;
}

HWND FindWindowA(const char* className, const char* title) {
    return handleFromNumber(platform::backend::current().findWindow(className, title));
}

BOOL SetForegroundWindow(HWND hwnd) {
    return hwnd && platform::backend::current().bringToFront(handleToNumber(hwnd)) ? TRUE : FALSE;
}

HWND GetForegroundWindow() { return handleFromNumber(platform::backend::current().foregroundWindow()); }

HINSTANCE GetModuleHandleA(const char*) { return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000)); }

namespace platform {

int ownWindows(HWND* out, int capacity) {
    int n = 0;
    for (HWND h : win::allHandles())
        if (n < capacity) out[n++] = h;
    return n;
}

void resetWindows() { win::resetAll(); }

}  // namespace platform
