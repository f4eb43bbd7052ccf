#include <gtest/gtest.h>

#include "ui/recording_window.h"

using namespace velta;

TEST(WindowModel, startsWithTheDesignTexts) {
    RecordingWindow w;
    EXPECT_EQ(w.title(), "VELTA 3.04");
    EXPECT_EQ(w.text(Ctl::domanda1), "Caricare un'immagine ");
    EXPECT_EQ(w.text(Ctl::Frame1), "COMANDI");
    EXPECT_EQ(w.text(text6(3)), "m3");
    EXPECT_FALSE(w.enabled(Ctl::parametri));
    EXPECT_FALSE(w.visible(Ctl::misura));
    EXPECT_TRUE(w.checked(Ctl::frame_m));
    EXPECT_STREQ(controlName(text6(2)), "Text6(2)");
}

TEST(WindowModel, paletteColoursUseTheBlueGreenRedForm) {
    EXPECT_EQ(paletteColor(12), Color{0x5555FF});   // light red: red in the low byte
    EXPECT_EQ(paletteColor(11), Color{0xFFFF55});   // light cyan
    EXPECT_NE(paletteColor(12), pureRed);           // told apart from the permanent marks
}
