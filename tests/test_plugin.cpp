// The plug-in's shared library from outside: only its four entries are
// visible, and pdiview, the host program, loads it and plays the demo as a
// person runs it.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Intrinsic.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "plugin/npapi.h"
#include "tests/x11_fixture.h"

namespace {

TEST(PluginLibrary, ExportsExactlyTheFourEntries) {
    FILE *nm = popen("nm -D --defined-only " NPNAP_PATH, "r");
    ASSERT_NE(nm, nullptr);
    std::set<std::string> names;
    char address[64], type[8], name[256];
    while (std::fscanf(nm, "%63s %7s %255s", address, type, name) == 3) names.insert(name);
    EXPECT_EQ(pclose(nm), 0);
    EXPECT_EQ(names, (std::set<std::string>{"NP_GetMIMEDescription", "NP_GetValue", "NP_Initialize",
                                            "NP_Shutdown"}));
}

// The library's timers reach this program's XtAppAddTimeOut (it exports its
// symbols), which records each interval and sets the real timer; a sleep
// would reach select, which counts it.
std::vector<unsigned long> timersSet;
int sleepsSeen = 0;

}  // namespace

extern "C" XtIntervalId XtAppAddTimeOut(XtAppContext app, unsigned long ms,
                                        XtTimerCallbackProc proc, XtPointer data) {
    timersSet.push_back(ms);
    using Add = XtIntervalId (*)(XtAppContext, unsigned long, XtTimerCallbackProc, XtPointer);
    static Add real = reinterpret_cast<Add>(dlsym(RTLD_NEXT, "XtAppAddTimeOut"));
    return real(app, ms, proc, data);
}

extern "C" int select(int n, fd_set *r, fd_set *w, fd_set *e, struct timeval *tv) {
    if (n == 0 && !r && !w && !e && tv) sleepsSeen++;
    using Select = int (*)(int, fd_set *, fd_set *, fd_set *, struct timeval *);
    static Select real = reinterpret_cast<Select>(dlsym(RTLD_NEXT, "select"));
    return real(n, r, w, e, tv);
}

namespace {

// Runs the event loop for `ms` milliseconds: the plug-in's timers fire.
void runLoop(XtAppContext app, int ms) {
    for (int t = 0; t < ms; t += 10) {
        while (XtAppPending(app)) XtAppProcessEvent(app, XtIMAll);
        usleep(10000);
    }
}

void *hostAlloc(uint32_t n) { return std::malloc(n); }
void hostFree(void *p) { std::free(p); }

// A host of our own: loads the built library, finds its entries by name,
// and plays a stream through the tables in blocks, as a browser does.
TEST(PluginLibrary, LoadedWithDlopenPlaysAStreamThroughItsTables) {
    NAPLPS_NEED_XVFB(8);
    naplps::xtest::TestWindow win(400, 300);
    ASSERT_TRUE(win.ok());
    void *lib = dlopen(NPNAP_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto mime = reinterpret_cast<const char *(*)()>(dlsym(lib, "NP_GetMIMEDescription"));
    auto init = reinterpret_cast<NPError (*)(NPNetscapeFuncs *, NPPluginFuncs *)>(
        dlsym(lib, "NP_Initialize"));
    auto shutdown = reinterpret_cast<NPError (*)()>(dlsym(lib, "NP_Shutdown"));
    ASSERT_TRUE(mime && init && shutdown);
    EXPECT_STREQ(mime(), "image/naplps:.pdi:Pictarine");

    NPNetscapeFuncs host = {};
    host.size = sizeof host;
    host.version = NP_VERSION_MINOR;
    host.memalloc = hostAlloc;
    host.memfree = hostFree;
    NPPluginFuncs pf = {};
    pf.size = sizeof pf;
    ASSERT_EQ(init(&host, &pf), NPERR_NO_ERROR);
    ASSERT_TRUE(pf.newp && pf.setwindow && pf.newstream && pf.write && pf.destroystream &&
                pf.destroy);

    NPP_t instance = {};
    char type[] = "image/naplps";
    ASSERT_EQ(pf.newp(type, &instance, NP_EMBED, 0, nullptr, nullptr, nullptr), NPERR_NO_ERROR);
    NPSetWindowCallbackStruct ws = {NP_SETWINDOW, win.dpy,
                                    DefaultVisual(win.dpy, DefaultScreen(win.dpy)),
                                    DefaultColormap(win.dpy, DefaultScreen(win.dpy)), 8};
    NPWindow w = {reinterpret_cast<void *>(win.win), 0, 0, 400, 300, {0, 0, 300, 400}, &ws};
    ASSERT_EQ(pf.setwindow(&instance, &w), NPERR_NO_ERROR);

    // RESET, yellow, WAIT of 2 ticks (one tick of pause), a filled
    // rectangle; 35 bytes in blocks of 10, 20 and 5.
    const uint8_t bytes[] = {0xA0, 0xC3, 0xC2, 0xBE, 0xF0, 0xBD, 0xDC, 0xC2, 0xB3, 0xC0, 0xC0, 0xC0,
                             0xD0, 0xC0, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                             0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    NPStream stream = {};
    uint16_t stype = 0;
    sleepsSeen = 0;
    timersSet.clear();
    ASSERT_EQ(pf.newstream(&instance, type, &stream, 0, &stype), NPERR_NO_ERROR);
    int32_t offset = 0;
    for (int block : {10, 20, 5}) {
        EXPECT_GT(pf.writeready(&instance, &stream), 0);
        EXPECT_EQ(
            pf.write(&instance, &stream, offset, block, const_cast<uint8_t *>(bytes) + offset),
            block);
        offset += block;
    }
    runLoop(win.app, 1500);
    EXPECT_EQ(timersSet, (std::vector<unsigned long>{1000, 100}))
        << "the banner's moment and one WAIT: every byte decoded once";
    ASSERT_EQ(pf.destroystream(&instance, &stream, NPRES_DONE), NPERR_NO_ERROR);

    // The same size again decodes nothing; a new size decodes it all again,
    // without the banner, and the pause it has shown passes at once.
    timersSet.clear();
    ASSERT_EQ(pf.setwindow(&instance, &w), NPERR_NO_ERROR);
    win.resize(300, 200);
    w.width = 300;
    w.height = 200;
    ASSERT_EQ(pf.setwindow(&instance, &w), NPERR_NO_ERROR);
    EXPECT_TRUE(timersSet.empty());
    EXPECT_EQ(sleepsSeen, 0) << "the plug-in slept";

    NPSavedData *saved = nullptr;
    EXPECT_EQ(pf.destroy(&instance, &saved), NPERR_NO_ERROR);
    EXPECT_EQ(shutdown(), NPERR_NO_ERROR);
    dlclose(lib);
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
// window titled with the file's name, that a window manager (the test) closes; clear failures
// without a file, a plug-in or a display, and for a bad option.
TEST(Pdiview, EndToEnd) {
    NAPLPS_NEED_XVFB(8);
    std::string display = naplps::xtest::xvfbDisplay(8);
    const std::string view = PDIVIEW_PATH, env = "DISPLAY=" + display + " ";
    std::string out = testing::TempDir() + "pdiview_demo_" + std::to_string(getpid()) + ".png";
    for (const std::string resize : {"", " --resize 300x250"}) {
        EXPECT_EQ(exitCode(env + view + " --plugin " NPNAP_PATH " --size 256x200 --block 7" +
                           resize + " --png " + out + " " DEMO_PDI " >/dev/null"),
                  0);
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
    // Its title, as desktops show a file's window: the name, then the program.
    std::string title;
    for (int i = 0; i < 100 && title.empty(); i++) {
        char *name = nullptr;
        if (XFetchName(d, shell, &name) && name) title = name;
        if (name)
            XFree(name);
        else
            usleep(50000);
    }
    EXPECT_EQ(title, "demo.pdi - pdiview");
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
    if (st == -1) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    EXPECT_TRUE(st != -1 && WIFEXITED(st) && WEXITSTATUS(st) == 0)
        << "pdiview did not end when its window was closed";
    XCloseDisplay(d);

    struct {
        std::string cmd;
        int code;
    } fails[] = {{view + " /nonexistent.pdi", 1},
                 {env + view + " --plugin /nonexistent.so " DEMO_PDI, 1},
                 {"env -u DISPLAY " + view + " --plugin " NPNAP_PATH " " DEMO_PDI, 1},
                 {view + " --size 3", 2}};
    for (auto &f : fails) EXPECT_EQ(exitCode(f.cmd + " 2>/dev/null"), f.code) << f.cmd;
}

}  // namespace
