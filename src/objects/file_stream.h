#pragma once
// The file layers of the definition-file reader: a stream that reads one
// character at a time from a stack of open files (the top one is current;
// each nested "#include" pushes a state), and the text layer that counts
// lines per file so that messages name the right file and line.
//
// A stream owns every state on its stack, each with its file's text. One thread at a time (the user-interface thread for definition
// files); nothing here is shared between streams.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Root of the stream classes.
class vStrm_c {
public:
    virtual ~vStrm_c() = default;
};

// One open (or not yet opened) input file, held whole in memory: a
// definition file is small, and reading characters from a string is what
// keeps the reader fast. Reading is binary: the text layers above decide what
// a line end is.
class vFileInpStrmState_c {
public:
    // The largest definition file read: far above any real one, small enough
    // that a huge or sparse file named as a definition costs nothing.
    static constexpr uint64_t kMaxFileBytes = 16u << 20;

    vFileInpStrmState_c() = default;
    virtual ~vFileInpStrmState_c() = default;
    vFileInpStrmState_c(const vFileInpStrmState_c&) = delete;
    vFileInpStrmState_c& operator=(const vFileInpStrmState_c&) = delete;

    // Reads the file; false (errno set) when it cannot be read, is no plain
    // file or is larger than kMaxFileBytes (a missing file is not an error at
    // this level). Any file open before is closed.
    // The path is normalised first ("\" separators work) and kept so.
    bool Open(const std::string& path);
    // Reads from a copy of the given bytes as if they were a file named path
    // (for text built in memory: tests, fuzzing, generated definitions).
    bool OpenText(const std::string& path, std::string_view text);
    void Close();

    bool IsOpen() const { return mOpen; }
    // The path as opened, after NormalizePath; empty before the first Open.
    const std::string& Path() const { return mPath; }
    // No more characters (also true when not open).
    bool AtEnd() const { return mPos >= mText.size(); }
    // The next character as 0..255, or EOF at the end.
    int Peek() const { return AtEnd() ? EOF : static_cast<unsigned char>(mText[mPos]); }
    int Get() {
        if (AtEnd()) return EOF;
        const int ch = static_cast<unsigned char>(mText[mPos++]);
        OnChar(ch);
        return ch;
    }

    // Hook for the layers that count what they read.
    virtual void OnChar(int /*ch*/) {}

private:
    std::string mPath;
    std::string mText;
    std::size_t mPos = 0;
    bool mOpen = false;
};

// The state of the text layer: adds the line counter (1 after opening,
// plus one after each line feed read).
class vTextFileInpStrmState_c : public vFileInpStrmState_c {
public:
    int32_t Line() const { return mLine; }
    void ResetLine() { mLine = 1; }
    void OnChar(int ch) override {
        if (ch == '\n') ++mLine;
    }

private:
    int32_t mLine = 1;
};

// A character stream over a stack of file states.
class vFileInpStrm_c : public virtual vStrm_c {
public:
    vFileInpStrm_c() = default;
    ~vFileInpStrm_c() override;
    vFileInpStrm_c(const vFileInpStrm_c&) = delete;
    vFileInpStrm_c& operator=(const vFileInpStrm_c&) = delete;

    // Opens the path for reading in the current state, creating the first
    // state when there is none. A file that cannot be opened leaves the
    // stream not good; that is not an error here.
    virtual void Open(const std::string& path);
    // As Open, but reads the given text under the given name.
    virtual void OpenText(const std::string& path, std::string_view text);
    // A current file exists and a character is left.
    virtual bool IsGood();
    // The opposite of IsGood.
    virtual bool IsBad();
    // The current file is at its end (true without a current file).
    virtual bool AtEnd();
    // Reads one character (0..255), EOF at the end.
    virtual int GetChar();
    // The next character without reading it, EOF at the end.
    virtual int PeekChar();
    // Pushes a new, closed state and makes it current.
    virtual void PushState();
    // With more than one state: closes and frees the current one, makes the
    // one below current and returns true. With one state (or none): false.
    virtual bool PopState();
    // Frees every state. The stream can be opened again.
    void Close();

    // Path of the current file ("" when none), as used in messages.
    const std::string& FileName() const;
    // Number of states on the stack (1 while no include is open).
    std::size_t Depth() const { return mStates.size(); }

protected:
    // Makes the state kind the layer needs (the text layer counts lines).
    virtual std::unique_ptr<vFileInpStrmState_c> CreateState();
    // Called after the current state has been (re)opened.
    virtual void OnOpened() {}
    vFileInpStrmState_c* Current() const { return mCurrent; }
    // The paths of every state from the first file to the current one.
    std::vector<std::string> OpenPaths() const;

private:
    vFileInpStrmState_c& CurrentOrNew();

    std::vector<std::unique_ptr<vFileInpStrmState_c>> mStates;
    vFileInpStrmState_c* mCurrent = nullptr;  // the top of mStates, asked for every character
};

// Counts lines per file.
class vTextFileInpStrm_c : public vFileInpStrm_c {
public:
    // Line of the current file (1 after opening; 0 without a file).
    int32_t Line() const;

protected:
    std::unique_ptr<vFileInpStrmState_c> CreateState() override;
    void OnOpened() override;
};
