#include "common/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/win/directories.h"

Settings g_settings;

namespace {

constexpr int kFieldCount = 6;

// Reads up to six whole little-endian fields; returns how many were read whole.
int readFields(const std::string& path, int32_t fields[kFieldCount]) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return -1;
    unsigned char bytes[kFieldCount * 4];
    size_t got = std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    int whole = static_cast<int>(got / 4);
    for (int i = 0; i < whole; ++i) {
        uint32_t v = bytes[i * 4] | (bytes[i * 4 + 1] << 8) | (bytes[i * 4 + 2] << 16) |
                     (static_cast<uint32_t>(bytes[i * 4 + 3]) << 24);
        fields[i] = static_cast<int32_t>(v);
    }
    return whole;
}

void putField(unsigned char* out, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

// Writes the bytes to path through a temporary file in the same folder and a rename.
bool writeAtomically(const std::string& path, const unsigned char* bytes, size_t size) {
    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) return false;
    bool ok = write(fd, bytes, size) == static_cast<ssize_t>(size);
    ok = fsync(fd) == 0 && ok;
    ok = close(fd) == 0 && ok;
    if (ok) {
        chmod(temp.c_str(), 0644);  // mkstemp makes 0600; the file is not secret
        ok = std::rename(temp.c_str(), path.c_str()) == 0;
    }
    if (!ok) unlink(temp.c_str());
    return ok;
}

}  // namespace

std::string settingsFilePath() {
    char dir[200] = {};
    UINT n = GetWindowsDirectoryA(dir, sizeof dir);
    std::string path = (n > 0 && n < sizeof dir) ? dir : ".";
    path += "\\";
    path += kSettingsFileName;
    return platform::nativePath(path.c_str());
}

void loadSaverSettings(Settings& s, const std::string& path) {
    s.fpsOn = s.detailLevel = s.transparencyOn = s.modeChosen = 0;
    int32_t fields[kFieldCount];
    int whole = readFields(path, fields);
    int32_t* targets[kFieldCount] = {&s.fpsOn, &s.detailLevel, &s.transparencyOn, &s.modeChosen, &s.deviceIndex, &s.modeIndex};
    for (int i = 0; i < whole; ++i) *targets[i] = fields[i];
}

void loadConfigSettings(Settings& s, SettingsControls& controls, const std::string& path) {
    s.modeChosen = 0;
    int32_t fields[kFieldCount];
    int whole = readFields(path, fields);
    if (whole < 0) return;
    if (whole > 0) controls.setFpsChecked(fields[0] != 0);
    if (whole > 1) controls.setDetailSelection(fields[1]);
    if (whole > 2) controls.setTransparencyChecked(fields[2] != 0);
    if (whole > 3) s.modeChosen = fields[3];
    if (whole > 4) s.deviceIndex = fields[4];
    if (whole > 5) s.modeIndex = fields[5];
}

bool saveConfigSettings(Settings& s, const SettingsControls& controls, const std::string& path) {
    Settings next = s;
    if (controls.selectionChanged()) next.modeChosen = 1;
    next.deviceIndex = controls.deviceSelection();
    next.modeIndex = controls.modeSelection();
    unsigned char bytes[kFieldCount * 4];
    putField(bytes + 0, controls.fpsChecked() ? 1 : 0);
    putField(bytes + 4, controls.detailSelection());
    putField(bytes + 8, controls.transparencyChecked() ? 1 : 0);
    putField(bytes + 12, next.modeChosen);
    putField(bytes + 16, next.deviceIndex);
    putField(bytes + 20, next.modeIndex);
    if (!writeAtomically(path, bytes, sizeof bytes)) return false;
    s = next;
    return true;
}
