#include "imageio/reader_limit.h"

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>

namespace velta::imageio {

namespace {

// The limit is set as the application object is made, before any reader runs (the program's
// and every test program's alike). Whoever changes it later (a test) is not overruled, and 0,
// no limit at all, is never lowered.
void raiseReaderLimit() {
    const int limit = QImageReader::allocationLimit();
    if (limit > 0 && limit < readerLimitMegabytes) QImageReader::setAllocationLimit(readerLimitMegabytes);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(raiseReaderLimit)

bool beyondMemory(QSize size, int bytesPerPixel) {
    if (!size.isValid() || size.isEmpty()) return false;
    const double megabytes = static_cast<double>(bytesPerPixel) * size.width() * size.height() / (1024.0 * 1024.0);
    const int limit = QImageReader::allocationLimit();
    if (limit > 0 && megabytes > limit) return true;
    return QImage(size, bytesPerPixel > 4 ? QImage::Format_RGBA64 : QImage::Format_RGB32).isNull();
}

}  // namespace velta::imageio
