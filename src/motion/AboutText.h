#pragma once
// The text of the About box: cards and axes found at start-up, the card
// library's name and the library, driver and hardware versions of card 1.

#include <string>

// Five lines in `language` (Chinese for 1, English otherwise), each ending
// in a line feed.
std::string AboutText(int language);
