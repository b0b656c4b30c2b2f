// Command-line words on arbitrary text: every word fits its buffer or raises
// "Buffer too small", the cursor only moves forward, and the whole line splits
// without overflow.
#include "shell/command_line.h"

#include "platform/exception.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte chooses the buffer size; the rest, up to a NUL, is the line.
    const size_t bufferSize = data[0] % 16;
    const std::string line(reinterpret_cast<const char*>(data + 1), strnlen(reinterpret_cast<const char*>(data + 1), size - 1));

    const std::vector<std::string> words = SplitCommandLine(line.c_str());
    size_t total = 0;
    for (const std::string& w : words) total += w.size();
    if (total > line.size()) std::abort();

    std::vector<char> buffer(bufferSize + 1, '\x55');
    const char* cursor = line.c_str();
    for (;;) {
        const char* before = cursor;
        try {
            if (!NextCommandWord(cursor, buffer.data(), bufferSize)) break;
        } catch (const vTextException_c& e) {
            if (e.Text() != "Buffer too small") std::abort();
            break;
        }
        if (cursor <= before && *before) std::abort();
        if (std::strlen(buffer.data()) >= bufferSize || buffer[bufferSize] != '\x55') std::abort();
    }
    return 0;
}
