#pragma once
// The window's background under the views and the panel: reports a click and a double click
// on the part not covered by any control (a disabled control passes its clicks through).

#include <QWidget>

namespace velta::qt {

class Backdrop : public QWidget {
    Q_OBJECT
public:
    /// An empty background.
    explicit Backdrop(QWidget* parent = nullptr);

signals:
    /// A press and release of the left button; not sent for the release that ends a double click.
    void clicked();
    /// A double click of the left button.
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

}  // namespace velta::qt
