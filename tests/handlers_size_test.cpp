// The output step through the recording window: the spin button GRANDEZZA, its display in Text3
// and the size of the rectified image that follows it.
#include <cmath>
#include <string>

#include "testutils.h"
#include "text/numtext.h"

using namespace velta;
using velta::testing::HandlerTest;

namespace {

class HandlersSize : public HandlerTest {
protected:
    void SetUp() override {
        app.decimalSep = ',';
        openFacadeWithLines();
        ASSERT_TRUE(app.s.constructionValid);
    }

    // Blanks what the construction writes, so that a press shows whether it ran again.
    void forgetConstruction() {
        w.setText(Ctl::tfuox, "");
        w.setText(text6(4), "");
    }

    bool constructionRan() const { return !w.text(Ctl::tfuox).empty() && !w.text(text6(4)).empty(); }
};

TEST_F(HandlersSize, showsTheStepInTheLocaleFormAndStopsAt1Point9) {
    EXPECT_EQ(w.text(Ctl::Text3), "1");
    EXPECT_TRUE(w.visible(Ctl::GRANDEZZA));
    EXPECT_TRUE(w.visible(Ctl::Text3));
    const char* const shown[] = {"1,1", "1,2", "1,3", "1,4", "1,5", "1,6", "1,7", "1,8", "1,9"};
    for (const char* text : shown) {
        forgetConstruction();
        GRANDEZZA_SpinUp(app);
        EXPECT_EQ(w.text(Ctl::Text3), text);
        EXPECT_TRUE(constructionRan()) << text;
    }
    // Repeated additions of 0.1 carry their rounding.
    EXPECT_EQ(app.s.pixelStep, 1.9000000000000008);

    // The tenth press would pass 2.0: the step becomes exactly 1.9, and the construction still runs.
    forgetConstruction();
    GRANDEZZA_SpinUp(app);
    EXPECT_EQ(app.s.pixelStep, 1.9);
    EXPECT_EQ(w.text(Ctl::Text3), "1,9");
    EXPECT_TRUE(constructionRan());
    GRANDEZZA_SpinUp(app);
    EXPECT_EQ(app.s.pixelStep, 1.9);
}

TEST_F(HandlersSize, stepsDownToExactly1AndNoFurther) {
    GRANDEZZA_SpinUp(app);
    ASSERT_EQ(app.s.pixelStep, 1.1);
    GRANDEZZA_SpinDown(app);
    EXPECT_EQ(app.s.pixelStep, 1.0);
    EXPECT_EQ(w.text(Ctl::Text3), "1");

    // Down at 1.0: the value stays, and the construction is recomputed all the same.
    forgetConstruction();
    GRANDEZZA_SpinDown(app);
    EXPECT_EQ(app.s.pixelStep, 1.0);
    EXPECT_EQ(w.text(Ctl::Text3), "1");
    EXPECT_TRUE(constructionRan());

    // From the top, nine presses down come back to 1.
    for (int n = 0; n < 9; ++n) GRANDEZZA_SpinUp(app);
    for (int n = 0; n < 9; ++n) GRANDEZZA_SpinDown(app);
    EXPECT_EQ(app.s.pixelStep, 1.0);
    EXPECT_EQ(w.text(Ctl::Text3), "1");
}

TEST_F(HandlersSize, theRectifiedImageShrinksWithTheStep) {
    const double width = app.s.frame.rectWidth, height = app.s.frame.rectHeight;
    for (int n = 0; n < 5; ++n) GRANDEZZA_SpinUp(app);
    ASSERT_EQ(app.s.pixelStep, 1.5000000000000004);
    // The edge lengths are divided by the step (each size is a whole number).
    EXPECT_NEAR(app.s.frame.rectWidth, width / 1.5, 1.0);
    EXPECT_NEAR(app.s.frame.rectHeight, height / 1.5, 1.0);
    EXPECT_EQ(app.s.frame.rectWidth, std::floor(app.s.frame.rectWidth));
    EXPECT_EQ(w.text(Ctl::tfuox), text::wholeNumberText(app.s.frame.rectWidth) + " x");

    // And the next rectification has that size.
    RADDR1(app);
    EXPECT_EQ(w.pic2.pictureWidth(), static_cast<int>(app.s.frame.rectWidth));
    EXPECT_EQ(w.pic2.pictureHeight(), static_cast<int>(app.s.frame.rectHeight));
    // The step survives the rectification.
    EXPECT_EQ(w.text(Ctl::Text3), "1,5");
    EXPECT_TRUE(w.visible(Ctl::Text3));
}

}  // namespace
