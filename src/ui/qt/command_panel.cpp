#include "ui/qt/command_panel.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/qt/fonts.h"
#include "ui/qt/spin_arrows.h"
#include "ui/qt/twips.h"

namespace velta::qt {

namespace {

// Design geometry in twips (left, top, width, height). Positions are those of the window
// design; sizes the design leaves open are chosen to fit the panel.
constexpr int panelWidth = 3135, panelHeight = 4455;
constexpr int buttonHeight = 375, boxHeight = 300;
constexpr int leftColumn = 240, rightColumn = 1680, columnWidth = 1320;
constexpr int firstGridRow = 2760, gridRowPitch = 360;

std::size_t slot(Ctl c) { return static_cast<std::size_t>(c); }

}  // namespace

CommandPanel::CommandPanel(const TwipScale& scale, QWidget* parent) : QGroupBox(parent) {
    setObjectName(QStringLiteral("Frame1"));
    setFixedSize(scale.size(panelWidth, panelHeight));
    // The panel floats over the pictures: without a background of its own the picture under it
    // would show through, and the prompt could not be read on a dark one.
    setAutoFillBackground(true);
    // Clicks on the panel, and on its disabled controls, do nothing.
    setAttribute(Qt::WA_NoMousePropagation);

    auto* prompt = new QLabel(this);
    prompt->setObjectName(QStringLiteral("domanda1"));
    prompt->setTextFormat(Qt::PlainText);
    prompt->setWordWrap(true);
    prompt->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Below the title, which this style draws above the frame line.
    prompt->setGeometry(scale.rect(135, 360, 2865, 660));
    widgets_[slot(Ctl::domanda1)] = prompt;

    addButton(Ctl::RADDRIZZA, scale, {1440, 1200, 1575, buttonHeight});
    addButton(Ctl::CENTRO, scale, {1440, 1800, 780, buttonHeight});
    addButton(Ctl::cancella, scale, {2280, 1800, 735, buttonHeight});
    addButton(Ctl::GRIGLIA, scale, {1440, 2280, 780, buttonHeight});
    addButton(Ctl::RETTANG, scale, {2280, 2280, 735, buttonHeight});

    // Text3 and Text4 share one place: the output step, or the progress while rectifying.
    addTextBox(Ctl::Text3, scale, {240, 1200, 840, boxHeight});
    addTextBox(Ctl::Text4, scale, {240, 1200, 840, boxHeight});
    widgets_[slot(Ctl::Text4)]->setFont(smallFont(true));
    spin_ = new SpinArrows(this);
    spin_->setObjectName(QStringLiteral("GRANDEZZA"));
    spin_->setGeometry(scale.rect(1080, 1200, 255, boxHeight));
    widgets_[slot(Ctl::GRANDEZZA)] = spin_;

    addTextBox(Ctl::Text1, scale, {240, 1815, 540, boxHeight});
    addTextBox(Ctl::Text2, scale, {840, 1815, 540, boxHeight});
    addLabel(Ctl::Label3, scale, {240, 2130, 540, 195});
    addLabel(Ctl::Label2, scale, {840, 2130, 540, 195});

    const Ctl left[] = {Ctl::tfuox, Ctl::tfuoy, Ctl::Text6_1, Ctl::Text6_2};
    const Ctl right[] = {Ctl::tfuvx, Ctl::tfuvy, Ctl::Text6_3, Ctl::Text6_4};
    for (int row = 0; row < 4; ++row) {
        const int y = firstGridRow + row * gridRowPitch;
        addTextBox(left[row], scale, {leftColumn, y, columnWidth, boxHeight});
        addTextBox(right[row], scale, {rightColumn, y, columnWidth, boxHeight});
    }
}

QWidget* CommandPanel::widget(Ctl c) const {
    if (c == Ctl::count) return nullptr;
    return widgets_[slot(c)];
}

QPushButton* CommandPanel::button(Ctl c) const { return qobject_cast<QPushButton*>(widget(c)); }

void CommandPanel::addButton(Ctl c, const TwipScale& scale, QRect twips) {
    auto* b = new QPushButton(this);
    b->setObjectName(QString::fromLatin1(controlName(c)));
    b->setFont(arialFont(9.75));
    b->setGeometry(scale.rect(twips.x(), twips.y(), twips.width(), twips.height()));
    widgets_[slot(c)] = b;
}

void CommandPanel::addTextBox(Ctl c, const TwipScale& scale, QRect twips) {
    auto* box = new QLineEdit(this);
    box->setObjectName(QString::fromLatin1(controlName(c)));
    box->setFont(arialFont(9.0));
    // Display only: a box that took the focus would swallow Ctrl+C and Ctrl+A of the menus.
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setGeometry(scale.rect(twips.x(), twips.y(), twips.width(), twips.height()));
    widgets_[slot(c)] = box;
}

void CommandPanel::addLabel(Ctl c, const TwipScale& scale, QRect twips) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(controlName(c)));
    label->setTextFormat(Qt::PlainText);
    label->setFont(smallSerifFont());
    label->setGeometry(scale.rect(twips.x(), twips.y(), twips.width(), twips.height()));
    widgets_[slot(c)] = label;
}

}  // namespace velta::qt
