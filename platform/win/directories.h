// Directories, temporary file names and path translation of the platform layer.
//
// GetWindowsDirectoryA: the folder that holds the settings file and the archive beside the
//   programs: $WINDIR when set; else the folder of the running executable when it is writable;
//   else ${XDG_DATA_HOME:-~/.local/share}/vorel-saver, created on first use with symbolic links to
//   the programs and the archive of the executable's folder. Returns the length written (without
//   the terminating zero), or the size needed (including it) when the buffer is too small, or 0 on
//   failure. The result has no trailing separator.
// GetTempPathA: $TMPDIR or /tmp, with a trailing '/'; same return convention.
// GetTempFileNameA: creates a new, empty, uniquely named file "<path>/<prefix up to 3 chars>XXXXXX.tmp"
//   (never guessed: created exclusively) and writes its name (at most 260 bytes with the zero) to
//   out. Returns a non-zero number on success, 0 on failure. `unique` must be 0.
// nativePath: translates the '\' separators the programs build into '/'.
// Paths are byte strings (UTF-8 on Linux). Nothing here keeps state beyond a cached folder name.
#pragma once

#include <string>

#include "platform/win/wintypes.h"

constexpr UINT MAX_PATH = 260;

UINT GetWindowsDirectoryA(char* buffer, UINT size);
DWORD GetTempPathA(DWORD size, char* buffer);
UINT GetTempFileNameA(const char* path, const char* prefix, UINT unique, char* out);

namespace platform {

std::string nativePath(const char* path);

// Forgets the cached Windows directory (tests change WINDIR between cases).
void resetWindowsDirectoryCache();

}  // namespace platform
