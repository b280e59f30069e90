// The error text buffer: messages built from several pieces (script dumps, object-task sound
// errors) are collected here and shown under the caption "HollinERROR".
#pragma once
#include <cstddef>
#include <string_view>

// The error text buffer: 256 bytes with its terminating zero, empty at start.
constexpr size_t kErrorTextSize = 256;
// Appends text; what would not fit is cut off (never in the middle of a double-byte character).
void appendErrorText(std::string_view text);
// Appends a decimal integer.
void appendErrorNumber(int value);
// Shows the buffer under the caption "HollinERROR", then empties it.
void showErrorText();
// Shows a decimal integer with the standard box; the buffer is not involved.
void showErrorNumber(int value);
// The buffer's current text.
std::string_view errorText();
// Empties the buffer without showing it.
void clearErrorText();
