#include "ui/qt/picture_view.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <cstdint>
#include <memory>

#include "imageio/reader_limit.h"

namespace velta::qt {

namespace {

// Larger pictures would overflow the painter's coordinates; no real photograph comes near.
constexpr int largestSide = 32767;

std::string reasonFor(QImageReader::ImageReaderError e) {
    switch (e) {
    case QImageReader::FileNotFoundError: return "file non trovato";
    case QImageReader::DeviceError: return "errore di lettura del file";
    case QImageReader::UnsupportedFormatError: return "formato dell'immagine non riconosciuto";
    case QImageReader::InvalidDataError: return "dati dell'immagine non validi o file danneggiato";
    default: return "impossibile leggere l'immagine";
    }
}

int buttonCode(Qt::MouseButtons b) {
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) | (b & Qt::MiddleButton ? 4 : 0);
}

int shiftCode(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

Qt::CursorShape shapeOf(Cursor c) {
    switch (c) {
    case Cursor::Cross: return Qt::CrossCursor;
    case Cursor::Hourglass: return Qt::WaitCursor;
    case Cursor::Default: break;
    }
    return Qt::ArrowCursor;
}

}  // namespace

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(0, 0);
    placed();
}

bool PictureView::loadPicture(const std::string& path, std::string& error) {
    if (path.empty()) {
        error = "nessun file indicato";
        return false;
    }
    QImageReader reader(QString::fromStdString(path));
    const QSize size = reader.size();
    if (size.width() > largestSide || size.height() > largestSide) {
        error = "immagine troppo grande";
        return false;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        // Qt reports a picture it could not allocate as damaged data.
        error = imageio::beyondMemory(size) ? "memoria insufficiente per un'immagine di " +
                                                  std::to_string(size.width()) + " x " +
                                                  std::to_string(size.height()) + " pixel"
                                            : reasonFor(reader.error());
        return false;
    }
    if (image.width() > largestSide || image.height() > largestSide) {
        error = "immagine troppo grande";
        return false;
    }
    image = image.convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) {
        error = "memoria insufficiente per l'immagine";
        return false;
    }
    setPicture(image);
    return true;
}

bool PictureView::showPicture(const velta::Picture& picture, std::string& error) {
    if (picture.empty() || picture.width > largestSide || picture.height > largestSide) {
        error = picture.empty() ? "nessuna immagine" : "immagine troppo grande";
        return false;
    }
    // The image reads the picture's own pixels; a copy of the owner keeps them alive for as
    // long as the image (or a shallow copy of it) lives.
    auto* keep = new std::shared_ptr<void>(picture.owner);
    const QImage shared(reinterpret_cast<const uchar*>(picture.pixels), picture.width, picture.height,
                        static_cast<qsizetype>(picture.stride) * 4, QImage::Format_RGB32,
                        [](void* p) { delete static_cast<std::shared_ptr<void>*>(p); }, keep);
    setPicture(shared);
    return true;
}

void PictureView::setPicture(const QImage& image) {
    picture_ = image.convertToFormat(QImage::Format_RGB32);
    setFixedSize(picture_.size());
    refresh();
}

void PictureView::refresh() {
    canvas_ = picture_;
    update();
}

void PictureView::line(double x1, double y1, double x2, double y2, std::optional<Color> c) {
    paintPixels(raster::segmentPixels(x1, y1, x2, y2, canvas_.width(), canvas_.height()), c);
}

void PictureView::rect(double x1, double y1, double x2, double y2, std::optional<Color> c) {
    paintPixels(raster::rectPixels(x1, y1, x2, y2, canvas_.width(), canvas_.height()), c);
}

void PictureView::circle(double cx, double cy, double r, std::optional<Color> c) {
    paintPixels(raster::circlePixels(cx, cy, r, canvas_.width(), canvas_.height()), c);
}

void PictureView::paintPixels(const std::vector<raster::Point>& pixels, std::optional<Color> c) {
    if (pixels.empty() || canvas_.isNull()) return;
    // The canvas is RGB32: rows of 0xFFRRGGBB pixels, the layout the rasteriser draws on.
    const raster::PixelBuffer buffer{reinterpret_cast<std::uint32_t*>(canvas_.bits()), canvas_.width(),
                                     canvas_.height(), canvas_.bytesPerLine() / 4};
    raster::paint(buffer, pixels, c.value_or(foreColor()), drawMode());
    QRect dirty;
    for (const raster::Point& px : pixels) dirty |= QRect(px.x, px.y, 1, 1);
    update(dirty);
}

void PictureView::placed() {
    move(left(), top());
    // A surface is shown inside its window; one without a window is not opened on its own.
    if (parentWidget()) QWidget::setVisible(visible());
    QWidget::setEnabled(enabled());
    QWidget::setCursor(shapeOf(Surface::cursor()));
}

void PictureView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect r = event->rect();
    if (canvas_.isNull()) return;
    p.drawImage(r.topLeft(), canvas_, r);
}

void PictureView::report(const MouseCallback& callback, int button, QMouseEvent* event) {
    event->accept();
    if (!callback) return;
    const QPointF at = event->position();
    callback(button, shiftCode(event->modifiers()), static_cast<float>(std::floor(at.x())),
             static_cast<float>(std::floor(at.y())));
}

void PictureView::mousePressEvent(QMouseEvent* event) { report(onPress, buttonCode(event->button()), event); }

void PictureView::mouseMoveEvent(QMouseEvent* event) { report(onMove, buttonCode(event->buttons()), event); }

void PictureView::mouseReleaseEvent(QMouseEvent* event) {
    report(onRelease, buttonCode(event->button()), event);
}

void PictureView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!onDoubleClick) {
        mousePressEvent(event);
        return;
    }
    event->accept();
    onDoubleClick();
}

}  // namespace velta::qt
