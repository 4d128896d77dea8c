// The x11 backend: windows on an X server, input and visibility events, presentation.
//
// Full-screen saver windows are override-redirect windows covering the screen, raised, focused,
// with the keyboard and the pointer grabbed (as screensavers do, so keys reach us whatever window
// manager runs). When XSCREENSAVER_WINDOW names a window (a screen locker started us), that window
// is used instead: we draw into it, take none of its input (the locker owns it and ends us with
// SIGTERM) and report no activation loss. Our windows carry their class name in the property
// _VOREL_WINDOW_CLASS and their title in WM_NAME/_NET_WM_NAME, so another process finds them.
// A lost connection is reported once as ConnectionLost; after it no X call is made.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "platform/backend/backend.h"
#include "platform/backend/x11/x11_keys.h"
#include "platform/backend/x11/x11_presenter.h"

namespace platform::x11 {
namespace {

using backend::BackendEvent;
using backend::EventKind;
using backend::WindowId;

bool g_connectionLost = false;

int quietIoError(Display*) { return 0; }
void connectionLost(Display*, void*) { g_connectionLost = true; }

// X window ids have 29 bits; anything larger is no window.
bool plausibleId(WindowId id) { return id != 0 && id <= 0x1FFFFFFFu; }

// A window id from XSCREENSAVER_WINDOW (hex "0x..." or decimal), or 0.
Window lockerWindowFromEnvironment() {
    const char* s = std::getenv("XSCREENSAVER_WINDOW");
    if (!s || !*s) return 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(s, &end, 0);
    if (*end != '\0' || !plausibleId(v)) return 0;
    return static_cast<Window>(v);
}

struct OwnWindow {
    Window parent = 0;
    bool borrowed = false;  // the locker's window: never destroyed, no input taken
    bool topmost = false;
    bool hidden = false;
    int width = 0, height = 0;
    std::unique_ptr<X11Presenter> presenter;
};

class X11Backend final : public backend::Backend {
public:
    explicit X11Backend(Display* d);
    ~X11Backend() override;
    const char* name() const override { return "x11"; }
    bool headless() const override { return false; }
    void desktopSize(int* width, int* height) override;
    WindowId createWindow(const backend::WindowSpec& desired) override;
    void destroyWindow(WindowId window) override;
    bool windowExists(WindowId window) override;
    bool clientSize(WindowId window, int* width, int* height) override;
    WindowId findWindow(const char* className, const char* title) override;
    bool bringToFront(WindowId window) override;
    WindowId foregroundWindow() override;
    bool present(WindowId window, const uint32_t* pixels, int width, int height, int pitchBytes) override;
    bool presentsRows() const override { return true; }
    bool presentRows(WindowId window, const backend::FrameRows& frame) override;
    void setCursorHidden(bool hidden) override;
    bool cursorPosition(int* x, int* y) override;
    void moveCursor(int x, int y) override;
    void pollEvents(std::vector<BackendEvent>& out) override;
    int eventFd() const override { return live() ? ConnectionNumber(display_) : -1; }

private:
    bool live() const { return display_ && !g_connectionLost; }
    Window makeWindow(const backend::WindowSpec& desired);
    void label(Window w, const backend::WindowSpec& desired);
    std::string property(Window w, Atom name);
    bool matches(Window w, const char* className, const char* title);
    void takeInput(Window w);
    void translate(const XEvent& e, std::vector<BackendEvent>& out);
    void translateFocus(const XEvent& e, std::vector<BackendEvent>& out);
    void translateVisibility(Window w, bool visible, std::vector<BackendEvent>& out);

    Display* display_;
    int screen_;
    Window root_;
    Atom classAtom_, netNameAtom_, utf8Atom_, deleteAtom_, protocolsAtom_, activeAtom_, pidAtom_;
    Cursor blank_ = 0;
    bool cursorHidden_ = false;
    bool lostReported_ = false;
    Window locker_;
    std::map<Window, OwnWindow> own_;
};

X11Backend::X11Backend(Display* d) : display_(d), screen_(DefaultScreen(d)), root_(RootWindow(d, screen_)) {
    XSetIOErrorHandler(quietIoError);
    XSetIOErrorExitHandler(display_, connectionLost, nullptr);
    classAtom_ = XInternAtom(display_, "_VOREL_WINDOW_CLASS", False);
    netNameAtom_ = XInternAtom(display_, "_NET_WM_NAME", False);
    utf8Atom_ = XInternAtom(display_, "UTF8_STRING", False);
    deleteAtom_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    protocolsAtom_ = XInternAtom(display_, "WM_PROTOCOLS", False);
    activeAtom_ = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
    pidAtom_ = XInternAtom(display_, "_NET_WM_PID", False);
    locker_ = lockerWindowFromEnvironment();
    if (locker_ && !windowExists(locker_)) locker_ = 0;
    char none[1] = {0};
    Pixmap empty = XCreateBitmapFromData(display_, root_, none, 1, 1);
    XColor black{};
    blank_ = XCreatePixmapCursor(display_, empty, empty, &black, &black, 0, 0);
    XFreePixmap(display_, empty);
}

X11Backend::~X11Backend() {
    if (!live()) {  // nothing may be sent on a dead connection
        for (auto& [w, rec] : own_)
            if (rec.presenter) rec.presenter->abandon();
        return;
    }
    for (auto& [w, rec] : own_) {
        rec.presenter.reset();
        if (!rec.borrowed) XDestroyWindow(display_, w);
    }
    if (blank_) XFreeCursor(display_, blank_);
    XCloseDisplay(display_);
}

void X11Backend::desktopSize(int* width, int* height) {
    *width = DisplayWidth(display_, screen_);
    *height = DisplayHeight(display_, screen_);
}

void X11Backend::label(Window w, const backend::WindowSpec& desired) {
    XChangeProperty(display_, w, classAtom_, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(desired.className.c_str()),
                    static_cast<int>(desired.className.size()));
    XStoreName(display_, w, desired.title.c_str());
    XChangeProperty(display_, w, netNameAtom_, utf8Atom_, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(desired.title.c_str()), static_cast<int>(desired.title.size()));
    long pid = getpid();
    XChangeProperty(display_, w, pidAtom_, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
}

Window X11Backend::makeWindow(const backend::WindowSpec& desired) {
    XSetWindowAttributes attrs{};
    attrs.background_pixel = BlackPixel(display_, screen_);
    attrs.override_redirect = desired.topmost ? True : False;
    attrs.event_mask = ExposureMask | StructureNotifyMask | VisibilityChangeMask | KeyPressMask | KeyReleaseMask |
                       ButtonPressMask | ButtonReleaseMask | PointerMotionMask | FocusChangeMask;
    Window parent = desired.parent ? static_cast<Window>(desired.parent) : root_;
    Window w = XCreateWindow(display_, parent, desired.x, desired.y, static_cast<unsigned>(desired.width > 0 ? desired.width : 1),
                             static_cast<unsigned>(desired.height > 0 ? desired.height : 1), 0, CopyFromParent, InputOutput,
                             CopyFromParent, CWBackPixel | CWOverrideRedirect | CWEventMask, &attrs);
    label(w, desired);
    XClassHint hint{const_cast<char*>("vorel-saver"), const_cast<char*>("Vorel_Saver")};
    XSetClassHint(display_, w, &hint);
    XSetWMProtocols(display_, w, &deleteAtom_, 1);
    if (cursorHidden_) XDefineCursor(display_, w, blank_);
    if (desired.visible) XMapRaised(display_, w);
    return w;
}

WindowId X11Backend::createWindow(const backend::WindowSpec& desired) {
    if (!live()) return 0;
    if (desired.parent && !windowExists(desired.parent)) return 0;
    OwnWindow rec;
    Window w = 0;
    if (!desired.parent && desired.topmost && locker_ && !own_.count(locker_)) {
        w = locker_;
        rec.borrowed = true;
        XSelectInput(display_, w, ExposureMask | StructureNotifyMask | VisibilityChangeMask);
        label(w, desired);
        if (cursorHidden_) XDefineCursor(display_, w, blank_);
    } else {
        w = makeWindow(desired);
    }
    rec.parent = desired.parent;
    rec.topmost = desired.topmost && !rec.borrowed;
    XWindowAttributes wa{};
    if (!XGetWindowAttributes(display_, w, &wa)) return 0;
    rec.width = wa.width;
    rec.height = wa.height;
    rec.presenter = std::make_unique<X11Presenter>(display_, w, wa.visual, wa.depth);
    own_[w] = std::move(rec);
    XSync(display_, False);
    return w;
}

void X11Backend::destroyWindow(WindowId window) {
    auto it = own_.find(static_cast<Window>(window));
    if (it == own_.end()) return;
    if (live()) {
        it->second.presenter.reset();
        if (it->second.topmost) {
            XUngrabKeyboard(display_, CurrentTime);
            XUngrabPointer(display_, CurrentTime);
        }
        if (it->second.borrowed) {
            XDeleteProperty(display_, it->first, classAtom_);
            XUndefineCursor(display_, it->first);
            XSelectInput(display_, it->first, NoEventMask);
        } else {
            XDestroyWindow(display_, it->first);
        }
        XSync(display_, False);
    } else if (it->second.presenter) {
        it->second.presenter->abandon();  // its server resources died with the connection
    }
    own_.erase(it);
}

bool X11Backend::windowExists(WindowId window) {
    if (!live() || !plausibleId(window)) return false;
    struct Query {
        Window w;
        bool found;
    } q{static_cast<Window>(window), false};
    withErrorsTrapped(display_, [](Display* d, void* c) {
        auto* query = static_cast<Query*>(c);
        XWindowAttributes wa;
        query->found = XGetWindowAttributes(d, query->w, &wa) != 0;
    }, &q);
    return q.found;
}

bool X11Backend::clientSize(WindowId window, int* width, int* height) {
    if (!windowExists(window)) return false;
    XWindowAttributes wa{};
    if (!XGetWindowAttributes(display_, static_cast<Window>(window), &wa)) return false;
    *width = wa.width;
    *height = wa.height;
    return true;
}

std::string X11Backend::property(Window w, Atom name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string out;
    if (XGetWindowProperty(display_, w, name, 0, 256, False, AnyPropertyType, &type, &format, &count, &after, &data) ==
            Success &&
        data && format == 8)
        out.assign(reinterpret_cast<char*>(data), count);
    if (data) XFree(data);
    return out;
}

bool X11Backend::matches(Window w, const char* className, const char* title) {
    std::string cls = property(w, classAtom_);
    if (cls.empty()) return false;  // not a window of ours
    if (className && cls != className) return false;
    if (!title) return true;
    std::string name = property(w, netNameAtom_);
    if (name.empty()) name = property(w, XA_WM_NAME);
    return name == title;
}

// Another program's locker window looks only at itself: a second monitor's process runs.
WindowId X11Backend::findWindow(const char* className, const char* title) {
    if (!live()) return 0;
    if (locker_) {
        bool ours = own_.count(locker_) != 0;
        return !ours && windowExists(locker_) && matches(locker_, className, title) ? locker_ : 0;
    }
    Window rootReturn = 0, parentReturn = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, root_, &rootReturn, &parentReturn, &children, &count)) return 0;
    WindowId found = 0;
    for (unsigned int i = 0; i < count && !found; ++i)
        if (matches(children[i], className, title)) found = children[i];
    if (children) XFree(children);
    return found;
}

bool X11Backend::bringToFront(WindowId window) {
    if (!windowExists(window)) return false;
    Window w = static_cast<Window>(window);
    XRaiseWindow(display_, w);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = activeAtom_;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = 2;  // from a pager-like request: honoured by window managers
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    withErrorsTrapped(display_, [](Display* d, void* c) {
        XSetInputFocus(d, *static_cast<Window*>(c), RevertToParent, CurrentTime);
    }, &w);
    return true;
}

WindowId X11Backend::foregroundWindow() {
    if (!live()) return 0;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    WindowId active = 0;
    if (XGetWindowProperty(display_, root_, activeAtom_, 0, 1, False, XA_WINDOW, &type, &format, &count, &after,
                           &data) == Success &&
        data && count == 1 && format == 32)
        active = *reinterpret_cast<unsigned long*>(data);
    if (data) XFree(data);
    if (active) return active;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    return focus > PointerRoot ? focus : 0;
}

bool X11Backend::present(WindowId window, const uint32_t* pixels, int width, int height, int pitchBytes) {
    auto it = own_.find(static_cast<Window>(window));
    if (!live() || it == own_.end() || !it->second.presenter) return false;
    return it->second.presenter->present(pixels, width, height, pitchBytes, it->second.width, it->second.height);
}

bool X11Backend::presentRows(WindowId window, const backend::FrameRows& frame) {
    auto it = own_.find(static_cast<Window>(window));
    if (!live() || it == own_.end() || !it->second.presenter) return false;
    return it->second.presenter->presentRows(frame, it->second.width, it->second.height);
}

void X11Backend::setCursorHidden(bool hidden) {
    cursorHidden_ = hidden;
    if (!live()) return;
    for (auto& [w, rec] : own_) {
        if (hidden)
            XDefineCursor(display_, w, blank_);
        else
            XUndefineCursor(display_, w);
    }
    XFlush(display_);
}

bool X11Backend::cursorPosition(int* x, int* y) {
    if (!live()) return false;
    Window r = 0, c = 0;
    int wx = 0, wy = 0;
    unsigned int mask = 0;
    return XQueryPointer(display_, root_, &r, &c, x, y, &wx, &wy, &mask) != 0;
}

void X11Backend::moveCursor(int x, int y) {
    if (!live()) return;
    XWarpPointer(display_, None, root_, 0, 0, 0, 0, x, y);
    XFlush(display_);
}

// A full-screen window takes the keyboard and the pointer once it is on screen.
void X11Backend::takeInput(Window w) {
    withErrorsTrapped(display_, [](Display* d, void* c) {
        XSetInputFocus(d, *static_cast<Window*>(c), RevertToParent, CurrentTime);
    }, &w);
    XGrabKeyboard(display_, w, True, GrabModeAsync, GrabModeAsync, CurrentTime);
    XGrabPointer(display_, w, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                 GrabModeAsync, None, cursorHidden_ ? blank_ : None, CurrentTime);
}

void X11Backend::translateVisibility(Window w, bool visible, std::vector<BackendEvent>& out) {
    OwnWindow& rec = own_[w];
    if (rec.hidden == !visible) return;
    rec.hidden = !visible;
    out.push_back(BackendEvent{visible ? EventKind::Shown : EventKind::Hidden, w, 0, 0, 0});
}

void X11Backend::translateFocus(const XEvent& e, std::vector<BackendEvent>& out) {
    const XFocusChangeEvent& f = e.xfocus;
    if (f.mode == NotifyGrab || f.mode == NotifyUngrab || f.detail == NotifyInferior || f.detail == NotifyPointer)
        return;
    auto it = own_.find(f.window);
    if (it == own_.end() || it->second.borrowed || it->second.parent) return;
    // Focus moving between our own windows (or onto ours from the pointer root) is no loss.
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    if (own_.count(focus)) return;
    out.push_back(BackendEvent{EventKind::Deactivate, 0, 0, 0, 0});
}

void X11Backend::translate(const XEvent& e, std::vector<BackendEvent>& out) {
    Window w = e.xany.window;
    if (!own_.count(w)) return;
    switch (e.type) {
        case KeyPress:
        case KeyRelease: {
            XKeyEvent key = e.xkey;
            KeySym sym = XLookupKeysym(&key, 0);
            out.push_back(BackendEvent{e.type == KeyPress ? EventKind::KeyDown : EventKind::KeyUp, w,
                                       virtualKeyFromKeysym(sym), 0, 0});
            break;
        }
        case ButtonPress:
        case ButtonRelease: {
            static const int kButtons[] = {-1, 0, 2, 1};  // X buttons 1, 2, 3: left, middle, right
            unsigned b = e.xbutton.button;
            if (b >= 1 && b <= 3)
                out.push_back(BackendEvent{e.type == ButtonPress ? EventKind::ButtonDown : EventKind::ButtonUp, w,
                                           kButtons[b], e.xbutton.x, e.xbutton.y});
            break;
        }
        case MotionNotify: out.push_back(BackendEvent{EventKind::Motion, w, 0, e.xmotion.x, e.xmotion.y}); break;
        case FocusOut: translateFocus(e, out); break;
        case Expose:
            if (auto it = own_.find(w); it != own_.end() && it->second.presenter) it->second.presenter->exposed();
            if (e.xexpose.count == 0) out.push_back(BackendEvent{EventKind::Exposed, w, 0, 0, 0});
            break;
        case VisibilityNotify: translateVisibility(w, e.xvisibility.state != VisibilityFullyObscured, out); break;
        case UnmapNotify: translateVisibility(w, false, out); break;
        case MapNotify:
            translateVisibility(w, true, out);
            if (own_[w].topmost) takeInput(w);
            break;
        case ConfigureNotify:
            own_[w].width = e.xconfigure.width;
            own_[w].height = e.xconfigure.height;
            break;
        case DestroyNotify:
            if (e.xdestroywindow.window == w) {
                own_.erase(w);
                out.push_back(BackendEvent{EventKind::Destroyed, w, 0, 0, 0});
            }
            break;
        case ClientMessage:
            if (static_cast<Atom>(e.xclient.data.l[0]) == deleteAtom_)
                out.push_back(BackendEvent{EventKind::CloseRequest, w, 0, 0, 0});
            break;
        default: break;
    }
}

void X11Backend::pollEvents(std::vector<BackendEvent>& out) {
    while (live() && XPending(display_) > 0) {
        XEvent e;
        XNextEvent(display_, &e);
        translate(e, out);
    }
    if (g_connectionLost && !lostReported_) {
        lostReported_ = true;
        out.push_back(BackendEvent{EventKind::ConnectionLost, 0, 0, 0, 0});
    }
}

}  // namespace

}  // namespace platform::x11

namespace platform::backend {

std::unique_ptr<Backend> makeX11() {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return nullptr;
    return std::make_unique<x11::X11Backend>(d);
}

}  // namespace platform::backend
