#pragma once
// A spin button without a number of its own: an up arrow over a down arrow, each with its own
// event. The number it steps is shown elsewhere (the output-step box beside it).

#include <QWidget>

class QToolButton;

namespace velta::qt {

class SpinArrows : public QWidget {
    Q_OBJECT
public:
    /// Two stacked arrows that repeat while held; neither takes the keyboard focus.
    explicit SpinArrows(QWidget* parent = nullptr);

    /// The upper arrow.
    QToolButton* upButton() const { return up_; }
    /// The lower arrow.
    QToolButton* downButton() const { return down_; }

signals:
    /// A click (or a repeat while held) on the upper arrow.
    void up();
    /// A click (or a repeat while held) on the lower arrow.
    void down();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* up_;
    QToolButton* down_;
};

}  // namespace velta::qt
