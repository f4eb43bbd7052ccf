#include "ui/qt/backdrop.h"

#include <QMouseEvent>

namespace velta::qt {

Backdrop::Backdrop(QWidget* parent) : QWidget(parent) {}

void Backdrop::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressed_ = true;
    event->accept();
}

void Backdrop::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    if (rect().contains(event->position().toPoint())) emit clicked();
}

void Backdrop::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    // The second press of a double click: its release is not a click of its own.
    pressed_ = false;
    emit doubleClicked();
}

}  // namespace velta::qt
