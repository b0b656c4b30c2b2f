#pragma once
// The exception family every layer throws. It lives at the bottom of the
// dependency graph so that the OS layer can report failures the same way as
// the application. Any thread may construct and throw these; only the
// user-interface thread shows them (see vWindow_c::ShowException).

#include <cstdarg>
#include <string>

// Base: an integer code. Message: "Exception occured with error code: %i.\n".
class vException_c {
public:
    explicit vException_c(int code = 0) : mCode(code) {}
    virtual ~vException_c() = default;

    int Code() const { return mCode; }
    // The full text shown in exception boxes, ending with a line break.
    virtual std::string Message() const;
    // The short form used for severity 4 ("problem") boxes: the bare text
    // where the exception carries one, otherwise the full message.
    virtual std::string ShortText() const { return Message(); }

private:
    int mCode;
};

// A code and a fixed text. Message: "Exception [%s] occured with error code: %i.\n".
class vTextException_c : public vException_c {
public:
    explicit vTextException_c(std::string text, int code = 0)
        : vException_c(code), mText(std::move(text)) {}
    const std::string& Text() const { return mText; }
    std::string Message() const override;
    std::string ShortText() const override { return mText; }

protected:
    void SetText(std::string text) { mText = std::move(text); }

private:
    std::string mText;
};

// A text exception whose text is printf-formatted.
class vPrintException_c : public vTextException_c {
public:
    // The code comes first so that the format's arguments can follow it.
    vPrintException_c(int code, const char* format, ...)
        __attribute__((format(printf, 3, 4)));
    static std::string Format(const char* format, va_list args);
};

// A failed C library call: a text naming what failed and errno.
// Message: "Exception occured: %s: %s.\n" with the text and strerror(errno).
class vExErrNo_c : public vException_c {
public:
    // errnum defaults to the current errno.
    explicit vExErrNo_c(std::string what, int errnum = -1);
    int ErrNo() const { return mErrNo; }
    const std::string& What() const { return mWhat; }
    std::string Message() const override;

private:
    std::string mWhat;
    int mErrNo;
};

// Failures of the drawing layer: our surface layer's code and the
// library's error text. A code without text gives "Unknown error code: 0x%08x".
class vDxException_c : public vTextException_c {
public:
    explicit vDxException_c(int code, std::string libraryText = {});
};

// Misuse of a bounded queue (full with marked entries, empty).
class vFIFOException_c : public vTextException_c {
public:
    explicit vFIFOException_c(std::string text, int code = 0)
        : vTextException_c(std::move(text), code) {}
};

// An operation a class does not offer (for example a getter without a value).
class vExNotImplemented_c : public vTextException_c {
public:
    explicit vExNotImplemented_c(std::string what = "Not implemented", int code = 0)
        : vTextException_c(std::move(what), code) {}
};
