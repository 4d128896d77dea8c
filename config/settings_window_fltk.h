// The settings window drawn with FLTK (only the API that FLTK 1.3 and 1.4 share).
//
// The view owns its widgets and mirrors a SettingsForm: it forwards what the user does (picking an
// entry, ticking a box, pressing a button, closing the window) to the form, which raises the
// window's events, and then copies the form's state back into the widgets. Setting a widget from
// here never calls back into the form, so selecting from code raises no event. Closing the window
// in any way (close box, system menu, "Save and Exit") runs FormClose once and hides the window,
// which ends Fl::run. Escape does not close it. Needs a display; never linked into tests.
#pragma once

#include <memory>

class SettingsForm;

class SettingsWindowView {
public:
    explicit SettingsWindowView(SettingsForm& form);
    ~SettingsWindowView();
    SettingsWindowView(const SettingsWindowView&) = delete;
    SettingsWindowView& operator=(const SettingsWindowView&) = delete;

    // Copies the form's state into the widgets, centres the window on the screen and shows it.
    void show();

    struct Widgets;  // the FLTK widgets; defined where FLTK is included

private:
    std::unique_ptr<Widgets> widgets_;
};
