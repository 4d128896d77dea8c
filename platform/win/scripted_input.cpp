// Parsing and keeping the VOREL_INPUT script.
#include "platform/win/scripted_input.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\n')) s.remove_suffix(1);
    return s;
}

// A whole decimal number within [lo, hi].
template <typename T>
bool parseNumber(std::string_view s, T lo, T hi, T* out) {
    T v{};
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool parseArgument(ScriptedKind kind, std::string_view arg, ScriptedEvent* ev) {
    switch (kind) {
        case ScriptedKind::Move: {
            size_t comma = arg.find(',');
            if (comma == std::string_view::npos) return false;
            return parseNumber(trim(arg.substr(0, comma)), -32768, 32767, &ev->a) &&
                   parseNumber(trim(arg.substr(comma + 1)), -32768, 32767, &ev->b);
        }
        case ScriptedKind::Key:
            return parseNumber(arg, 1, 254, &ev->a);
        case ScriptedKind::Button:
            if (arg == "left") ev->a = 0;
            else if (arg == "right") ev->a = 1;
            else if (arg == "middle") ev->a = 2;
            else return false;
            return true;
        default:
            return arg.empty();
    }
}

const std::pair<std::string_view, ScriptedKind> kNames[] = {
        {"move", ScriptedKind::Move},       {"key", ScriptedKind::Key},
        {"button", ScriptedKind::Button},   {"deactivate", ScriptedKind::Deactivate},
        {"hide", ScriptedKind::Hide},       {"show", ScriptedKind::Show},
        {"take", ScriptedKind::Take},       {"give", ScriptedKind::Give},
        {"disable", ScriptedKind::Disable}, {"enable", ScriptedKind::Enable},
        {"destroy-host", ScriptedKind::DestroyHost},
};

bool kindFromName(std::string_view name, ScriptedKind* kind) {
    for (const auto& [n, k] : kNames)
        if (n == name) {
            *kind = k;
            return true;
        }
    return false;
}

bool parseEntry(std::string_view entry, ScriptedEvent* ev) {
    size_t c1 = entry.find(':');
    if (c1 == std::string_view::npos) return false;
    if (!parseNumber<uint64_t>(trim(entry.substr(0, c1)), 0, 1ull << 40, &ev->timeMs)) return false;
    std::string_view rest = entry.substr(c1 + 1);
    size_t c2 = rest.find(':');
    std::string_view name = trim(rest.substr(0, c2));
    std::string_view arg = c2 == std::string_view::npos ? std::string_view{} : trim(rest.substr(c2 + 1));
    if (!kindFromName(name, &ev->kind)) return false;
    if (c2 != std::string_view::npos && arg.empty()) return false;
    return parseArgument(ev->kind, arg, ev);
}

struct Pending {
    bool loaded = false;
    std::vector<ScriptedEvent> events;
    size_t next = 0;
};

Pending g_pending;

Pending& pending() {
    if (!g_pending.loaded) {
        g_pending.loaded = true;
        const char* env = std::getenv("VOREL_INPUT");
        ScriptParse parsed = parseInputScript(env ? env : "");
        for (const std::string& bad : parsed.rejected)
            std::fprintf(stderr, "VOREL_INPUT: skipping malformed entry \"%s\"\n", bad.c_str());
        g_pending.events = std::move(parsed.events);
        g_pending.next = 0;
    }
    return g_pending;
}

}  // namespace

ScriptParse parseInputScript(std::string_view script) {
    ScriptParse out;
    while (!script.empty()) {
        size_t semi = script.find(';');
        std::string_view entry = trim(script.substr(0, semi));
        script = semi == std::string_view::npos ? std::string_view{} : script.substr(semi + 1);
        if (entry.empty()) continue;
        ScriptedEvent ev;
        if (parseEntry(entry, &ev))
            out.events.push_back(ev);
        else
            out.rejected.emplace_back(entry);
    }
    std::stable_sort(out.events.begin(), out.events.end(),
                     [](const ScriptedEvent& x, const ScriptedEvent& y) { return x.timeMs < y.timeMs; });
    return out;
}

std::string describeScriptedEvent(const ScriptedEvent& e) {
    char text[96];
    std::string_view name = "?";
    for (const auto& [n, k] : kNames)
        if (k == e.kind) name = n;
    static const char* const kButtons[] = {"left", "right", "middle"};
    int len = std::snprintf(text, sizeof text, "%llu %.*s", static_cast<unsigned long long>(e.timeMs),
                            static_cast<int>(name.size()), name.data());
    size_t at = static_cast<size_t>(len);
    if (e.kind == ScriptedKind::Move) std::snprintf(text + at, sizeof text - at, " %d,%d", e.a, e.b);
    if (e.kind == ScriptedKind::Key) std::snprintf(text + at, sizeof text - at, " %d", e.a);
    if (e.kind == ScriptedKind::Button && e.a >= 0 && e.a <= 2)
        std::snprintf(text + at, sizeof text - at, " %s", kButtons[e.a]);
    return text;
}

bool echoScriptedInput() {
    const char* s = std::getenv("VOREL_INPUT_ECHO");
    return s && s[0] == '1';
}

namespace {
void echo(const ScriptedEvent& e) {
    if (echoScriptedInput()) std::fprintf(stderr, "VOREL_INPUT %s\n", describeScriptedEvent(e).c_str());
}
}  // namespace

bool nextScriptedTimeMs(uint64_t* timeMs) {
    Pending& p = pending();
    if (p.next >= p.events.size()) return false;
    *timeMs = p.events[p.next].timeMs;
    return true;
}

std::vector<ScriptedEvent> takeScriptedEvents(uint64_t nowMs) {
    Pending& p = pending();
    std::vector<ScriptedEvent> due;
    while (p.next < p.events.size() && p.events[p.next].timeMs <= nowMs) {
        echo(p.events[p.next]);
        due.push_back(p.events[p.next++]);
    }
    return due;
}

bool takeNextScriptedEvent(uint64_t nowMs, ScriptedEvent* event) {
    Pending& p = pending();
    if (p.next >= p.events.size() || p.events[p.next].timeMs > nowMs) return false;
    *event = p.events[p.next++];
    echo(*event);
    return true;
}

void setInputScript(std::string_view script) {
    g_pending = Pending{};
    g_pending.loaded = true;
    g_pending.events = parseInputScript(script).events;
}

void resetScriptedInput() { g_pending = Pending{}; }

}  // namespace platform
