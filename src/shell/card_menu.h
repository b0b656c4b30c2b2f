#pragma once
// Card menus: vTrMenu_c is an exercise whose cards are built from a folder
// listing (Path); file cards load an exercise (1025), folder cards show the
// folder in the same menu (1027), and below the root a back card leads to
// the parent folder. MakeCard builds the card of one directory entry.
//
// Card rules: an entry becomes a card when it is an exercise file (".exc"),
// a back card ("back.crd", ".back.crd") or a folder. Its look comes from the
// card file beside it (same base name, ".crd"); without one, from the
// language's default card (".def_dir.crd" for folders, ".def_file.crd" for
// files) with a picture of the same base name (".jpg", ".bmp") drawn in the
// middle, or else the base name as text. Entries that do not exist (a link
// whose target is missing or that loops) get no card, and so does an entry
// whose default card is missing.
//
// User-interface thread only.

#include "exercises/exercise.h"
#include "shell/card_button.h"

#include <memory>
#include <string>
#include <vector>

class vWindow_c;

// The card of one entry, attached to menu and (with a window) subscribed
// to its mouse chains; null when the entry gets none. Errors in a card file
// are shown as a problem and the card keeps what was read; errors in a
// default card are dropped.
std::unique_ptr<vTrExLoadBtn_c> MakeCard(const std::string& entryPath, vWindow_c* window, vDxImage_i* menu);

class vTrMenu_c : public vTrExercise_c {
    V_RTTI_CLASS(vTrMenu_c, vTrExercise_c)
public:
    vTrMenu_c();
    ~vTrMenu_c() override;

    // The folder whose cards are shown: stored as Path, cards built, then
    // the background and the controls drawn. A name that is not a folder
    // (the menu's own file) shows no cards.
    void SetFileName(const std::string& name) override;
    // The folder above which there is no back card ("" sets ".").
    void SetRoot(const std::string& root);
    const std::string& Root() const { return mRoot; }
    const std::string& Path() const { return mPath; }
    // Shows another folder in this menu (message 1027): its cards and,
    // below the root, its own card.
    void ShowFolder(const std::string& path);
    // Below the root: asks the main window (1027) to show the parent folder.
    void RequestClose() override;
    // At the root no card is shown.
    void SetCard(std::unique_ptr<vDxFileButton_c> card) override;
    // The background edit button, the card and every card of the folder.
    void DrawControls() override;

    const std::vector<std::unique_ptr<vTrExLoadBtn_c>>& Cards() const { return mCards; }
    // path names the root folder.
    bool IsRoot(const std::string& path) const;

    // A card menu neither listens nor plays a tone.
    void StartRecording() override {}
    void StopRecording() override {}
    void SetTone(bool) override {}
    void SetToneFrequency(double) override {}
    double GetToneFrequency() override { return 0; }
    void SetToneAmplitude(double) override {}
    double GetToneAmplitude() override { return 0; }

private:
    void BuildCards();

    vStrTmpl_c mPath;
    int32_t mXGap = 10, mYGap = 10;
    int32_t mGapLeft = 10, mGapTop = 10, mGapRight = 10, mGapBottom = 10;
    std::string mRoot{"."};
    std::vector<std::unique_ptr<vTrExLoadBtn_c>> mCards;
};
