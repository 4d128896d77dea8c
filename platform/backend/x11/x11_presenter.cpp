#include "platform/backend/x11/x11_presenter.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <cstring>

#include "platform/backend/scale_frame.h"

namespace platform::x11 {
namespace {

int g_trappedErrors = 0;

int countError(Display*, XErrorEvent*) {
    ++g_trappedErrors;
    return 0;
}

bool directVisual(Visual* visual, int depth) {
    return (depth == 24 || depth == 32) && visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 &&
           visual->blue_mask == 0xFF;
}

}  // namespace

bool withErrorsTrapped(Display* display, void (*what)(Display*, void*), void* context) {
    XSync(display, False);
    int before = g_trappedErrors;
    XErrorHandler previous = XSetErrorHandler(countError);
    what(display, context);
    XSync(display, False);
    XSetErrorHandler(previous);
    return g_trappedErrors == before;
}

X11Presenter::X11Presenter(Display* display, Window window, Visual* visual, int depth)
    : display_(display), window_(window), visual_(visual), depth_(depth) {
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    int major = 0, minor = 0;
    Bool pixmaps = False;
    shmRefused_ = !XShmQueryVersion(display_, &major, &minor, &pixmaps);
}

X11Presenter::~X11Presenter() {
    freeImage();
    if (gc_ && !abandoned_) XFreeGC(display_, gc_);
}

void X11Presenter::freeImage() {
    if (!image_) return;
    bool separateFrame = frame_ && reinterpret_cast<char*>(frame_) != image_->data;
    if (pending_ && !abandoned_) XSync(display_, False);
    pending_ = false;
    if (usingShm_) {
        if (!abandoned_) {
            XShmDetach(display_, &shm_);
            XSync(display_, False);
        }
        image_->data = nullptr;
        XDestroyImage(image_);
        shmdt(shm_.shmaddr);
    } else {
        XDestroyImage(image_);  // frees the data too
    }
    if (separateFrame) std::free(frame_);
    image_ = nullptr;
    frame_ = nullptr;
    usingShm_ = false;
}

bool X11Presenter::makeImage(int width, int height) {
    freeImage();
    if (!shmRefused_) {
        image_ = XShmCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, nullptr, &shm_,
                                 static_cast<unsigned>(width), static_cast<unsigned>(height));
        if (image_) {
            shm_.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(image_->bytes_per_line) * height, IPC_CREAT | 0600);
            shm_.shmaddr = shm_.shmid >= 0 ? static_cast<char*>(shmat(shm_.shmid, nullptr, 0)) : reinterpret_cast<char*>(-1);
            bool attached = false;
            if (shm_.shmaddr != reinterpret_cast<char*>(-1)) {
                image_->data = shm_.shmaddr;
                shm_.readOnly = False;
                attached = withErrorsTrapped(display_, [](Display* d, void* s) {
                    XShmAttach(d, static_cast<XShmSegmentInfo*>(s));
                }, &shm_);
            }
            if (shm_.shmid >= 0) shmctl(shm_.shmid, IPC_RMID, nullptr);  // goes away with the last user
            if (attached) {
                usingShm_ = true;
            } else {
                if (shm_.shmaddr != reinterpret_cast<char*>(-1)) shmdt(shm_.shmaddr);
                image_->data = nullptr;
                XDestroyImage(image_);
                image_ = nullptr;
                shmRefused_ = true;  // a remote display: plain images from now on
            }
        }
    }
    if (!image_) {
        image_ = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, nullptr,
                              static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
        if (!image_) return false;
        image_->data = static_cast<char*>(std::calloc(static_cast<size_t>(image_->bytes_per_line), static_cast<size_t>(height)));
        if (!image_->data) {
            XDestroyImage(image_);
            image_ = nullptr;
            return false;
        }
    }
    imageWidth_ = width;
    imageHeight_ = height;
    barsWidth_ = barsHeight_ = 0;
    if (directVisual(visual_, depth_) && image_->bits_per_pixel == 32)
        frame_ = reinterpret_cast<uint32_t*>(image_->data);
    else
        frame_ = static_cast<uint32_t*>(std::calloc(static_cast<size_t>(width) * height, 4));
    return frame_ != nullptr;
}

void X11Presenter::convertForVisual() {
    if (reinterpret_cast<char*>(frame_) == image_->data) return;
    for (int y = 0; y < imageHeight_; ++y) {
        for (int x = 0; x < imageWidth_; ++x) {
            uint32_t p = frame_[static_cast<size_t>(y) * imageWidth_ + x];
            XColor c;
            c.red = static_cast<unsigned short>(((p >> 16) & 0xFF) * 257);
            c.green = static_cast<unsigned short>(((p >> 8) & 0xFF) * 257);
            c.blue = static_cast<unsigned short>((p & 0xFF) * 257);
            auto channel = [](unsigned long mask, unsigned short value) {
                if (!mask) return 0ul;
                int shift = __builtin_ctzl(mask);
                unsigned long max = mask >> shift;
                return ((static_cast<unsigned long>(value) * max + 32767) / 65535) << shift;
            };
            XPutPixel(image_, x, y,
                      channel(visual_->red_mask, c.red) | channel(visual_->green_mask, c.green) |
                          channel(visual_->blue_mask, c.blue));
        }
    }
}

bool X11Presenter::prepare(int windowWidth, int windowHeight) {
    if (windowWidth <= 0 || windowHeight <= 0) return false;
    if (!image_ || imageWidth_ != windowWidth || imageHeight_ != windowHeight) {
        if (!makeImage(windowWidth, windowHeight)) return false;
    }
    if (pending_) XSync(display_, False);  // the server has read the previous frame
    pending_ = false;
    return true;
}

int X11Presenter::framePitch() const {
    return reinterpret_cast<char*>(frame_) == image_->data ? image_->bytes_per_line : imageWidth_ * 4;
}

bool X11Presenter::paintsBars(int width, int height) {
    // The bars stay black from one frame to the next while the sizes stay the same.
    const bool paint = width != barsWidth_ || height != barsHeight_;
    barsWidth_ = width, barsHeight_ = height;
    if (paint) {
        picture_ = backend::fitPicture(width, height, imageWidth_, imageHeight_);
        wholeNext_ = true;
    }
    return paint;
}

bool X11Presenter::present(const uint32_t* pixels, int width, int height, int pitchBytes, int windowWidth,
                           int windowHeight) {
    if (!prepare(windowWidth, windowHeight)) return false;
    const bool bars = paintsBars(width, height);
    backend::scaleInto(pixels, width, height, pitchBytes, frame_, imageWidth_, imageHeight_, framePitch(), bars);
    show();
    return true;
}

bool X11Presenter::presentRows(const backend::FrameRows& frame, int windowWidth, int windowHeight) {
    if (!prepare(windowWidth, windowHeight)) return false;
    const bool bars = paintsBars(frame.width, frame.height);
    backend::scaleRowsInto(frame, frame_, imageWidth_, imageHeight_, framePitch(), bars);
    show();
    return true;
}

void X11Presenter::show() {
    convertForVisual();
    // The bars go to the server with the first frame of a size and after an exposure; the window
    // keeps them while only the picture changes.
    backend::FitRect r = picture_;
    if (wholeNext_ || r.width <= 0 || r.height <= 0) r = backend::FitRect{0, 0, imageWidth_, imageHeight_};
    wholeNext_ = false;
    const auto w = static_cast<unsigned>(r.width), h = static_cast<unsigned>(r.height);
    if (usingShm_) {
        XShmPutImage(display_, window_, gc_, image_, r.x, r.y, r.x, r.y, w, h, False);
        pending_ = true;
    } else {
        XPutImage(display_, window_, gc_, image_, r.x, r.y, r.x, r.y, w, h);
    }
    XFlush(display_);
}

}  // namespace platform::x11
