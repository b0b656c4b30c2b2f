// libGuide.so through its handler, each case in a child process of its own
// (GIO reads the desktop's application settings once per process): the page
// opens in the desktop's default application for it and DoGuide does not
// wait for that application; without one, the user is told.

#include "shell/companion_libraries.h"

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

using namespace lorvano_test;
namespace fs = std::filesystem;

namespace {

// Points the desktop settings GIO reads at folders of the test's own.
void PrivateDesktop(const TempDir& dir, const std::string& extraDataDirs) {
    setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
    setenv("XDG_DATA_DIRS", (dir.File("data") + extraDataDirs).c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", dir.File("config").c_str(), 1);
    setenv("PATH", dir.File("bin").c_str(), 1);  // no xdg-open
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("XDG_CURRENT_DESKTOP");
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    setenv("GIO_USE_VFS", "local", 1);
}

void ShowGuide(const std::string& page) {
    vGuideDll_c guide;
    if (guide.LoadEntryPoints() != 0) std::_Exit(3);
    guide.DoGuide(page.c_str(), 0);
}

bool WaitFor(const std::string& path) {
    for (int i = 0; i < 200 && !fs::exists(path); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return fs::exists(path);
}

TEST(GuideDeathTest, ThePageOpensInTheDefaultBrowserWithoutWaitingForIt) {
    TempDir dir;
    fs::create_directories(dir.File("data/applications"));
    fs::create_directories(dir.File("config"));
    fs::create_directories(dir.File("pages"));
    const std::string page = dir.File("pages/Index.htm");
    WriteFile(page, "<html><body>Guide</body></html>");
    // The browser notes the address it was given and stays open until
    // released (or 20 s), noting when it closes.
    const std::string browser = dir.File("browser.sh");
    const std::string opened = dir.File("opened"), release = dir.File("release"), closed = dir.File("closed");
    WriteFile(browser, "#!/bin/sh\nPATH=/usr/bin:/bin\nexec >/dev/null 2>&1 </dev/null\n"
                       "echo \"$1\" > \"" + opened + ".tmp\" && mv \"" + opened + ".tmp\" \"" + opened + "\"\n"
                       "for i in $(seq 200); do [ -e \"" + release + "\" ] && break; sleep 0.1; done\n"
                       "touch \"" + closed + "\"\n");
    fs::permissions(browser, fs::perms::owner_all);
    WriteFile(dir.File("data/applications/lorvano-test-browser.desktop"),
              "[Desktop Entry]\nType=Application\nName=Test browser\nExec=" + browser +
                  " %u\nMimeType=text/html;\n");
    WriteFile(dir.File("config/mimeapps.list"), "[Default Applications]\ntext/html=lorvano-test-browser.desktop\n");

    EXPECT_EXIT(
        {
            PrivateDesktop(dir, ":/usr/share");
            ShowGuide(page);
            // Back while the browser still runs: the page was handed over.
            std::_Exit(WaitFor(opened) && !fs::exists(closed) ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    WriteFile(release, "");
    EXPECT_TRUE(WaitFor(closed));
    // GIO hands a local page over as its path or as its file address.
    const std::string address = ReadFile(opened);
    EXPECT_TRUE(address == page + "\n" || address == "file://" + page + "\n") << address;
}

TEST(GuideDeathTest, WithoutABrowserTheUserIsTold) {
    TempDir dir;
    const std::string page = dir.File("Index.htm");
    WriteFile(page, "<html></html>");
    EXPECT_EXIT(
        {
            PrivateDesktop(dir, "");
            ShowGuide(page);
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "No web browser could be started to show the guide page\n.*Index.htm");
    EXPECT_EXIT(
        {
            PrivateDesktop(dir, "");
            ShowGuide(dir.File("Missing.htm"));
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "The guide page does not exist:\n.*Missing.htm");
}

}  // namespace
