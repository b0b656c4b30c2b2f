#pragma once
// The platform's mouse pointer: twelve standard shapes, or a custom picture.
// User-interface thread only.
//
// Without a display (offscreen or dummy video) nothing is visible, but the
// selected shape is kept, so the pointer logic above behaves the same.

#include <cstdint>
#include <optional>

namespace platform {

// The numbers are the pointer indices of the window layer.
enum class PointerShape {
    AppStarting = 1,
    Arrow,
    Cross,
    TextBeam,
    No,
    SizeAll,
    SizeNeSw,
    SizeNs,
    SizeNwSe,
    SizeWe,
    UpArrow,
    Wait,
};
inline constexpr int kFirstPointerShape = 1;
inline constexpr int kLastPointerShape = 12;

// Fails with vTextException_c carrying SDL's text when the pointer cannot be made.
void SetPointer(PointerShape shape);

// A picture of width x height pixels, 0xAARRGGBB, with its hot spot. Fails
// like SetPointer.
void SetCustomPointer(const std::uint32_t* argb, int width, int height, int hotX, int hotY);

// The shape shown, or nothing when a custom pointer is shown.
std::optional<PointerShape> CurrentPointer();

// Shows or hides the pointer; returns whether it was shown before.
bool ShowPointer(bool show);

}  // namespace platform
