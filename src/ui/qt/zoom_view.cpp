#include "ui/qt/zoom_view.h"

#include <QCloseEvent>
#include <QLine>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "ui/qt/spin_arrows.h"

namespace velta::qt {

namespace {

// A window far larger than any screen is a wrong value, not a window to make.
constexpr int largestSide = 32767;

QColor toQColor(Color c) {
    return QColor(static_cast<int>(c.value & 0xFF), static_cast<int>((c.value >> 8) & 0xFF),
                  static_cast<int>((c.value >> 16) & 0xFF));
}

// A bar's length or page in whole twips, at least 1.
int wholeTwips(double t) {
    if (!std::isfinite(t)) return 1;
    return static_cast<int>(std::lround(std::clamp(t, 1.0, 1e9)));
}

}  // namespace

/// The image area: its picture stretched over the whole of it. A press or release on it stays
/// with it (a release on the window behind it would fit the window).
///
/// A plain picture is stretched whole, pixel for pixel as it always was: it is never more than
/// a few thousand pixels a side, the painter fills only the pixels being painted, and drawing
/// only the part would round a few pixels of the stretch the other way. A colour
/// photograph may be many screens large (a 6000 x 4000 picture at eight times is 48000 x 32000
/// pixels): only the part of it under the pixels being painted is drawn, smoothly, straight
/// from the picture, so that no scaled copy of the whole is ever made.
class ZoomView::Picture : public QWidget {
public:
    explicit Picture(ZoomView* owner) : QWidget(owner), owner_(owner) {}

    /// The image is shared with whoever gave it, not copied.
    void setPicture(QImage image, bool colour) {
        picture_ = std::move(image);
        colour_ = colour;
        reduced_ = QImage();
        reducedLevel_ = 0;
        update();
    }
    const QImage& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override {
        if (picture_.isNull() || width() < 1 || height() < 1) return;
        QPainter p(this);
        if (colour_)
            paintPart(p, event->rect() & rect());
        else
            p.drawImage(rect(), picture_);
    }
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        event->accept();
        if (owner_->onDoubleClick) owner_->onDoubleClick();
    }

private:
    // Draws the part of the colour picture under `part` (in the area's pixels).
    void paintPart(QPainter& p, const QRect& part) {
        if (part.isEmpty()) return;
        const QImage& source = levelFor(size());
        const double sx = source.width() / static_cast<double>(width());
        const double sy = source.height() / static_cast<double>(height());
        // The whole source pixels under the part, and one more on each side: smoothing at the
        // part's edges then reads the same neighbours as over the whole picture, and strips
        // painted one by one while scrolling join without a seam.
        const int x0 = std::max(0, static_cast<int>(std::floor(part.left() * sx)) - 1);
        const int y0 = std::max(0, static_cast<int>(std::floor(part.top() * sy)) - 1);
        const int x1 = std::min(source.width(), static_cast<int>(std::ceil((part.right() + 1) * sx)) + 1);
        const int y1 = std::min(source.height(), static_cast<int>(std::ceil((part.bottom() + 1) * sy)) + 1);
        if (x1 <= x0 || y1 <= y0) return;
        const QRectF from(x0, y0, x1 - x0, y1 - y0);
        const QRectF to(x0 / sx, y0 / sy, (x1 - x0) / sx, (y1 - y0) / sy);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(to, source, from);  // the painter clips it to the pixels being painted
    }

    // The colour picture, or for an area less than half its size the picture reduced by halves
    // (by averaging) to between one and two times the area: smoothing reads only the nearest
    // pixels, and a photograph reduced further by it alone shows moire on bricks and tiles.
    // The reduction is made once for each level the zoom passes through.
    const QImage& levelFor(QSize area) {
        int level = 0;
        while (level < 15 && (picture_.width() >> (level + 1)) >= area.width() &&
               (picture_.height() >> (level + 1)) >= area.height())
            ++level;
        if (level == 0) return picture_;
        if (level != reducedLevel_) {
            reduced_ = picture_.scaled(std::max(1, picture_.width() >> level), std::max(1, picture_.height() >> level),
                                       Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            reducedLevel_ = reduced_.isNull() ? 0 : level;
        }
        return reduced_.isNull() ? picture_ : reduced_;
    }

    ZoomView* owner_;
    QImage picture_;
    bool colour_ = false;
    QImage reduced_;  // the colour picture at the last level drawn, when that is not the picture
    int reducedLevel_ = 0;
};

/// The lines drawn on the window, over the picture and under the bars and the spin button,
/// which are windows of their own that drawing on the window does not cover. Mouse events
/// pass through to whatever lies below.
class ZoomView::Lines : public QWidget {
public:
    explicit Lines(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

    void add(const QLine& line, const QColor& colour) {
        // Close lines of a fine grid fall on the same pixels: keep one of them.
        if (!lines_.empty() && lines_.back().first == line && lines_.back().second == colour) return;
        lines_.emplace_back(line, colour);
        update();
    }
    void clear() {
        if (lines_.empty()) return;
        lines_.clear();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (lines_.empty()) return;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing, false);
        for (const auto& [line, colour] : lines_) {
            p.setPen(QPen(colour, 0));
            p.drawLine(line);
        }
    }

private:
    std::vector<std::pair<QLine, QColor>> lines_;
};

ZoomView::ZoomView(const TwipScale& scale, PictureSource source, QWidget* parent)
    : QWidget(parent, Qt::Window), scale_(scale), source_(std::move(source)) {
    setObjectName(QStringLiteral("zoom"));
    setWindowTitle(QStringLiteral("Zoom"));

    // Created in stacking order: the picture at the back, the bars and the spin button in front.
    image_ = new Picture(this);
    image_->setObjectName(QStringLiteral("Image1"));
    lines_ = new Lines(this);
    hScroll_ = new QScrollBar(Qt::Horizontal, this);
    hScroll_->setObjectName(QStringLiteral("HScroll1"));
    vScroll_ = new QScrollBar(Qt::Vertical, this);
    vScroll_->setObjectName(QStringLiteral("VScroll1"));
    spin_ = new SpinArrows(this);
    spin_->setObjectName(QStringLiteral("Spin1"));
    spin_->setGeometry(scale_.rect(0, 0, 180, 180));

    connect(hScroll_, &QScrollBar::valueChanged, this, [this](int v) { userScrolled(onHScroll, v); });
    connect(vScroll_, &QScrollBar::valueChanged, this, [this](int v) { userScrolled(onVScroll, v); });
    connect(spin_, &SpinArrows::down, this, [this] {
        if (onSpinDown) onSpinDown();
    });
    connect(spin_, &SpinArrows::up, this, [this] {
        if (onSpinUp) onSpinUp();
    });
    changed();
}

ZoomView::~ZoomView() = default;

QWidget* ZoomView::image() const {
    return image_;
}

bool ZoomView::show() {
    const bool wasLoaded = std::exchange(loaded_, true);
    QWidget::show();
    raise();
    activateWindow();
    return wasLoaded;
}

void ZoomView::setPictureFrom(Pic source) {
    // The picture as loaded (the marks drawn on the main window's view stay there), shared with
    // the view: a photograph is held once.
    image_->setPicture(source_ ? source_(source) : QImage(), colourPicture());
    lines_->clear();
}

const QImage& ZoomView::picture() const {
    return image_->picture();
}

void ZoomView::drawLine(double x1, double y1, double x2, double y2, Color c) {
    const QLine line(scale_.pixels(x1), scale_.pixels(y1), scale_.pixels(x2), scale_.pixels(y2));
    // A line wholly beyond the largest window can never show (the grid of a colour picture
    // many screens large has thousands of them).
    const auto beyond = [](int a, int b) { return std::max(a, b) < 0 || std::min(a, b) > largestSide; };
    if (beyond(line.x1(), line.x2()) || beyond(line.y1(), line.y2())) return;
    lines_->add(line, toQColor(c));
}

double ZoomView::screenWidth() const {
    const QScreen* s = screen();
    const QRect area = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    return scale_.twips(area.x() + area.width());
}

double ZoomView::screenHeight() const {
    const QScreen* s = screen();
    const QRect area = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    return scale_.twips(area.y() + area.height());
}

QSize ZoomView::clientSize() const {
    const int w = scale_.pixels(width());
    const int h = scale_.pixels(height() - captionTwips);
    return {std::clamp(w, 1, largestSide), std::clamp(h, 1, largestSide)};
}

void ZoomView::changed() {
    const bool wasApplying = std::exchange(applying_, true);
    // The window moves and resizes only when the model's values change, so that a place the
    // window manager chose is not fought over on every change of a bar.
    const QPoint at(scale_.pixels(left()), scale_.pixels(top()));
    if (at != placedAt_) {
        placedAt_ = at;
        move(at);
    }
    const QSize client = clientSize();
    if (client != sizedTo_) {
        sizedTo_ = client;
        resize(client);
    }
    lines_->setGeometry(QRect(QPoint(0, 0), client));

    // The grid belongs to the picture as it was: moving or resizing the picture repaints it.
    const QRectF area(imageLeft(), imageTop(), imageWidth(), imageHeight());
    if (area != imageArea_) {
        imageArea_ = area;
        lines_->clear();
    }
    image_->setGeometry(scale_.pixels(imageLeft()), scale_.pixels(imageTop()), std::max(0, scale_.pixels(imageWidth())),
                        std::max(0, scale_.pixels(imageHeight())));
    applyBars();
    applying_ = wasApplying;
}

void ZoomView::applyBars() {
    const QSignalBlocker quietH(hScroll_), quietV(vScroll_);  // the model's change is not the user's
    const int step = std::max(1, static_cast<int>(std::lround(scale_.twips(10))));
    auto apply = [step](QScrollBar* bar, const ZoomBar& b) {
        // A picture smaller than the window leaves a negative range: nothing to scroll.
        bar->setRange(0, std::max(0, b.maximum));
        bar->setSingleStep(step);
        bar->setPageStep(wholeTwips(b.length));
        bar->setValue(b.value);
    };
    apply(hScroll_, hBar());
    apply(vScroll_, vBar());
    // Along the top edge right of the spin button, and along the left edge below it (its design
    // left edge lies 12 twips outside the window).
    hScroll_->setGeometry(scale_.px(168), 0, std::max(0, scale_.pixels(hBar().length)), scale_.px(180));
    vScroll_->setGeometry(0, scale_.px(156), scale_.px(176), std::max(0, scale_.pixels(vBar().length)));
}

void ZoomView::userScrolled(const std::function<void(int)>& handler, int value) {
    if (!applying_ && handler) handler(value);
}

void ZoomView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    lines_->setGeometry(rect());
    if (applying_ || event->size() == sizedTo_) return;
    // A resize by the user or the window manager: the model takes the new size, which runs the
    // resize handler as a resize by the program does.
    sizedTo_ = event->size();
    ZoomWindow::setSize(scale_.twips(sizedTo_.width()), scale_.twips(sizedTo_.height()) + captionTwips);
}

void ZoomView::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (applying_ || pos() == placedAt_) return;
    placedAt_ = pos();  // the frame's position, as move() takes it
    ZoomWindow::setPosition(scale_.twips(placedAt_.x()), scale_.twips(placedAt_.y()));
}

void ZoomView::closeEvent(QCloseEvent* event) {
    event->accept();
    // Unloading: the next zoo click loads the window anew from its design values.
    loaded_ = false;
    image_->setPicture(QImage(), false);
    lines_->clear();
    restoreDesign();
}

void ZoomView::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void ZoomView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (onMouseUp) onMouseUp();
}

}  // namespace velta::qt
