#include "ui/qt/spin_arrows.h"

#include <QToolButton>

namespace velta::qt {

namespace {

QToolButton* arrow(Qt::ArrowType type, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setArrowType(type);
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

}  // namespace

SpinArrows::SpinArrows(QWidget* parent)
    : QWidget(parent), up_(arrow(Qt::UpArrow, this)), down_(arrow(Qt::DownArrow, this)) {
    up_->setObjectName(QStringLiteral("up"));
    down_->setObjectName(QStringLiteral("down"));
    connect(up_, &QToolButton::clicked, this, &SpinArrows::up);
    connect(down_, &QToolButton::clicked, this, &SpinArrows::down);
    setAttribute(Qt::WA_NoMousePropagation);
}

void SpinArrows::resizeEvent(QResizeEvent*) {
    const int upper = height() / 2;
    up_->setGeometry(0, 0, width(), upper);
    down_->setGeometry(0, upper, width(), height() - upper);
}

}  // namespace velta::qt
