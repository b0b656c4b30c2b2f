#pragma once
// Where the cards of the bundled card menus stand on the screen, for tests
// that click them.

#include <strings.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace lorvano_test {

// A card of a card menu on the screen: its top-left corner and its size.
struct CardPlace {
    int left = -1, top = -1, size = 0;
    int CentreX() const { return left + size / 2; }
    int CentreY() const { return top + size / 2; }
};

// Where the card of an entry (an exercise file or a folder) stands in the
// card menu of its folder, laid out as the bundled .DirExercise.exc lays it
// out: entries sorted by name, ignoring letter case (names starting with "."
// are the program's own); from (20, 20), 10 apart; a card that would come
// within 150 of the right edge starts a new row, lowered by the tallest card
// so far. An entry with a card file of its own (Name.crd: the home screen's
// cards) is 180 pixels, every other card 120. size 0 when there is no such entry.
inline CardPlace CardOf(const std::filesystem::path& folder, const std::string& entry) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (name.front() != '.' && (e.is_directory() || e.path().extension() == ".exc")) names.push_back(name);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; });
    int x = 20, y = 20, tallest = 0;
    for (const std::string& name : names) {
        const int size = fs::exists(folder / (fs::path(name).stem().string() + ".crd")) ? 180 : 120;
        tallest = std::max(tallest, size + 10);
        if (800 - 150 < x + size + 10) {
            y += tallest;
            x = 20;
        }
        if (name == entry) return {x, y, size};
        x += size + 10;
    }
    return {};
}

}  // namespace lorvano_test
