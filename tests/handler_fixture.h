#pragma once
// Shared ground for the handler tests: a recording window, the program object over a fresh
// temporary data directory, bitmap files made on the spot, and mouse helpers.

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "bitmap/writer.h"
#include "input/app.h"
#include "input/handlers.h"
#include "sample/facade.h"
#include "state/state.h"
#include "ui/recording_window.h"

namespace velta::testing {

/// Palette index of pixel (x, y), y counted from the top.
using Pattern = std::function<std::uint8_t(int x, int y)>;

/// No two rows or columns alike, never index 0 (so an unsampled pixel shows).
inline std::uint8_t rampPattern(int x, int y) {
    return static_cast<std::uint8_t>((x * 7 + y * 31) % 251 + 1);
}

/// A plain 8-bit header: signature, pixel offset 1078, 40-byte info header, one plane, 8 bits.
/// The writer fills in width, height and the two sizes.
inline std::array<std::uint8_t, 54> plainHeader() {
    std::array<std::uint8_t, 54> h{};
    h[0] = 'B';
    h[1] = 'M';
    h[10] = 0x36;   // 1078
    h[11] = 0x04;
    h[14] = 40;
    h[26] = 1;
    h[28] = 8;
    h[38] = 0x13;   // 2835 pixels per metre
    h[39] = 0x0B;
    h[42] = 0x13;
    h[43] = 0x0B;
    return h;
}

/// Palette entry k: blue k, green 255 - k, red k / 2.
inline std::array<std::uint8_t, 1024> plainPalette() {
    std::array<std::uint8_t, 1024> p{};
    for (std::size_t k = 0; k < 256; ++k) {
        p[4 * k] = static_cast<std::uint8_t>(k);
        p[4 * k + 1] = static_cast<std::uint8_t>(255 - k);
        p[4 * k + 2] = static_cast<std::uint8_t>(k / 2);
    }
    return p;
}

/// The bytes of a file (empty when it cannot be read).
inline std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class HandlerTest : public ::testing::Test {
protected:
    HandlerTest() : dir(freshDir()), app(w, dir.string()) {
        app.helpFile = (dir / "velta300.html").string();
        formLoad(app);
    }

    ~HandlerTest() override {
        std::error_code ec;
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(dir, ec);
    }

    /// Writes a `width` x `height` bitmap into the data directory; returns its path.
    std::string makeBitmap(int width, int height, const Pattern& pattern = rampPattern,
                           const std::string& name = "source.bmp") {
        std::vector<RowRecord> rows(static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = pattern(x, y);
        const std::string path = (dir / name).string();
        std::string error;
        EXPECT_TRUE(bitmap::writeBitmap(path, plainHeader(), plainPalette(), width, rows, error)) << error;
        return path;
    }

    /// Opens `path` through the open dialog.
    void openImage(const std::string& path) {
        w.openAnswers.push_back(path);
        openClick(app);
    }

    /// A click on the source picture: press and release at one spot.
    void click(float x, float y) {
        PICTURE1_MouseDown(app, 1, 0, x, y);
        Picture1_MouseUp(app, 1, 0, x, y);
    }

    /// One line from two clicks, with a pointer movement between them.
    void markLine(float x1, float y1, float x2, float y2) {
        click(x1, y1);
        Picture1_MouseMove(app, 1, 0, (x1 + x2) / 2, (y1 + y2) / 2);
        click(x2, y2);
    }

    /// A click on the rectified picture.
    void click2(float x, float y) { Picture2_MouseDown(app, 1, 0, x, y); }

    /// Opens the sample façade photograph and marks its four edges (top and bottom as the
    /// horizontal pair, left and right as the vertical pair), so that the construction stands.
    void openFacadeWithLines() {
        const std::string path = (dir / "facciata.bmp").string();
        {
            const std::vector<std::uint8_t> bytes = sample::facadeBitmap();
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
        openImage(path);
        const sample::Quad& q = sample::facadeGeometry().facade;
        auto px = [](double v) { return static_cast<float>(std::floor(v)); };
        markLine(px(q.topLeft.x), px(q.topLeft.y), px(q.topRight.x), px(q.topRight.y));
        markLine(px(q.bottomLeft.x), px(q.bottomLeft.y), px(q.bottomRight.x), px(q.bottomRight.y));
        markLine(px(q.bottomLeft.x), px(q.bottomLeft.y), px(q.topLeft.x), px(q.topLeft.y));
        markLine(px(q.bottomRight.x), px(q.bottomRight.y), px(q.topRight.x), px(q.topRight.y));
    }

    /// Marks a calculation area by two corners (area command, then two clicks).
    void markArea(float x1, float y1, float x2, float y2) {
        RETTANG3(app);
        click(x1, y1);
        click(x2, y2);
    }

    /// The sample façade with its edges marked, a small calculation area inside the façade and
    /// the rectify command pressed once.
    void rectifyFacade() {
        openFacadeWithLines();
        markArea(300, 200, 420, 300);
        RADDR1(app);
    }

    std::filesystem::path dir;
    RecordingWindow w;
    App app;

private:
    static std::filesystem::path freshDir() {
        static std::atomic<int> serial{0};
        const std::filesystem::path d = std::filesystem::temp_directory_path() /
                                        ("velta-handlers-" + std::to_string(::getpid()) + "-" +
                                         std::to_string(serial++));
        std::filesystem::remove_all(d);
        std::filesystem::create_directories(d);
        return d;
    }
};

}  // namespace velta::testing
