#pragma once
// The application commands the main window answers (user messages 1..13),
// and the heap texts that carry an exercise or folder name in the second
// parameter of 1025 and 1027: the poster allocates, the receiver frees.
// The texts may be made on any thread; they are taken on the user-interface
// thread.

#include "exercises/exercise.h"
#include "platform/message.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace app_msg {
inline constexpr platform::MessageId kLoadExercise = platform::msg::kUser + 1;  // 1025, p2 = heap text
inline constexpr platform::MessageId kHome = platform::msg::kUser + 2;          // 1026
inline constexpr platform::MessageId kShowFolder = platform::msg::kUser + 3;    // 1027, p2 = heap text
inline constexpr platform::MessageId kCardClicked = kTrCardClickMessage;        // 1029
inline constexpr platform::MessageId kSuccessor = platform::msg::kUser + 6;     // 1030
inline constexpr platform::MessageId kBack = kTrCloseExerciseMessage;           // 1031
inline constexpr platform::MessageId kPrint = platform::msg::kUser + 8;         // 1032
inline constexpr platform::MessageId kSettings = platform::msg::kUser + 9;      // 1033
inline constexpr platform::MessageId kGuide = platform::msg::kUser + 10;        // 1034
inline constexpr platform::MessageId kQuit = platform::msg::kUser + 11;         // 1035, asks first
inline constexpr platform::MessageId kChoosePupil = platform::msg::kUser + 12;  // 1036
inline constexpr platform::MessageId kShowProgress = platform::msg::kUser + 13;  // 1037
}  // namespace app_msg

// A heap copy of text for a message parameter; 0 (no text) when it is empty.
std::intptr_t NewMessageText(std::string_view text);
// Takes the text back and frees it; "" for 0.
std::string TakeMessageText(std::intptr_t parameter);
