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
// The largest length in pixels that a conversion gives (Qt's largest widget size). Two of them
// still add up within int, so a position plus a size cannot overflow either.
constexpr int kMaxPixels = (1 << 24) - 1;
constexpr double kMaxTwips = static_cast<double>(kMaxPixels) * kTwipsPerPixel;

// Rounded to the nearest pixel; a length beyond kMaxPixels is clamped and NaN gives 0, so a
// hand-edited settings file cannot make the conversion overflow.
constexpr int toPixels(double twipsValue)
{
    if (!(twipsValue == twipsValue))
        return 0;
    const double px = twipsValue / kTwipsPerPixel;
    if (px >= kMaxPixels)
        return kMaxPixels;
    if (px <= -kMaxPixels)
        return -kMaxPixels;
    return static_cast<int>(px < 0 ? px - 0.5 : px + 0.5);
}

constexpr double fromPixels(int pixels)
{
    return static_cast<double>(pixels) * kTwipsPerPixel;
}

// A length kept within what toPixels can convert (NaN gives 0).
constexpr double clampTwips(double twipsValue)
{
    if (!(twipsValue == twipsValue))
        return 0;
    if (twipsValue > kMaxTwips)
        return kMaxTwips;
    if (twipsValue < -kMaxTwips)
        return -kMaxTwips;
    return twipsValue;
}

} // namespace twips
