#include "plot/Fonts.h"

#include "platform/Services.h"

namespace {

constexpr int AnsiCharset = 0;
constexpr int FixedPitchRoman = 0x11;

platform::FontDesc MakeFont(int height, int escapement)
{
    platform::FontDesc& f = LatinFont();
    f.height = height;
    f.escapement = escapement;
    platform::FontDesc made = f;
    f.escapement = 0;
    return made;
}

} // namespace

platform::FontDesc& LatinFont()
{
    static platform::FontDesc font{"Arial", 40, 0, AnsiCharset, FixedPitchRoman};
    return font;
}

void InitFontSetup(CFontSetup& setup)
{
    platform::OsVersionInfo v = platform::GetOsVersion().Query();
    setup.HeightScale = 1.0f;
    if (v.system == "Windows" && v.major == 6)
        setup.HeightScale = v.minor == 2 ? 1.0f : 1.5f;
    LatinFont() = platform::FontDesc{"Arial", 40, 0, AnsiCharset, FixedPitchRoman};
}

platform::FontDesc CreateTextFont(const CFontSetup& setup)
{
    return MakeFont(static_cast<int>(35 * setup.HeightScale), 0);
}

platform::FontDesc CreateTitleFont(const CFontSetup& setup)
{
    return MakeFont(static_cast<int>(40 * setup.HeightScale), 0);
}

platform::FontDesc CreateRotatedFont(const CFontSetup& setup)
{
    return MakeFont(static_cast<int>(35 * setup.HeightScale), -900);
}
