// The bundled word course, loaded as the card menus load it: every word
// exercise under Words/ through the definition loader, its etalon recording
// with its WAV and segment markers, and the card picture beside it through
// the picture reader. The markers must name the exercise's trained sound and
// lie, in order, inside the analysed word, on frames that fit their sounds;
// the menus stay short.

#include "word_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "analysis/markers.h"
#include "display/dx_images.h"
#include "exercises/rt_hm_exercise.h"
#include "objects/loader.h"

using namespace word_test;

namespace {

const std::set<std::string> kHisses = {"s", "S", "tS"};
const std::set<std::string> kVowels = {"I", "i:", "i", "e", "e@", "{", "V", "Q", "O:", "U", "u:", "@", "@U", "aI", "aU"};

// Share of the frames [from, to) whose energy-weighted band index (where in
// the 20 bands the energy lies) is 9 or more: hissing, not voiced.
double BrightShare(const vRecording_c& rec, int32_t from, int32_t to) {
    int bright = 0;
    for (int32_t f = from; f < to; ++f) {
        double weighted = 0, total = 0;
        for (int k = 0; k < 20; ++k) {
            const int32_t v = rec.Frame(f).channels[k];
            if (v > 0) weighted += double(v) * k, total += v;
        }
        bright += total > 0 && weighted >= 9 * total;
    }
    return to > from ? double(bright) / (to - from) : 0;
}

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
    CopyBundledWords();

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
        // The exercise's own card stays clear of the buttons below the displays.
        EXPECT_EQ(e->CardPos().y, 240);

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
        // The markers sit on their sounds: the frames of a voiceless hissing
        // sound have their energy high up the bands, those of a vowel low.
        for (size_t i = 0; i < markers.Count(); ++i) {
            const std::string& code = dynamic_cast<const vSegmentMarker_c&>(markers[i]).segmentCode;
            const int32_t to = i + 1 < markers.Count() ? markers[i + 1].GetPos(true) : etalon.WordEnd();
            const double bright = BrightShare(etalon, markers[i].GetPos(true), to);
            if (kHisses.count(code)) {
                EXPECT_GE(bright, 0.75) << code;
            }
            if (kVowels.count(code)) {
                EXPECT_LE(bright, 0.25) << code;
            }
        }
        ++trained[e->VISound()];
        for (int mode = 1; mode <= 4; ++mode) EXPECT_NO_THROW(e->SetDisplayMode(mode));
    }
    // The course trains the sibilants and f, each with several words.
    for (const char* sound : {"s", "S", "z", "f", "tS"}) EXPECT_GE(trained[sound], 4) << sound;
}

// F1 in an exercise opens its guide page: every exercise of the course names
// a page of its own kind, and every page's links and pictures are there.
TEST_F(WordFixture, EveryExerciseNamesAGuidePageWhoseLinksResolve) {
    // A copy: a word exercise deletes a stale "Say.wav" where it starts.
    fs::copy(fs::path(LORVANO_SOURCE_DIR) / "data/english", dir / "english", fs::copy_options::recursive);
    fs::current_path(dir / "english");
    int exercises = 0, sustained = 0;
    for (const char* folder : {"Voice", "Sounds", "Words", "Mouth", "Teacher"}) {
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.path().extension() != ".exc") continue;
            SCOPED_TRACE(entry.path().string());
            vLoader_c loader;
            try {
                LoadDefinitionFile(entry.path().string(), loader);
            } catch (const vException_c& problem) {
                ADD_FAILURE() << problem.Message();
                continue;
            }
            std::unique_ptr<vTrExercise_c> e(dynamic_cast<vTrExercise_c*>(loader.Release().release()));
            ASSERT_NE(e, nullptr);
            EXPECT_NE(e->GetGuidePage(), ".Guide/Index.htm");
            EXPECT_TRUE(fs::is_regular_file(e->GetGuidePage())) << e->GetGuidePage();
            ++exercises;
            if (dynamic_cast<vTrRtHmExercise_c*>(e.get())) ++sustained;
        }
    }
    EXPECT_GE(exercises, 40);
    EXPECT_GE(sustained, 7);

    const std::regex link("(?:href|src)=\"([^\"#:]+)\"");
    int pages = 0;
    for (const auto& entry : fs::directory_iterator(".Guide")) {
        if (entry.path().extension() != ".htm") continue;
        ++pages;
        std::ifstream in(entry.path());
        const std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (std::sregex_iterator m(html.begin(), html.end(), link), end; m != end; ++m)
            EXPECT_TRUE(fs::exists(entry.path().parent_path() / (*m)[1].str())) << entry.path() << ": " << (*m)[1];
    }
    EXPECT_GE(pages, 8);
}
