// The print and help commands through the recording window.
#include <string>
#include <vector>

#include "testutils.h"

using namespace velta;
using velta::testing::HandlerTest;

namespace {

using HandlersPrintHelp = HandlerTest;

TEST_F(HandlersPrintHelp, printsOnceForAChosenPrinterAndNothingWhenCancelled) {
    openImage(makeBitmap(40, 30));
    w.printerAnswers = {false};
    printClick(app);
    EXPECT_EQ(w.printed, 0);
    w.printerAnswers = {true};
    printClick(app);
    EXPECT_EQ(w.printed, 1);
    // Printing leaves the work as it was.
    EXPECT_EQ(w.text(Ctl::domanda1), "Definire due rette orizz.");
    EXPECT_TRUE(w.messages.empty());
}

TEST_F(HandlersPrintHelp, helpOpensTheHelpDocument) {
    helpClick(app);
    EXPECT_EQ(w.helpShown, std::vector<std::string>{app.helpFile});
    // Available before any image, and the prompt stays.
    EXPECT_EQ(w.text(Ctl::domanda1), "Caricare un'immagine ");
    helpClick(app);
    EXPECT_EQ(w.helpShown.size(), 2u);
}

}  // namespace
