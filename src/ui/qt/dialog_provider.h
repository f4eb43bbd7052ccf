#pragma once
// Everything the main window shows or does outside itself: message and input boxes, file and
// printer dialogs, printing, the help viewer. The window asks through this interface, so that
// tests can answer from a script instead of opening real modal dialogs.

#include <optional>
#include <string>

#include "ui/window.h"

class QWidget;

namespace velta::qt {

class DialogProvider {
public:
    virtual ~DialogProvider() = default;

    /// A modal message box with the given icon, title, text and buttons; the button pressed.
    virtual Answer messageBox(QWidget* parent, const std::string& text, const std::string& title,
                              Icon icon, Buttons buttons) = 0;
    /// A modal input box with a prompt; the typed text, or nothing when cancelled.
    virtual std::optional<std::string> inputBox(QWidget* parent, const std::string& prompt) = 0;
    /// The open dialog for bitmaps, starting in dir; the chosen path, empty when cancelled.
    virtual std::string openFile(QWidget* parent, const std::string& dir) = 0;
    /// The save dialog for bitmaps, starting in dir; it does not ask about overwriting.
    virtual std::string saveFile(QWidget* parent, const std::string& dir) = 0;
    /// The export dialog starting in dir: PNG, TIFF, BMP, and JPEG when `jpeg`; the name and the
    /// format of the filter chosen (an empty name when cancelled). It does not ask about
    /// overwriting.
    virtual ExportChoice exportFile(QWidget* parent, const std::string& dir, bool jpeg) = 0;
    /// The save dialog for the measurement log as CSV, starting in dir; the chosen path, empty
    /// when cancelled. It does not ask about overwriting. Without one, as if cancelled.
    virtual std::string csvFile(QWidget* parent, const std::string& dir) {
        (void)parent, (void)dir;
        return {};
    }
    /// The save dialog for the report (PDF), starting in dir; the chosen path, empty when
    /// cancelled. It does not ask about overwriting. Without one, as if cancelled.
    virtual std::string reportFile(QWidget* parent, const std::string& dir) {
        (void)parent, (void)dir;
        return {};
    }
    /// The printer dialog; true when a printer was chosen.
    virtual bool printerDialog(QWidget* parent) = 0;
    /// Prints the image of a window on the chosen (or default) printer.
    virtual void printWindow(QWidget& window) = 0;
    /// Shows the help document at its contents without waiting for the viewer.
    virtual void showHelp(QWidget* parent, const std::string& path) = 0;
};

}  // namespace velta::qt
