#include "app/panels/action_binding.h"

#include <QAction>
#include <QCheckBox>
#include <QSignalBlocker>

namespace sp {

namespace {

void showActionState(QCheckBox& box, const QAction& action) {
    const QSignalBlocker quiet(box);
    box.setChecked(action.isChecked());
    box.setEnabled(action.isEnabled());
}

} // namespace

void bindCheckBoxToAction(QCheckBox& box, QAction& action) {
    showActionState(box, action);
    // The action decides the state: undo the click's own toggle, then execute the action.
    QObject::connect(&box, &QCheckBox::clicked, &action, [&box, &action] {
        showActionState(box, action);
        action.trigger();
        showActionState(box, action);
    });
    QObject::connect(&action, &QAction::changed, &box,
                     [&box, &action] { showActionState(box, action); });
}

} // namespace sp

#include <QToolButton>

namespace sp {

void showActionOnButton(QToolButton& button, QAction& action) {
    button.setDefaultAction(&action);
    button.setVisible(action.isVisible());
    QObject::connect(&action, &QAction::changed, &button,
                     [&button, &action] { button.setVisible(action.isVisible()); });
}

} // namespace sp
