// The presentation trace carries the members the program adds (the story's own state).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "platform/ddraw/frame_trace.h"
#include "tests/ddraw/ddraw_fixture.h"

namespace {

namespace fs = std::filesystem;
using ddraw_test::DirectDrawTest;

class TraceExtra : public DirectDrawTest {
protected:
    fs::path trace = fs::temp_directory_path() / ("vorel_trace_extra_" + std::to_string(::getpid()) + ".jsonl");
    void TearDown() override {
        platform::ddraw::setTraceExtra("");
        unsetenv("VOREL_TRACE");
        DirectDrawTest::TearDown();
        fs::remove(trace);
    }
};

TEST_F(TraceExtra, LinesEndWithTheProgramsMembersUntilTheyAreCleared) {
    setenv("VOREL_TRACE", trace.c_str(), 1);
    makeChain(640, 480, 32);
    platform::ddraw::setTraceExtra("\"camera\":2,\"view\":\"inside\"");
    ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
    platform::ddraw::setTraceExtra(nullptr);
    ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
    platform::ddraw::resetFrameOutput();
    std::ifstream in(trace);
    std::string first, second;
    ASSERT_TRUE(std::getline(in, first));
    ASSERT_TRUE(std::getline(in, second));
    EXPECT_NE(first.find(",\"camera\":2,\"view\":\"inside\"}"), std::string::npos) << first;
    EXPECT_EQ(second.find("camera"), std::string::npos) << second;
    EXPECT_EQ(second.back(), '}');
}

}  // namespace
