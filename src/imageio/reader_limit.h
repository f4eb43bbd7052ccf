#pragma once
// The memory Qt's image readers may take for one picture, which is the process's: it is raised
// once, as the application object is made, and both the colour decoder and the plain road's
// view read within it.

#include <QSize>

namespace velta::imageio {

// Qt's readers refuse any picture that would take more than this many megabytes (counted at
// no less than 4 bytes a pixel, 8 for 16-bit files). Qt's own 128 would refuse an 8-bit bitmap
// of 3000 x 11185 already; the largest picture the program opens, 200 million pixels at 4
// bytes, or 100 million at 8, takes 763, and 800 leaves a margin above it.
constexpr int readerLimitMegabytes = 800;

/// Whether a picture of `size` at `bytesPerPixel` cannot be had in memory: over the readers'
/// limit, or refused by the system when asked for.
bool beyondMemory(QSize size, int bytesPerPixel = 4);

}  // namespace velta::imageio
