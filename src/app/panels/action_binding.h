#pragma once
// A check box bound to a two-state action: clicking the box executes the action (trigger), and
// the box always shows the action's checked and enabled state, whoever changed it. The binding
// lives as long as the box; an action destroyed first simply unbinds it. User-interface thread.

class QAction;
class QCheckBox;

namespace sp {

void bindCheckBoxToAction(QCheckBox& box, QAction& action);

} // namespace sp

class QToolButton;

namespace sp {

// A tool button showing `action` (QToolButton::setDefaultAction) that is also hidden while the
// action is invisible, which the button alone does not do.
void showActionOnButton(QToolButton& button, QAction& action);

} // namespace sp
