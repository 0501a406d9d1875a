#pragma once
// Records what the actions of a list are asked to do: every handler of every action is bound to
// a recorder that notes the call and, for two-state actions, leaves the state its handler stands
// for (the unchecked-state handler checks the action, the checked-state one unchecks it), as the
// main window's handlers do. Header only; needs the settings layer.

#include "settings/action_table.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace sptest {

struct RecordedCall {
    std::string what;      // "saGrab", or "taMute:on" / "taMute:off" for the two handlers
    QStringList arguments; // ArgumentList at the call
    QObject* sender;
    bool checkedAtCall; // the action's Checked when its handler began
};

class ActionRecorder {
public:
    // Binds every action of `list`.
    explicit ActionRecorder(sp::TActionList& list) {
        for (sp::TCustomSuperAction* action : list.Actions()) {
            const std::string name = action->objectName().toStdString();
            if (auto* toggle = qobject_cast<sp::TtoggleAction*>(action)) {
                toggle->OnfalseExecute = [this, toggle, name](QObject* sender) {
                    Note(name + ":on", *toggle, sender);
                    if (!readsFlag(name)) toggle->SetChecked(true);
                };
                toggle->OnTrueExecute = [this, toggle, name](QObject* sender) {
                    Note(name + ":off", *toggle, sender);
                    if (!readsFlag(name)) toggle->SetChecked(false);
                };
            } else if (auto* plain = qobject_cast<sp::TSuperAction*>(action)) {
                plain->Onexecute = [this, plain, name](QObject* sender) {
                    Note(name, *plain, sender);
                };
            }
        }
    }

    // Names of the calls, in order.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const RecordedCall& call : calls)
            names.push_back(call.what);
        return names;
    }

    // Toggles whose handlers read the checked flag instead of setting it, as the inlay style
    // actions do (filled before the test runs).
    std::vector<std::string> flagReaders;
    std::vector<RecordedCall> calls;

private:
    void Note(const std::string& what, sp::TCustomSuperAction& action, QObject* sender) {
        calls.push_back({what, sp::ArgumentList, sender, action.Checked()});
    }
    bool readsFlag(const std::string& name) const {
        for (const std::string& reader : flagReaders)
            if (reader == name) return true;
        return false;
    }
};

} // namespace sptest
