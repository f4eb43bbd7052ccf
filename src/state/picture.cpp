#include "state/picture.h"

#include <new>

namespace velta {

Picture Picture::allocate(int width, int height) {
    Picture p;
    if (width < 1 || height < 1) return p;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::shared_ptr<std::uint32_t[]> data(new (std::nothrow) std::uint32_t[count]());
    if (!data) return p;
    p.width = width;
    p.height = height;
    p.stride = width;
    p.pixels = data.get();
    p.owner = std::shared_ptr<void>(data, data.get());
    return p;
}

}  // namespace velta
