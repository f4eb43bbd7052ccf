#include "ui/qt/picture_view.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
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
    tiles_.clear();
    canvas_ = QImage();
    canvasStale_ = true;
    update();
}

void PictureView::line(double x1, double y1, double x2, double y2, std::optional<Color> c) {
    paintPixels(raster::segmentPixels(x1, y1, x2, y2, picture_.width(), picture_.height()), c);
}

void PictureView::rect(double x1, double y1, double x2, double y2, std::optional<Color> c) {
    paintPixels(raster::rectPixels(x1, y1, x2, y2, picture_.width(), picture_.height()), c);
}

void PictureView::circle(double cx, double cy, double r, std::optional<Color> c) {
    paintPixels(raster::circlePixels(cx, cy, r, picture_.width(), picture_.height()), c);
}

QImage& PictureView::tileAt(int tx, int ty) {
    QImage& tile = tiles_[tileKey(tx, ty)];
    if (tile.isNull()) {
        const QRect square = QRect(tx * tileSide, ty * tileSide, tileSide, tileSide).intersected(picture_.rect());
        tile = picture_.copy(square);
    }
    return tile;
}

void PictureView::paintPixels(const std::vector<raster::Point>& pixels, std::optional<Color> c) {
    if (pixels.empty() || picture_.isNull()) return;
    // The pixels go to their tiles in runs (a figure's pixels are mostly neighbours), each run
    // drawn by the rasteriser in the tile's own coordinates, so that every draw mode does there
    // exactly what it does on a whole picture.
    const Color colour = c.value_or(foreColor());
    std::vector<raster::Point> run;
    int runX = -1, runY = -1;
    QRect dirty;
    const auto flush = [&] {
        if (run.empty()) return;
        QImage& tile = tileAt(runX, runY);
        const raster::PixelBuffer buffer{reinterpret_cast<std::uint32_t*>(tile.bits()), tile.width(), tile.height(),
                                         tile.bytesPerLine() / 4};
        raster::paint(buffer, run, colour, drawMode());
        run.clear();
    };
    for (const raster::Point& px : pixels) {
        if (px.x < 0 || px.y < 0 || px.x >= picture_.width() || px.y >= picture_.height()) continue;
        const int tx = px.x / tileSide, ty = px.y / tileSide;
        if (tx != runX || ty != runY) {
            flush();
            runX = tx;
            runY = ty;
        }
        run.push_back({px.x - tx * tileSide, px.y - ty * tileSide});
        dirty |= QRect(px.x, px.y, 1, 1);
    }
    flush();
    canvasStale_ = true;
    update(dirty);
}

const QImage& PictureView::canvas() const {
    if (tiles_.empty()) return picture_;
    if (canvasStale_ || canvas_.isNull()) {
        canvas_ = picture_.copy();
        QPainter p(&canvas_);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        for (const auto& [key, tile] : tiles_)
            p.drawImage(QPoint(static_cast<int>(key & 0xFFFFFFFFu) * tileSide, static_cast<int>(key >> 32) * tileSide),
                        tile);
        canvasStale_ = false;
    }
    return canvas_;
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
    if (picture_.isNull()) return;
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(r.topLeft(), picture_, r);
    if (tiles_.empty()) return;
    // The marked tiles over the picture, where they meet the painted part.
    const int tx0 = std::max(0, r.left() / tileSide), tx1 = r.right() / tileSide;
    const int ty0 = std::max(0, r.top() / tileSide), ty1 = r.bottom() / tileSide;
    for (int ty = ty0; ty <= ty1; ++ty)
        for (int tx = tx0; tx <= tx1; ++tx) {
            const auto found = tiles_.find(tileKey(tx, ty));
            if (found == tiles_.end()) continue;
            const QPoint origin(tx * tileSide, ty * tileSide);
            const QRect part = QRect(origin, found->second.size()).intersected(r);
            p.drawImage(part.topLeft(), found->second, part.translated(-origin));
        }
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
