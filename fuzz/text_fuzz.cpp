// Typed measurement lengths and number texts: any text parses to a finite number or to nothing,
// any double or float formats without a crash, and a parsed length gives a valid scale or none.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "measure/measure.h"
#include "text/numtext.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view typed(reinterpret_cast<const char*>(data), size);
    if (const auto v = velta::text::parseDecimal(typed); v && !std::isfinite(*v)) std::abort();
    if (const auto scale = velta::measure::scaleFrom(typed, 200.0); scale && !(*scale > 0 && std::isfinite(*scale)))
        std::abort();

    if (size >= sizeof(double)) {
        double d;
        std::memcpy(&d, data, sizeof d);
        const std::string s = velta::text::shortNumber(d);
        if (s.empty() || (s[0] != ' ' && s[0] != '-')) std::abort();
        (void)velta::text::localeNumber(d, ',');
        (void)velta::text::wholeNumberText(std::floor(d));
        (void)velta::text::toInt16(d);
        (void)velta::text::toInt32(d);
        (void)velta::measure::figure(d);
    }
    if (size >= sizeof(float)) {
        float f;
        std::memcpy(&f, data, sizeof f);
        const std::string s = velta::text::shortNumber(f);
        if (s.empty() || (s[0] != ' ' && s[0] != '-')) std::abort();
        (void)velta::text::localeNumber(f, '.');
    }
    return 0;
}
