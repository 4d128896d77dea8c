#include "tests/shell/saver_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <sstream>

extern char** environ;

std::string saverPath() { return VOREL_BIN_DIR "/Vorel_Saver.scr"; }

pid_t startSaver(const std::vector<std::string>& args, const Environment& env, int* stderrFd) {
    Environment all;
    for (char** e = environ; *e; ++e) {
        std::string kv = *e;
        size_t eq = kv.find('=');
        if (eq != std::string::npos) all[kv.substr(0, eq)] = kv.substr(eq + 1);
    }
    all.erase("VOREL_INPUT");
    all.erase("VOREL_TICK_MS");
    all["VOREL_BACKEND"] = "headless";
    all["VOREL_INPUT_ECHO"] = std::string(1, '1');
    for (const auto& [k, v] : env) all[k] = v;
    std::vector<std::string> envText, argText{saverPath()};
    for (const auto& [k, v] : all) {
        std::string entry = k;
        entry += '=';
        entry += v;
        envText.push_back(std::move(entry));
    }
    argText.insert(argText.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (auto& a : argText) argv.push_back(a.data());
    for (auto& e : envText) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 2);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(pipeFds[1]);
    *stderrFd = pipeFds[0];
    return pid;
}

bool waitForOutput(int stderrFd, const std::string& text, int limitMs, std::string* collected) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    char buf[4096];
    while (collected->find(text) == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{stderrFd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        ssize_t n = read(stderrFd, buf, sizeof buf);
        if (n <= 0) return false;
        collected->append(buf, static_cast<size_t>(n));
    }
    return true;
}

SaverRun finishSaver(pid_t pid, int stderrFd, int limitMs, const std::string& alreadyRead) {
    SaverRun run;
    run.errorText = alreadyRead;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    char buf[4096];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            run.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        pollfd p{stderrFd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        ssize_t n = read(stderrFd, buf, sizeof buf);
        if (n <= 0) break;  // the program closed stderr: it ended
        run.errorText.append(buf, static_cast<size_t>(n));
    }
    close(stderrFd);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!run.timedOut && WIFEXITED(status)) {
        run.exited = true;
        run.exitCode = WEXITSTATUS(status);
    }
    return run;
}

SaverRun runSaverProcess(const std::vector<std::string>& args, const Environment& env, int limitMs) {
    int fd = -1;
    pid_t pid = startSaver(args, env, &fd);
    if (pid < 0) return SaverRun{};
    return finishSaver(pid, fd, limitMs);
}

std::vector<std::string> deliveredInput(const SaverRun& run) {
    std::vector<std::string> out;
    std::istringstream lines(run.errorText);
    std::string line;
    const std::string prefix = "VOREL_INPUT ";
    while (std::getline(lines, line))
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line.substr(prefix.size()));
    return out;
}
