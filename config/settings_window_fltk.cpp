#include "config/settings_window_fltk.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/fl_draw.H>

#include <string>
#include <vector>

#include "config/form_layout.h"
#include "config/settings_form.h"

namespace {

// A group box: an engraved frame whose caption sits on its top edge.
class GroupBox : public Fl_Group {
public:
    GroupBox(const ControlRect& r, const char* caption) : Fl_Group(r.left, r.top, r.width, r.height) {
        label(caption);
        box(FL_NO_BOX);
        align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE);  // drawn by draw(), never by the parent
    }

protected:
    void draw() override {
        fl_font(labelfont(), labelsize());
        const int captionHeight = fl_height();
        const int frameTop = y() + captionHeight / 2;
        fl_color(color());
        fl_rectf(x(), y(), w(), h());
        draw_box(FL_ENGRAVED_FRAME, x(), frameTop, w(), h() - (frameTop - y()), color());
        const int captionWidth = static_cast<int>(fl_width(label()));
        fl_color(color());
        fl_rectf(x() + 8, y(), captionWidth, captionHeight);
        fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
        fl_draw(label(), x() + 8, y() + captionHeight - fl_descent());
        draw_children();
    }
};

// A drop-down list mirroring a ListBox. Entries go in through a menu array of our own, so names
// with '/', '&' or '_' are shown as they are instead of being read as menu syntax.
struct DropDown {
    Fl_Choice* choice = nullptr;
    std::vector<std::string> texts;
    std::vector<Fl_Menu_Item> entries;
    unsigned revision = ~0u;

    void mirror(const ListBox& box) {
        if (box.revision() != revision) {
            revision = box.revision();
            texts = box.items();
            entries.assign(texts.size() + 1, Fl_Menu_Item{});
            for (size_t i = 0; i < texts.size(); ++i) entries[i].text = texts[i].c_str();
            choice->menu(entries.data());
        }
        if (box.selected() >= 0)
            choice->value(box.selected());
        else
            choice->value(static_cast<const Fl_Menu_Item*>(nullptr));
        if (box.enabled())
            choice->activate();
        else
            choice->deactivate();
        choice->redraw();
    }
};

Fl_Choice* makeChoice(int left, int top, const ControlRect& r) {
    auto* choice = new Fl_Choice(left + r.left, top + r.top, r.width, r.height);
    choice->when(FL_WHEN_CHANGED);  // picking the entry already selected is no change
    return choice;
}

// A static label that keeps inside its width: the desktop's sans font runs wider than the dialog
// font the layout was made for, so a label that would run into its list is drawn a point smaller.
class FittedLabel : public Fl_Box {
public:
    FittedLabel(const ControlRect& r, int left, int top, const char* text)
        : Fl_Box(left + r.left, top + r.top, r.width, r.height, text) {
        align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
    }

protected:
    void draw() override {
        int size = labelsize();
        fl_font(labelfont(), size);
        while (size > 8 && fl_width(label()) > w()) fl_font(labelfont(), --size);
        labelsize(size);
        Fl_Box::draw();
    }
};

void makeLabel(int left, int top, const ControlRect& r, const char* text) { new FittedLabel(r, left, top, text); }

}  // namespace

struct SettingsWindowView::Widgets {
    SettingsForm& form;
    Fl_Double_Window* window = nullptr;
    DropDown devices, modes, detail;  // ComboBox1, ComboBox2, ComboBox3
    Fl_Check_Button* fps = nullptr;           // CheckBox9
    Fl_Check_Button* transparency = nullptr;  // CheckBox10

    explicit Widgets(SettingsForm& f) : form(f) {}
    ~Widgets() { delete window; }

    void build();
    void buildDeviceGroup();
    void buildOptionsGroup();
    void buildPanel();
    void mirror();
    void afterUserAction();
};

namespace {

using Widgets = SettingsWindowView::Widgets;

Widgets& of(void* data) { return *static_cast<Widgets*>(data); }

void onDevicePicked(Fl_Widget*, void* data) {
    of(data).form.userPicksDevice(of(data).devices.choice->value());
    of(data).afterUserAction();
}
void onModePicked(Fl_Widget*, void* data) {
    of(data).form.userPicksMode(of(data).modes.choice->value());
    of(data).afterUserAction();
}
void onDetailPicked(Fl_Widget*, void* data) {
    of(data).form.userPicksDetail(of(data).detail.choice->value());
    of(data).afterUserAction();
}
void onFpsToggled(Fl_Widget*, void* data) {
    of(data).form.userSetsFps(of(data).fps->value() != 0);
    of(data).afterUserAction();
}
void onTransparencyToggled(Fl_Widget*, void* data) {
    of(data).form.userSetsTransparency(of(data).transparency->value() != 0);
    of(data).afterUserAction();
}
void onDesktopPressed(Fl_Widget*, void* data) {
    of(data).form.BitBtn1Click();
    of(data).afterUserAction();
}
void onPreviewPressed(Fl_Widget*, void* data) {
    of(data).form.BitBtn7Click();
    of(data).afterUserAction();
}
void onSaveAndExitPressed(Fl_Widget*, void* data) {
    of(data).form.BitBtn8Click();
    of(data).afterUserAction();
}
// The close box, the system menu's Close and the window manager's close request all come here.
void onWindowClose(Fl_Widget*, void* data) {
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    of(data).form.FormClose();
    of(data).afterUserAction();
}

}  // namespace

void Widgets::build() {
    FL_NORMAL_SIZE = form_layout::kFontSize;
    window = new Fl_Double_Window(form_layout::kClientWidth, form_layout::kClientHeight, SettingsForm::kCaption);
    window->iconlabel(SettingsForm::kCaption);
    window->size_range(window->w(), window->h(), window->w(), window->h());
    window->callback(onWindowClose, this);
    // Children in tab order: device list, mode list, desktop button, the two boxes, detail list,
    // "Save and Exit", "Preview".
    buildDeviceGroup();
    buildOptionsGroup();
    buildPanel();
    window->end();
}

void Widgets::buildDeviceGroup() {
    namespace L = form_layout;
    auto* group = new GroupBox(L::GroupBox3, " Choose 3D device and video mode ");
    const int gx = group->x(), gy = group->y();
    makeLabel(gx, gy, L::Label3, "3D Device:");
    devices.choice = makeChoice(gx, gy, L::ComboBox1);
    devices.choice->callback(onDevicePicked, this);
    makeLabel(gx, gy, L::Label4, "Video mode:");
    modes.choice = makeChoice(gx, gy, L::ComboBox2);
    modes.choice->callback(onModePicked, this);
    auto* desktop = new Fl_Button(gx + L::BitBtn1.left, gy + L::BitBtn1.top, L::BitBtn1.width,
                                  L::BitBtn1.height, "Use desktop settings");
    desktop->callback(onDesktopPressed, this);
    group->end();
}

void Widgets::buildOptionsGroup() {
    namespace L = form_layout;
    auto* group = new GroupBox(L::GroupBox1, " Visual options ");
    const int gx = group->x(), gy = group->y();
    fps = new Fl_Check_Button(gx + L::CheckBox9.left, gy + L::CheckBox9.top, L::CheckBox9.width,
                              L::CheckBox9.height, "FPS On/Off");
    fps->callback(onFpsToggled, this);
    transparency = new Fl_Check_Button(gx + L::CheckBox10.left, gy + L::CheckBox10.top, L::CheckBox10.width,
                                       L::CheckBox10.height, "Nucleotide transparency On/Off");
    transparency->callback(onTransparencyToggled, this);
    makeLabel(gx, gy, L::Label2, "Detail level:");
    detail.choice = makeChoice(gx, gy, L::ComboBox3);
    detail.choice->callback(onDetailPicked, this);
    group->end();
}

void Widgets::buildPanel() {
    namespace L = form_layout;
    auto* panel = new Fl_Group(L::Panel1.left, L::Panel1.top, L::Panel1.width, L::Panel1.height);
    panel->box(FL_NO_BOX);
    const int px = panel->x(), py = panel->y();
    auto* saveAndExit = new Fl_Button(px + L::BitBtn8.left, py + L::BitBtn8.top, L::BitBtn8.width,
                                      L::BitBtn8.height, "Save and Exit");
    saveAndExit->callback(onSaveAndExitPressed, this);
    auto* preview = new Fl_Button(px + L::BitBtn7.left, py + L::BitBtn7.top, L::BitBtn7.width,
                                  L::BitBtn7.height, "Preview");
    preview->callback(onPreviewPressed, this);
    panel->end();
}

void Widgets::mirror() {
    devices.mirror(form.deviceBox());
    modes.mirror(form.modeBox());
    detail.mirror(form.detailBox());
    fps->value(form.fpsChecked() ? 1 : 0);
    transparency->value(form.transparencyChecked() ? 1 : 0);
}

void Widgets::afterUserAction() {
    if (form.closed()) {
        window->hide();
        return;
    }
    mirror();
}

SettingsWindowView::SettingsWindowView(SettingsForm& form) : widgets_(std::make_unique<Widgets>(form)) {
    widgets_->build();
}

SettingsWindowView::~SettingsWindowView() = default;

void SettingsWindowView::show() {
    widgets_->mirror();
    Fl_Window* window = widgets_->window;
    int sx = 0, sy = 0, sw = 0, sh = 0;
    Fl::screen_xywh(sx, sy, sw, sh, 0);
    window->position(sx + (sw - window->w()) / 2, sy + (sh - window->h()) / 2);
    window->show();
}
