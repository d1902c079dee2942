#pragma once

// Window lengths are kept in twips (1/1440 inch) and converted once at the Qt boundary:
// 15 twips per pixel at 96 dpi.
// A window or pane rectangle in twips.
struct TwipsRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    bool operator==(const TwipsRect&) const = default;
};

namespace twips {

constexpr int kTwipsPerPixel = 15;

constexpr int toPixels(double twipsValue)
{
    const double px = twipsValue / kTwipsPerPixel;
    return static_cast<int>(px < 0 ? px - 0.5 : px + 0.5);
}

constexpr double fromPixels(int pixels)
{
    return static_cast<double>(pixels) * kTwipsPerPixel;
}

} // namespace twips
