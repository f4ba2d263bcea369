#include "render/TextLimits.h"

std::string CutText(const std::string& text, std::size_t maxChars)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A byte that does not continue a UTF-8 sequence starts a new character.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (chars == maxChars)
                return text.substr(0, i);
            ++chars;
        }
    }
    return text;
}

std::size_t CountChars(const std::string& text)
{
    std::size_t chars = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++chars;
    return chars;
}

int EstimateTextWidth(const std::string& text, int fontHeight)
{
    const double width =
        0.6 * static_cast<double>(fontHeight) * static_cast<double>(CountChars(text));
    return width < 1.0e9 ? static_cast<int>(width + 0.5) : 1000000000;
}
