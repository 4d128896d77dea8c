// Scripted input: VOREL_INPUT, events at given clock times for tests and demonstrations.
//
// Format: entries separated by ';', each "TIME:KIND" or "TIME:KIND:ARGUMENT". TIME is the tick count
// in milliseconds at which the event happens (on the real clock: milliseconds since start). Kinds:
//   move:X,Y      the pointer moves to screen position X,Y
//   key:VK        a key (Windows virtual-key code, decimal) is pressed and released
//   button:NAME   left, right or middle button pressed and released at the pointer
//   deactivate    the application loses the activation
//   hide, show    the window becomes invisible / visible (surfaces are lost while hidden)
//   take, give    another program takes / gives back the display
//   disable, enable  the saver window is disabled / enabled
//   destroy-host  the preview's host window goes away (headless screen)
// Blanks around entries are ignored. A malformed entry is skipped and named on stderr; the rest of
// the script still runs. Events with equal times keep their order. With VOREL_INPUT_ECHO=1 every
// event is written to stderr as it is taken for delivery ("VOREL_INPUT 3000 key 27"), so a script's effect
// can be followed from outside.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class ScriptedKind { Move, Key, Button, Deactivate, Hide, Show, Take, Give, Disable, Enable, DestroyHost };

struct ScriptedEvent {
    uint64_t timeMs = 0;
    ScriptedKind kind = ScriptedKind::Key;
    int a = 0;  // x, virtual key, or button (0 left, 1 right, 2 middle)
    int b = 0;  // y
};

struct ScriptParse {
    std::vector<ScriptedEvent> events;  // sorted by time, stable
    std::vector<std::string> rejected;  // the entries that were skipped
};

ScriptParse parseInputScript(std::string_view script);
// "TIME KIND [ARGUMENT]", as echoed.
std::string describeScriptedEvent(const ScriptedEvent& event);
bool echoScriptedInput();

// The pending script of this process, read from VOREL_INPUT on first use. nextScriptedTimeMs gives
// the time of the next pending event; takeScriptedEvents removes those due at `nowMs`. The message
// queue delivers events one at a time, and only while no message is waiting.
bool nextScriptedTimeMs(uint64_t* timeMs);
std::vector<ScriptedEvent> takeScriptedEvents(uint64_t nowMs);
bool takeNextScriptedEvent(uint64_t nowMs, ScriptedEvent* event);
// Replaces the pending script (tests); resetScriptedInput reads VOREL_INPUT again on next use.
void setInputScript(std::string_view script);
void resetScriptedInput();

}  // namespace platform
