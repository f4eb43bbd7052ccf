// Writes the generated sample façade photographs into the given directory (used by the build,
// so that the installed program ships them): the 256-colour bitmap "facciata.bmp", or with
// --colour the full-resolution colour JPEG "facciata.jpg".
#include <cstdio>
#include <cstring>
#include <string>

#include "colour_sample.h"
#include "sample/colour.h"
#include "sample/facade.h"

int main(int argc, char** argv) {
    const bool colour = argc == 3 && std::strcmp(argv[1], "--colour") == 0;
    if (argc != 2 && !colour) {
        std::fprintf(stderr, "usage: velta_make_sample [--colour] DIRECTORY\n");
        return 2;
    }
    const std::string dir = argv[argc - 1];
    std::string error;
    const bool ok = colour ? velta::sample::ensureSampleFile(dir, velta::sample::colourSampleFileName(),
                                                             velta::app::writeColourSample, error)
                           : velta::sample::ensureSampleFacade(dir, error);
    if (!ok) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
