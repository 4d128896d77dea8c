#include "platform/win/clock.h"

#include <chrono>
#include <ctime>
#include <thread>

// Real clock only; the virtual clock of the headless backend is added by the window layer.
DWORD GetTickCount() {
    using namespace std::chrono;
    return static_cast<DWORD>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

namespace platform {
uint32_t currentTimeSeed() { return static_cast<uint32_t>(std::time(nullptr)); }
}  // namespace platform
