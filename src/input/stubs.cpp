// Commands whose behaviour lands later: present, doing nothing yet.
#include "input/handlers.h"

namespace velta {

void formLoad(App&) {}
void formClick(App&) {}
void VALORIDEFAULT(App&) {}
void frameToggle(App&) {}
void exitClick(App&) {}
void openClick(App&) {}
void saveClick(App&) {}
void printClick(App&) {}
void helpClick(App&) {}
void PICTURE1_MouseDown(App&, int, int, float, float) {}
void Picture1_MouseMove(App&, int, int, float, float) {}
void Picture1_MouseUp(App&, int, int, float, float) {}
void FUGHE(App&) {}
void CERCHIONUOVO(App&) {}
void RETTANG3(App&) {}
void CENTRO_Click(App&) {}
void CENTRONUOVO(App&) {}
void griglia1(App&) {}
void CANC2(App&) {}
void ALTRA1(App&) {}
void RADDR1(App&) {}
void GRANDEZZA_SpinDown(App&) {}
void GRANDEZZA_SpinUp(App&) {}
void Picture2_MouseDown(App&, int, int, float, float) {}
void Picture2_MouseMove(App&, int, int, float, float) {}
void Picture2_DblClick(App&) {}
void duepuntiClick(App&) {}
void scrollChange(App&, ScrollId, int) {}

}  // namespace velta
