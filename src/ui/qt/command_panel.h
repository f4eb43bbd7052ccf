#pragma once
// The floating command panel Frame1 ("COMANDI"): the prompt line, the command buttons, the
// output-step box with its spin button, the coordinate boxes and the parameter grid, each at
// its design position.

#include <QGroupBox>
#include <array>

#include "ui/window.h"

class QPushButton;

namespace velta::qt {

class SpinArrows;
class TwipScale;

class CommandPanel : public QGroupBox {
    Q_OBJECT
public:
    /// Builds the panel and its controls, laid out with the given scale.
    CommandPanel(const TwipScale& scale, QWidget* parent = nullptr);

    /// The widget of a control of the panel, or null for a control that is not in it.
    QWidget* widget(Ctl c) const;
    /// The push button of a command (RADDRIZZA, CENTRO, cancella, GRIGLIA, RETTANG), or null.
    QPushButton* button(Ctl c) const;
    /// The spin button GRANDEZZA.
    SpinArrows* spin() const { return spin_; }

private:
    void addButton(Ctl c, const TwipScale& scale, QRect twips);
    void addTextBox(Ctl c, const TwipScale& scale, QRect twips);
    void addLabel(Ctl c, const TwipScale& scale, QRect twips);

    std::array<QWidget*, controlCount> widgets_{};
    SpinArrows* spin_ = nullptr;
};

}  // namespace velta::qt
