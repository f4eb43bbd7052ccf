#pragma once
// The program's help viewer: a window of its own that shows the HTML help document at its
// contents, beside the main window and without blocking it.

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace velta::qt {

class HelpViewer : public QWidget {
    Q_OBJECT
public:
    /// The anchor of the contents page in the help document.
    static constexpr const char* contentsAnchor = "indice";

    /// A top-level viewer window; it closes with the window that owns it.
    explicit HelpViewer(QWidget* owner = nullptr);

    /// Shows the document at path at its contents; a missing file is reported in the viewer.
    void open(const QString& path);
    /// The browser that shows the document.
    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};

}  // namespace velta::qt
