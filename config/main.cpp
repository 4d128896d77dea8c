// vorel_config.exe: the configuration program. One window, the settings window; no arguments.
#include <FL/Fl.H>

#include "common/device_list.h"
#include "common/settings.h"
#include "config/settings_form.h"
#include "config/settings_window_fltk.h"

int main() {
    // The dialog face of the desktop the program was made for: light grey controls.
    Fl::background(212, 208, 200);
    SettingsForm form(g_settings, FormServices::platform());
    {
        SettingsWindowView view(form);
        form.FormCreate();
        view.show();
        Fl::run();
    }
    clearDeviceList();
    return 0;
}
