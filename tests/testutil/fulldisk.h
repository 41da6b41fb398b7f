#pragma once
// Saving on a full disk, for the tests of every writer: the save runs in a
// forked child whose files may not grow past a few bytes (RLIMIT_FSIZE, so
// writes fail with EFBIG as on a full disk), and the test process keeps its
// own limits. The caller then checks that the old file is intact and that
// nothing else was left in the folder.

#include <algorithm>
#include <csignal>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace testutil {

struct TSaveOutcome {
    bool Exited = false;   // the child ended normally (no crash)
    bool Failed = false;   // the save reported a failure
    std::string Message;   // the failure's message
};

// save reports a failure by throwing.
inline TSaveOutcome SaveOnFullDisk(const std::function<void()>& save, rlim_t limit = 1000)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit bound{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &bound);
        std::string report = "ok";
        try {
            save();
        } catch (const std::exception& e) {
            report = std::string("failed:") + e.what();
        } catch (...) {
            report = "failed:";
        }
        for (std::size_t done = 0; done < report.size();) {
            const ssize_t n = ::write(fds[1], report.data() + done, report.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    TSaveOutcome outcome;
    outcome.Exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    outcome.Failed = report.rfind("failed:", 0) == 0;
    if (outcome.Failed)
        outcome.Message = report.substr(7);
    return outcome;
}

// The names in a folder, sorted (hidden ones included).
inline std::vector<std::string> FolderEntries(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace testutil
