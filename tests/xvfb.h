// Private Xvfb servers for the tests that need an X server (the X back end,
// the plug-in and the host programs). Starting one needs no X library, so
// X-free test programs that run an X host program can use it too.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace naplps::xtest {

// The display name of a private Xvfb of the given depth (8 or 24), and, if
// visualClass is not -1, that default visual class (X's StaticGray 0 ..
// DirectColor 5), started on first use and ended when the process exits;
// empty when it could not be started.
std::string xvfbDisplay(int depth = 8, int visualClass = -1);

// Whether the tests run in continuous integration (CI=true), where a test
// that needs Xvfb and cannot start it fails instead of being skipped.
bool inCi();

}  // namespace naplps::xtest

// In a test body or SetUp: ends the test when no Xvfb of the given depth
// and class can be started: skipped, or, in CI, failed.
#define NAPLPS_NEED_XVFB(...)                                                   \
    do {                                                                        \
        if (::naplps::xtest::xvfbDisplay(__VA_ARGS__).empty()) {                \
            if (::naplps::xtest::inCi()) FAIL() << "Xvfb could not be started"; \
            GTEST_SKIP() << "Xvfb could not be started";                        \
        }                                                                       \
    } while (0)
