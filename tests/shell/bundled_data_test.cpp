// The bundled English language, loaded the way the program loads it: every
// exercise file through the application, every card file through the card
// loader, the drawer into a menu, the word etalons as recordings, the filter
// coefficients through the analysis' processor, and every picture through the display's
// readers. Any message shown or exception raised fails, so that a renamed or
// moved file that a definition still names is caught here.

#include "shell_test_language.h"

#include "analysis/hm_block_processor.h"
#include "analysis/recording.h"
#include "display/dx_images.h"
#include "display/dx_menu.h"
#include "display/dx_simple_image.h"
#include "exercises/result_view.h"
#include "exercises/rt_hm_exercise.h"
#include "exercises/word_exercise.h"
#include "objects/prop_strm.h"
#include "platform/native_window.h"
#include "shell/card_button.h"
#include "shell/card_menu.h"
#include "shell/loaders.h"
#include "shell/menu_buttons.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

using namespace shell_test;

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class BundledData : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy(LORVANO_SOURCE_DIR "/data/english", dir.Path(), fs::copy_options::recursive);
        fs::current_path(dir.Path());
        gSettings.SetFileName((dir.Path() / "trainer.ini").c_str());
        // Exercises open the microphone and the speakers: files stand in for them.
        setenv("LORVANO_AUDIO", "file", 1);
        setenv("LORVANO_AUDIO_PACE", "fast", 1);
        setenv("LORVANO_AUDIO_OUT", (out.Path() / "played.wav").c_str(), 1);
        unsetenv("LORVANO_AUDIO_IN");
        dx_test::UseDesignScreen(32);
        platform::SetMessageBoxHook([this](const platform::MessageBoxRecord& box) {
            boxes.push_back(box.text);
            return platform::BoxAnswer::Ok;
        });
        app = std::make_unique<TestApp>();
        // Sound devices report to a window: the application gets one.
        platform::WindowOptions options;
        options.title = "bundled data";
        options.width = 800;
        options.height = 600;
        window = platform::OpenWindow(options);
        app->TakeOver(window);
    }
    void TearDown() override {
        app.reset();
        platform::RemoveWindow(window);
        platform::SetMessageBoxHook({});
        SetDxScreenInfo({});
        fs::current_path(old);
    }

    // Language-relative names of the files with this extension, hidden ones
    // included.
    std::vector<std::string> Files(const std::string& extension) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(dir.Path()))
            if (entry.is_regular_file() && Lower(entry.path().extension().string()) == extension)
                names.push_back(fs::relative(entry.path(), dir.Path()).generic_string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // Nothing was shown since the last call; what was is reported with name.
    void ExpectQuiet(const std::string& name) {
        for (const std::string& text : app->shown) ADD_FAILURE() << name << ": " << text;
        for (const std::string& text : boxes) ADD_FAILURE() << name << ": box " << text;
        app->shown.clear();
        boxes.clear();
    }

    fs::path old = fs::current_path();
    lorvano_test::TempDir dir, out;
    std::vector<std::string> boxes;
    platform::WindowHandle window = platform::kNoWindow;
    std::unique_ptr<TestApp> app;
};

}  // namespace

TEST_F(BundledData, EveryExerciseLoadsWithoutAMessage) {
    const std::vector<std::string> exercises = Files(".exc");
    ASSERT_GE(exercises.size(), 10u);
    for (const std::string& name : exercises) {
        try {
            vTrExercise_c* exercise = app->LoadExercise(name, false);
            EXPECT_NE(exercise, nullptr) << name;
            if (exercise) {
                EXPECT_EQ(exercise->FileName(), name);
            }
        } catch (const vException_c& e) {
            ADD_FAILURE() << name << ": " << e.Message();
        }
        ExpectQuiet(name);
    }
    app->CloseExercise();
}

TEST_F(BundledData, EveryCardFileGivesACard) {
    const std::vector<std::string> cards = Files(".crd");
    ASSERT_GE(cards.size(), 3u);
    for (const std::string& name : cards) {
        vTrMenuBtnLoader_c loader(app.get());
        try {
            LoadDefinitionFile(name, loader);
        } catch (const vException_c& e) {
            ADD_FAILURE() << name << ": " << e.Message();
        }
        const std::unique_ptr<vPropCntnr_c> object = loader.Release();
        EXPECT_NE(dynamic_cast<vTrExLoadBtn_c*>(object.get()), nullptr) << name;
        ExpectQuiet(name);
    }
}

TEST_F(BundledData, EveryDataFileLoadsAsWhatItIs) {
    const std::vector<std::string> files = Files(".dat");
    ASSERT_FALSE(files.empty());
    for (const std::string& name : files) {
        try {
            if (name == ".Drawer.dat") {
                vDxMenu_c drawer;
                drawer.SetDefault(true);
                drawer.SetParent(app.get());
                LoadDefinitionFile(name, drawer);
                EXPECT_FALSE(drawer.Buttons().empty()) << name;
            } else if (name == "coef.dat") {
                // With the language's calibration and window files.
                vHMProcessorSetup_c setup = vHMProcessorSetup_c::FromSettings();
                setup.coefficients = name;
                const vHMBlockProcessor_c processor(setup);
            } else {
                // Everything else is a word's etalon, read as the word exercise reads it.
                vLoader_c loader;
                LoadDefinitionFile(name, loader);
                const auto* recording = dynamic_cast<const vRecording_c*>(loader.Object());
                ASSERT_NE(recording, nullptr) << name;
                EXPECT_TRUE(recording->HasData()) << name;
            }
        } catch (const vException_c& e) {
            ADD_FAILURE() << name << ": " << e.Message();
        }
        ExpectQuiet(name);
    }
}

TEST_F(BundledData, TheDrawerRestsClosedOnTheBottomLeftCornerAndItsWordsRowOpens) {
    vDxSimpleImage_c screen;
    screen.Create(800, 600, 32);
    dx_test::Fill(screen, 128, 128, 128);
    vDxMenu_c drawer;
    drawer.SetParent(&screen);
    try {
        LoadDefinitionFile(".Drawer.dat", drawer);
    } catch (const vException_c& e) {
        FAIL() << e.Message();
    }
    ASSERT_EQ(drawer.Buttons().size(), 11u);
    EXPECT_TRUE(drawer.IsDefault());
    EXPECT_FALSE(drawer.Horizontal());
    EXPECT_EQ(drawer.GetWidth(), 96);
    EXPECT_EQ(drawer.GetHeight(), 11 * 52);
    EXPECT_EQ(drawer.GetPos(), (vDxPoint{0, 548}));
    EXPECT_NE(dynamic_cast<vDxActMenuBtn_c*>(drawer.Buttons().back().get()), nullptr);
    // Open, the button where "Menu" rested closes the drawer again: quick
    // clicks on "Menu" never land on a command.
    const vDxRect menuRests{drawer.ClosedPos().x, drawer.ClosedPos().y, drawer.Buttons().back()->GetWidth(),
                            drawer.Buttons().back()->GetHeight()};
    const vDxPoint openAt = drawer.OpenPos();
    for (const auto& button : drawer.Buttons()) {
        const vDxPoint at{openAt.x + button->GetPos().x, openAt.y + button->GetPos().y};
        const bool overlaps = at.x < menuRests.x + menuRests.w && menuRests.x < at.x + button->GetWidth() &&
                              at.y < menuRests.y + menuRests.h && menuRests.y < at.y + button->GetHeight();
        if (overlaps) {
            EXPECT_NE(dynamic_cast<vDxActMenuBtn_c*>(button.get()), nullptr) << "a command lies under Menu";
        }
    }
    auto* start = dynamic_cast<vDxMsgMenuBtn_c*>(drawer.Buttons()[1].get());
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(start->Count(), 4u);
    // The closed drawer shows "Menu" only: normal picture at the corner, grey above.
    vDxFileImage_c menu0;
    menu0.SetFileName(".Pic/Drawer/Menu0.bmp");
    menu0.SetRequestedSize(0, 0, 32);
    menu0.Loaded();
    EXPECT_EQ(dx_test::PixelAt(screen, 8, 580), dx_test::PixelAt(menu0, 8, 32));
    EXPECT_EQ(dx_test::PixelAt(screen, 8, 540), screen.MakeColor(128, 128, 128));

    auto* words = dynamic_cast<vDxSubMenuBtn_c*>(drawer.Buttons()[6].get());
    ASSERT_NE(words, nullptr);
    vDxMenu_c* row = words->SubMenu();
    EXPECT_TRUE(row->Horizontal());
    ASSERT_EQ(row->Buttons().size(), 3u);
    for (const auto& button : row->Buttons()) EXPECT_NE(dynamic_cast<vDxExLoadMenuBtn_c*>(button.get()), nullptr);
    EXPECT_EQ(row->GetParent(), &screen);
    EXPECT_EQ(row->OpenPos(), (vDxPoint{100, 236}));  // beside "Words"
    EXPECT_FALSE(row->IsShown());
    drawer.Open();
    EXPECT_EQ(drawer.GetPos(), (vDxPoint{0, 28}));
    EXPECT_EQ(drawer.GetPos().y + words->GetPos().y, 236);
    words->OnClick();
    EXPECT_TRUE(row->IsShown());
    drawer.Close();
    EXPECT_FALSE(row->IsShown());
}

TEST_F(BundledData, TheDrawersExercisesLoad) {
    const std::string drawer = ReadText(dir.Path() / ".Drawer.dat");
    const std::regex exerciseProperty(R"re(Exercise\s*=\s*"([^"]+)")re");
    int count = 0;
    for (std::sregex_iterator it(drawer.begin(), drawer.end(), exerciseProperty), end; it != end; ++it, ++count) {
        const std::string name = (*it)[1];
        try {
            vTrExercise_c* exercise = app->LoadExercise(name, false);
            EXPECT_NE(exercise, nullptr) << name;
        } catch (const vException_c& e) {
            ADD_FAILURE() << name << ": " << e.Message();
        }
        ExpectQuiet(name);
    }
    EXPECT_GE(count, 3);
    app->CloseExercise();
}

TEST_F(BundledData, EveryPictureReads) {
    std::vector<std::string> pictures = Files(".bmp");
    const std::vector<std::string> jpegs = Files(".jpg");
    pictures.insert(pictures.end(), jpegs.begin(), jpegs.end());
    ASSERT_GE(pictures.size(), 100u);
    for (const std::string& name : pictures) {
        vDxSimpleImage_c picture;
        try {
            picture.Load(name);
            EXPECT_GT(picture.GetWidth(), 0) << name;
        } catch (const vException_c& e) {
            ADD_FAILURE() << name << ": " << e.Message();
        }
        ExpectQuiet(name);
    }
}

TEST_F(BundledData, TheFirstFeedbackSetHasItsOwnPictureForEveryMarkTheCourseShows) {
    // Chosen in the settings, the first set must replace every result
    // picture; a missing one would mix its pictures with the default ones.
    gSettings.PutInt("Feedback/Offset", 0);
    char prefix[51];
    gSettings.GetString("Feedback/Prefix0", prefix, sizeof prefix, "");
    ASSERT_NE(prefix[0], '\0');
    int views = 0;
    for (const std::string& name : Files(".exc")) {
        vLoader_c loader;
        try {
            LoadDefinitionFile(name, loader);
        } catch (const vException_c& e) {
            ADD_FAILURE() << name << ": " << e.Message();
            continue;
        }
        const vTrResultView_c* view = nullptr;
        if (const auto* word = dynamic_cast<const vTrWordExercise_c*>(loader.Object())) view = word->ResDisplay();
        if (const auto* sound = dynamic_cast<const vTrRtHmExercise_c*>(loader.Object())) view = sound->ResDisplay();
        if (!view) continue;
        ++views;
        EXPECT_EQ(view->FeedbackPrefix(), prefix) << name;
        for (unsigned i = 0; i < view->Count(); ++i)
            EXPECT_EQ(fs::path(view->Picture(i)->FileName()).filename().string().rfind(prefix, 0), 0u)
                << name << ": " << view->Picture(i)->FileName();
        ExpectQuiet(name);
    }
    EXPECT_GE(views, 40);
}

TEST_F(BundledData, TheHomeCardsAreTheFoldersThatHoldExercises) {
    // A folder that shows as a card leads to exercises somewhere below it;
    // pictures and sounds live in hidden folders.
    for (auto it = fs::recursive_directory_iterator(dir.Path()); it != fs::recursive_directory_iterator(); ++it) {
        if (!it->is_directory()) continue;
        if (it->path().filename().string().front() == '.') {
            it.disable_recursion_pending();
            continue;
        }
        bool holdsExercise = false;
        for (const auto& inner : fs::recursive_directory_iterator(it->path()))
            holdsExercise |= inner.is_regular_file() && Lower(inner.path().extension().string()) == ".exc";
        EXPECT_TRUE(holdsExercise) << fs::relative(it->path(), dir.Path()) << " shows as a card but leads nowhere";
    }

    app->Home();
    auto* menu = dynamic_cast<vTrMenu_c*>(app->GetExercise());
    ASSERT_NE(menu, nullptr);
    std::set<std::string> targets;
    for (const auto& card : menu->Cards()) targets.insert(fs::path(card->Path()).filename().string());
    for (const char* folder : {"Voice", "Sounds", "Words"}) EXPECT_EQ(targets.count(folder), 1u) << folder;
    if (fs::is_directory(dir.Path() / "Teacher")) {
        EXPECT_EQ(targets.count("Teacher"), 1u);
    }
    EXPECT_EQ(targets.count("Pictures"), 0u);
    ExpectQuiet("home");

    // A child picks by the picture: no card of any folder falls back to
    // showing its file name.
    std::vector<std::string> folders{""};  // the root first
    for (size_t i = 0; i < folders.size(); ++i) {
        if (i > 0) app->ShowFolder(folders[i]);
        auto* shown = dynamic_cast<vTrMenu_c*>(app->GetExercise());
        ASSERT_NE(shown, nullptr) << folders[i];
        for (const auto& card : shown->Cards()) {
            const fs::path target = fs::relative(fs::path(card->Path()), dir.Path());
            EXPECT_EQ(card->Text(), "") << target << " shows its name instead of a picture";
            // Down into subfolders only (a back card leads up).
            if (fs::is_directory(dir.Path() / target) && target.parent_path() == fs::path(folders[i]))
                folders.push_back(target.generic_string());
        }
        ExpectQuiet(folders[i]);
    }
    EXPECT_GE(folders.size(), 4u);
}
