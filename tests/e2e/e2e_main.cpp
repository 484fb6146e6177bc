// Entry point of the real-window tests: a private X display (Xvfb and a window manager) for the
// whole run, and this test program one more client of it, to take screenshots.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "e2e/e2e_env.h"

namespace {

std::string g_scratch;
std::unique_ptr<e2e::XDisplay> g_display;

}  // namespace

const e2e::XDisplay& e2e::Display() {
    return *g_display;
}

std::string e2e::ScratchRoot() {
    return g_scratch;
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // test discovery needs no display

    char dir[] = "/tmp/tt-e2e-XXXXXX";
    if (::mkdtemp(dir) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    g_scratch = dir;
    int status = 1;
    try {
        g_display = std::make_unique<e2e::XDisplay>(kScreenWidth, kScreenHeight, g_scratch);
        ::setenv("DISPLAY", g_display->name().c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        const std::string runtime = g_scratch + "/runtime-tests";
        std::filesystem::create_directory(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        {
            QApplication app(argc, argv);
            status = RUN_ALL_TESTS();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Cannot set up the X display for the real-window tests: %s\n",
                     e.what());
        status = 1;
    }
    g_display.reset();
    std::error_code ignored;
    std::filesystem::remove_all(g_scratch, ignored);
    return status;
}
