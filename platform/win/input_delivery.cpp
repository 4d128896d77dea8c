// Backend events and scripted events become window messages.
#include "platform/win/input_delivery.h"

#include "platform/backend/bridge.h"
#include "platform/backend/headless.h"
#include "platform/win/messages.h"
#include "platform/win/paint.h"
#include "platform/win/window.h"
#include "platform/win/window_registry.h"

namespace platform::win {
namespace {

// Alt and F10 arrive as system keys, as on Windows.
bool isSystemKey(int vk) { return vk == static_cast<int>(VK_MENU) || vk == static_cast<int>(VK_F10); }

HWND targetOf(backend::WindowId window) {
    HWND h = handleFromNumber(window);
    return window && findRecord(h) ? h : inputWindow();
}

void postKey(HWND hwnd, int vk, bool down) {
    UINT msg = isSystemKey(vk) ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    LPARAM lp = down ? 1 : static_cast<LPARAM>(0xC0000001u);
    PostMessageA(hwnd, msg, static_cast<WPARAM>(vk), lp);
}

void postButton(HWND hwnd, int button, bool down) {
    static const UINT kDown[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    static const UINT kUp[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
    if (button < 0 || button > 2) return;
    WindowRecord* rec = findRecord(hwnd);
    if (!rec) return;
    POINT p{0, 0};
    int sx = 0, sy = 0;
    if (backend::current().cursorPosition(&sx, &sy)) p = POINT{sx - rec->screenX, sy - rec->screenY};
    PostMessageA(hwnd, down ? kDown[button] : kUp[button], down ? 1 : 0, MAKELPARAM(p.x, p.y));
}

void postMotion(HWND hwnd, int clientX, int clientY) {
    PostMessageA(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(1, WM_MOUSEMOVE));
    PostMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(clientX, clientY));
}

void postToTopLevel(UINT message, WPARAM wParam) {
    for (HWND h : allHandles())
        if (WindowRecord* r = findRecord(h); r && !findRecord(r->parent)) PostMessageA(h, message, wParam, 0);
}

}  // namespace

bool postCloseToTopLevelWindows() {
    bool any = false;
    for (HWND h : allHandles())
        if (WindowRecord* r = findRecord(h); r && !findRecord(r->parent)) any = PostMessageA(h, WM_CLOSE, 0, 0) || any;
    return any;
}

void deliverBackendEvent(const backend::BackendEvent& e) {
    using backend::EventKind;
    HWND target = targetOf(e.window);
    switch (e.kind) {
        case EventKind::KeyDown: postKey(target, e.code, true); break;
        case EventKind::KeyUp: postKey(target, e.code, false); break;
        case EventKind::ButtonDown: postButton(target, e.code, true); break;
        case EventKind::ButtonUp: postButton(target, e.code, false); break;
        case EventKind::Motion: postMotion(target, e.x, e.y); break;
        case EventKind::Deactivate: postToTopLevel(WM_ACTIVATEAPP, FALSE); break;
        case EventKind::Hidden: bridge::raise(bridge::DisplayEvent::Hidden); break;
        case EventKind::Shown: bridge::raise(bridge::DisplayEvent::Shown); break;
        case EventKind::Taken: bridge::raise(bridge::DisplayEvent::Taken); break;
        case EventKind::Given: bridge::raise(bridge::DisplayEvent::Given); break;
        case EventKind::Exposed: InvalidateRect(handleFromNumber(e.window), nullptr, TRUE); break;
        case EventKind::Destroyed: destroyWindow(handleFromNumber(e.window), true); break;
        case EventKind::CloseRequest: PostMessageA(handleFromNumber(e.window), WM_CLOSE, 0, 0); break;
        case EventKind::ConnectionLost: postCloseToTopLevelWindows(); break;
    }
}

void deliverScriptedEvent(const ScriptedEvent& e) {
    HWND target = inputWindow();
    switch (e.kind) {
        case ScriptedKind::Move: {
            backend::current().moveCursor(e.a, e.b);
            if (WindowRecord* rec = findRecord(target)) postMotion(target, e.a - rec->screenX, e.b - rec->screenY);
            break;
        }
        case ScriptedKind::Key:
            postKey(target, e.a, true);
            postKey(target, e.a, false);
            break;
        case ScriptedKind::Button:
            postButton(target, e.a, true);
            postButton(target, e.a, false);
            break;
        case ScriptedKind::Deactivate: postToTopLevel(WM_ACTIVATEAPP, FALSE); break;
        case ScriptedKind::Hide: bridge::raise(bridge::DisplayEvent::Hidden); break;
        case ScriptedKind::Show: bridge::raise(bridge::DisplayEvent::Shown); break;
        case ScriptedKind::Take: bridge::raise(bridge::DisplayEvent::Taken); break;
        case ScriptedKind::Give: bridge::raise(bridge::DisplayEvent::Given); break;
        case ScriptedKind::Disable: EnableWindow(target, FALSE); break;
        case ScriptedKind::Enable: EnableWindow(target, TRUE); break;
        case ScriptedKind::DestroyHost: headless::destroyHostWindow(); break;
    }
}

}  // namespace platform::win
