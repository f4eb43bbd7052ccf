#include "input/phases.h"

#include <algorithm>
#include <array>

namespace velta {

namespace {

using Cell = PhaseCell;
constexpr std::int8_t yes = 1, no = 0, keep = PhaseCell::keep;

constexpr Cell on(Ctl c) { return {Cell::Target::Control, c, Pic::Picture1, yes, keep}; }
constexpr Cell off(Ctl c) { return {Cell::Target::Control, c, Pic::Picture1, no, keep}; }
constexpr Cell shown(Ctl c) { return {Cell::Target::Control, c, Pic::Picture1, keep, yes}; }
constexpr Cell hidden(Ctl c) { return {Cell::Target::Control, c, Pic::Picture1, keep, no}; }
constexpr Cell shownOn(Ctl c) { return {Cell::Target::Control, c, Pic::Picture1, yes, yes}; }
constexpr Cell shownOff(Ctl c) { return {Cell::Target::Control, c, Pic::Picture1, no, yes}; }
constexpr Cell caption(Ctl c, const char* text, std::int8_t enabled = keep, std::int8_t visible = keep) {
    return {Cell::Target::Control, c, Pic::Picture1, enabled, visible, text};
}
constexpr Cell tip(Ctl c, const char* text) {
    return {Cell::Target::Control, c, Pic::Picture1, keep, keep, nullptr, text};
}
constexpr Cell surface(Pic p, std::int8_t enabled, std::int8_t visible) {
    return {Cell::Target::Surface, Ctl::count, p, enabled, visible};
}

constexpr const char* source = "Immagine sorgente";
constexpr const char* rectifyTip = " Inizia l'operazione di raddrizzamento";

constexpr Cell startUp[] = {
    off(Ctl::raddrizza1), shown(Ctl::edit), off(Ctl::save), off(Ctl::print1), hidden(Ctl::misura),
    hidden(Ctl::zoo), off(Ctl::cancella), off(Ctl::CENTRO), off(Ctl::RADDRIZZA), off(Ctl::GRIGLIA),
    off(Ctl::RETTANG), hidden(Ctl::Text3), hidden(Ctl::Text4), hidden(Ctl::GRANDEZZA), off(Ctl::esporta),
    off(Ctl::relazione), on(Ctl::interpolazione), off(Ctl::aggancio),
    // No picture yet: the rectified view stays out of sight until a rectification.
    surface(Pic::Picture2, keep, no),
};

// A new image: nothing of the previous image's construction can be used on it, and no area can
// be marked before its lines.
constexpr Cell imageOpened[] = {
    tip(Ctl::tfuox, "Dimensione in X dell'immagine sorgente"), tip(Ctl::tfuoy, "Dimensione in Y dell'immagine sorgente"),
    caption(Ctl::Label4, source, keep, yes), off(Ctl::raddrizza1), shownOn(Ctl::edit), off(Ctl::area),
    off(Ctl::griglia2), on(Ctl::canc), off(Ctl::centro1), on(Ctl::save), on(Ctl::print1),
    caption(Ctl::cancella, "Canc."), caption(Ctl::Label1, source, keep, yes), shown(Ctl::zoo),
    shownOff(Ctl::CENTRO), shownOff(Ctl::RETTANG), shownOff(Ctl::GRIGLIA), hidden(Ctl::Text3),
    hidden(Ctl::GRANDEZZA), caption(Ctl::RADDRIZZA, "Raddrizza", no), off(Ctl::esporta), off(Ctl::relazione),
    on(Ctl::aggancio), surface(Pic::Picture2, keep, no), surface(Pic::Picture1, yes, yes),
};

constexpr Cell lineMarked[] = {on(Ctl::cancella)};

constexpr Cell linesMarked[] = {on(Ctl::CENTRO), off(Ctl::RETTANG), off(Ctl::GRIGLIA)};

// The output step is offered with the vanishing points, whether or not the lines meet.
constexpr Cell linesDoNotMeet[] = {
    tip(Ctl::RADDRIZZA, rectifyTip), shown(Ctl::GRANDEZZA), shown(Ctl::Text3), off(Ctl::CENTRO),
    off(Ctl::RADDRIZZA), off(Ctl::start), off(Ctl::GRIGLIA), off(Ctl::griglia2), off(Ctl::centro1), off(Ctl::area),
};

constexpr Cell vanishingPointsFound[] = {
    tip(Ctl::RADDRIZZA, rectifyTip), shown(Ctl::GRANDEZZA), shown(Ctl::Text3), on(Ctl::raddrizza1),
    on(Ctl::edit), on(Ctl::print1), on(Ctl::save), on(Ctl::start),
};

constexpr Cell orientationFound[] = {
    on(Ctl::raddrizza1), on(Ctl::area), on(Ctl::griglia2), on(Ctl::canc), on(Ctl::centro1), on(Ctl::save),
    on(Ctl::print1), on(Ctl::CENTRO), shownOn(Ctl::edit), on(Ctl::GRIGLIA), on(Ctl::RADDRIZZA),
    tip(Ctl::tfuox, "Dimensione in X dell'immagine raddrizzata"),
    tip(Ctl::tfuoy, "Dimensione in y dell'immagine raddrizzata"), on(Ctl::RETTANG), on(Ctl::start),
};

// The previous frame no longer matches the points and centre: nothing may use it.
constexpr Cell constructionRefused[] = {
    on(Ctl::raddrizza1), on(Ctl::area), off(Ctl::griglia2), on(Ctl::canc), on(Ctl::centro1), on(Ctl::save),
    on(Ctl::print1), on(Ctl::CENTRO), shownOn(Ctl::edit), off(Ctl::RADDRIZZA), off(Ctl::start), off(Ctl::GRIGLIA),
};

constexpr Cell rectificationRunning[] = {
    hidden(Ctl::RADDRIZZA), hidden(Ctl::RETTANG), hidden(Ctl::zoo), hidden(Ctl::CENTRO), hidden(Ctl::GRIGLIA),
    hidden(Ctl::Text3), hidden(Ctl::GRANDEZZA), shown(Ctl::Text4),
    tip(Ctl::tfuox, "Dimensione in X dell'immagine raddrizzata"),
    tip(Ctl::tfuoy, "Dimensione in Y dell'immagine raddrizzata"), surface(Pic::Picture1, no, keep),
};

// Commands that would replace or free what the running rectification reads or writes.
constexpr Cell commandsLocked[] = {
    off(Ctl::open), off(Ctl::save), off(Ctl::altra), off(Ctl::centro1), off(Ctl::area), off(Ctl::griglia2),
    off(Ctl::GRANDEZZA), off(Ctl::esporta), off(Ctl::relazione), off(Ctl::interpolazione), off(Ctl::aggancio),
};

constexpr Cell rectificationEnded[] = {
    on(Ctl::open), on(Ctl::save), on(Ctl::altra), on(Ctl::centro1), on(Ctl::area), on(Ctl::griglia2),
    on(Ctl::GRANDEZZA), on(Ctl::interpolazione),
};

constexpr Cell rectificationFailed[] = {
    surface(Pic::Picture1, yes, keep), off(Ctl::relazione), shown(Ctl::RADDRIZZA), shown(Ctl::RETTANG), shown(Ctl::zoo),
    shown(Ctl::CENTRO), shown(Ctl::GRIGLIA), shown(Ctl::Text3), shown(Ctl::GRANDEZZA), hidden(Ctl::Text4),
    on(Ctl::aggancio),
};

constexpr Cell rectifiedImageShown[] = {
    surface(Pic::Picture1, yes, keep), caption(Ctl::cancella, "Altra ?"), surface(Pic::Picture1, keep, no),
    surface(Pic::Picture2, keep, yes), shown(Ctl::zoo), caption(Ctl::Label1, "Immagine raddrizzata", keep, yes),
    on(Ctl::esporta), on(Ctl::relazione), off(Ctl::aggancio),
};

constexpr Cell measuringOffered[] = {
    hidden(Ctl::CENTRO), hidden(Ctl::RETTANG), hidden(Ctl::GRIGLIA), shown(Ctl::Text3), shown(Ctl::GRANDEZZA),
    hidden(Ctl::Text4), hidden(Ctl::misura), off(Ctl::start), on(Ctl::raddrizza1), on(Ctl::save),
    on(Ctl::print1), shown(Ctl::edit), off(Ctl::centro1), off(Ctl::canc), off(Ctl::area), off(Ctl::griglia2),
    off(Ctl::CENTRO), shown(Ctl::altra), caption(Ctl::RADDRIZZA, "Misura", yes, yes),
    tip(Ctl::RADDRIZZA, " Stabilisce una scala per le misurazioni dell'immagine"), shown(Ctl::zoo),
};

constexpr Cell cancelPressed[] = {off(Ctl::raddrizza1), on(Ctl::edit), off(Ctl::save), on(Ctl::print1)};

constexpr Cell backToSource[] = {
    on(Ctl::raddrizza1), on(Ctl::start), caption(Ctl::cancella, "Canc."), surface(Pic::Picture2, keep, no),
    surface(Pic::Picture1, keep, yes), caption(Ctl::Label1, source, keep, yes), shown(Ctl::zoo),
    shownOn(Ctl::CENTRO), shown(Ctl::RETTANG), shown(Ctl::GRIGLIA), shown(Ctl::Text3), shown(Ctl::GRANDEZZA),
    caption(Ctl::RADDRIZZA, "Raddrizza", yes), off(Ctl::esporta), on(Ctl::aggancio),
};

constexpr std::array<std::span<const Cell>, static_cast<std::size_t>(Phase::count)> table = {
    startUp, imageOpened, lineMarked, linesMarked, linesDoNotMeet, vanishingPointsFound, orientationFound,
    constructionRefused, rectificationRunning, commandsLocked, rectificationEnded, rectificationFailed, rectifiedImageShown,
    measuringOffered, cancelPressed, backToSource,
};

static_assert(std::ranges::none_of(table, [](std::span<const Cell> cells) { return cells.empty(); }),
              "every phase has its cells");

void apply(Window& w, const Cell& c) {
    if (c.target == Cell::Target::Surface) {
        Surface& s = w.picture(c.pic);
        if (c.enabled != keep) s.setEnabled(c.enabled == yes);
        if (c.visible != keep) s.setVisible(c.visible == yes);
        return;
    }
    if (c.caption) w.setText(c.ctl, c.caption);
    if (c.toolTip) w.setToolTip(c.ctl, c.toolTip);
    if (c.enabled != keep) w.setEnabled(c.ctl, c.enabled == yes);
    if (c.visible != keep) w.setVisible(c.ctl, c.visible == yes);
    if (c.checked != keep) w.setChecked(c.ctl, c.checked == yes);
}

}  // namespace

std::span<const PhaseCell> phaseCells(Phase p) { return table[static_cast<std::size_t>(p)]; }

void enterPhase(Window& w, Phase p) {
    for (const Cell& c : phaseCells(p)) apply(w, c);
}

}  // namespace velta
