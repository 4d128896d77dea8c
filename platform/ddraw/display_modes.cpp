#include "platform/ddraw/display_modes.h"

#include <algorithm>
#include <tuple>

namespace platform::ddraw {

std::vector<ModeSize> displayModesFor(int desktopWidth, int desktopHeight) {
    static constexpr int kSizes[][2] = {{640, 480},   {800, 600},   {1024, 768},  {1152, 864},  {1280, 720},  {1280, 800},
                                        {1280, 1024}, {1366, 768},  {1440, 900},  {1600, 900},  {1600, 1200}, {1680, 1050},
                                        {1920, 1080}, {1920, 1200}, {2560, 1440}, {3840, 2160}};
    std::vector<ModeSize> modes;
    bool desktopListed = false;
    for (const auto& s : kSizes) {
        if (s[0] > desktopWidth || s[1] > desktopHeight) continue;
        desktopListed = desktopListed || (s[0] == desktopWidth && s[1] == desktopHeight);
        modes.push_back({s[0], s[1], 16});
        modes.push_back({s[0], s[1], 32});
    }
    if (!desktopListed && desktopWidth > 0 && desktopHeight > 0) {
        modes.push_back({desktopWidth, desktopHeight, 16});
        modes.push_back({desktopWidth, desktopHeight, 32});
    }
    std::sort(modes.begin(), modes.end(), [](const ModeSize& a, const ModeSize& b) {
        return std::tie(a.width, a.height, a.bits) < std::tie(b.width, b.height, b.bits);
    });
    return modes;
}

}  // namespace platform::ddraw
