// The game's message boxes. Texts are kept in code page 932, as the game's data is; literals in
// the source are UTF-8 and go through sjis() first.
#pragma once
#include <string>
#include <string_view>

// Converts a UTF-8 literal of the source into the game's code page.
std::string sjis(std::string_view utf8);

// The standard box: the text under the caption "トホホ～".
void showStandardMessage(std::string_view text);
// A box with a caption of its own (both in the game's code page).
void showMessage(std::string_view text, std::string_view caption);
