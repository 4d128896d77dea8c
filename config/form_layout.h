// Where the settings window's controls sit: positions in pixels relative to their parent (the
// window, a group box or the bottom panel), as left, top, width, height. The window's client area
// is 488 wide; its outer height is 226 with a title bar and a fixed frame, which leaves about 201
// for the client area. Drop-down lists are 21 high and labels 13, as with the 8-point dialog font.
#pragma once

struct ControlRect {
    int left, top, width, height;
};

namespace form_layout {

constexpr int kClientWidth = 488;
constexpr int kClientHeight = 201;
constexpr int kFontSize = 11;  // 8 points at 96 dots per inch, in pixels
constexpr int kListHeight = 21;
constexpr int kLabelHeight = 13;

constexpr ControlRect GroupBox3{8, 8, 233, 121};  // " Choose 3D device and video mode "
constexpr ControlRect Label3{8, 27, 62, kLabelHeight};
constexpr ControlRect ComboBox1{72, 24, 153, kListHeight};
constexpr ControlRect Label4{8, 59, 62, kLabelHeight};
constexpr ControlRect ComboBox2{72, 56, 153, kListHeight};
constexpr ControlRect BitBtn1{8, 88, 217, 25};
constexpr ControlRect GroupBox1{248, 8, 233, 121};  // " Visual options "
constexpr ControlRect CheckBox9{8, 32, 209, 17};
constexpr ControlRect CheckBox10{8, 48, 209, 17};
constexpr ControlRect Label2{8, 84, 62, kLabelHeight};
constexpr ControlRect ComboBox3{72, 80, 153, kListHeight};
constexpr ControlRect Panel1{7, 135, 474, 60};
constexpr ControlRect BitBtn7{345, 1, 129, 25};  // "Preview"
constexpr ControlRect BitBtn8{345, 30, 129, 25};  // "Save and Exit"

}  // namespace form_layout
