// The plug-in's shared library from outside: only its four entries are
// visible, and pdiview, the host program, loads it and plays the demo as a
// person runs it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "tests/x11_fixture.h"

namespace {

TEST(PluginLibrary, ExportsExactlyTheFourEntries) {
    FILE *nm = popen("nm -D --defined-only " NPNAP_PATH, "r");
    ASSERT_NE(nm, nullptr);
    std::set<std::string> names;
    char address[64], type[8], name[256];
    while (std::fscanf(nm, "%63s %7s %255s", address, type, name) == 3) names.insert(name);
    EXPECT_EQ(pclose(nm), 0);
    EXPECT_EQ(names, (std::set<std::string>{"NP_GetMIMEDescription", "NP_GetValue",
                                            "NP_Initialize", "NP_Shutdown"}));
}

int exitCode(const std::string &cmd) {
    int st = std::system(cmd.c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// The newest top-level window (on the test's own server only pdiview makes
// windows), or 0.
Window newestTopLevel(Display *d) {
    Window root, parent, *kids = nullptr, found = 0;
    unsigned n = 0;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &kids, &n) && n) found = kids[n - 1];
    if (kids) XFree(kids);
    return found;
}

// The demo into a PNG, at its first size and after a resize; the demo in a
// window that a window manager (the test) closes; clear failures without a
// file, a plug-in or a display, and for a bad option.
TEST(Pdiview, EndToEnd) {
    std::string display = naplps::xtest::xvfbDisplay(8);
    if (display.empty()) GTEST_SKIP() << "no Xvfb";
    const std::string view = PDIVIEW_PATH, env = "DISPLAY=" + display + " ";
    std::string out = testing::TempDir() + "pdiview_demo_" + std::to_string(getpid()) + ".png";
    for (const std::string resize : {"", " --resize 300x250"}) {
        EXPECT_EQ(exitCode(env + view + " --plugin " NPNAP_PATH " --size 256x200 --block 7" +
                           resize + " --png " + out + " " DEMO_PDI " >/dev/null"), 0);
        unsigned char head[24] = {};  // the signature, then IHDR's width and height
        std::ifstream(out, std::ios::binary).read(reinterpret_cast<char *>(head), 24);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(head) + 1, 3), "PNG");
        EXPECT_EQ(head[18] << 8 | head[19], resize.empty() ? 256 : 300);
        EXPECT_EQ(head[22] << 8 | head[23], resize.empty() ? 200 : 250);
    }
    unlink(out.c_str());

    Display *d = XOpenDisplay(display.c_str());
    ASSERT_NE(d, nullptr);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        execl(PDIVIEW_PATH, "pdiview", "--plugin", NPNAP_PATH, "--size", "256x200", DEMO_PDI,
              (char *)nullptr);
        _exit(127);
    }
    Window shell = 0;
    for (int i = 0; i < 200 && !(shell = newestTopLevel(d)); i++) usleep(50000);
    ASSERT_NE(shell, 0u) << "no pdiview window";
    XEvent ev = {};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = shell;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    XSendEvent(d, shell, False, NoEventMask, &ev);
    XSync(d, False);
    int st = -1;
    for (int i = 0; i < 400 && waitpid(pid, &st, WNOHANG) != pid; i++) usleep(50000);
    if (st == -1) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
    EXPECT_TRUE(st != -1 && WIFEXITED(st) && WEXITSTATUS(st) == 0)
        << "pdiview did not end when its window was closed";
    XCloseDisplay(d);

    struct { std::string cmd; int code; } fails[] = {
        {view + " /nonexistent.pdi", 1},
        {env + view + " --plugin /nonexistent.so " DEMO_PDI, 1},
        {"env -u DISPLAY " + view + " --plugin " NPNAP_PATH " " DEMO_PDI, 1},
        {view + " --size 3", 2}};
    for (auto &f : fails) EXPECT_EQ(exitCode(f.cmd + " 2>/dev/null"), f.code) << f.cmd;
}

}  // namespace
