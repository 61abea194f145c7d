// Private Xvfb servers, one per depth and visual class, ended with the
// test process.
#include "tests/xvfb.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>

namespace naplps::xtest {

namespace {

// One Xvfb process per depth and visual class, ended when the test process
// exits.
struct Server {
    pid_t pid = -1;
    std::string display;
};

struct Servers {
    std::map<int, Server> byDepth;
    ~Servers() {
        for (auto &s : byDepth) {
            if (s.second.pid > 0) {
                kill(s.second.pid, SIGTERM);
                waitpid(s.second.pid, nullptr, 0);
            }
        }
    }
};

Servers &servers() {
    static Servers s;
    return s;
}

// Starts Xvfb on a display number of its own choosing: -displayfd makes it
// pick a free number and write it to the pipe once it accepts connections,
// so parallel test processes never collide.
Server startServer(int depth, int visualClass) {
    Server s;
    int fds[2];
    if (pipe(fds) != 0) return s;
    std::string screen = "1024x768x" + std::to_string(depth);
    std::string cls = std::to_string(visualClass);
    pid_t pid = fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return s;
    }
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlive the tests
        ::close(fds[0]);
        int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        std::string fd = std::to_string(fds[1]);
        if (visualClass >= 0)
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-cc",
                   cls.c_str(), "-nolisten", "tcp", "-noreset", (char *)nullptr);
        else
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                   "-nolisten", "tcp", "-noreset", (char *)nullptr);
        _exit(127);
    }
    ::close(fds[1]);
    // Wait (at most about 20 s) for the display number.
    std::string num;
    for (int tries = 0; tries < 200; tries++) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fds[0], &set);
        timeval tv{0, 100000};
        if (select(fds[0] + 1, &set, nullptr, nullptr, &tv) > 0) {
            char buf[32];
            ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0) break;
            num.append(buf, size_t(n));
            if (num.find('\n') != std::string::npos) break;
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            break;
        }
    }
    ::close(fds[0]);
    while (!num.empty() && (num.back() == '\n' || num.back() == ' ')) num.pop_back();
    if (pid < 0 || num.empty()) {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        return s;
    }
    s.pid = pid;
    s.display = ":" + num;
    return s;
}

}  // namespace

std::string xvfbDisplay(int depth, int visualClass) {
    auto &all = servers().byDepth;
    int key = depth * 16 + (visualClass + 1);
    auto it = all.find(key);
    if (it == all.end()) it = all.emplace(key, startServer(depth, visualClass)).first;
    return it->second.display;
}

bool inCi() {
    const char *ci = std::getenv("CI");
    return ci != nullptr && std::strcmp(ci, "true") == 0;
}

}  // namespace naplps::xtest
