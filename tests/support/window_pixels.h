#pragma once
// Looking at a program's window on the X display with ImageMagick: one
// pixel's colour, and waiting for a pixel to change (windows are drawn a
// little after they show). Tests that include this drive windows with
// xdotool and run under xvfb-run.

#include "run_program.h"

#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>

namespace lorvano_test {

// xdotool and ImageMagick on an X display.
inline bool CanDriveWindows() {
    return HaveXDisplay() && !CommandOutput("command -v xdotool").empty() &&
           !CommandOutput("command -v import").empty();
}

// The colour of one pixel of what an ImageMagick command reads first, as it
// writes it ("#808080").
inline std::string PixelFrom(const std::string& reader, int x, int y) {
    const std::string line = CommandOutput(reader + " -crop 1x1+" + std::to_string(x) + "+" + std::to_string(y) +
                                           " -depth 8 txt:- | tail -n 1");
    const size_t hash = line.find('#');
    return hash == std::string::npos ? line : line.substr(hash, 7);
}

// One pixel of a window.
inline std::string PixelOf(const std::string& window, int x, int y) {
    return PixelFrom("import -window " + window, x, y);
}

// One pixel of a picture file.
inline std::string PictureColour(const std::string& path, int x, int y) {
    return PixelFrom("convert '" + path + "'", x, y);
}

// True when two colours as ImageMagick writes them ("#808080") differ by at
// most tolerance in each of red, green and blue: pictures the program decodes
// itself (JPEG) may come out a step apart from ImageMagick's reading.
inline bool ColoursNear(const std::string& a, const std::string& b, int tolerance) {
    if (a.size() != 7 || b.size() != 7 || a[0] != '#' || b[0] != '#') return false;
    for (int at = 1; at < 7; at += 2)
        if (std::abs(std::stoi(a.substr(at, 2), nullptr, 16) - std::stoi(b.substr(at, 2), nullptr, 16)) > tolerance)
            return false;
    return true;
}

// Looks until the pixel is (or, with equal false, is no longer) the colour
// given, for kWindowSeconds at most; returns the last colour seen.
inline std::string WaitForPixel(const std::string& window, int x, int y, const std::string& colour,
                                bool equal = true) {
    std::string seen;
    WaitUntil([&] { return ((seen = PixelOf(window, x, y)) == colour) == equal; }, kWindowSeconds);
    return seen;
}

// A visible top-level window titled title (a regular expression, whole), or
// empty. xdotool cannot read the title of SDL's own message box (its name is
// typed "UTF-8"), so without a hit the root's children are read with
// xwininfo, which can.
inline std::string VisibleWindowTitled(const std::string& title) {
    const std::string id = CommandOutput("xdotool search --onlyvisible --name " + Quoted("^" + title + "$"));
    if (!id.empty()) return id;
    std::istringstream children(RunCommand("xwininfo -root -children 2>/dev/null").out);
    const std::regex child(R"re(^\s*(0x[0-9a-f]+) "(.*)":)re");
    const std::regex wanted(title);
    std::smatch m;
    for (std::string line; std::getline(children, line);) {
        if (!std::regex_search(line, m, child) || !std::regex_match(m[2].str(), wanted)) continue;
        if (CommandOutput("xwininfo -id " + m[1].str() + " | grep -c IsViewable") == "1") return m[1].str();
    }
    return {};
}

// A visible window titled title, waited for kWindowSeconds at most; empty
// when none showed.
inline std::string WaitForWindow(const std::string& title) {
    std::string id;
    WaitUntil([&] { return !(id = VisibleWindowTitled(title)).empty(); }, kWindowSeconds);
    return id;
}

// Answers a box (answer presses its key) until no visible window has its
// title: a key that comes before the box takes input is lost on a busy
// machine. False when the box stayed.
inline bool AnswerUntilGone(const std::string& title, const std::function<void()>& answer) {
    return WaitUntil(
        [&, n = 0]() mutable {
            if (n++ % 30 == 0) answer();
            return VisibleWindowTitled(title).empty();
        },
        kWindowSeconds);
}

}  // namespace lorvano_test
