// Cancel (take back the last line, or stop and return to area marking after a rectification)
// and a new rectification of the same photograph.
#include "input/dispatch.h"
#include "input/handlers.h"
#include "input/phases.h"
#include "input/view.h"

namespace velta {

void CANC2(App& app) {
    State& s = app.s;
    Window& w = app.w;
    enterPhase(w, Phase::CancelPressed);
    if (s.raddrCount == 0) {
        switch (s.lineCount) {
        case 1: w.setText(Ctl::domanda1, "Definire la 1°retta orizz."); break;
        case 2: w.setText(Ctl::domanda1, "Definire la 2° retta orizz."); break;
        case 3: w.setText(Ctl::domanda1, "Definire la 1° retta vertic."); break;
        case 4: w.setText(Ctl::domanda1, "Definire la 2° retta vertic."); break;
        default: break;
        }
    }
    w.picture(Pic::Picture1).refresh();
    for (Ctl c : {Ctl::tfuox, Ctl::tfuoy, Ctl::tfuvx, Ctl::tfuvy}) w.setText(c, "");
    s.inputMode = 0;
    if (s.rectDone == 1) {
        s.lineCount = 4;
        s.inputMode = 1;
        s.stopRequest = 1;
        w.setText(Ctl::domanda1, w.text(Ctl::cancella) == "Canc." ? "Ho finito." : "Devi definire l'area di calcolo");
    } else {
        if (s.lineCount > 0 && s.lineCount <= 4) w.setText(text6(s.lineCount), "");
        // Repeated cancels keep counting down; the next press on the picture corrects it to 0.
        if (s.lineCount > -32768) --s.lineCount;
    }
    // Measuring had begun: back to the source image, unless the rows are still computed.
    if (w.text(Ctl::RADDRIZZA) == "Misura") dispatch(app, Command::ALTRA1);
    s.rectDone = 0;
}

void ALTRA1(App& app) {
    State& s = app.s;
    Window& w = app.w;
    enterPhase(w, Phase::BackToSource);
    w.picture(Pic::Picture1).setPosition(0, 0);
    s.raddrCount = 0;
    // A point pending on the rectified picture must not close an area on the source.
    s.pointPending = 0;
    s.bandFresh = 1;
    for (ScrollId id : {ScrollId::VScroll2, ScrollId::HScroll2}) {
        ScrollBarState sb = w.scroll(id);
        sb.visible = false;
        w.setScroll(id, sb);
    }
    // The picture is back at the unscrolled position, so its bars start at 0 too.
    for (ScrollId id : {ScrollId::VScroll1, ScrollId::HScroll1}) {
        ScrollBarState sb = w.scroll(id);
        sb.value = 0;
        w.setScroll(id, sb);
    }
    layoutSourceView(app);
}

}  // namespace velta
