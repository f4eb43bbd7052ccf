#include "bitmap/safe_write.h"

namespace velta::bitmap {

bool safeWrite(const std::string& target, const FileFiller& fill, std::string& error) {
    return fill(target, error);
}

}  // namespace velta::bitmap
