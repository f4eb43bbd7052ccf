#include "ui/qt/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace velta::qt {

TwipScale::TwipScale(double twipsPerPixel)
    : twipsPerPixel_(std::isfinite(twipsPerPixel) && twipsPerPixel > 0 ? twipsPerPixel : 15.0) {}

TwipScale TwipScale::fromScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return TwipScale(dpi > 0 ? 1440.0 / dpi : 15.0);
}

int TwipScale::px(int twips) const {
    return static_cast<int>(std::lround(static_cast<double>(twips) / twipsPerPixel_));
}

int TwipScale::pixels(double twips) const {
    // Far beyond any screen, and well inside what the painter and the widgets take.
    constexpr double bound = 1 << 24;
    if (!std::isfinite(twips)) return 0;
    return static_cast<int>(std::lround(std::clamp(twips / twipsPerPixel_, -bound, bound)));
}

}  // namespace velta::qt
