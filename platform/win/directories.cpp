#include "platform/win/directories.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string g_windowsDirectory;  // cached answer; empty until first asked

std::string executableFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return exe.parent_path().string();
}

bool folderWritable(const std::string& folder) {
    return !folder.empty() && access(folder.c_str(), W_OK | X_OK) == 0;
}

// The per-user folder for an installed (read-only) copy: links to the programs and the archive
// beside the executable, so the configuration program finds the saver and the saver its data.
std::string perUserFolder(const std::string& exeFolder) {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    fs::path base;
    if (xdg && *xdg)
        base = xdg;
    else if (home && *home)
        base = fs::path(home) / ".local/share";
    else
        return {};
    fs::path folder = base / "vorel-saver";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) return {};
    for (const char* name : {"Vorel_Saver.scr", "vorel_config.exe", "vorel_screensaver.pak"}) {
        fs::path target = fs::path(exeFolder) / name;
        fs::path link = folder / name;
        if (fs::exists(target, ec) && !fs::exists(fs::symlink_status(link, ec)))
            fs::create_symlink(target, link, ec);
    }
    return folder.string();
}

std::string findWindowsDirectory() {
    if (const char* w = std::getenv("WINDIR"); w && *w) {
        std::string s = w;
        while (s.size() > 1 && s.back() == '/') s.pop_back();
        return s;
    }
    std::string exe = executableFolder();
    if (folderWritable(exe)) return exe;
    std::string user = perUserFolder(exe);
    return user.empty() ? exe : user;
}

// Copies text into a caller's buffer with the Win32 length convention.
UINT copyOut(const std::string& text, char* buffer, UINT size) {
    if (text.empty()) return 0;
    if (!buffer || size < text.size() + 1) return static_cast<UINT>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<UINT>(text.size());
}

}  // namespace

UINT GetWindowsDirectoryA(char* buffer, UINT size) {
    if (g_windowsDirectory.empty()) g_windowsDirectory = findWindowsDirectory();
    return copyOut(g_windowsDirectory, buffer, size);
}

DWORD GetTempPathA(DWORD size, char* buffer) {
    std::string dir = "/tmp";
    if (const char* t = std::getenv("TMPDIR"); t && *t) dir = t;
    if (dir.back() != '/') dir += '/';
    return copyOut(dir, buffer, size);
}

UINT GetTempFileNameA(const char* path, const char* prefix, UINT unique, char* out) {
    if (!path || !out || unique != 0) return 0;
    std::string name = platform::nativePath(path);
    if (!name.empty() && name.back() != '/') name += '/';
    if (prefix) name.append(prefix, strnlen(prefix, 3));
    name += "XXXXXX.tmp";
    if (name.size() + 1 > MAX_PATH) return 0;
    std::string buf = name;
    int fd = mkstemps(buf.data(), 4);
    if (fd < 0) return 0;
    close(fd);
    std::memcpy(out, buf.c_str(), buf.size() + 1);
    return 1;
}

namespace platform {

std::string nativePath(const char* path) {
    std::string s = path ? path : "";
    for (char& c : s)
        if (c == '\\') c = '/';
    // "C:\x" style roots never reach us, but a doubled separator from "<dir>\name" is harmless.
    return s;
}

void resetWindowsDirectoryCache() { g_windowsDirectory.clear(); }

}  // namespace platform
