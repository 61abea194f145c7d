#include "tests/surface_fixture.h"
#include <iostream>
#include "raster/raster.h"
#include "interp/state.h"
using namespace naplps;
using namespace naplps::ptest;
TEST(S, Try) {
    Grid g = drawn(10, 4, "set-line 0 0 8 3");
    for (auto &r : g) std::cout << r << "\n";
    g = drawn(10, 4, "domain pel=3,2\nset-line 0 0 8 3");
    for (auto &r : g) std::cout << r << "\n";
    resetState();
    std::cout << ras.pen.LogPelX << " " << ras.pen.PhyPelX << " " << ras.pen.ColorMod << " "
              << ras.pen.ForColor << "\n";
}
