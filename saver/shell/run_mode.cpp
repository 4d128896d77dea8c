#include "saver/shell/run_mode.h"

#include <cctype>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

void skipBlanks(std::string_view& s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
}

// A decimal number followed only by blanks. Empty text reads as 0 (no handle given).
bool parseHandle(std::string_view s, RunMode& mode) {
    skipBlanks(s);
    uint64_t value = 0;
    size_t digits = 0;
    while (digits < s.size() && s[digits] >= '0' && s[digits] <= '9') {
        value = value * 10 + static_cast<uint64_t>(s[digits] - '0');
        if (value > 0xFFFFFFFFu) return false;
        ++digits;
    }
    std::string_view rest = s.substr(digits);
    skipBlanks(rest);
    if (!rest.empty()) return false;
    mode.handle = static_cast<uintptr_t>(value);
    mode.hasHandle = digits > 0;
    return true;
}

RunMode withHandle(RunKind kind, std::string_view rest) {
    RunMode mode;
    mode.kind = kind;
    if (!parseHandle(rest, mode)) return RunMode{};
    return mode;
}

}  // namespace

RunMode parseRunMode(std::string_view text) {
    if (text.size() > kMaxCommandLine) return RunMode{};
    while (!text.empty() && (isBlank(text.front()) || text.front() == '-' || text.front() == '/'))
        text.remove_prefix(1);
    if (text.empty()) return RunMode{RunKind::Configure, 0, false, true};
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text.front())));
    std::string_view rest = text.substr(1);
    switch (c) {
        case 's': return RunMode{RunKind::FullScreen, 0, false, false};
        case 'p':
        case 'l': return withHandle(RunKind::Preview, rest);
        case 'a': return withHandle(RunKind::ChangePassword, rest);
        case 'c': {
            if (!rest.empty() && rest.front() == ':') rest.remove_prefix(1);
            return withHandle(RunKind::Configure, rest);
        }
        default: return RunMode{};
    }
}

std::string joinArguments(int argc, char** argv) {
    std::string out;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) out += ' ';
        out += argv[i] ? argv[i] : "";
        if (out.size() > kMaxCommandLine) break;  // already too long; parseRunMode rejects it
    }
    return out;
}
