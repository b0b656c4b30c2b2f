#pragma once
// Directory entries of the language data: what the program knows about one
// path (exists, folder or file, size, name and extension) and how to write
// it absolutely or relative to the current directory. Link files, entries
// that stand in for another path, are in dir_entry_link.h.
//
// Paths in data may use "\" or "/"; results are written with "/". An
// absolute path starts with a separator (there are no drive letters).
//
// An entry is a value: it owns its path text and is used by one thread at a
// time. The current directory is the process's, so results of FullPath and
// RelativePath change when it does.

#include <cstdint>
#include <string>
#include <string_view>

// What CreateEntry makes when nothing exists at the path yet.
enum class vEntryKind { File, Directory };

class vDirEntry_c {
public:
    explicit vDirEntry_c(std::string path);
    // directory + "/" + name, without doubling a separator the directory ends with.
    vDirEntry_c(const std::string& directory, const std::string& name);
    // A copy asks the file system again; a move keeps what the entry knows.
    vDirEntry_c(const vDirEntry_c& other);
    vDirEntry_c& operator=(const vDirEntry_c& other);
    vDirEntry_c(vDirEntry_c&&) noexcept = default;
    vDirEntry_c& operator=(vDirEntry_c&&) noexcept = default;
    virtual ~vDirEntry_c() = default;

    // Asks the file system about the path again. A missing path (or one
    // below a file) does not exist; any other failure raises
    // vPrintException_c "Error %i" with the system error number.
    void Refresh();

    const std::string& Path() const { return mPath; }
    bool Exists() const { return mExists; }
    bool IsDirectory() const { return mIsDirectory; }
    int64_t Size() const { return mSize; }
    // Text after the last "." when that "." follows the last separator;
    // HasExtension() is false otherwise ("pic.d2/card" has none).
    bool HasExtension() const { return mExtension != std::string::npos; }
    std::string_view Extension() const;
    // Text after the last separator, or the whole path.
    std::string_view Name() const { return std::string_view(mPath).substr(mName); }

    // The absolute, normalised path: a path starting with a separator is
    // kept, any other is appended to the current directory.
    virtual std::string FullPath() const;
    // The path relative to the current directory ("../common/a.bmp"); "." for
    // the current directory itself. Uses FullPath, so a link gives the
    // relative path of its target.
    std::string RelativePath() const;
    // The path up to and including the separator before the name ("" when
    // the path has no separator).
    std::string DirectoryPart() const;

    // True when the relative path leaves the current directory (starts with
    // ".."): such pictures are outside the allowed subtree.
    bool IsOutsideCurrentDirectory() const;

    // Makes the entry as an empty file or a folder; raises vPrintException_c
    // "Cannot create file: %s" or "Cannot create directory: %s". An entry
    // that exists already is left alone.
    virtual void CreateEntry(vEntryKind kind);

protected:
    // Reads flags and size of another path into this entry (a link's target).
    void RefreshFrom(const std::string& path);
    void MarkMissing();

private:
    void LocateParts();

    std::string mPath;
    bool mExists = false;
    bool mIsDirectory = false;
    int64_t mSize = 0;
    std::size_t mExtension = std::string::npos;
    std::size_t mName = 0;
};

// The process's current directory, absolute, with "/" separators.
std::string CurrentDirectory();
// The path made absolute against the current directory and normalised.
std::string AbsolutePath(std::string_view path);
// RelativePath's rule for any two absolute paths.
std::string RelativeTo(const std::string& absolutePath, const std::string& absoluteBase);
