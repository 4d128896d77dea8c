// The run mode from the command line the screensaver host passes.
//
// The text after the program's name (the arguments joined by single blanks) is scanned from the
// left; blanks, '-' and '/' are skipped; the first other character decides, case-insensitively:
//   s                       full screen
//   p or l, blanks, N       preview inside window N (decimal)
//   c, optionally ':' N     configure dialog owned by window N, or by the foreground window
//   (nothing)               configure dialog without owner
//   a, blanks, N            change password (Linux keeps no saver password: exits -1)
//   anything else           malformed
// Numbers are whole decimal window handles; a missing number reads as 0. Malformed: an unknown
// switch, a number that overflows 32 bits or is followed by anything but blanks, and a command line
// longer than kMaxCommandLine bytes. Whether a handle names a window is decided by the caller.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum class RunKind { FullScreen, Preview, Configure, ChangePassword, Malformed };

struct RunMode {
    RunKind kind = RunKind::Malformed;
    uintptr_t handle = 0;    // preview parent, dialog owner or password owner; 0 when none given
    bool hasHandle = false;  // a number was given
    bool noSwitch = false;   // the command line was empty: the dialog has no owner
};

constexpr size_t kMaxCommandLine = 4096;

RunMode parseRunMode(std::string_view commandLine);
std::string joinArguments(int argc, char** argv);  // argv[1..] joined by blanks
