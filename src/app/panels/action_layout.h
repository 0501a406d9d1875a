#pragma once
// Where the actions appear: the tool bar's order with its four group breaks, the navigation
// bar's nine buttons, and the video window's pop-up menu. The orders are data (action names);
// the builders look each name up through `find`, which the controller supplies over its action
// list. A name `find` does not know is left out (a separator is still placed). User-interface
// thread only.

#include <QList>
#include <QString>

#include <array>
#include <functional>
#include <span>
#include <string_view>

class QAction;
class QMenu;

namespace sp {

using ActionLookup = std::function<QAction*(const QString& name)>;

// Names in tool-bar order; an empty name is a separator between two groups.
std::span<const std::string_view> toolBarOrder();
// The nine navigation buttons, from the left.
std::span<const std::string_view> navigationOrder();
// The pop-up menu of the video window: "-" a separator, ">" + title opens a sub-menu, "<" ends it.
std::span<const std::string_view> videoMenuOrder();

// The tool-bar items for TToolBar::setItems (null = separator).
QList<QAction*> toolBarItems(const ActionLookup& find);
// The navigation bar's actions for Tnav_fileframe::setActions (null where not found).
std::array<QAction*, 9> navigationActions(const ActionLookup& find);
// Appends the pop-up menu's items to `menu`; sub-menus become children of `menu`.
void fillVideoMenu(QMenu& menu, const ActionLookup& find);

} // namespace sp
