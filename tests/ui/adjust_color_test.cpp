// The colour arithmetic of the owner-drawn buttons, and the Windows family table.
#include "ui/framework/os_version.h"
#include "ui/look/color.h"

#include <gtest/gtest.h>

namespace tarvenne {
namespace {

constexpr ColorValue Rgb(int r, int g, int b) {
    return static_cast<ColorValue>(r) | (static_cast<ColorValue>(g) << 8) |
           (static_cast<ColorValue>(b) << 16);
}

TEST(AdjustColor, PercentShiftsTruncate) {
    EXPECT_EQ(ShiftByPercent(100, 50), 177);  // 100 + 155 * 50 / 100 = 177.5
    EXPECT_EQ(ShiftByPercent(100, -50), 50);
    EXPECT_EQ(ShiftByPercent(211, -66), 71);  // 211 * 34 / 100 = 71.74
    EXPECT_EQ(ShiftByPercent(58, 80), 215);   // 58 + 197 * 80 / 100 = 215.6
    EXPECT_EQ(ShiftByPercent(77, 0), 77);
    EXPECT_EQ(ShiftByPercent(255, 100), 255);
    EXPECT_EQ(ShiftByPercent(255, -100), 0);
}

TEST(AdjustColor, ConversionToBytes) {
    // Navy-blue highlight (10, 36, 106): max 106, min 10, so L = 116 / 510, S = 96 / 116,
    // hue (4 + 70/96 - 1) x 60 = 223.75 degrees.
    const HlsBytes hls = ColorToHls(Rgb(10, 36, 106));
    EXPECT_EQ(hls.hue, 158);
    EXPECT_EQ(hls.lightness, 58);
    EXPECT_EQ(hls.saturation, 211);

    // Red is the maximum: (6 + 1 - 1) x 60 = 360 is not above 360, so it stays 360.
    const HlsBytes red = ColorToHls(Rgb(255, 0, 0));
    EXPECT_EQ(red.hue, 255);
    EXPECT_EQ(red.lightness, 127);
    EXPECT_EQ(red.saturation, 255);

    const HlsBytes grey = ColorToHls(Rgb(90, 90, 90));
    EXPECT_EQ(grey.hue, 0);
    EXPECT_EQ(grey.saturation, 0);
    EXPECT_EQ(grey.lightness, 90);
}

TEST(AdjustColor, ButtonShadesOfTheClassicHighlight) {
    // Worked through by hand from the conversion rules: L 58 -> 215, S 211 -> 71, then
    // m2 = 0.8868, m1 = 0.7994, hue 223.06 degrees.
    EXPECT_EQ(AdjustColor(Rgb(10, 36, 106), 80, -66), Rgb(203, 210, 226));
    EXPECT_EQ(AdjustColor(Rgb(10, 36, 106), 50, -50), Rgb(115, 138, 196));
    // Truncation on the way back loses a step: pure red comes back as 254.
    EXPECT_EQ(AdjustColor(Rgb(255, 0, 0), 0, 0), Rgb(254, 0, 0));
}

TEST(AdjustColor, WhiteAndGreys) {
    EXPECT_EQ(AdjustColor(Rgb(255, 255, 255), 80, -66), Rgb(255, 255, 255));
    for (int level : {0, 64, 128, 200}) {
        for (int q : {0, -30, -100}) {
            const ColorValue out = AdjustColor(Rgb(level, level, level), 0, q);
            EXPECT_EQ(out, Rgb(level, level, level)) << level << " " << q;
        }
        // Lightness moves a grey along the grey axis only.
        const ColorValue lighter = AdjustColor(Rgb(level, level, level), 15, 0);
        const int expected = level + (255 - level) * 15 / 100;
        EXPECT_EQ(lighter, Rgb(expected, expected, expected));
    }
    // A grey has hue 0: giving it saturation turns it towards red.
    const ColorValue reddish = AdjustColor(Rgb(128, 128, 128), 0, 30);
    EXPECT_EQ(reddish, Rgb(165, 90, 90));
    EXPECT_EQ(AdjustColor(Rgb(0, 0, 0), 0, 50), Rgb(0, 0, 0));
}

TEST(OsVersionClass, FamilyTable) {
    const std::uint32_t k9x = 1, kNt = 2;
    EXPECT_EQ(ClassifyOsVersion(k9x, 4, 0), 0);
    EXPECT_EQ(ClassifyOsVersion(k9x, 4, 10), 1);
    EXPECT_EQ(ClassifyOsVersion(k9x, 4, 90), 2);
    EXPECT_EQ(ClassifyOsVersion(k9x, 4, 3), -1);
    EXPECT_EQ(ClassifyOsVersion(kNt, 3, 51), -1);
    EXPECT_EQ(ClassifyOsVersion(kNt, 4, 0), 3);
    EXPECT_EQ(ClassifyOsVersion(kNt, 5, 0), 4);
    EXPECT_EQ(ClassifyOsVersion(kNt, 5, 1), 5);
    EXPECT_EQ(ClassifyOsVersion(kNt, 5, 2), 6);
    EXPECT_EQ(ClassifyOsVersion(kNt, 6, 0), 6);
    EXPECT_EQ(ClassifyOsVersion(kNt, 10, 0), 6);
    EXPECT_EQ(ClassifyOsVersion(0, 3, 10), -1);  // Win32s
    EXPECT_EQ(ClassifyOsVersion(3, 10, 0), -1);
    // Whatever Wine pretends to be, it is a known NT family and stays cached.
    const int first = OsVersionClass();
    EXPECT_GE(first, 3);
    EXPECT_EQ(OsVersionClass(), first);
}

}  // namespace
}  // namespace tarvenne
