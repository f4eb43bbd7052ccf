#include "ui/qt/fonts.h"

#include <QStringList>

namespace velta::qt {

namespace {

// Nothing is drawn smaller than this: the 6-point design faces were bitmap fonts.
constexpr double smallestPoints = 7.0;

QFont face(const QStringList& families, QFont::StyleHint hint, double points, bool bold) {
    QFont f;
    f.setFamilies(families);
    f.setStyleHint(hint);
    f.setPointSizeF(points < smallestPoints ? smallestPoints : points);
    f.setBold(bold);
    return f;
}

const QStringList sansFamilies{QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
const QStringList serifFamilies{QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")};

}  // namespace

QFont windowFont() { return face(sansFamilies, QFont::SansSerif, 9.75, true); }

QFont arialFont(double points, bool bold) { return face(sansFamilies, QFont::SansSerif, points, bold); }

QFont smallFont(bool bold) { return face(sansFamilies, QFont::SansSerif, 6.0, bold); }

QFont smallSerifFont() { return face(serifFamilies, QFont::Serif, 6.0, false); }

}  // namespace velta::qt
