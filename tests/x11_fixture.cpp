// Xt test windows on private Xvfb servers, read back as pixel grids.
#include "tests/x11_fixture.h"

#include <X11/Core.h>
#include <X11/Shell.h>
#include <X11/StringDefs.h>
#include <chrono>
#include <cstdio>
#include <thread>

#include "decoder/api.h"
#include "decoder/macro.h"
#include "decoder/operand.h"
#include "decoder/state.h"
#include "interp/state.h"
#include "raster/raster.h"

namespace naplps::xtest {

namespace {

int windowsMade = 0;  // places windows side by side

char cellChar(unsigned long pixel, const NxgXSlot *slot) {
    if (slot != nullptr)
        for (int k = 0; k < NXG_CELLS; k++)
            if (slot->pix_tbl[k] == pixel) return "0123456789abcdef"[k];
    return '?';
}

}  // namespace

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
    shell = XtVaAppCreateShell("naplpstest", "NaplpsTest", applicationShellWidgetClass, dpy, XtNx,
                               x, XtNy, y, XtNwidth, Dimension(w), XtNheight, Dimension(h),
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
    if (app != nullptr) XtDestroyApplicationContext(app);
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

const NxgXSlot *TestWindow::slot() const {
    if (id < 0 || id >= NXG_WIN_MAX) return nullptr;
    return &nxgx.slot[id];
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

::testing::AssertionResult windowMatchesPixmap(const TestWindow &w) {
    auto pm = w.pixels();
    auto wn = w.pixels(w.win);
    if (pm.empty() || wn.empty()) return ::testing::AssertionFailure() << "no pixmap or window";
    if (pm == wn) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "window and pixmap differ\n"
                                         << pictureIs(w.windowGrid(), w.pixmapGrid()).message();
}

}  // namespace naplps::xtest
