#pragma once
// The menu bar of the main window: the six menus in menu-bar order, their entries with their
// shortcuts, and the mirroring of the model's menu states onto the actions.

#include <QKeySequence>
#include <array>
#include <optional>

#include "ui/window.h"

class QAction;
class QMenu;
class QMenuBar;

namespace velta::qt {

class Menus {
public:
    /// Fills the menu bar with the menus and their entries (captions come later, from the model).
    explicit Menus(QMenuBar& bar);

    /// The action of a menu entry, or the menu action of a menu; null for any other control.
    QAction* action(Ctl c) const;
    /// The menu an entry belongs to; nothing for a menu or another control.
    std::optional<Ctl> menuOf(Ctl c) const;
    /// The keyboard shortcut of an entry (empty when it has none).
    static QKeySequence shortcutOf(Ctl c);
    /// How many entries the menus have (a submenu counts as one, and so does each of its entries).
    static constexpr std::size_t entryCount = 22;
    /// Every menu entry (not the menus themselves), in menu order.
    static const std::array<Ctl, entryCount>& entries();

    /// Mirrors the model's state of a menu or entry: caption, visibility, check mark and enabling.
    /// An entry is usable only while its menu is enabled and shown, so its shortcut is too;
    /// a change of a menu therefore updates its entries as well.
    void apply(Ctl c, const Window& model);

private:
    void addEntries(QMenu& menu, Ctl m);
    void applyOne(Ctl c, const Window& model);

    std::array<QAction*, controlCount> actions_{};
};

}  // namespace velta::qt
