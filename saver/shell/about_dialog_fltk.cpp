// The configure dialog on a real display: an FLTK window with a picture of a double helix drawn
// here, a short text and the two buttons.
#include "saver/shell/about_dialog_fltk.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Widget.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <cmath>

#include "saver/shell/about_dialog.h"

namespace {

// A double helix of glowing nucleotides in the saver's four caustic colours on a deep-sea blue.
class HelixPicture : public Fl_Widget {
public:
    HelixPicture(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) {}

    void draw() override {
        drawBackground();
        fl_push_clip(x(), y(), w(), h());
        const int steps = 14;
        drawBackbones(false);
        for (int pass = 0; pass < 2; ++pass) {  // back halves first, then the front halves
            for (int i = 0; i < steps; ++i) drawPair(i, steps, pass == 1);
            if (pass == 0) drawBackbones(true);
        }
        fl_pop_clip();
        fl_color(fl_rgb_color(40, 60, 90));
        fl_rect(x(), y(), w(), h());
    }

private:
    void drawBackground() {
        for (int row = 0; row < h(); ++row) {
            double t = static_cast<double>(row) / h();
            fl_color(fl_rgb_color(static_cast<uchar>(4 + 10 * t), static_cast<uchar>(10 + 30 * t),
                                  static_cast<uchar>(28 + 50 * t)));
            fl_xyline(x(), y() + row, x() + w() - 1);
        }
    }

    static Fl_Color nucleotideColour(int i) {
        static const uchar kColours[4][3] = {{235, 80, 60}, {240, 210, 70}, {70, 140, 245}, {80, 215, 110}};
        const uchar* c = kColours[i % 4];
        return fl_rgb_color(c[0], c[1], c[2]);
    }

    static Fl_Color dimmed(Fl_Color c, double depth) {
        uchar r, g, b;
        Fl::get_color(c, r, g, b);
        double k = 0.45 + 0.55 * depth;
        return fl_rgb_color(static_cast<uchar>(r * k), static_cast<uchar>(g * k), static_cast<uchar>(b * k));
    }

    void drawBall(double cx, double cy, double radius, Fl_Color colour) {
        int r = static_cast<int>(radius);
        fl_color(colour);
        fl_pie(static_cast<int>(cx) - r, static_cast<int>(cy) - r, 2 * r, 2 * r, 0, 360);
        fl_color(fl_color_average(colour, FL_WHITE, 0.45f));
        int hr = r / 2 > 0 ? r / 2 : 1;
        fl_pie(static_cast<int>(cx) - r / 2 - hr / 2, static_cast<int>(cy) - r / 2 - hr / 2, hr, hr, 0, 360);
    }

    // Where strand `side` is at height fraction t: screen x, y and depth (+1 towards the viewer).
    void strandPoint(double t, int side, double* px, double* py, double* pz) const {
        const double turn = 6.2831855;
        double angle = t * turn * 1.25 + 0.6 + (side ? turn / 2 : 0);
        *px = x() + w() / 2.0 + w() * 0.32 * std::sin(angle);
        *py = y() + 14 + t * (h() - 28);
        *pz = std::cos(angle);
    }

    // The two sugar-phosphate backbones as thin ribbons, the parts facing away or towards us.
    void drawBackbones(bool front) {
        fl_line_style(FL_SOLID, 2);
        for (int side = 0; side < 2; ++side) {
            double x0 = 0, y0 = 0, z0 = 0;
            strandPoint(0, side, &x0, &y0, &z0);
            for (int k = 1; k <= 120; ++k) {
                double x1 = 0, y1 = 0, z1 = 0;
                strandPoint(k / 120.0, side, &x1, &y1, &z1);
                if ((z1 + z0 >= 0) == front) {
                    fl_color(dimmed(fl_rgb_color(150, 185, 225), (z0 + z1 + 2) / 4));
                    fl_line(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1), static_cast<int>(y1));
                }
                x0 = x1;
                y0 = y1;
                z0 = z1;
            }
        }
        fl_line_style(0);
    }

    void drawPair(int i, int steps, bool front) {
        const double turn = 6.2831855;
        double t = static_cast<double>(i) / (steps - 1);
        double angle = t * turn * 1.25 + 0.6;
        double cy = y() + 14 + t * (h() - 28);
        double cx = x() + w() / 2.0;
        double amplitude = w() * 0.32;
        double xa = cx + amplitude * std::sin(angle), xb = cx - amplitude * std::sin(angle);
        double za = std::cos(angle), zb = -za;  // +1 towards the viewer
        if (!front) {
            fl_color(dimmed(fl_rgb_color(170, 200, 230), 0.3));
            fl_line_style(FL_SOLID, 2);
            fl_line(static_cast<int>(xa), static_cast<int>(cy), static_cast<int>(xb), static_cast<int>(cy));
            fl_line_style(0);
        }
        for (int side = 0; side < 2; ++side) {
            double z = side == 0 ? za : zb;
            if ((z >= 0) != front) continue;
            double depth = (z + 1) / 2;
            drawBall(side == 0 ? xa : xb, cy, 4 + 3 * depth, dimmed(nucleotideColour(i + 2 * side), depth));
        }
    }
};

struct DialogState {
    HWND owner;
    int result = kAboutClosed;
};

void onConfigure(Fl_Widget*, void* data) { startConfigurationProgram(static_cast<DialogState*>(data)->owner); }

void onClose(Fl_Widget* w, void*) { w->window()->hide(); }
void onWindowClose(Fl_Widget* w, void*) { w->hide(); }

}  // namespace

int showAboutDialogFltk(HWND owner) {
    DialogState state{owner};
    Fl_Double_Window window(400, 232, kAboutCaption);
    HelixPicture picture(12, 12, 132, 208);
    Fl_Box title(160, 16, 228, 24, "Vorel Saver");
    title.labelfont(FL_HELVETICA_BOLD);
    title.labelsize(16);
    title.align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    Fl_Box text(160, 44, 228, 84,
                "A 3D screensaver: a flight into a cluster where a double helix of caustic-lit "
                "nucleotides spins, splits and is rebuilt, one nucleotide at a time.");
    text.labelsize(12);
    text.align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
    Fl_Button configure(160, 148, 228, 28, kConfigureButton);
    configure.labelsize(12);
    configure.callback(onConfigure, &state);
    Fl_Button close(288, 192, 100, 28, kCloseButton);
    close.labelsize(12);
    close.callback(onClose);
    window.callback(onWindowClose);  // the window's close box and Escape: the same as "Close"
    window.end();
    window.set_modal();
    window.show();
    if (owner) {
        Fl::flush();
        XSetTransientForHint(fl_display, fl_xid(&window), static_cast<Window>(handleToNumber(owner)));
    }
    while (window.shown()) Fl::wait();
    return state.result;
}
