#pragma once
// Link files and the link-aware directory entry.
//
// A link file stands in place of a file or folder and names the real one:
//
//     [vLink]
//     ../common/Pic/Apple.bmp
//
// (the first line compared without regard to case; lines end in CR, LF,
// CR LF or LF CR; at most 259 characters each; the target is absolute or
// relative to the current directory, not to the link file). A link may name
// another link; the last target wins. A chain that comes back to a link
// already seen, or that is longer than kMaxLinkChain links, makes the entry
// count as non-existent.
//
// Entries are values used by one thread at a time.

#include <cstdio>
#include <optional>
#include <string>

#include "shell/files/dir_entry.h"

// Reads one line of a link file: characters up to the end of the file, a CR
// or an LF; the partner of the line end (LF after CR, CR after LF) is taken
// too. False at the end of the file with nothing read. A line longer than
// 259 characters raises vPrintException_c "String too long".
bool ReadLine(std::FILE* file, std::string& line);

class vDirEntryLink_c : public vDirEntry_c {
public:
    static constexpr int kMaxLinkChain = 16;
    static constexpr std::size_t kMaxLinkLine = 259;

    explicit vDirEntryLink_c(std::string path);
    vDirEntryLink_c(const std::string& directory, const std::string& name);
    // Copying and assigning resolve the path's links again; moving keeps
    // what the entry knows (cheap, for sorting).
    vDirEntryLink_c(const vDirEntryLink_c& other);
    vDirEntryLink_c& operator=(const vDirEntryLink_c& other);
    vDirEntryLink_c(vDirEntryLink_c&&) noexcept = default;
    vDirEntryLink_c& operator=(vDirEntryLink_c&&) noexcept = default;

    // Follows the link files from the path; flags and size then describe the
    // final target (a missing target, a loop or an overlong chain: the entry
    // does not exist). A file that is not a link file, or cannot be read,
    // leaves a plain entry.
    void ResolveLink();

    bool IsLink() const { return mTarget.has_value(); }
    // The final target as written in the last link file ("" when no link).
    const std::string& LinkTarget() const;
    // Makes the entry a link to target that is not written yet: CreateEntry
    // writes it. Flags and size describe the target.
    void SetLinkTarget(std::string target);

    // For a link: the target's absolute path; otherwise the entry's own.
    std::string FullPath() const override;

    // For a link: creates the target as kind when it does not exist
    // ("Cannot create file: %s" / "Cannot create directory: %s"), then writes
    // the link file whole ("Cannot create link file: %s"). A plain entry is
    // created as kind.
    void CreateEntry(vEntryKind kind) override;

    // The target named by the link file at path: its second line when the
    // first is "[vLink]", otherwise its first line. Raises vPrintException_c
    // "Cannot open link file: %s" when it cannot be opened.
    static std::string ReadLinkTarget(const std::string& path);
    // The bytes CreateEntry writes for a link to target.
    static std::string LinkFileText(const std::string& target);

private:
    std::optional<std::string> mTarget;
};

// A link-aware entry in card order: an entry named "back.crd" (any case)
// first, then by path without regard to case.
class vSortFile_c : public vDirEntryLink_c {
public:
    using vDirEntryLink_c::vDirEntryLink_c;
    bool operator<(const vSortFile_c& other) const;
};
