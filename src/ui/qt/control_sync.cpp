#include "ui/qt/control_sync.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace velta::qt {

void applyControlState(QWidget& widget, const ControlState& state) {
    const QString text = QString::fromStdString(state.text);
    if (auto* box = qobject_cast<QLineEdit*>(&widget)) {
        if (box->text() != text) box->setText(text);
        box->setCursorPosition(0);
    } else if (auto* label = qobject_cast<QLabel*>(&widget)) {
        label->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(&widget)) {
        group->setTitle(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
        button->setText(text);
    }
    widget.setToolTip(QString::fromStdString(state.toolTip));
    widget.setEnabled(state.enabled);
    widget.setVisible(state.visible);
}

}  // namespace velta::qt
