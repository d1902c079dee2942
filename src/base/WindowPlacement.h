#pragma once

#include <QString>

#include <optional>

class INIfile_IO;
class QWidget;

// A window placement in twips: left, top, width, height.
struct PlacementTwips {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    bool operator==(const PlacementTwips&) const = default;
};

// "left,top,width,height" in twips; nothing for an empty or malformed text.
std::optional<PlacementTwips> parsePlacement(const QString& text);
QString formatPlacement(const PlacementTwips& p);

// Where a window goes: centred (size unchanged) when there is no usable text, otherwise the
// stored values with a left or top outside the screen moved to 0. All in twips.
PlacementTwips placementFor(const QString& text, double screenWidth, double screenHeight,
                            double windowWidth, double windowHeight);

// Positions the window from a placement text.
void RestoreWindowPlacement(QWidget* window, const QString& placementText);
// Writes the window's placement under [WINDOW] key, unless the window is minimised.
void SaveWindowPlacement(QWidget* window, INIfile_IO& ini, const QString& key);
