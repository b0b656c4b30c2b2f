#include "platform/exception.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

std::string vException_c::Message() const {
    char buf[96];
    std::snprintf(buf, sizeof buf, "Exception occured with error code: %i.\n", mCode);
    return buf;
}

std::string vTextException_c::Message() const {
    std::string out = "Exception [" + mText + "] occured with error code: ";
    out += std::to_string(Code());
    out += ".\n";
    return out;
}

std::string vPrintException_c::Format(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return {};
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    std::vsnprintf(buf.data(), buf.size(), format, args);
    return std::string(buf.data(), static_cast<size_t>(n));
}

vPrintException_c::vPrintException_c(int code, const char* format, ...)
    : vTextException_c(std::string(), code) {
    va_list args;
    va_start(args, format);
    SetText(Format(format, args));
    va_end(args);
}

vExErrNo_c::vExErrNo_c(std::string what, int errnum)
    : vException_c(errnum < 0 ? errno : errnum), mWhat(std::move(what)), mErrNo(Code()) {}

std::string vExErrNo_c::Message() const {
    return "Exception occured: " + mWhat + ": " + std::strerror(mErrNo) + ".\n";
}

static std::string DxText(int code, std::string text) {
    if (!text.empty()) return text;
    char buf[48];
    std::snprintf(buf, sizeof buf, "Unknown error code: 0x%08x", static_cast<unsigned>(code));
    return buf;
}

vDxException_c::vDxException_c(int code, std::string libraryText)
    : vTextException_c(DxText(code, std::move(libraryText)), code) {}
