#pragma once
// The real dialogs: Qt's message, input, file and printer dialogs, printing on a QPrinter,
// and the program's own help viewer.

#include <QPointer>
#include <memory>

#include "ui/qt/dialog_provider.h"
#include "ui/qt/help_viewer.h"

class QPrinter;

namespace velta::qt {


class QtDialogs : public DialogProvider {
public:
    /// The real dialogs; the printer and the help viewer are made when first needed.
    QtDialogs();
    /// Closes the help viewer with the dialogs that made it.
    ~QtDialogs() override;

    Answer messageBox(QWidget* parent, const std::string& text, const std::string& title, Icon icon,
                      Buttons buttons) override;
    std::optional<std::string> inputBox(QWidget* parent, const std::string& prompt) override;
    std::string openFile(QWidget* parent, const std::string& dir) override;
    std::string saveFile(QWidget* parent, const std::string& dir) override;
    ExportChoice exportFile(QWidget* parent, const std::string& dir, bool jpeg) override;
    std::string csvFile(QWidget* parent, const std::string& dir) override;
    std::string reportFile(QWidget* parent, const std::string& dir) override;
    bool printerDialog(QWidget* parent) override;
    void printWindow(QWidget& window) override;
    void showHelp(QWidget* parent, const std::string& path) override;

    /// The printer that the printer dialog sets up and printing uses (made on first use).
    QPrinter& printer();
    /// The help viewer, once the help has been shown (null before, or after it was closed).
    HelpViewer* helpViewer() const { return viewer_; }

private:
    std::unique_ptr<QPrinter> printer_;
    QPointer<HelpViewer> viewer_;
};

}  // namespace velta::qt
