// ShellExecuteA "open": start a program (or hand a document to xdg-open) without waiting for it.
#include "platform/win/shell_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win/directories.h"

namespace {

constexpr int kStarted = 42;            // any value above 32 means success
constexpr int kFileNotFound = 2;        // ERROR_FILE_NOT_FOUND
constexpr int kAccessDenied = 5;        // SE_ERR_ACCESSDENIED
constexpr int kNoAssociation = 31;      // SE_ERR_NOASSOC

HINSTANCE result(int code) { return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(code)); }

bool endsWithScr(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".scr";
}

std::vector<std::string> splitBlanks(const char* text) {
    std::vector<std::string> out;
    std::string word;
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == ' ' || *p == '\t') {
            if (!word.empty()) out.push_back(word);
            word.clear();
        } else {
            word += *p;
        }
    }
    if (!word.empty()) out.push_back(word);
    return out;
}

// Forks twice so the started program is not our child (nothing to reap later); the grandchild
// reports a failed exec through a close-on-exec pipe. Answers 0 or the exec's errno.
int spawnDetached(const std::vector<std::string>& args, const std::string& directory, bool searchPath) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return errno;
    pid_t child = fork();
    if (child < 0) {
        int e = errno;
        close(report[0]);
        close(report[1]);
        return e;
    }
    if (child == 0) {
        close(report[0]);
        if (fork() != 0) _exit(0);
        if (!directory.empty() && chdir(directory.c_str()) != 0) {
            // Start in our own folder rather than not at all.
        }
        if (searchPath)
            execvp(argv[0], argv.data());
        else
            execv(argv[0], argv.data());
        int e = errno;
        (void)!write(report[1], &e, sizeof e);
        _exit(127);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int execError = 0;
    ssize_t got;
    while ((got = read(report[0], &execError, sizeof execError)) < 0 && errno == EINTR) {
    }
    close(report[0]);
    return got == static_cast<ssize_t>(sizeof execError) ? execError : 0;
}

}  // namespace

HINSTANCE ShellExecuteA(HWND, const char* verb, const char* file, const char* parameters, const char* directory,
                        int) {
    if (verb && std::strcmp(verb, "open") != 0) return result(kNoAssociation);
    if (!file || !*file) return result(kFileNotFound);
    std::string path = platform::nativePath(file);
    std::string dir = directory ? platform::nativePath(directory) : std::string{};
    if (path[0] != '/' && !dir.empty()) path = dir + "/" + path;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return result(kFileNotFound);

    std::vector<std::string> args{path};
    bool searchPath = false;
    if (S_ISREG(st.st_mode) && endsWithScr(path)) {
        args.push_back("/s");
    } else if (S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0) {
        for (std::string& a : splitBlanks(parameters)) args.push_back(std::move(a));
    } else {
        args = {"xdg-open", path};
        searchPath = true;
    }
    int error = spawnDetached(args, dir, searchPath);
    if (error == 0) return result(kStarted);
    if (searchPath) return result(kNoAssociation);
    return result(error == ENOENT ? kFileNotFound : kAccessDenied);
}
