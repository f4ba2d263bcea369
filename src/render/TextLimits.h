#pragma once
// Lengths of the text buffers of the plot: text lines hold 800 characters and axis titles 256,
// each with its terminator, so longer titles and units are cut rather than overflowing.

#include <string>

inline constexpr std::size_t TextLineChars = 799;
inline constexpr std::size_t TitleChars = 255;

// text cut to at most maxChars characters (UTF-8 code points, never split).
std::string CutText(const std::string& text, std::size_t maxChars);
