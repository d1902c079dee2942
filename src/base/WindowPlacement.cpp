#include "base/WindowPlacement.h"

#include "base/INIfile_IO.h"
#include "base/Settings.h"
#include "base/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>

#include <cmath>

std::optional<TwipsRect> parsePlacement(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    const QStringList parts = t.split(QLatin1Char(','));
    if (parts.size() < 4)
        return std::nullopt;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts.at(i).trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v[i]))
            return std::nullopt;
    }
    // A hand-edited number beyond any screen ("99999999999") is clamped here, before anything
    // converts it to pixels.
    return TwipsRect{twips::clampTwips(v[0]), twips::clampTwips(v[1]), twips::clampTwips(v[2]),
                     twips::clampTwips(v[3])};
}

QString formatPlacement(const TwipsRect& p)
{
    // Shortest decimal form of a single-precision value; whole twips in practice.
    auto num = [](double d) {
        return QString::number(static_cast<float>(twips::clampTwips(d)), 'g', 9);
    };
    return num(p.left) + QLatin1Char(',') + num(p.top) + QLatin1Char(',') + num(p.width) +
           QLatin1Char(',') + num(p.height);
}

TwipsRect placementFor(const QString& text, double screenWidth, double screenHeight,
                       double windowWidth, double windowHeight)
{
    const std::optional<TwipsRect> stored = parsePlacement(text);
    if (!stored) {
        const double left = std::trunc(std::round(screenWidth - windowWidth) / 2);
        const double top = std::trunc(std::round(screenHeight - windowHeight) / 2);
        return {left, top, windowWidth, windowHeight};
    }
    TwipsRect p = *stored;
    if (p.left < 0 || p.left > screenWidth)
        p.left = 0;
    if (p.top < 0 || p.top > screenHeight)
        p.top = 0;
    return p;
}

namespace {
QRect screenRect(QWidget* window)
{
    QScreen* screen = window->screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}
} // namespace

void RestoreWindowPlacement(QWidget* window, const QString& placementText)
{
    const QRect screen = screenRect(window);
    const TwipsRect p = placementFor(placementText, twips::fromPixels(screen.width()),
                                     twips::fromPixels(screen.height()),
                                     twips::fromPixels(window->frameGeometry().width()),
                                     twips::fromPixels(window->frameGeometry().height()));
    const bool centred = !parsePlacement(placementText).has_value();
    if (!centred) {
        // Stored sizes apply as they are, but never below one pixel.
        window->resize(std::max(1, twips::toPixels(p.width)),
                       std::max(1, twips::toPixels(p.height)));
    }
    window->move(screen.left() + twips::toPixels(p.left), screen.top() + twips::toPixels(p.top));
}

void SaveWindowPlacement(QWidget* window, INIfile_IO& ini, const QString& key)
{
    if (window->isMinimized())
        return;
    const QRect screen = screenRect(window);
    const QPoint pos = window->pos();
    const TwipsRect p{twips::fromPixels(pos.x() - screen.left()),
                      twips::fromPixels(pos.y() - screen.top()), twips::fromPixels(window->width()),
                      twips::fromPixels(window->height())};
    ini.WriteIniValue(QLatin1String(settings::kWindow), key, formatPlacement(p));
}
