#pragma once
// Lengths of the text buffers of the plot: text lines hold 800 characters and axis titles 256,
// each with its terminator, so longer titles and units are cut rather than overflowing.

#include <string>

inline constexpr std::size_t TextLineChars = 799;
inline constexpr std::size_t TitleChars = 255;

// text cut to at most maxChars characters (UTF-8 code points, never split).
std::string CutText(const std::string& text, std::size_t maxChars);

// Characters of text (UTF-8 code points).
std::size_t CountChars(const std::string& text);

// Width of text drawn at a font of cell height fontHeight, estimated without the font: 0.6 of
// the height per character, a little more than the digits and letters of the plot's sans-serif
// faces take, so labels spaced by this estimate do not touch. Logical units.
int EstimateTextWidth(const std::string& text, int fontHeight);
