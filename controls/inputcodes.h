#pragma once

#include <QString>
#include <Qt>

#include <optional>

// Mouse button and shift codes as the editor's handlers receive them.
namespace mousecode {
inline constexpr int Left = 1;
inline constexpr int Right = 2;
inline constexpr int Middle = 4;
int button(Qt::MouseButton button);
int buttons(Qt::MouseButtons buttons);
int shift(Qt::KeyboardModifiers modifiers);
} // namespace mousecode

// Key codes as the editor's key handlers receive them: the desktop's virtual-key numbers
// (letters and digits are their upper-case character codes). 0 for a key without one.
namespace keycode {
int fromQt(int key, Qt::KeyboardModifiers modifiers);
// The character code of the typed text, or -1 when it is not one character of the 8-bit set.
int ascii(const QString& text);
} // namespace keycode

// The pointer shapes by their numbers: 1 arrow, 2 cross, 3 I-beam, 5 and 15 move, 6 to 9 the
// sizing pointers, 10 up arrow, 11 hourglass, 12 no drop, 13 arrow and hourglass, 14 arrow and
// question mark. Nothing for 0 (whatever lies below shows) and for numbers without a shape.
std::optional<Qt::CursorShape> pointerCursor(int code);
