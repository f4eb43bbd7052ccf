#pragma once
// The measurement log window "Misure": a window of its own beside the main one, one row per pair
// measured since the scale was set, the foot with the errors of the checked pairs and the
// warnings under the table. The known length of a pair after the reference is typed in its cell;
// the buttons copy the table and export it as CSV. The window only shows the log: what the user
// does in it goes to the program through the callbacks.

#include <QWidget>
#include <cstddef>
#include <functional>
#include <string>

class QLabel;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace velta::measure {
struct Log;
}

namespace velta::qt {

class LogWindow : public QWidget {
    Q_OBJECT
public:
    /// The column of the known length, the only one the user may type in (rows after the first).
    static constexpr int knownColumn = 9;

    /// A hidden, empty window owned by `parent`; it never takes the focus by being shown.
    explicit LogWindow(QWidget* parent);

    /// Shows the log anew, with `decimal` as decimal separator. Only cells whose text changes
    /// are touched, so a cell being edited keeps what is typed in it while the rest changes.
    void refresh(const measure::Log& log, char decimal);
    /// Sizes the window to its columns (within the screen) and puts it at the bottom right of
    /// the screen area of `main`, where it covers the least of the pictures.
    void placeBeside(const QWidget& main);

    /// A known length typed for the row (0-based) with the text as typed.
    std::function<void(std::size_t row, const std::string& text)> onKnownLength;
    /// "Copia" and "Esporta CSV..." pressed.
    std::function<void()> onCopy;
    std::function<void()> onExportCsv;

    QTableWidget* table() const { return table_; }
    QLabel* foot() const { return foot_; }
    QPushButton* copyButton() const { return copy_; }
    QPushButton* csvButton() const { return csv_; }

private:
    void edited(QTableWidgetItem* item);

    QTableWidget* table_ = nullptr;
    QLabel* foot_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* csv_ = nullptr;
};

}  // namespace velta::qt
