// Snapping marked lines on the two sample façades: the construction from snapped clicks against
// the one from the clicks as they fall, the entry's state, and what the log and the bars make of it.
#include <gtest/gtest.h>

#include <cmath>

#include "input/construction.h"
#include "input/dispatch.h"
#include "measure/error_bars.h"
#include "sample/colour.h"
#include "sample/layout.h"
#include "testutils.h"

using namespace velta;
using velta::testing::FakeIO;
using velta::testing::HandlerTest;
using velta::testing::writeFile;

namespace {

class HandlersSnap : public HandlerTest {
protected:
    HandlersSnap() { app.io = &io; }

    // How far the façade's width to height, as the construction standing rectifies its corners,
    // is from the truth (relative).
    double aspectError(const sample::Quad& q) {
        EXPECT_TRUE(app.s.constructionValid);
        auto at = [&](sample::ImagePoint p) {
            const auto r = measure::rectifiedPointOf(app.s.frame, vanishingPoints(app.s), p.x, p.y);
            EXPECT_TRUE(r.has_value());
            return r.value_or(geom::Point{});
        };
        const geom::Point tl = at(q.topLeft), tr = at(q.topRight), bl = at(q.bottomLeft), br = at(q.bottomRight);
        auto dist = [](geom::Point a, geom::Point b) { return std::hypot(b.x - a.x, b.y - a.y); };
        const double width = (dist(tl, tr) + dist(bl, br)) / 2, height = (dist(tl, bl) + dist(tr, br)) / 2;
        return width / height / (sample::layout::widthM / sample::layout::heightM) - 1;
    }

    // The façade's aspect error with snapping off and on, from the same clicks.
    std::pair<double, double> aspectErrors(const std::string& path, const sample::Quad& q) {
        openImage(path);
        markFacadeEdges(q);
        const double off = aspectError(q);
        double clicked[6][6];
        std::copy(&app.s.lineEnds[0][0], &app.s.lineEnds[0][0] + 36, &clicked[0][0]);
        dispatch(app, Command::edgeSnapToggle);
        EXPECT_TRUE(w.checked(Ctl::aggancio));
        openImage(path);
        markFacadeEdges(q);
        for (int n = 1; n <= 4; ++n) EXPECT_TRUE(app.s.lineSnaps[n].snapped) << "line " << n;
        const double on = aspectError(q);
        // The snapped lines are drawn where they were found, not where they were clicked.
        EXPECT_NE(clicked[1][2], app.s.lineEnds[1][2]);
        dispatch(app, Command::edgeSnapToggle);
        return {off, on};
    }

    FakeIO io;
};

}  // namespace

TEST_F(HandlersSnap, snappedEdgesGiveBothSampleFacadesTheirTrueProportions) {
    // The 256-colour sample.
    const std::string bitmap = (dir / "facciata.bmp").string();
    writeFile(bitmap, sample::facadeBitmap());
    const auto [plainOff, plainOn] = aspectErrors(bitmap, sample::facadeGeometry().facade);
    std::printf("[ snapping ] 256-colour sample: width / height off by %.4f %% clicked, %.4f %% snapped\n",
                100 * plainOff, 100 * plainOn);
    EXPECT_LT(std::fabs(plainOn), 0.0005);
    EXPECT_LT(3 * std::fabs(plainOn), std::fabs(plainOff));

    // The colour façade at two sizes, with noise.
    for (const int height : {800, 2000}) {
        const sample::Camera cam = sample::colourCamera(height * 3 / 2, height);
        io.picture = sample::renderColourFacade(cam);
        velta::testing::addNoise(io.picture, 3, 3);
        const std::string photo = (dir / "foto.jpg").string();
        writeFile(photo, {'n', 'o'});   // the plain reader refuses it; the picture comes from io
        const auto [off, on] = aspectErrors(photo, sample::facadeGeometryFor(cam).facade);
        std::printf("[ snapping ] colour façade %d px high: width / height off by %.4f %% clicked, %.4f %% snapped\n",
                    height, 100 * off, 100 * on);
        EXPECT_LT(std::fabs(on), 0.0005);
        EXPECT_LT(3 * std::fabs(on), std::fabs(off));
    }
}

TEST_F(HandlersSnap, aLineThatFindsNoEdgeKeepsItsClicksAndTheLogAndBarsSayWhatEachLineIs) {
    const sample::Camera cam = sample::colourCamera(1200, 800);
    io.picture = sample::renderColourFacade(cam);
    const std::string photo = (dir / "foto.jpg").string();
    writeFile(photo, {'n', 'o'});
    openImage(photo);
    EXPECT_TRUE(w.enabled(Ctl::aggancio));
    dispatch(app, Command::edgeSnapToggle);
    const sample::Quad q = sample::facadeGeometryFor(cam).facade;
    markFacadeEdges(q);
    // The last line again, across the sky above the façade: no edge there, and no box either.
    const std::size_t boxes = w.messages.size();
    CANC2(app);
    markLine(300, 20, 900, 25);
    EXPECT_EQ(w.messages.size(), boxes);
    EXPECT_FALSE(app.s.lineSnaps[4].snapped);
    EXPECT_TRUE(app.s.lineSnaps[4].tried);
    EXPECT_EQ(app.s.lineEnds[4][1], 300);
    EXPECT_EQ(app.s.lineEnds[4][4], 25);

    CANC2(app);
    markLine(static_cast<float>(std::floor(q.bottomRight.x)), static_cast<float>(std::floor(q.bottomRight.y)),
             static_cast<float>(std::floor(q.topRight.x)), static_cast<float>(std::floor(q.topRight.y)));
    ASSERT_TRUE(app.s.lineSnaps[4].snapped && app.s.constructionValid);
    noteLineSnaps(app);
    const std::string foot = measure::footText(app.log, ',');
    EXPECT_NE(foot.find("Aggancio ai bordi: retta 1 agganciata ai bordi, scarto 0,"), std::string::npos) << foot;

    // The bars of the snapped lines rest on their fits, far tighter than half a pixel per click.
    const std::vector<measure::Pair> pairs = {{0, 0, 500, 0}, {0, 0, 0, 300}};
    const auto fitted = measure::errorBars(app.s.lineEnds, orientationInputOf(app.s), pairs, 0, lineFitsOf(app.s));
    const auto clicked = measure::errorBars(app.s.lineEnds, orientationInputOf(app.s), pairs, 0);
    ASSERT_TRUE(fitted && clicked);
    // Lines known exactly leave only the pairs' own clicks in the bars.
    measure::LineFits exact = lineFitsOf(app.s);
    for (auto& f : exact) {
        if (f) f->sigmaOffset = f->sigmaAngle = 0;
    }
    const auto own = measure::errorBars(app.s.lineEnds, orientationInputOf(app.s), pairs, 0, exact);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->aspect, 0);
    EXPECT_GT(fitted->aspect, 0);
    EXPECT_LT(3 * fitted->aspect, clicked->aspect);
    EXPECT_GT(fitted->pairs[1], own->pairs[1]);
    EXPECT_LT(3 * (fitted->pairs[1] - own->pairs[1]), clicked->pairs[1] - own->pairs[1]);
}
