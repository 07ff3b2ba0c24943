// Hue-lightness-saturation conversions (the hexcone model, scaled to bytes).
#include "ui/look/color.h"

#include <algorithm>

namespace tarvenne {
namespace {

int Red(ColorValue c) { return static_cast<int>(c & 0xFF); }
int Green(ColorValue c) { return static_cast<int>((c >> 8) & 0xFF); }
int Blue(ColorValue c) { return static_cast<int>((c >> 16) & 0xFF); }

ColorValue MakeColor(int r, int g, int b) {
    auto clamp = [](int v) { return static_cast<ColorValue>(std::clamp(v, 0, 255)); };
    return clamp(r) | (clamp(g) << 8) | (clamp(b) << 16);
}

double HueValue(double m1, double m2, double x) {
    if (x > 360.0) x -= 360.0;
    if (x < 0.0) x += 360.0;
    if (x < 60.0) return m1 + (m2 - m1) * x / 60.0;
    if (x < 180.0) return m2;
    if (x < 240.0) return m1 + (m2 - m1) * (240.0 - x) / 60.0;
    return m1;
}

}  // namespace

HlsBytes ColorToHls(ColorValue color) {
    const int r = Red(color), g = Green(color), b = Blue(color);
    const int mx = std::max({r, g, b});
    const int mn = std::min({r, g, b});
    const double d = mx - mn;
    const double l = (mx + mn) / 510.0;
    HlsBytes out;
    out.lightness = static_cast<int>(l * 255.0);
    if (d == 0) return out;  // a grey: no hue, no saturation

    const double s = l <= 0.5 ? d / (mx + mn) : d / (510.0 - mx - mn);
    const double rc = (mx - r) / d, gc = (mx - g) / d, bc = (mx - b) / d;
    double h;
    if (b == mx) {
        h = (4.0 + gc - rc) * 60.0;
    } else if (g == mx) {
        h = (2.0 + rc - bc) * 60.0;
    } else {
        h = (6.0 + bc - gc) * 60.0;
    }
    if (h > 360.0) h -= 360.0;
    out.hue = static_cast<int>(h * 255.0 / 360.0);
    out.saturation = static_cast<int>(s * 255.0);
    return out;
}

ColorValue HlsToColor(const HlsBytes& hls) {
    const double s = hls.saturation / 255.0;
    if (s == 0.0) return MakeColor(hls.lightness, hls.lightness, hls.lightness);
    const double l = hls.lightness / 255.0;
    const double m2 = l <= 0.5 ? l * (1.0 + s) : l + s - l * s;
    const double m1 = 2.0 * l - m2;
    const double h = hls.hue * 360.0 / 255.0;
    const int r = static_cast<int>(HueValue(m1, m2, h + 120.0) * 255.0);
    const int g = static_cast<int>(HueValue(m1, m2, h) * 255.0);
    const int b = static_cast<int>(HueValue(m1, m2, h - 120.0) * 255.0);
    return MakeColor(r, g, b);
}

int ShiftByPercent(int x, int k) {
    if (k > 0) return x + (255 - x) * k / 100;
    if (k < 0) return x * (100 + k) / 100;
    return x;
}

ColorValue AdjustColor(ColorValue color, int lightness_percent, int saturation_percent) {
    HlsBytes hls = ColorToHls(color);
    hls.lightness = ShiftByPercent(hls.lightness, lightness_percent);
    hls.saturation = ShiftByPercent(hls.saturation, saturation_percent);
    return HlsToColor(hls);
}

}  // namespace tarvenne
