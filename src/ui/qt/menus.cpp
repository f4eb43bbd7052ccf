#include "ui/qt/menus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace velta::qt {

namespace {

struct Entry {
    Ctl ctl;
    Ctl menu;
    QKeyCombination key;   // Qt::Key_unknown: no shortcut
    bool checkable;
};

constexpr QKeyCombination none{Qt::Key_unknown};

const Entry entryTable[] = {
    {Ctl::open, Ctl::file, Qt::Key_F2, false},
    {Ctl::save, Ctl::file, Qt::Key_F3, false},
    {Ctl::esporta, Ctl::file, none, false},
    {Ctl::relazione, Ctl::file, none, false},
    {Ctl::exit, Ctl::file, Qt::Key_F4, false},
    {Ctl::canc, Ctl::edit, Qt::CTRL | Qt::Key_C, false},
    {Ctl::centro1, Ctl::edit, Qt::CTRL | Qt::Key_O, false},
    {Ctl::area, Ctl::edit, Qt::CTRL | Qt::Key_A, false},
    {Ctl::griglia2, Ctl::edit, Qt::CTRL | Qt::Key_G, false},
    {Ctl::parametri, Ctl::edit, Qt::CTRL | Qt::Key_P, false},
    {Ctl::frame_m, Ctl::edit, Qt::CTRL | Qt::Key_F, true},
    {Ctl::aggancio, Ctl::edit, Qt::CTRL | Qt::Key_B, true},
    {Ctl::start, Ctl::raddrizza1, Qt::Key_F6, false},
    {Ctl::altra, Ctl::raddrizza1, Qt::Key_F7, false},
    {Ctl::interpolazione, Ctl::raddrizza1, none, false},
    {Ctl::vicino, Ctl::interpolazione, none, true},
    {Ctl::bilineare, Ctl::interpolazione, none, true},
    {Ctl::bicubica, Ctl::interpolazione, none, true},
    {Ctl::misure, Ctl::raddrizza1, none, false},
    {Ctl::duepunti, Ctl::misura, none, false},
    {Ctl::print, Ctl::print1, Qt::Key_F5, false},
    {Ctl::help1, Ctl::help, Qt::Key_F1, false},
};

static_assert(std::size(entryTable) == Menus::entryCount, "Menus::entries() lists every entry");

// A submenu: an entry of a menu that holds entries of its own.
constexpr Ctl submenus[] = {Ctl::interpolazione};

bool isSubmenu(Ctl c) {
    for (Ctl m : submenus)
        if (m == c) return true;
    return false;
}

constexpr Ctl menuOrder[] = {Ctl::file, Ctl::edit, Ctl::raddrizza1, Ctl::misura, Ctl::print1, Ctl::help};

const Entry* find(Ctl c) {
    for (const Entry& e : entryTable)
        if (e.ctl == c) return &e;
    return nullptr;
}

bool isMenu(Ctl c) {
    for (Ctl m : menuOrder)
        if (m == c) return true;
    return isSubmenu(c);
}

std::size_t slot(Ctl c) { return static_cast<std::size_t>(c); }

}  // namespace

Menus::Menus(QMenuBar& bar) {
    for (Ctl m : menuOrder) {
        QMenu* menu = bar.addMenu(QString());
        menu->setObjectName(QString::fromLatin1(controlName(m)));
        QAction* menuAction = menu->menuAction();
        menuAction->setObjectName(QString::fromLatin1(controlName(m)));
        actions_[slot(m)] = menuAction;
        addEntries(*menu, m);
    }
}

void Menus::addEntries(QMenu& menu, Ctl m) {
    for (const Entry& e : entryTable) {
        if (e.menu != m) continue;
        if (isSubmenu(e.ctl)) {
            QMenu* sub = menu.addMenu(QString());
            sub->setObjectName(QString::fromLatin1(controlName(e.ctl)));
            sub->menuAction()->setObjectName(QString::fromLatin1(controlName(e.ctl)));
            actions_[slot(e.ctl)] = sub->menuAction();
            addEntries(*sub, e.ctl);
            continue;
        }
        QAction* a = menu.addAction(QString());
        a->setObjectName(QString::fromLatin1(controlName(e.ctl)));
        a->setShortcut(shortcutOf(e.ctl));
        a->setCheckable(e.checkable);
        actions_[slot(e.ctl)] = a;
    }
}

QAction* Menus::action(Ctl c) const { return c == Ctl::count ? nullptr : actions_[slot(c)]; }

std::optional<Ctl> Menus::menuOf(Ctl c) const {
    if (const Entry* e = find(c)) return e->menu;
    return std::nullopt;
}

QKeySequence Menus::shortcutOf(Ctl c) {
    const Entry* e = find(c);
    if (!e || e->key.key() == Qt::Key_unknown) return {};
    return QKeySequence(e->key);
}

const std::array<Ctl, Menus::entryCount>& Menus::entries() {
    static const std::array<Ctl, entryCount> all = [] {
        std::array<Ctl, entryCount> a{};
        std::size_t i = 0;
        for (const Entry& e : entryTable) a[i++] = e.ctl;
        return a;
    }();
    return all;
}

void Menus::apply(Ctl c, const Window& model) {
    if (!action(c)) return;
    applyOne(c, model);
    if (isMenu(c))
        for (const Entry& e : entryTable)
            if (e.menu == c) apply(e.ctl, model);
}

void Menus::applyOne(Ctl c, const Window& model) {
    QAction* a = action(c);
    const ControlState& s = model.control(c);
    a->setText(QString::fromStdString(s.text));
    a->setVisible(s.visible);
    if (a->isCheckable()) a->setChecked(s.checked);
    bool usable = s.enabled;
    // Usable only while every menu above it is.
    for (const Entry* e = find(c); e; e = find(e->menu))
        usable = usable && model.enabled(e->menu) && model.visible(e->menu);
    a->setEnabled(usable);
}

}  // namespace velta::qt
