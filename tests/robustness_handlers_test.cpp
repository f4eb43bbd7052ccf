// Randomised robustness of the commands: random lines, centres, areas and output steps by the
// mouse, and extreme lines written into the working state, on the program on a recording window.
// Every outcome is a construction with finite values or a refusal the user is told about, and a
// rectification leaves a complete working file. VELTA_ROBUSTNESS_ITERATION=<n> replays iteration
// n alone (see robustness.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "bitmap/reader.h"
#include "geometry/vanishing.h"
#include "input/app.h"
#include "input/handlers.h"
#include "robustness.h"
#include "state/state.h"
#include "testutils.h"
#include "ui/recording_window.h"

namespace velta {
namespace {

using namespace robustness;

/// One temporary data directory for a test, with the two source pictures the sessions open.
class Workspace {
public:
    Workspace() : small_(dir_.file("small.bmp")), medium_(dir_.file("medium.bmp")) {
        testing::writePlainBitmap(small_, 64, 48);
        testing::writePlainBitmap(medium_, 200, 150);
    }

    std::string dir() const { return dir_.path().string(); }
    const std::string& small() const { return small_; }
    const std::string& medium() const { return medium_; }

private:
    testing::TempDir dir_;
    std::string small_, medium_;
};

/// What the sessions of a test came to, to show that the run reached every outcome.
struct Tally {
    int built = 0, refused = 0, parallel = 0, rectified = 0, tooLarge = 0, tooSmall = 0, grids = 0;

    void print(const char* what) const {
        std::printf("[ robustness ] %s: %d constructions, %d refused, %d parallel pairs, %d grids, %d rectified, "
                    "%d refused as too large, %d as too small\n",
                    what, built, refused, parallel, grids, rectified, tooLarge, tooSmall);
    }
};

constexpr const char* refusedTitle = "NON E' POSSIBILE RADDRIZZARE";
constexpr const char* parallelText = "Fuga verticale o orizzontale all'infinito !!";

/// The program on a recording window, over the workspace's data directory, with a picture open.
class Session {
public:
    Session(const Workspace& ws, const std::string& picture) : app(w, ws.dir()) {
        app.helpFile = ws.dir() + "/velta300.html";
        formLoad(app);
        w.openAnswers.push_back(picture);
        openClick(app);
    }

    double width() const { return static_cast<double>(app.s.imageWidth); }
    double height() const { return static_cast<double>(app.s.imageHeight); }

    void click(double x, double y) {
        const auto fx = static_cast<float>(x), fy = static_cast<float>(y);
        PICTURE1_MouseDown(app, 1, 0, fx, fy);
        Picture1_MouseUp(app, 1, 0, fx, fy);
    }

    void markLine(double x1, double y1, double x2, double y2) {
        click(x1, y1);
        Picture1_MouseMove(app, 1, 0, static_cast<float>((x1 + x2) / 2), static_cast<float>((y1 + y2) / 2));
        click(x2, y2);
    }

    /// Every mark drawn since `from` has finite coordinates and a radius that is not negative.
    void expectFiniteMarks(std::size_t from) const {
        for (std::size_t k = from; k < w.pic1.allOps.size(); ++k) {
            const DrawOp& op = w.pic1.allOps[k];
            const bool ok = geom::allFinite({op.x1, op.y1, op.x2, op.y2}) && (op.kind != DrawOp::Circle || op.x2 >= 0);
            if (!ok) {
                ADD_FAILURE() << "mark " << k << " of kind " << static_cast<int>(op.kind) << ": " << op.x1 << ", "
                              << op.y1 << ", " << op.x2 << ", " << op.y2;
                return;
            }
        }
    }

    /// After a command that ran the construction: it stands with finite values throughout, or
    /// the user was told, and nothing that needs it can be used.
    void expectBuiltOrRefused(std::size_t messagesBefore, Tally& t) const {
        const State& s = app.s;
        const bool told = w.messages.size() > messagesBefore;
        if (!s.vanishingValid && !told) {
            // Lines that do not meet were reported when they were marked; nothing is rebuilt.
            EXPECT_FALSE(s.constructionValid);
            for (Ctl c : {Ctl::RADDRIZZA, Ctl::start, Ctl::GRIGLIA, Ctl::griglia2}) EXPECT_FALSE(w.enabled(c));
            return;
        }
        if (s.constructionValid) {
            EXPECT_FALSE(told) << w.messages.back().text;
            expectFiniteConstruction(s);
            EXPECT_TRUE(w.enabled(Ctl::RADDRIZZA));
            ++t.built;
            return;
        }
        if (!told) {
            // The same inputs were refused, and said so, before: the prompt alone says it again.
            EXPECT_FALSE(s.refusedInputs.empty()) << "no construction stands and nothing was said";
            EXPECT_EQ(w.text(Ctl::domanda1), "Impossibile raddrizzare");
            for (Ctl c : {Ctl::RADDRIZZA, Ctl::start, Ctl::GRIGLIA, Ctl::griglia2}) EXPECT_FALSE(w.enabled(c));
            ++t.refused;
            return;
        }
        const ShownMessage& m = w.messages.back();
        EXPECT_EQ(m.title, refusedTitle);
        EXPECT_EQ(m.icon, Icon::Critical);
        EXPECT_EQ(w.messages.size(), messagesBefore + 1);
        for (Ctl c : {Ctl::RADDRIZZA, Ctl::start, Ctl::GRIGLIA, Ctl::griglia2}) EXPECT_FALSE(w.enabled(c));
        ++(m.text == parallelText ? t.parallel : t.refused);
    }

    RecordingWindow w;
    App app;
};

// Four lines by pixel positions (or any reals, when written into the state): x1, y1, x2, y2.
using Lines = std::array<std::array<double, 4>, 4>;

struct Pt {
    double x, y;
};

/// A vanishing point for a pair: inside the picture, very far, or from just outside to far off
/// to one side (H) or above or below (V).
Pt vanishingPoint(Dice& d, bool horizontalPair, double w, double h) {
    const int kind = d.integer(0, 9);
    if (kind == 0) return {d.whole(0, w), d.whole(0, h)};
    if (kind == 1) return {d.enormous(), d.enormous()};
    if (horizontalPair) return {w / 2 + d.sign() * w * d.logUniform(0.6, 200), d.uniform(-h, 2 * h)};
    return {d.uniform(-w, 2 * w), h / 2 + d.sign() * h * d.logUniform(0.6, 200)};
}

/// A segment inside the picture on a line towards `vp` (starting at `vp` now and then when it
/// lies in the picture), rounded to whole pixels when `whole`.
std::array<double, 4> towards(Dice& d, Pt vp, double w, double h, bool whole) {
    auto inPicture = [&](double x, double y) { return x >= 0 && x <= w - 1 && y >= 0 && y <= h - 1; };
    auto snap = [&](double v) { return whole ? std::floor(v) : v; };
    for (int tries = 0; tries < 10; ++tries) {
        Pt p{d.uniform(0, w - 1), d.uniform(0, h - 1)};
        if (inPicture(vp.x, vp.y) && d.chance(0.3)) p = vp;
        const double dx = vp.x - p.x, dy = vp.y - p.y, len = std::hypot(dx, dy);
        if (!(len > 0) || !std::isfinite(len)) continue;
        const double l = d.uniform(3, std::max(w, h));
        for (double dir : {1.0, -1.0}) {
            const double qx = p.x + dir * dx / len * l, qy = p.y + dir * dy / len * l;
            if (inPicture(qx, qy)) return {snap(p.x), snap(p.y), snap(qx), snap(qy)};
        }
    }
    return {d.whole(0, w), d.whole(0, h), d.whole(0, w), d.whole(0, h)};
}

/// Four lines as a user might mark them: converging on two vanishing points, then bent into
/// the shapes that trouble a construction: a parallel or nearly parallel pair, lines through the
/// centre, lines of zero length, exactly vertical or horizontal lines, the pairs exchanged.
Lines randomLines(Dice& d, double w, double h, bool whole) {
    const Pt hp = vanishingPoint(d, true, w, h), vp = vanishingPoint(d, false, w, h);
    Lines l{};
    for (int n = 0; n < 4; ++n) l[static_cast<std::size_t>(n)] = towards(d, n < 2 ? hp : vp, w, h, whole);
    auto line = [&](int n) -> std::array<double, 4>& { return l[static_cast<std::size_t>(n)]; };
    auto point = [&](double v, double limit) { return whole ? std::floor(v * limit) : v * limit; };
    for (int k = d.integer(0, 2); k > 0; --k) {
        const int pair = d.chance(0.5) ? 0 : 2;
        const int n = d.integer(0, 3);
        switch (d.integer(0, 9)) {
        case 0: {   // the pair exactly parallel: one line moved
            const double tx = std::floor(d.uniform(-w, w) / 4), ty = std::floor(d.uniform(-h, h) / 4);
            line(pair + 1) = {line(pair)[0] + tx, line(pair)[1] + ty, line(pair)[2] + tx, line(pair)[3] + ty};
            break;
        }
        case 1: {   // nearly parallel: moved, and one end a pixel off
            const double ty = std::floor(h / 3);
            line(pair) = {0, point(d.uniform(0, 0.3), h), w - 1, point(d.uniform(0, 0.3), h)};
            line(pair + 1) = {line(pair)[0], line(pair)[1] + ty, line(pair)[2], line(pair)[3] + ty + 1};
            break;
        }
        case 2: line(n)[0] = w / 2, line(n)[1] = h / 2; break;                      // through the centre
        case 3: line(n)[2] = line(n)[0], line(n)[3] = line(n)[1]; break;            // zero length
        case 4: line(n)[2] = line(n)[0]; break;                                     // exactly vertical
        case 5: line(n)[3] = line(n)[1]; break;                                     // exactly horizontal
        case 6: line(pair)[2] = line(pair)[0], line(pair + 1)[2] = line(pair + 1)[0]; break;   // both vertical
        case 7: line(pair)[3] = line(pair)[1], line(pair + 1)[3] = line(pair + 1)[1]; break;   // both horizontal
        case 8: std::swap(l[0], l[2]), std::swap(l[1], l[3]); break;                // the pairs exchanged
        default: line(n) = {point(d.uniform(0, 1), w - 1), point(d.uniform(0, 1), h - 1),
                            point(d.uniform(0, 1), w - 1), point(d.uniform(0, 1), h - 1)};
                 break;
        }
    }
    return l;
}

/// Marks the lines with the mouse (the release of the fourth runs the construction), or writes
/// them into the state and runs the vanishing points as that release does.
void markLines(Session& ss, const Lines& l, bool byClicks, Tally& t) {
    const std::size_t before = ss.w.messages.size(), ops = ss.w.pic1.allOps.size();
    if (byClicks) {
        for (const auto& e : l) ss.markLine(e[0], e[1], e[2], e[3]);
        ASSERT_EQ(ss.app.s.lineCount, 4);
    } else {
        for (int n = 1; n <= 4; ++n)
            for (int k = 1; k <= 4; ++k)
                ss.app.s.lineEnds[n][k] = l[static_cast<std::size_t>(n - 1)][static_cast<std::size_t>(k - 1)];
        ss.app.s.lineCount = 4;
        FUGHE(ss.app);
    }
    ss.expectBuiltOrRefused(before, t);
    ss.expectFiniteMarks(ops);
}

/// Lines written into the state with the values no mouse gives: enormous or tiny coordinates,
/// slopes one unit in the last place apart, not a number, infinite.
Lines extremeLines(Dice& d, double w, double h) {
    Lines l = randomLines(d, w, h, false);
    switch (d.integer(0, 5)) {
    case 0: {
        const double scale = d.logUniform(1e6, 1e15);
        for (auto& e : l)
            for (double& v : e) v *= scale;
        break;
    }
    case 1: {
        const double scale = d.logUniform(1e-300, 1e-5);
        for (auto& e : l)
            for (double& v : e) v *= scale;
        break;
    }
    case 2: {
        const double shift = d.enormous();
        for (auto& e : l)
            for (double& v : e) v += shift;
        break;
    }
    case 3: {
        const std::size_t pair = d.chance(0.5) ? 0 : 2;
        l[pair + 1] = l[pair];
        l[pair + 1][3] = std::nextafter(l[pair + 1][3], kInf);
        break;
    }
    default:
        for (int k = d.integer(1, 3); k > 0; --k)
            l[static_cast<std::size_t>(d.integer(0, 3))][static_cast<std::size_t>(d.integer(0, 3))] = d.extreme();
        break;
    }
    return l;
}

/// The rectify command when the frame is refused, or small enough to compute at once and the
/// session may still rectify: either the user is told why not, or a complete working file is
/// written and shown.
bool rectifyIfQuick(Session& ss, Tally& t, int& budget) {
    State& s = ss.app.s;
    RecordingWindow& w = ss.w;
    if (!s.constructionValid || !(w.enabled(Ctl::RADDRIZZA) || w.enabled(Ctl::start)) || s.raddrCount != 0)
        return false;
    const bool tooLarge = s.frame.rectWidth > 3000 || s.frame.rectHeight > 32767;
    const bool tooSmall = !tooLarge && (s.frame.rectWidth < 1 || s.frame.rectHeight < 1);
    const bool quick = !tooLarge && !tooSmall && s.frame.rectWidth <= 400 && s.frame.rectHeight <= 400;
    if (!tooLarge && !tooSmall && !(quick && budget > 0)) return false;

    const std::string file = ss.app.workingFile();
    std::error_code ec;
    std::filesystem::remove(file, ec);
    const std::size_t before = w.messages.size();
    const double width = s.frame.rectWidth, height = s.frame.rectHeight;
    RADDR1(ss.app);
    EXPECT_FALSE(s.rectRunning);
    if (tooLarge || tooSmall) {
        EXPECT_EQ(w.messages.size(), before + 1) << "a frame of " << width << " x " << height;
        if (w.messages.size() > before) {
            const ShownMessage& m = w.messages.back();
            EXPECT_EQ(m.title, "IMPOSSIBILE RADDRIZZARE");
            EXPECT_EQ(m.icon, Icon::Critical);
            EXPECT_EQ(m.text, tooLarge ? "Immagine troppo grande; selezionare un'area più piccola"
                                       : "Area di calcolo troppo piccola; selezionare un'area più grande");
        }
        EXPECT_EQ(s.raddrCount, 0);
        EXPECT_FALSE(std::filesystem::exists(file));
        ++(tooLarge ? t.tooLarge : t.tooSmall);
        return false;
    }

    --budget;
    ++t.rectified;
    const auto W = static_cast<std::uintmax_t>(width), H = static_cast<std::uintmax_t>(height);
    EXPECT_EQ(w.messages.size(), before) << w.messages.back().text;
    EXPECT_EQ(std::filesystem::file_size(file, ec), 1078 + H * (W + (4 - W % 4) % 4))
        << "a frame of " << width << " x " << height;
    const bitmap::ReadResult back = bitmap::readBitmapFile(file);
    EXPECT_TRUE(back.ok) << back.error;
    if (back.ok) {
        EXPECT_EQ(back.image.fileWidth, width);
        EXPECT_EQ(back.image.fileHeight, height);
    }
    EXPECT_EQ(w.pic2.loadedPath, file);
    EXPECT_EQ(w.pic2.pictureWidth(), static_cast<int>(W));
    EXPECT_EQ(w.pic2.pictureHeight(), static_cast<int>(H));
    EXPECT_TRUE(s.workingFileFresh);
    EXPECT_EQ(s.rectDone, 1);
    return true;
}

/// After a rectification: the measuring phase follows (false), or, now and then, another
/// rectification of the same photograph is begun (true).
bool anotherRectification(Session& ss, Dice& d) {
    if (!d.chance(0.5)) return false;
    if (d.chance(0.5))
        ALTRA1(ss.app);
    else
        CANC2(ss.app);   // after a rectification: back to the area, and a new one begins
    EXPECT_EQ(ss.app.s.raddrCount, 0);
    EXPECT_EQ(ss.w.text(Ctl::RADDRIZZA), "Raddrizza");
    return true;
}

/// A few commands after the lines, each only while its control can be used: the centre moved
/// by a click (also onto a vanishing point's vertical), an area by two clicks (also empty,
/// outside or far larger than the picture), the last line taken back and marked again, the
/// output step, the grid, and the rectification, perhaps followed by another.
void someCommands(Session& ss, Dice& d, Tally& t) {
    // Rectifications cost the most: a few sessions compute up to two, the others only refuse.
    int rectifyBudget = d.chance(0.4) ? 2 : 0;
    State& s = ss.app.s;
    auto whole = [](double v) { return std::fabs(v) < 1e9 ? std::floor(v) : 0.0; };
    RecordingWindow& w = ss.w;
    const double pw = ss.width(), ph = ss.height();
    // A click in the picture, or (a drag's release beyond its edge) outside it: near, some tens
    // of pictures away (frames about the largest the rectification takes), or enormously far.
    auto anywhere = [&](double limit) {
        if (!d.chance(0.15)) return d.whole(0, limit);
        switch (d.integer(0, 2)) {
        case 0: return d.whole(-limit, 2 * limit);
        case 1: return d.whole(-40 * limit, 40 * limit);
        default: return d.enormous();
        }
    };
    for (int step = d.integer(0, 6); step > 0; --step) {
        const std::size_t before = w.messages.size(), ops = w.pic1.allOps.size();
        const int command = d.integer(0, 7);
        SCOPED_TRACE("command " + std::to_string(command) + ", " + std::to_string(step) + " to go");
        switch (command) {
        case 0:   // the centre: the button, then a click
            if (!w.enabled(Ctl::CENTRO)) break;
            CENTRO_Click(ss.app);
            ss.expectBuiltOrRefused(before, t);
            if (::testing::Test::HasFatalFailure()) return;
            {
                const std::size_t picked = w.messages.size();
                double x = anywhere(pw), y = anywhere(ph);
                // On a vanishing point's vertical (or horizontal), where a click can reach it.
                auto near = [](double v, double other) { return std::fabs(v) < 1e9 ? std::floor(v) : other; };
                if (d.chance(0.3)) x = near(d.chance(0.5) ? s.fuvx : s.fuox, x);
                if (d.chance(0.1)) y = near(d.chance(0.5) ? s.fuvy : s.fuoy, y);
                ss.click(x, y);
                ss.expectBuiltOrRefused(picked, t);
            }
            break;
        case 1:   // the centre exactly on a vanishing point's vertical or horizontal, or on it
            if (!w.enabled(Ctl::centro1) || !std::isfinite(s.fuvx)) break;
            switch (d.integer(0, 3)) {
            case 0: s.centreX = s.fuvx; break;
            case 1: s.centreX = s.fuox; break;
            case 2: s.centreY = s.fuvy; break;
            default: s.centreX = s.fuvx, s.centreY = s.fuvy; break;
            }
            FUGHE(ss.app);
            ss.expectBuiltOrRefused(before, t);
            break;
        case 2: {   // an area by two clicks
            if (!w.enabled(Ctl::RETTANG) && !w.enabled(Ctl::area)) break;
            RETTANG3(ss.app);
            const double x1 = anywhere(pw), y1 = anywhere(ph);
            double x2 = anywhere(pw), y2 = anywhere(ph);
            if (d.chance(0.15)) x2 = x1;
            if (d.chance(0.15)) y2 = y1;
            ss.click(x1, y1);
            EXPECT_EQ(w.messages.size(), before);
            Picture1_MouseMove(ss.app, 1, 0, static_cast<float>(x2), static_cast<float>(y1));   // the band
            ss.click(x2, y2);
            ss.expectBuiltOrRefused(before, t);
            // A new area is often rectified at once (an empty one is refused).
            if (d.chance(0.6) && rectifyIfQuick(ss, t, rectifyBudget) && !anotherRectification(ss, d)) return;
            break;
        }
        case 3:   // the last line taken back and marked again: the same, a pixel off, parallel to
                  // its partner, or anywhere
            if (!w.enabled(Ctl::cancella) || s.raddrCount != 0 || s.lineCount != 4) break;
            CANC2(ss.app);
            {
                const double* third = s.lineEnds[3];
                std::array<double, 4> e{whole(s.lineEnds[4][1]), whole(s.lineEnds[4][2]), whole(s.lineEnds[4][3]),
                                        whole(s.lineEnds[4][4])};
                switch (d.integer(0, 3)) {
                case 0: break;
                case 1: e[2] += 1; break;
                case 2: {
                    const double tx = d.whole(-pw / 2, pw / 2);
                    e = {whole(third[1]) + tx, whole(third[2]), whole(third[3]) + tx, whole(third[4])};
                    break;
                }
                default: e = {d.whole(0, pw), d.whole(0, ph), d.whole(0, pw), d.whole(0, ph)}; break;
                }
                ss.markLine(e[0], e[1], e[2], e[3]);
            }
            EXPECT_EQ(s.lineCount, 4);
            ss.expectBuiltOrRefused(before, t);
            break;
        case 4:   // the output step
            if (!w.visible(Ctl::GRANDEZZA)) break;
            for (int k = d.integer(1, 12); k > 0; --k) {
                const std::size_t pressed = w.messages.size();
                if (d.chance(0.6))
                    GRANDEZZA_SpinUp(ss.app);
                else
                    GRANDEZZA_SpinDown(ss.app);
                EXPECT_TRUE(s.pixelStep >= 1.0 && s.pixelStep < 1.95) << s.pixelStep;
                ss.expectBuiltOrRefused(pressed, t);
                if (::testing::Test::HasFatalFailure()) return;
            }
            break;
        case 5:   // the grid
            if (!w.enabled(Ctl::GRIGLIA) && !w.enabled(Ctl::griglia2)) break;
            griglia1(ss.app);
            EXPECT_EQ(w.messages.size(), before);
            ++t.grids;
            break;
        default:
            if (rectifyIfQuick(ss, t, rectifyBudget) && !anotherRectification(ss, d)) return;
            break;
        }
        ss.expectFiniteMarks(ops);
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(RobustnessHandlers, randomLinesCentresAreasAndStepsByTheMouse) {
    constexpr std::uint64_t salt = 5;
    Workspace ws;
    Tally t;
    const Iterations run = iterations(4000);
    for (std::uint64_t it = run.first; it < run.last && !::testing::Test::HasFailure(); ++it) {
        SCOPED_TRACE(trace(salt, it));
        Dice d(salt, it);
        Session ss(ws, d.chance(0.75) ? ws.small() : ws.medium());
        ASSERT_GT(ss.width(), 0);
        markLines(ss, randomLines(d, ss.width(), ss.height(), true), true, t);
        if (!::testing::Test::HasFailure()) someCommands(ss, d, t);
    }
    t.print("by the mouse");
    if (run.whole && !::testing::Test::HasFailure()) {   // the run reached every outcome
        EXPECT_GT(t.built, run.atLeast(0.5));
        EXPECT_GT(t.refused, run.atLeast(0.5));
        EXPECT_GT(t.parallel, run.atLeast(0.25));
        EXPECT_GT(t.grids, run.atLeast(0.03));
        EXPECT_GT(t.rectified, run.atLeast(0.02));
        EXPECT_GT(t.tooLarge, run.atLeast(0.002));
        EXPECT_GT(t.tooSmall, run.atLeast(0.002));
    }
}

TEST(RobustnessHandlers, extremeLinesWrittenIntoTheState) {
    constexpr std::uint64_t salt = 6;
    Workspace ws;
    Tally t;
    const Iterations run = iterations(2000);
    for (std::uint64_t it = run.first; it < run.last && !::testing::Test::HasFailure(); ++it) {
        SCOPED_TRACE(trace(salt, it));
        Dice d(salt, it);
        Session ss(ws, d.chance(0.75) ? ws.small() : ws.medium());
        ASSERT_GT(ss.width(), 0);
        const Lines l = d.chance(0.7) ? extremeLines(d, ss.width(), ss.height())
                                      : randomLines(d, ss.width(), ss.height(), false);
        markLines(ss, l, false, t);
        if (!::testing::Test::HasFailure()) someCommands(ss, d, t);
    }
    t.print("written into the state");
    if (run.whole && !::testing::Test::HasFailure()) {   // the run reached every outcome
        EXPECT_GT(t.built, run.atLeast(0.5));
        EXPECT_GT(t.refused, run.atLeast(1));
        EXPECT_GT(t.parallel, run.atLeast(0.05));
        EXPECT_GT(t.rectified, run.atLeast(0.01));
        EXPECT_GT(t.tooLarge, run.atLeast(0.01));
        EXPECT_GT(t.tooSmall, run.atLeast(0.005));
    }
}

}  // namespace
}  // namespace velta
