// Private Xvfb servers, Xt test windows and pixel grids for the drawing tests.
#include "tests/x11_fixture.h"

#include <X11/Core.h>
#include <X11/Shell.h>
#include <X11/StringDefs.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <thread>

#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "interp/state.h"
#include "raster/raster.h"

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
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                   "-cc", cls.c_str(), "-nolisten", "tcp", "-noreset", (char *)nullptr);
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

int windowsMade = 0;  // places windows side by side

char cellChar(unsigned long pixel, const _NXG_window_info *slot) {
    if (slot != nullptr)
        for (int k = 0; k < NXG_CELLS; k++)
            if (slot->pix_tbl[k] == pixel) return "0123456789abcdef"[k];
    return '?';
}

}  // namespace

std::string xvfbDisplay(int depth, int visualClass) {
    auto &all = servers().byDepth;
    int key = depth * 16 + (visualClass + 1);
    auto it = all.find(key);
    if (it == all.end()) it = all.emplace(key, startServer(depth, visualClass)).first;
    return it->second.display;
}

void resetState() { pdi_load_state(); }

TestWindow::TestWindow(int w, int h, int depth, int visualClass) : width(w), height(h) {
    std::string name = xvfbDisplay(depth, visualClass);
    if (name.empty()) return;
    XtToolkitInitialize();
    app = XtCreateApplicationContext();
    int argc = 0;
    char *argv[] = {nullptr};
    // A server that is still busy with a closed connection may refuse a new
    // one for a moment.
    for (int tries = 0; tries < 50 && dpy == nullptr; tries++) {
        dpy = XtOpenDisplay(app, name.c_str(), "naplpstest", "NaplpsTest", nullptr, 0, &argc, argv);
        if (dpy == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (dpy == nullptr) {
        std::fprintf(stderr, "x11_fixture: cannot open display %s\n", name.c_str());
        return;
    }
    int n = windowsMade++ % 8;
    Position x = Position((n % 4) * 250), y = Position((n / 4) * 300);
    shell = XtVaAppCreateShell("naplpstest", "NaplpsTest", applicationShellWidgetClass, dpy,
                               XtNx, x, XtNy, y, XtNwidth, Dimension(w), XtNheight, Dimension(h),
                               XtNborderWidth, 0, nullptr);
    core = XtVaCreateManagedWidget("canvas", coreWidgetClass, shell, XtNwidth, Dimension(w),
                                   XtNheight, Dimension(h), XtNborderWidth, 0, nullptr);
    XtRealizeWidget(shell);
    win = XtWindow(core);
    // Drawing into a window that is not yet viewable is lost.
    for (int tries = 0; tries < 500; tries++) {
        XWindowAttributes a;
        XSync(dpy, False);
        if (XGetWindowAttributes(dpy, win, &a) && a.map_state == IsViewable) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    while (XtAppPending(app)) XtAppProcessEvent(app, XtIMAll);
}

TestWindow::~TestWindow() {
    close();
    if (app != nullptr) {
        // The driver must not keep pointers into a display that is gone.
        if (nxg.SW1_dpy == dpy) nxg.SW1_dpy = nullptr;
        XtDestroyApplicationContext(app);
    }
}

int TestWindow::open() {
    int r = pdi_win_open(&id, 0, core, dpy, width, height);
    if (r == 0) pdi_load_canvas(id, 0, 0, width, height);
    if (dpy != nullptr) XSync(dpy, False);
    return r;
}

void TestWindow::playArea() {
    pdi_ctl(0, 0, 0, 0, 512);
    pdi_clip(0, 0, 0, width - 1, height - 1);
}

void TestWindow::feed(const std::vector<uint8_t> &bytes) {
    for (uint8_t b : bytes) pdi_putchar(0, b);
    if (dpy != nullptr) XSync(dpy, False);
}

void TestWindow::feed(const std::string &bytes) {
    feed(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

void TestWindow::resize(int w, int h) {
    width = w;
    height = h;
    XtVaSetValues(shell, XtNwidth, Dimension(w), XtNheight, Dimension(h), nullptr);
    XtVaSetValues(core, XtNwidth, Dimension(w), XtNheight, Dimension(h), nullptr);
    XSync(dpy, False);
    while (XtAppPending(app)) XtAppProcessEvent(app, XtIMAll);
}

void TestWindow::close() {
    if (id >= 0) {
        pdi_win_close(id);
        id = -1;
    }
    if (dpy != nullptr) XSync(dpy, False);
}

const _NXG_window_info *TestWindow::slot() const {
    if (id < 0 || id >= NXG_WIN_MAX) return nullptr;
    return &nxg.NXG_win_tbl[id];
}

std::vector<std::vector<unsigned long>> TestWindow::pixels(Drawable d) const {
    std::vector<std::vector<unsigned long>> out;
    if (d == 0 && slot() != nullptr) d = slot()->pm;
    if (dpy == nullptr || d == 0) return out;
    XSync(dpy, False);
    XImage *im = XGetImage(dpy, d, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (im == nullptr) return out;
    out.assign(size_t(height), std::vector<unsigned long>(size_t(width)));
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) out[size_t(y)][size_t(x)] = XGetPixel(im, x, y);
    XDestroyImage(im);
    return out;
}

Grid TestWindow::gridOf(Drawable d) const {
    Grid g;
    for (auto &row : pixels(d)) {
        std::string s;
        for (unsigned long p : row) s += cellChar(p, slot());
        g.push_back(s);
    }
    return g;
}

Grid TestWindow::pixmapGrid() const { return gridOf(0); }

Grid TestWindow::windowGrid() const { return gridOf(win); }

::testing::AssertionResult pictureIs(const Grid &actual, const Grid &expected) {
    bool same = actual.size() == expected.size();
    for (size_t r = 0; same && r < actual.size(); r++) {
        const std::string &a = actual[r], &e = expected[r];
        if (a.size() != e.size()) same = false;
        for (size_t c = 0; same && c < a.size(); c++)
            if (a[c] != e[c] && !(e[c] == '.' && a[c] == '0')) same = false;
    }
    if (same) return ::testing::AssertionSuccess();
    std::ostringstream os;
    size_t width = 8;
    for (auto &e : expected) width = std::max(width, e.size());
    os << "picture differs\n  " << std::string("expected") << std::string(width - 8, ' ')
       << "   actual\n";
    size_t rows = std::max(actual.size(), expected.size());
    for (size_t r = 0; r < rows; r++) {
        std::string e = r < expected.size() ? expected[r] : "";
        std::string a = r < actual.size() ? actual[r] : "";
        bool rowSame = e.size() == a.size();
        for (size_t c = 0; rowSame && c < e.size(); c++)
            if (e[c] != a[c] && !(e[c] == '.' && a[c] == '0')) rowSame = false;
        os << (rowSame ? "  " : "* ") << e << std::string(width - e.size(), ' ') << " | " << a
           << "\n";
    }
    return ::testing::AssertionFailure() << os.str();
}

::testing::AssertionResult windowMatchesPixmap(const TestWindow &w) {
    auto pm = w.pixels();
    auto wn = w.pixels(w.win);
    if (pm.empty() || wn.empty()) return ::testing::AssertionFailure() << "no pixmap or window";
    if (pm == wn) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "window and pixmap differ\n"
                                         << pictureIs(w.windowGrid(), w.pixmapGrid()).message();
}

Grid blank(int w, int h, char c) { return Grid(size_t(h), std::string(size_t(w), c)); }

}  // namespace naplps::xtest
