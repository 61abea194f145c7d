// The decoder's outward window operations: taking and releasing a slot of
// the driver's window table, and repainting a window from its backing
// pixmap. A null widget with a null display takes an in-memory surface.
#include "interp/colour.h"
#include "interp/state.h"
#include "nxg/nxg.h"

namespace naplps {

int pdi_win_open(int *win, Colormap cm, Widget widget, Display *display, int width, int height) {
    if (win == nullptr) return -1;
    int id = *win;
    bool fresh = false;
    if (id == -1) {
        if (nxg.NXG_win_cnt == -1) {
            for (auto &w : nxg.NXG_win_tbl) {
                w.use_flg = 0;
                w.pal_set = 0;
            }
            nxg.NXG_win_cnt = 0;
        }
        id = 0;
        while (id < NXG_WIN_MAX && nxg.NXG_win_tbl[id].use_flg) id++;
        if (id == NXG_WIN_MAX) return -1;
        nxg.NXG_win_tbl[id].use_flg = 1;
        nxg.NXG_win_cnt++;
        fresh = true;
    } else if (id < 0 || id >= NXG_WIN_MAX || !nxg.NXG_win_tbl[id].use_flg) {
        // Only a slot this caller was given can be updated.
        return -1;
    }
    NxgWindowInfo &w = nxg.NXG_win_tbl[id];
    nxg.NXG_win_wid = sat32(int64_t(width) - 1);
    nxg.NXG_win_hgt = sat32(int64_t(height) - 1);
    w.wid = width;
    w.hgt = height;
    bool newCells = !w.pal_set;
    int status = NXG_init(id, cm, widget, display);
    if (status == -1) {
        // Refused (too small, or no window): nothing is drawn; a new slot
        // is given back.
        if (fresh) {
            w.use_flg = 0;
            nxg.NXG_win_cnt--;
        }
        return -1;
    }
    *win = id;
    // New colour cells show the picture's colour map.
    if (newCells && w.pal_set) show_colormap();
    return 0;
}

int pdi_win_close(int win) {
    tmrset();
    if (win < 0 || win >= NXG_WIN_MAX || !nxg.NXG_win_tbl[win].use_flg) return 0;
    NxgWindowInfo &w = nxg.NXG_win_tbl[win];
    // A closed window stops being the surface: nothing draws into its
    // freed pixmap.
    bool current = nxg.SW1_id == win;
    NXG_term(win);
    w.use_flg = 0;
    if (nxg.NXG_win_cnt > 0) nxg.NXG_win_cnt--;
    if (current) NXG_no_surface();
    // With no window left the host's own X error handler is back in force.
    if (nxg.NXG_win_cnt == 0) NXG_end();
    return 0;
}

void pdi_load_canvas(int id, int x1, int y1, int x2, int y2) {
    NXG_load_canvas(id, x1, y1, x2, y2);
}

}  // namespace naplps
