#include "ui/window.h"

#include <utility>

namespace velta {

namespace {

struct Design {
    Ctl ctl;
    const char* name;
    const char* text;
    const char* toolTip;
    bool enabled;
};

// Captions, texts and tooltips of the window design, and what is disabled at design time.
constexpr Design design[] = {
    {Ctl::file, "file", "&File", "", true},
    {Ctl::open, "open", "&Open File", "", true},
    {Ctl::save, "save", "&Save File", "", true},
    {Ctl::esporta, "esporta", "Esporta &immagine...", "", false},
    {Ctl::relazione, "relazione", "Esporta &relazione...", "", false},
    {Ctl::exit, "exit", "&Exit", "", true},
    {Ctl::edit, "edit", "&Edit", "", true},
    {Ctl::canc, "canc", "&Canc", "", false},
    {Ctl::centro1, "centro1", "&Centro Oo", "", false},
    {Ctl::area, "area", "&Area", "", false},
    {Ctl::griglia2, "griglia2", "&Griglia", "", false},
    {Ctl::parametri, "parametri", "&Parametri", "", false},
    {Ctl::frame_m, "frame_m", "&Frame", "", true},
    {Ctl::aggancio, "aggancio", "Aggancio ai &bordi", "", false},
    {Ctl::raddrizza1, "raddrizza1", "&Raddrizza", "", true},
    {Ctl::start, "start", "&Start", "", true},
    {Ctl::altra, "altra", "&Altra", "", true},
    {Ctl::interpolazione, "interpolazione", "&Interpolazione", "", true},
    {Ctl::vicino, "vicino", "&Pixel pi\xc3\xb9 vicino", "", true},
    {Ctl::bilineare, "bilineare", "&Bilineare", "", true},
    {Ctl::bicubica, "bicubica", "Bi&cubica", "", true},
    {Ctl::misure, "misure", "&Misure...", "", true},
    {Ctl::misura, "misura", "&Misura", "", true},
    {Ctl::duepunti, "duepunti", "&Definire due punti", "", true},
    {Ctl::print1, "print1", "&Print", "", true},
    {Ctl::print, "print", "&Print window", "", true},
    {Ctl::help, "help", "&?", "", true},
    {Ctl::help1, "help1", "&help", "", true},
    {Ctl::Frame1, "Frame1", "COMANDI", "", true},
    {Ctl::domanda1, "domanda1", "Caricare un'immagine ", "seguire le istruzioni", true},
    {Ctl::Label1, "Label1", "Label1", "", true},
    {Ctl::Label4, "Label4", "Immagine sorgente", "", true},
    {Ctl::zoo, "zoo", "Zoom", "visualizza l'immagine ingrandita o ridotta", true},
    {Ctl::RADDRIZZA, "RADDRIZZA", "Raddrizza", "opera il raddrizzamento", true},
    {Ctl::CENTRO, "CENTRO", "Centro", "riposiziona il centro dell'immagine", true},
    {Ctl::cancella, "cancella", "Canc.", "cancella l'ultima operazione", true},
    {Ctl::GRIGLIA, "GRIGLIA", "Griglia", "visualizza una griglia regolare in prospettiva", true},
    {Ctl::RETTANG, "RETTANG", "Area", "stabilisce un'area di calcolo", true},
    {Ctl::Text1, "Text1", "x.", "coordinate X", true},
    {Ctl::Text2, "Text2", "y.", "coordinate Y", true},
    {Ctl::Text3, "Text3", " ", "\xc3\xa8 possibile variare la grandeza dell'immagine raddrizzata", true},
    {Ctl::Text4, "Text4", " ", "", true},
    {Ctl::Label2, "Label2", "y.", "", true},
    {Ctl::Label3, "Label3", "x.", "", true},
    {Ctl::tfuox, "tfuox", "fuox", "Parametri di calcolo", true},
    {Ctl::tfuoy, "tfuoy", "fuoy", "Parametri di calcolo", true},
    {Ctl::tfuvx, "tfuvx", "fuvx", "Parametri di calcolo", true},
    {Ctl::tfuvy, "tfuvy", "fuvy", "Parametri di calcolo", true},
    {Ctl::Text6_1, "Text6(1)", "m1", "Parametri di calcolo", true},
    {Ctl::Text6_2, "Text6(2)", "m2", "Parametri di calcolo", true},
    {Ctl::Text6_3, "Text6(3)", "m3", "Parametri di calcolo", true},
    {Ctl::Text6_4, "Text6(4)", "m4", "Parametri di calcolo", true},
    {Ctl::GRANDEZZA, "GRANDEZZA", "", "", true},
};
static_assert(std::size(design) == controlCount, "every control has a design entry");

}  // namespace

Ctl text6(int n) { return static_cast<Ctl>(static_cast<int>(Ctl::Text6_1) + n - 1); }

const char* controlName(Ctl c) {
    for (const auto& d : design)
        if (d.ctl == c) return d.name;
    return "?";
}

Color paletteColor(int i) {
    // The 16-colour palette of the classic PC display, in 0x00BBGGRR form.
    static constexpr std::uint32_t palette[16] = {
        0x000000, 0xAA0000, 0x00AA00, 0xAAAA00, 0x0000AA, 0xAA00AA, 0x0055AA, 0xAAAAAA,
        0x555555, 0xFF5555, 0x55FF55, 0xFFFF55, 0x5555FF, 0xFF55FF, 0x55FFFF, 0xFFFFFF};
    return Color{palette[i & 15]};
}

Window::Window() {
    for (const auto& d : design) {
        auto& c = controls_[index(d.ctl)];
        c.text = d.text;
        c.toolTip = d.toolTip;
        c.enabled = d.enabled;
    }
    controls_[index(Ctl::misura)].visible = false;
    controls_[index(Ctl::frame_m)].checked = true;
    controls_[index(Ctl::bicubica)].checked = true;
    title_ = "VELTA 3.04";
}

void Window::setText(Ctl c, std::string t) {
    controls_[index(c)].text = std::move(t);
    controlChanged(c);
}
void Window::setToolTip(Ctl c, std::string t) {
    controls_[index(c)].toolTip = std::move(t);
    controlChanged(c);
}
void Window::setEnabled(Ctl c, bool e) {
    controls_[index(c)].enabled = e;
    controlChanged(c);
}
void Window::setVisible(Ctl c, bool v) {
    controls_[index(c)].visible = v;
    controlChanged(c);
}
void Window::setChecked(Ctl c, bool v) {
    controls_[index(c)].checked = v;
    controlChanged(c);
}
void Window::setTitle(std::string t) {
    title_ = std::move(t);
    titleChanged();
}
void Window::setScroll(ScrollId id, const ScrollBarState& s) {
    scrolls_[static_cast<std::size_t>(id)] = s;
    scrollChanged(id);
}

}  // namespace velta
