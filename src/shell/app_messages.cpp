#include "shell/app_messages.h"

#include <cstring>
#include <memory>

std::intptr_t NewMessageText(std::string_view text) {
    if (text.empty()) return 0;
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.data(), text.size());
    copy[text.size()] = 0;
    return reinterpret_cast<std::intptr_t>(copy.release());
}

std::string TakeMessageText(std::intptr_t parameter) {
    if (parameter == 0) return {};
    const std::unique_ptr<char[]> owned(reinterpret_cast<char*>(parameter));
    return owned.get();
}
