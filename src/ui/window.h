#pragma once
// The window the handlers talk to: named controls with their captions, texts, tooltips and
// states, two picture surfaces, scroll bars and the dialogs. The state of every control lives
// here, so handlers can read what they set (a caption tells the phase) and tests can assert on
// what a user would see; an implementation mirrors each change onto real widgets.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "state/picture.h"

namespace velta {

class ZoomWindow;

/// Every control and menu entry of the main window, by its design name.
enum class Ctl : int {
    // menus and menu entries
    file, open, save, esporta, relazione, exit, edit, canc, centro1, area, griglia2, parametri, frame_m, aggancio,
    raddrizza1, start, altra, interpolazione, vicino, bilineare, bicubica, misure, misura, duepunti,
    print1, print, help, help1,
    // controls
    Frame1, domanda1, Label1, Label4, zoo, RADDRIZZA, CENTRO, cancella, GRIGLIA, RETTANG,
    Text1, Text2, Text3, Text4, Label2, Label3, tfuox, tfuoy, tfuvx, tfuvy,
    Text6_1, Text6_2, Text6_3, Text6_4, GRANDEZZA,
    count
};
inline constexpr int controlCount = static_cast<int>(Ctl::count);

/// The text box Text6(n), n = 1..4.
Ctl text6(int n);
/// The design name of a control ("Text6(1)" for the indexed group).
const char* controlName(Ctl c);

struct ControlState {
    std::string text;      // caption of a menu, button, label or frame; text of a text box
    std::string toolTip;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
};

enum class ScrollId : int { VScroll1, HScroll1, VScroll2, HScroll2 };

struct ScrollBarState {
    bool visible = false;
    int minimum = 0;
    int maximum = 0;
    int value = 0;
    int smallStep = 1;
    int largeStep = 1;
    int position = 0;      // left edge of a vertical bar, top edge of a horizontal one (pixels)
    int length = 0;        // height of a vertical bar, width of a horizontal one (pixels)
};

/// A colour in the 0x00BBGGRR form: red in the low byte.
struct Color {
    std::uint32_t value = 0;
    friend bool operator==(Color, Color) = default;
};
inline constexpr Color pureRed{0x0000FF};
/// Colour number i (0..15) of the 16-colour palette (11 light cyan, 12 light red, 3 cyan).
Color paletteColor(int i);

enum class DrawMode { CopyPen, Invert, Blackness };
enum class Cursor { Default, Cross, Hourglass };

/// A picture surface: shows a picture 1:1 and draws marks over it, in image pixels.
class Surface {
public:
    virtual ~Surface() = default;

    /// Loads a bitmap file as the picture; the surface takes its size. False with a reason
    /// when the file cannot be decoded.
    virtual bool loadPicture(const std::string& path, std::string& error) = 0;
    /// Shows a picture already in memory, sharing its pixels (the drawing copy is the only
    /// other one); the surface takes its size. False with a reason when it cannot be shown.
    virtual bool showPicture(const Picture& picture, std::string& error) = 0;
    virtual int pictureWidth() const = 0;
    virtual int pictureHeight() const = 0;
    /// Repaints the picture, dropping every mark.
    virtual void refresh() = 0;
    /// A segment, a rectangle outline from two corners, a circle outline; in the given colour
    /// or, without one, in the foreground colour; always in the current draw mode.
    virtual void line(double x1, double y1, double x2, double y2, std::optional<Color> c = {}) = 0;
    virtual void rect(double x1, double y1, double x2, double y2, std::optional<Color> c = {}) = 0;
    virtual void circle(double cx, double cy, double r, std::optional<Color> c = {}) = 0;

    void setForeColor(Color c) { fore_ = c; }
    Color foreColor() const { return fore_; }
    void setDrawMode(DrawMode m) { mode_ = m; }
    DrawMode drawMode() const { return mode_; }

    void setPosition(int left, int top) { left_ = left; top_ = top; placed(); }
    int left() const { return left_; }
    int top() const { return top_; }
    void setVisible(bool v) { visible_ = v; placed(); }
    bool visible() const { return visible_; }
    void setEnabled(bool e) { enabled_ = e; placed(); }
    bool enabled() const { return enabled_; }
    void setCursor(Cursor c) { cursor_ = c; placed(); }
    Cursor cursor() const { return cursor_; }
    /// Stacking order: behind or in front of the other controls.
    virtual void toBack() {}
    virtual void toFront() {}

protected:
    /// Called after a change of position, visibility, enabling or pointer.
    virtual void placed() {}

private:
    Color fore_ = pureRed;
    DrawMode mode_ = DrawMode::CopyPen;
    int left_ = 0, top_ = 0;
    bool visible_ = true, enabled_ = true;
    Cursor cursor_ = Cursor::Default;
};

enum class Pic { Picture1, Picture2 };
enum class Icon { None, Critical, Question, Information };
/// SaveDiscardCancel: "Salva", "Non salvare", "Annulla", for work about to be lost.
enum class Buttons { Ok, YesNo, SaveDiscardCancel };
enum class Answer { Ok, Yes, No, Save, Discard, Cancel };

/// The formats an image can be exported to.
enum class ImageFormat { png, tiff, bmp, jpeg };

/// What the export dialog returns: the name typed or picked (empty when cancelled) and the
/// format of the filter chosen in the dialog.
struct ExportChoice {
    std::string name;
    ImageFormat filter = ImageFormat::png;
};

/// What a message box answers when it is closed without a choice (Escape).
constexpr Answer cancelAnswer(Buttons b) {
    return b == Buttons::Ok ? Answer::Ok : b == Buttons::YesNo ? Answer::No : Answer::Cancel;
}

class Window {
public:
    Window();
    virtual ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Control states
    const ControlState& control(Ctl c) const { return controls_[index(c)]; }
    const std::string& text(Ctl c) const { return control(c).text; }
    void setText(Ctl c, std::string t);
    void setToolTip(Ctl c, std::string t);
    void setEnabled(Ctl c, bool e);
    void setVisible(Ctl c, bool v);
    void setChecked(Ctl c, bool v);
    bool enabled(Ctl c) const { return control(c).enabled; }
    bool visible(Ctl c) const { return control(c).visible; }
    bool checked(Ctl c) const { return control(c).checked; }

    const std::string& title() const { return title_; }
    void setTitle(std::string t);

    const ScrollBarState& scroll(ScrollId id) const { return scrolls_[static_cast<std::size_t>(id)]; }
    void setScroll(ScrollId id, const ScrollBarState& s);

    void setWindowCursor(Cursor c) { windowCursor_ = c; windowCursorChanged(); }
    Cursor windowCursor() const { return windowCursor_; }

    // Surfaces and platform services
    virtual Surface& picture(Pic p) = 0;
    /// The area the views may use below the menu bar, in pixels, read once at start.
    virtual float viewportWidth() const = 0;
    virtual float viewportHeight() const = 0;
    /// Thickness of a scroll bar in pixels (the height of HScroll1).
    virtual int scrollBarThickness() const = 0;
    virtual Answer messageBox(const std::string& text, const std::string& title, Icon icon,
                              Buttons buttons = Buttons::Ok) = 0;
    /// A modal input box; nullopt when cancelled.
    virtual std::optional<std::string> inputBox(const std::string& prompt) = 0;
    /// Open and save dialogs starting in dir; an empty name when cancelled.
    virtual std::string openFileDialog(const std::string& dir) = 0;
    virtual std::string saveFileDialog(const std::string& dir) = 0;
    /// The export dialog starting in dir, offering PNG, TIFF and BMP, and JPEG when `jpeg`; its
    /// own overwrite question is off (the program asks for the final name).
    virtual ExportChoice exportFileDialog(const std::string& dir, bool jpeg) = 0;
    /// The printer dialog; true when a printer was chosen. Then printWindow prints on it.
    virtual bool printerDialog() = 0;
    virtual void printWindow() = 0;
    /// Opens the help document at its contents page without waiting.
    virtual void showHelp(const std::string& path) = 0;
    virtual void beep() = 0;
    virtual void processEvents() = 0;
    /// Ends the program (once the running handler returns).
    virtual void quit() = 0;
    /// The zoom window, when the implementation has one.
    virtual ZoomWindow* zoom() { return nullptr; }
    /// Shows the measurement log window ("Misure") without blocking the main one.
    virtual void showLog() {}
    /// The measurement log changed: a window showing it shows it anew.
    virtual void logChanged() {}
    /// Puts a text on the clipboard.
    virtual void setClipboardText(const std::string& text) { (void)text; }
    /// The save dialog for a CSV file starting in dir; an empty name when cancelled. It does not
    /// ask about overwriting.
    virtual std::string csvFileDialog(const std::string& dir) { (void)dir; return {}; }
    /// The save dialog for the report (PDF) starting in dir; an empty name when cancelled. It does
    /// not ask about overwriting.
    virtual std::string reportFileDialog(const std::string& dir) { (void)dir; return {}; }

protected:
    virtual void controlChanged(Ctl) {}
    virtual void titleChanged() {}
    virtual void scrollChanged(ScrollId) {}
    virtual void windowCursorChanged() {}

private:
    static std::size_t index(Ctl c) { return static_cast<std::size_t>(c); }
    std::array<ControlState, controlCount> controls_;
    std::array<ScrollBarState, 4> scrolls_{};
    std::string title_;
    Cursor windowCursor_ = Cursor::Default;
};

}  // namespace velta
