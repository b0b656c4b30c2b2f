// The bundled word course, loaded as the card menus load it: every word
// exercise under Words/ through the definition loader, its etalon recording
// with its WAV and segment markers, and the card picture beside it through
// the picture reader. The markers must name the exercise's trained sound and
// lie, in order, inside the analysed word; the menus stay short.

#include "word_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "analysis/markers.h"
#include "display/dx_images.h"

using namespace word_test;

namespace {

bool Hidden(const fs::path& p) { return p.filename().string().front() == '.'; }

// The picture a default card shows for entry: Name.bmp beside it.
void ExpectCardPicture(const fs::path& entry) {
    const fs::path picture = fs::path(entry).replace_extension(".bmp");
    ASSERT_TRUE(fs::exists(picture)) << picture;
    vDxFileImage_c image;
    image.SetFileName(picture.string());
    EXPECT_TRUE(image.Loaded()) << picture;
    EXPECT_EQ(image.GetWidth(), 104) << picture;
    EXPECT_EQ(image.GetHeight(), 104) << picture;
}

}  // namespace

TEST_F(WordFixture, EveryBundledWordLoadsItsEtalonMarkersAndPicture) {
    UseBundledSettings();
    fs::copy(fs::path(LORVANO_SOURCE_DIR) / "data/english/Words", dir / "Words", fs::copy_options::recursive);

    std::vector<fs::path> exercises;
    std::map<fs::path, int> cardsPerFolder;
    for (auto it = fs::recursive_directory_iterator("Words"); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path& p = it->path();
        if (Hidden(p)) {
            if (it->is_directory()) it.disable_recursion_pending();
            continue;
        }
        if (it->is_directory()) {
            ++cardsPerFolder[p.parent_path()];
            ExpectCardPicture(p);
        } else if (p.extension() == ".exc") {
            ++cardsPerFolder[p.parent_path()];
            exercises.push_back(p);
        }
    }
    std::sort(exercises.begin(), exercises.end());
    EXPECT_GE(exercises.size(), 20u);
    for (const auto& [folder, cards] : cardsPerFolder) EXPECT_LE(cards, 12) << folder;

    std::map<std::string, int> trained;
    for (const fs::path& path : exercises) {
        SCOPED_TRACE(path.string());
        boxes.clear();
        auto* e = ShowFile<vTrWordExercise_c>(path.string());
        ASSERT_NE(e, nullptr);
        EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : boxes.front().text);
        ASSERT_TRUE(e->Etalon().HasData());
        EXPECT_FALSE(e->EtalonMode());
        ExpectCardPicture(path);

        const vRecording_c& etalon = e->Etalon();
        const vRecMarkerList_c& markers = etalon.Markers();
        ASSERT_GE(markers.Count(), 2u);
        bool namesTrained = false;
        int32_t previous = etalon.WordBegin() - 1;
        for (size_t i = 0; i < markers.Count(); ++i) {
            const auto* marker = dynamic_cast<const vSegmentMarker_c*>(&markers[i]);
            ASSERT_NE(marker, nullptr);
            EXPECT_FALSE(marker->label.empty());
            namesTrained = namesTrained || marker->segmentCode == e->VISound();
            // The analysis made the word-relative markers absolute.
            ASSERT_TRUE(marker->IsAbsolute()) << marker->label;
            const int32_t at = marker->GetPos(true);
            EXPECT_GT(at, previous) << marker->label;
            EXPECT_LT(at, etalon.WordEnd()) << marker->label;
            EXPECT_LT(at, etalon.RecPos()) << marker->label;
            previous = at;
        }
        EXPECT_TRUE(namesTrained) << "no marker of " << e->VISound();
        ++trained[e->VISound()];
        for (int mode = 1; mode <= 4; ++mode) EXPECT_NO_THROW(e->SetDisplayMode(mode));
    }
    // The course trains the sibilants and f, each with several words.
    for (const char* sound : {"s", "S", "z", "f", "tS"}) EXPECT_GE(trained[sound], 4) << sound;
}
