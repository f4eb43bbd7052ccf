#include "imageio/report.h"

#include <QColor>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "bitmap/safe_write.h"

namespace velta::imageio {

namespace {

// The page is laid out in units of 1/300 inch; the pictures go in at up to 200 pixels an inch.
constexpr int unitsPerInch = 300;
constexpr double picturesPerInch = 200;
constexpr double mm = unitsPerInch / 25.4;

QString q(const std::string& t) { return QString::fromStdString(t); }

// The program's faces: Liberation Sans, or DejaVu Sans where it is missing.
QFont sans(double points, bool bold = false) {
    QFont f;
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// A picture held by the program as a QImage over the same pixels (no copy).
QImage wrap(const Picture& p) {
    if (p.empty()) return {};
    return QImage(reinterpret_cast<const uchar*>(p.pixels), p.width, p.height, static_cast<qsizetype>(p.stride) * 4,
                  QImage::Format_RGB32);
}

// The rectified image at 32 bits: the plain road's indices through its palette.
QImage rectifiedImage(const RectifiedImage& r) {
    if (r.empty()) return {};
    if (r.road == Road::colour) return wrap(r.picture);
    if (r.indices.size() < static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height)) return {};
    QImage out(r.width, r.height, QImage::Format_RGB32);
    if (out.isNull()) return out;
    for (int y = 0; y < r.height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        const std::uint8_t* in = r.indices.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(r.width);
        for (int x = 0; x < r.width; ++x) {
            const std::size_t e = 4u * in[x];
            row[x] = qRgb(r.palette[e + 2], r.palette[e + 1], r.palette[e]);
        }
    }
    return out;
}

// The rectangle of a `w` x `h` picture fitted into `box`, centred at its top.
QRectF fitted(double w, double h, const QRectF& box) {
    const double k = std::min(box.width() / w, box.height() / h);
    const double fw = w * k, fh = h * k;
    return {box.left() + (box.width() - fw) / 2, box.top(), fw, fh};
}

// Draws `image` into `target`, brought down first to no more than 200 pixels an inch of the page.
void drawPicture(QPainter& p, const QImage& image, const QRectF& target) {
    const int w = std::max(1, static_cast<int>(std::ceil(target.width() / unitsPerInch * picturesPerInch)));
    const int h = std::max(1, static_cast<int>(std::ceil(target.height() / unitsPerInch * picturesPerInch)));
    if (image.width() > w || image.height() > h)
        p.drawImage(target, image.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    else
        p.drawImage(target, image);
}

// The marks over the source picture drawn in `target`, clipped to it, in source pixels.
void drawMarks(QPainter& p, const ReportData& r, const QRectF& target) {
    const double k = target.width() / r.source.width;
    p.save();
    p.setClipRect(target);
    p.translate(target.topLeft());
    p.scale(k, k);
    p.setBrush(Qt::NoBrush);
    p.setRenderHint(QPainter::Antialiasing);
    for (const ReportMark& m : r.marks) {
        QPen pen(QColor::fromRgb(static_cast<QRgb>(m.rgb)));
        pen.setWidthF(0.5 * mm / 2 / k);   // a quarter of a millimetre on paper
        p.setPen(pen);
        if (m.kind == ReportMark::Kind::line) p.drawLine(QPointF(m.x1, m.y1), QPointF(m.x2, m.y2));
        else p.drawEllipse(QPointF(m.x1, m.y1), m.x2, m.x2);
    }
    p.restore();
}

class Page {
public:
    Page(QPainter& p, QRectF area) : p_(p), area_(area), y_(area.top()) {}

    double y() const { return y_; }
    double left() const { return area_.left(); }
    double width() const { return area_.width(); }
    double bottom() const { return area_.bottom(); }
    void skip(double units) { y_ += units; }
    void moveTo(double y) { y_ = y; }

    // A paragraph across the page, wrapped at words.
    void text(const QString& t, const QFont& f, int flags = Qt::AlignLeft) {
        p_.setFont(f);
        const QRectF box(area_.left(), y_, area_.width(), area_.bottom() - y_);
        const QRectF used = p_.boundingRect(box, flags | Qt::TextWordWrap, t);
        p_.drawText(box, flags | Qt::TextWordWrap, t);
        y_ += used.height();
    }

    // A heading of a section, with a thin rule under it.
    void heading(const QString& t) {
        skip(1.5 * mm);
        text(t, sans(10, true));
        p_.setPen(QPen(Qt::black, 0.2 * mm));
        p_.drawLine(QPointF(area_.left(), y_), QPointF(area_.right(), y_));
        skip(1 * mm);
    }

private:
    QPainter& p_;
    QRectF area_;
    double y_;
};

// The construction's figures in two columns of label and value, a long value wrapped at its
// words.
void drawParameters(QPainter& p, Page& page, const ReportData& r) {
    const QFont label = sans(8, true), value = sans(8);
    const std::size_t rows = (r.parameters.size() + 1) / 2;
    const double colWidth = page.width() / 2;
    const double labelWidth = 42 * mm, valueWidth = colWidth - labelWidth - 2 * mm;
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    auto height = [&](std::size_t i) {
        p.setFont(value);
        return p.boundingRect(QRectF(0, 0, valueWidth, 1000 * mm), flags, q(r.parameters[i].second)).height();
    };
    double y = page.y();
    for (std::size_t row = 0; row < rows; ++row) {
        double rowHeight = 0;
        for (std::size_t i = row; i < r.parameters.size(); i += rows) {
            const double x = page.left() + static_cast<double>(i / rows) * colWidth;
            const double h = height(i);
            p.setFont(label);
            p.drawText(QRectF(x, y, labelWidth, h), flags, q(r.parameters[i].first));
            p.setFont(value);
            p.drawText(QRectF(x + labelWidth, y, valueWidth, h), flags, q(r.parameters[i].second));
            rowHeight = std::max(rowHeight, h);
        }
        y += rowHeight;
    }
    page.moveTo(y);
}

constexpr double cellPad = 1.2 * mm;

struct LogColumns {
    double points = 7.5;          // the table's font size
    std::vector<double> widths;   // each column's, padding included
};

// The log table's columns: each as wide as its widest cell (a title wraps at its words), in a
// font brought down until the table fits the page's width; what room is left goes to the
// columns evenly.
LogColumns logColumns(QPainter& p, double pageWidth, const ReportData& r) {
    const std::size_t cols = r.logTitles.size();
    LogColumns table;
    table.widths.resize(cols);
    double& points = table.points;
    std::vector<double>& widths = table.widths;
    const double pad = cellPad;
    for (;; points -= 0.25) {
        const QFontMetricsF cell(sans(points), p.device()), head(sans(points, true), p.device());
        for (std::size_t c = 0; c < cols; ++c) {
            double w = 0;
            for (const QString& word : q(r.logTitles[c]).split(QLatin1Char(' '), Qt::SkipEmptyParts))
                w = std::max(w, head.horizontalAdvance(word));
            for (const std::vector<std::string>& row : r.logRows)
                if (c < row.size()) w = std::max(w, cell.horizontalAdvance(q(row[c])));
            widths[c] = w + 2 * pad;
        }
        double total = 0;
        for (double w : widths) total += w;
        if (total <= pageWidth || points <= 6) {
            const double extra = std::max(0.0, pageWidth - total) / static_cast<double>(cols);
            for (double& w : widths) w += extra;
            return table;
        }
    }
}

// The log's table: its columns, then as many rows as the page holds.
void drawLog(QPainter& p, Page& page, const ReportData& r, double reserved) {
    const std::size_t cols = r.logTitles.size();
    if (cols == 0) return;
    const auto [points, widths] = logColumns(p, page.width(), r);
    const double pad = cellPad;
    const QFont cellFont = sans(points), headFont = sans(points, true);
    const double line = QFontMetricsF(cellFont, p.device()).lineSpacing() + 0.6 * mm;
    const double headHeight = 2 * QFontMetricsF(headFont, p.device()).lineSpacing() + 0.8 * mm;
    QPen grid(QColor(120, 120, 120));
    grid.setWidthF(0.15 * mm);

    double x = page.left();
    const double top = page.y();
    p.setFont(headFont);
    p.setPen(Qt::black);
    for (std::size_t c = 0; c < cols; ++c) {
        p.drawText(QRectF(x + pad, top, widths[c] - 2 * pad, headHeight),
                   Qt::AlignHCenter | Qt::AlignBottom | Qt::TextWordWrap, q(r.logTitles[c]));
        x += widths[c];
    }
    page.skip(headHeight);
    p.setPen(grid);
    p.drawLine(QPointF(page.left(), page.y()), QPointF(x, page.y()));

    const double room = page.bottom() - reserved - page.y();
    std::size_t fit = room > 0 ? static_cast<std::size_t>(room / line) : 0;
    if (fit < r.logRows.size() && fit > 0) --fit;   // a line to say what was left out
    const std::size_t shown = std::min(fit, r.logRows.size());
    p.setFont(cellFont);
    for (std::size_t i = 0; i < shown; ++i) {
        x = page.left();
        p.setPen(Qt::black);
        for (std::size_t c = 0; c < cols && c < r.logRows[i].size(); ++c) {
            // The row's number and "riferimento" to the left, figures to the right.
            const int align = c == 0 ? Qt::AlignHCenter : Qt::AlignRight;
            p.drawText(QRectF(x + pad, page.y(), widths[c] - 2 * pad, line), align | Qt::AlignVCenter,
                       q(r.logRows[i][c]));
            x += widths[c];
        }
        page.skip(line);
        p.setPen(grid);
        p.drawLine(QPointF(page.left(), page.y()), QPointF(x, page.y()));
    }
    if (r.logRows.empty()) page.text(QStringLiteral("Nessuna coppia misurata."), sans(8));
    if (shown < r.logRows.size())
        page.text(QStringLiteral("... altre %1 coppie non riportate in questa pagina (si esportano con il registro "
                                 "delle misure in CSV).")
                      .arg(r.logRows.size() - shown),
                  sans(8));
}

void layOut(QPainter& p, const QRectF& area, const ReportData& r) {
    Page page(p, area);
    p.setPen(Qt::black);
    page.text(q(r.title), sans(16, true));
    page.text(QStringLiteral("Immagine: %1        Data: %2").arg(q(r.sourceName), q(r.date)), sans(9));
    page.skip(2 * mm);

    // The two pictures side by side, each in half the width.
    const double gap = 6 * mm;
    const double boxWidth = (area.width() - gap) / 2, boxHeight = 100 * mm;
    const QFont caption = sans(8);
    p.setFont(caption);
    const double captionHeight = QFontMetricsF(caption, p.device()).lineSpacing() * 1.3;
    double picturesBottom = page.y();
    const QImage source = wrap(r.source);
    if (!source.isNull()) {
        const QRectF box(area.left(), page.y() + captionHeight, boxWidth, boxHeight);
        const QRectF target = fitted(source.width(), source.height(), box);
        drawPicture(p, source, target);
        drawMarks(p, r, target);
        p.setPen(Qt::black);
        p.drawText(QRectF(box.left(), page.y(), boxWidth, captionHeight), Qt::AlignHCenter | Qt::AlignTop,
                   QStringLiteral("Immagine originale con rette, costruzione, centro e area"));
        picturesBottom = std::max(picturesBottom, target.bottom());
    }
    const QImage rectified = rectifiedImage(r.rectified);
    if (!rectified.isNull()) {
        const QRectF box(area.left() + boxWidth + gap, page.y() + captionHeight, boxWidth, boxHeight);
        const QRectF target = fitted(rectified.width(), rectified.height(), box);
        drawPicture(p, rectified, target);
        p.setPen(Qt::black);
        p.drawText(QRectF(box.left(), page.y(), boxWidth, captionHeight), Qt::AlignHCenter | Qt::AlignTop,
                   QStringLiteral("Immagine raddrizzata (%1 x %2 pixel)").arg(rectified.width()).arg(rectified.height()));
        picturesBottom = std::max(picturesBottom, target.bottom());
    }
    page.moveTo(picturesBottom + 2 * mm);

    page.heading(QStringLiteral("Parametri del raddrizzamento"));
    drawParameters(p, page, r);
    page.heading(QStringLiteral("Scala"));
    for (const std::string& t : r.scale) page.text(q(t), sans(8.5));
    page.heading(QStringLiteral("Registro delle misure"));
    // The notes under the table keep their room at the page's foot.
    const QFontMetricsF notes(sans(8.5), p.device());
    const double reserved = static_cast<double>(r.notes.size() + 1) * notes.lineSpacing() + 2 * mm;
    drawLog(p, page, r, reserved);
    page.skip(1.5 * mm);
    p.setPen(Qt::black);
    for (const std::string& t : r.notes) page.text(q(t), sans(8.5));
}

bool writePdf(const ReportData& r, const std::string& path, std::string& error) {
    QPdfWriter writer(QString::fromStdString(path));
    writer.setTitle(q(r.title));
    writer.setCreator(QStringLiteral("VELTA300"));
    writer.setResolution(unitsPerInch);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 14, 15, 14),
                                     QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&writer)) {
        error = "impossibile creare il file PDF";
        return false;
    }
    layOut(painter, QRectF(0, 0, writer.width(), writer.height()), r);
    if (!painter.end()) {
        error = "errore di scrittura del file PDF";
        return false;
    }
    QFile written(QString::fromStdString(path));
    if (written.size() <= 0) {
        error = "errore di scrittura del file PDF";
        return false;
    }
    return true;
}

}  // namespace

bool writeReportPdf(const ReportData& report, const std::string& path, std::string& error) {
    return bitmap::safeWrite(
        path, [&](const std::string& temp, std::string& why) { return writePdf(report, temp, why); }, error);
}

}  // namespace velta::imageio
