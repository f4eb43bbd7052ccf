// Writes the generated sample façade photograph into the given directory (used by the build,
// so that the installed program ships it).
#include <cstdio>
#include <string>

#include "sample/facade.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: velta_make_sample DIRECTORY\n");
        return 2;
    }
    std::string error;
    if (!velta::sample::ensureSampleFacade(argv[1], error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
