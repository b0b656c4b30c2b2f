#include "shell/card_menu.h"

#include "events/window.h"
#include "objects/prop_strm.h"
#include "objects/stream_path.h"
#include "platform/path_case.h"
#include "shell/app_messages.h"
#include "shell/card_layout.h"
#include "shell/files/dir_entry_link.h"
#include "shell/files/file_iterator.h"
#include "shell/loaders.h"

#include <strings.h>

#include <cstring>

#include <algorithm>

V_REGISTER_CLASS(vTrMenu_c,
    V_PROP("Path", mPath),
    V_PROP("XGap", mXGap),
    V_PROP("YGap", mYGap),
    V_PROP("GapLeft", mGapLeft),
    V_PROP("GapTop", mGapTop),
    V_PROP("GapRight", mGapRight),
    V_PROP("GapBottom", mGapBottom));

namespace {

bool SameText(std::string_view a, const char* b) {
    return a.size() == std::strlen(b) && strncasecmp(a.data(), b, a.size()) == 0;
}

// The parts of a resolved entry path the card rules look at.
struct EntryParts {
    std::string directory;  // up to and including the last separator
    std::string base;       // the name without its extension
    std::string extension;  // without the "."
};

EntryParts SplitEntry(const vDirEntry_c& entry) {
    EntryParts parts;
    parts.directory = entry.DirectoryPart();
    parts.base = std::string(entry.Name());
    if (entry.HasExtension()) {
        parts.extension = std::string(entry.Extension());
        parts.base.resize(parts.base.size() - parts.extension.size() - 1);
    }
    return parts;
}

bool IsBackCardName(const EntryParts& parts) {
    return SameText(parts.extension, "crd") && (SameText(parts.base, "back") || SameText(parts.base, ".back"));
}

// A picture file beside the entry with the entry's base name ("" when none).
std::string FindCardPicture(const EntryParts& parts) {
    for (const char* extension : {".jpg", ".bmp"}) {
        const std::string wanted = parts.directory + parts.base + extension;
        // The spelling on disk, whatever the letter case of the entry.
        const vDirEntry_c picture(platform::MatchExistingCase(wanted));
        if (picture.Exists() && !picture.IsDirectory()) return picture.Path();
    }
    return {};
}

void ReportProblem(const vException_c& e) {
    if (vWindow_c* window = DxMainWindow()) window->ShowException(e, vWindow_c::kProblem);
}

}  // namespace

std::unique_ptr<vTrExLoadBtn_c> MakeCard(const std::string& entryPath, vWindow_c* window, vDxImage_i* menu) {
    const vDirEntryLink_c link(entryPath);
    if (!link.Exists()) return nullptr;
    const vDirEntry_c entry(link.FullPath());
    const EntryParts parts = SplitEntry(entry);
    const bool isDirectory = link.IsDirectory();
    if (!isDirectory && !SameText(parts.extension, "exc") && !IsBackCardName(parts)) return nullptr;

    vTrMenuBtnLoader_c loader(menu);
    const vDirEntryLink_c cardFile(parts.directory + parts.base + ".crd");
    const bool ownCard = cardFile.Exists() && !cardFile.IsDirectory();
    if (ownCard) {
        try {
            LoadDefinitionFile(cardFile.FullPath(), loader);
        } catch (const vException_c& e) {
            ReportProblem(e);
        }
    } else {
        try {
            LoadDefinitionFile(isDirectory ? ".def_dir.crd" : ".def_file.crd", loader);
        } catch (const vException_c&) {
        }
    }
    std::unique_ptr<vPropCntnr_c> object = loader.Release();
    if (!object) return nullptr;
    auto* loaded = dynamic_cast<vTrExLoadBtn_c*>(object.get());
    if (!loaded) throw vTextException_c("Cannot convert loaded class to vTrExLoadBtn_c!");
    std::unique_ptr<vTrExLoadBtn_c> card(loaded);
    object.release();

    card->SetMessage(isDirectory ? app_msg::kShowFolder : app_msg::kLoadExercise);
    if (window) card->Subscribe(*window);
    if (!ownCard) {
        const std::string picture = FindCardPicture(parts);
        bool drawn = false;
        if (!picture.empty()) {
            try {
                card->DrawCardPicture(picture);
                drawn = true;
            } catch (const vException_c& e) {
                ReportProblem(e);
            }
        }
        if (!drawn) card->SetText(parts.base);
    }
    card->SetPath(entry.Path());
    return card;
}

vTrMenu_c::vTrMenu_c() = default;
vTrMenu_c::~vTrMenu_c() = default;

bool vTrMenu_c::IsRoot(const std::string& path) const {
    return vDirEntryLink_c(path).FullPath() == vDirEntryLink_c(mRoot).FullPath();
}

void vTrMenu_c::SetRoot(const std::string& root) { mRoot = root.empty() ? "." : root; }

void vTrMenu_c::SetFileName(const std::string& name) {
    vTrExercise_c::SetFileName(name);
    mPath = name;
    mCards.clear();
    BuildCards();
    DrawBackground(true);
    DrawControls();
}

void vTrMenu_c::BuildCards() {
    if (mPath.empty()) return;
    const vDirEntryLink_c folder(mPath);
    if (!folder.IsDirectory()) return;
    const std::string directory = folder.FullPath();
    std::vector<vSortFile_c> entries;
    for (vFileIterator_c it(directory); !it.AtEnd(); it.Next()) entries.emplace_back(directory, it.Name());
    std::sort(entries.begin(), entries.end());
    const bool atRoot = IsRoot(mPath);
    if (!atRoot) entries.emplace_back(".back.crd");

    const std::string parent = NormalizePath(mPath + "/..");
    vTrCardRows rows({mXGap, mYGap, mGapLeft, mGapTop, mGapRight}, GetWidth());
    for (const vSortFile_c& entry : entries) {
        const bool back = IsBackCardName(SplitEntry(entry));
        // Above the root there is nowhere to go back to.
        if (back && atRoot) continue;
        std::unique_ptr<vTrExLoadBtn_c> card = MakeCard(entry.FullPath(), DxMainWindow(), this);
        if (!card) continue;
        if (back) {
            card->SetMessage(app_msg::kShowFolder);
            card->SetPath(parent);
        }
        card->SetPos(rows.Place(card->GetWidth(), card->GetHeight()));
        mCards.push_back(std::move(card));
    }
}

void vTrMenu_c::ShowFolder(const std::string& path) {
    mCards.clear();
    std::unique_ptr<vTrExLoadBtn_c> folderCard;
    if (!IsRoot(path)) folderCard = MakeCard(path, nullptr, this);
    SetFileName(path);
    SetCard(std::move(folderCard));
}

void vTrMenu_c::RequestClose() {
    if (mPath.empty() || IsRoot(mPath)) return;
    if (vWindow_c* window = DxMainWindow())
        window->OnMessage(app_msg::kShowFolder, reinterpret_cast<std::uintptr_t>(this),
                          NewMessageText(NormalizePath(mPath + "/..")));
}

void vTrMenu_c::SetCard(std::unique_ptr<vDxFileButton_c> card) {
    if (IsRoot(mPath)) card.reset();
    vTrExercise_c::SetCard(std::move(card));
}

void vTrMenu_c::DrawControls() {
    vTrExercise_c::DrawControls();
    for (const auto& card : mCards) card->Redraw();
}
