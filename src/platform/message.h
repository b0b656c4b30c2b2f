#pragma once
// Messages: the one currency between the operating system, the devices and
// the event targets of the display framework. Input, window events, device
// notifications and application commands all arrive on the user-interface
// thread as a Message with the classic numbers below; user messages start at
// kUser (1024). A Message is a plain value and may be built on any thread.

#include <cstdint>

namespace platform {

// Names a window of the platform layer; 0 is no window. A message posted to
// window 0 is a thread message (the quit message is one).
using WindowHandle = std::uint32_t;
inline constexpr WindowHandle kNoWindow = 0;

using MessageId = std::uint32_t;

struct Message {
    WindowHandle window = kNoWindow;
    MessageId id = 0;
    std::uintptr_t p1 = 0;  // first parameter: key, key flags, exit code, device
    std::intptr_t p2 = 0;   // second parameter: packed point, repeat count and flags, a pointer
};

// Message numbers. Parameters as delivered by the platform's event source.
namespace msg {
inline constexpr MessageId kCreate = 0x0001;    // sent while a window is being created
inline constexpr MessageId kDestroy = 0x0002;   // sent while a window is being destroyed
inline constexpr MessageId kPaint = 0x000F;     // the window needs drawing; delivered when nothing else is queued
inline constexpr MessageId kClose = 0x0010;     // the user asked to close; default processing destroys the window
inline constexpr MessageId kQuit = 0x0012;      // thread message; p1 = exit code
inline constexpr MessageId kSetCursor = 0x0020; // p1 = window, p2 = 1 (client area) | triggering mouse message << 16
inline constexpr MessageId kHelp = 0x0053;      // F1 was pressed (follows the key-down of F1)
inline constexpr MessageId kKeyDown = 0x0100;   // p1 = key code (namespace key), p2 = repeat count | key-state flags << 16
inline constexpr MessageId kKeyUp = 0x0101;     // as kKeyDown
inline constexpr MessageId kChar = 0x0102;      // p1 = character (Unicode code point), p2 = repeat count 1
inline constexpr MessageId kCommand = 0x0111;   // p1 = command id | notification << 16, p2 = control
inline constexpr MessageId kMouseMove = 0x0200; // p1 = KeyFlag bits, p2 = PackPoint(x, y) in client pixels
inline constexpr MessageId kLeftDown = 0x0201;  // the nine button messages: parameters as kMouseMove
inline constexpr MessageId kLeftUp = 0x0202;
inline constexpr MessageId kLeftDouble = 0x0203;
inline constexpr MessageId kRightDown = 0x0204;
inline constexpr MessageId kRightUp = 0x0205;
inline constexpr MessageId kRightDouble = 0x0206;
inline constexpr MessageId kMiddleDown = 0x0207;
inline constexpr MessageId kMiddleUp = 0x0208;
inline constexpr MessageId kMiddleDouble = 0x0209;
// User message n is kUser + n; ids kUser..kUserLast are the application's own.
inline constexpr MessageId kUser = 0x0400;
inline constexpr MessageId kUserLast = 0x7FFF;
}  // namespace msg

// Bits of p1 of the mouse messages: buttons held and modifier keys down.
enum class KeyFlag : std::uintptr_t {
    LeftButton = 0x01,
    RightButton = 0x02,
    Shift = 0x04,
    Control = 0x08,
    MiddleButton = 0x10,
};
inline bool HasKeyFlag(std::uintptr_t p1, KeyFlag flag) { return (p1 & static_cast<std::uintptr_t>(flag)) != 0; }

// Bits of the high half of p2 of the key messages.
enum class KeyState : std::uint16_t {
    WasDown = 0x4000,     // the key was already down (auto-repeat); always set for key up
    Releasing = 0x8000,   // set for key up
};

// Mouse position in p2: x in the low 16 bits, y in the high 16 bits, each a
// signed 16-bit value (positions left of or above the client area are negative).
constexpr std::intptr_t PackPoint(int x, int y) {
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                                      static_cast<std::uint32_t>(x & 0xFFFF));
}
constexpr int PointX(std::intptr_t p2) { return static_cast<std::int16_t>(p2 & 0xFFFF); }
constexpr int PointY(std::intptr_t p2) { return static_cast<std::int16_t>((p2 >> 16) & 0xFFFF); }

// Key codes of p1 of the key messages. Letters and digits are their upper-case
// ASCII codes ('A'..'Z', '0'..'9').
namespace key {
inline constexpr std::uintptr_t kBack = 0x08;
inline constexpr std::uintptr_t kTab = 0x09;
inline constexpr std::uintptr_t kReturn = 0x0D;
inline constexpr std::uintptr_t kShift = 0x10;
inline constexpr std::uintptr_t kControl = 0x11;
inline constexpr std::uintptr_t kAlt = 0x12;
inline constexpr std::uintptr_t kPause = 0x13;
inline constexpr std::uintptr_t kEscape = 0x1B;
inline constexpr std::uintptr_t kSpace = 0x20;
inline constexpr std::uintptr_t kPageUp = 0x21;
inline constexpr std::uintptr_t kPageDown = 0x22;
inline constexpr std::uintptr_t kEnd = 0x23;
inline constexpr std::uintptr_t kHome = 0x24;
inline constexpr std::uintptr_t kLeft = 0x25;
inline constexpr std::uintptr_t kUp = 0x26;
inline constexpr std::uintptr_t kRight = 0x27;
inline constexpr std::uintptr_t kDown = 0x28;
inline constexpr std::uintptr_t kInsert = 0x2D;
inline constexpr std::uintptr_t kDelete = 0x2E;
inline constexpr std::uintptr_t kF1 = 0x70;  // kF1 + n - 1 is Fn, up to F12
}  // namespace key

}  // namespace platform
