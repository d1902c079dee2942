#pragma once

#include "base/Twips.h"

#include <QString>

#include <optional>

class INIfile_IO;
class QWidget;

// "left,top,width,height" in twips; nothing for an empty or malformed text. Numbers beyond
// twips::kMaxTwips are clamped to it.
std::optional<TwipsRect> parsePlacement(const QString& text);
QString formatPlacement(const TwipsRect& p);

// Where a window goes: centred (size unchanged) when there is no usable text, otherwise the
// stored values with a left or top outside the screen moved to 0. All in twips.
TwipsRect placementFor(const QString& text, double screenWidth, double screenHeight,
                       double windowWidth, double windowHeight);

// Positions the window from a placement text.
void RestoreWindowPlacement(QWidget* window, const QString& placementText);
// Writes the window's placement under [WINDOW] key, unless the window is minimised.
void SaveWindowPlacement(QWidget* window, INIfile_IO& ini, const QString& key);
