// Runs the real Vorel_Saver.scr as a child process for the shell tests: arguments, extra
// environment (VOREL_BACKEND=headless is always set unless given), stderr collected, killed with
// SIGKILL when it outlives the limit (reported as timedOut, never as a pass).
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

struct SaverRun {
    bool exited = false;    // ended by itself with an exit status
    int exitCode = -1000;   // 0..255 when exited
    bool timedOut = false;
    std::string errorText;  // what the program wrote to stderr
};

using Environment = std::map<std::string, std::string>;

std::string saverPath();

// Starts the program; answers its pid (or -1) and a pipe on its stderr.
pid_t startSaver(const std::vector<std::string>& args, const Environment& env, int* stderrFd);
// Reads the program's stderr until `text` appears (true) or limitMs pass; what was read is kept in
// `collected` so finishSaver can add the rest.
bool waitForOutput(int stderrFd, const std::string& text, int limitMs, std::string* collected);
// Waits for a started program, at most limitMs of real time.
SaverRun finishSaver(pid_t pid, int stderrFd, int limitMs, const std::string& alreadyRead = "");
SaverRun runSaverProcess(const std::vector<std::string>& args, const Environment& env, int limitMs = 20000);

// The scripted events the run delivered (VOREL_INPUT_ECHO lines), in order.
std::vector<std::string> deliveredInput(const SaverRun& run);
