// A fresh headless screen, window layer, queue, clock, cursor and input script for each test.
// VOREL_TICK_MS is unset unless the test asks for the virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/backend/backend.h"
#include "platform/win/clock.h"
#include "platform/win/cursor.h"
#include "platform/win/messages.h"
#include "platform/win/scripted_input.h"
#include "platform/win/window.h"

class HeadlessWindows : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("VOREL_TICK_MS");
        fresh();
    }
    void TearDown() override {
        unsetenv("VOREL_TICK_MS");
        fresh();
        platform::backend::install(nullptr);
    }
    void useVirtualClock(int stepMs) {
        setenv("VOREL_TICK_MS", std::to_string(stepMs).c_str(), 1);
        platform::resetClock();
    }
    static void fresh() {
        platform::backend::install(platform::backend::makeHeadless());
        platform::resetWindows();
        platform::resetMessageQueue();
        platform::resetClock();
        platform::setInputScript("");
        platform::resetCursor();
    }
};
