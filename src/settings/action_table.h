#pragma once
// The main window's 86 actions, and the four still-format actions after them, as one data
// table in list order, and the action list `al` built from it in one loop. The order matters:
// script lookup takes the first action whose switch or token matches.
//
// Usage (the main window owns the list and binds its handlers by action name):
//
//   sp::TActionList al(this);                                  // every row, as children of al
//   al.OnExecute("saGrab", [this](QObject*) { GrabCommand(); });
//   al.OnSwitch("taMute", [this](QObject*) { MuteOn(); },      // run while unchecked
//                         [this](QObject*) { MuteOff(); });    // run while checked
//   al.OnPrepare("saOpenFile", [this](QObject*) { AskForVideo(); });
//   al.OnImageChanged([this](sp::TCustomSuperAction& a, int i) { a.setIcon(Icon(i)); });
//   addActions(al.QActions());                                 // so the shortcuts work
//   sp::AssignStartupShortcuts(al);                            // first show, step "volume keys"
//   al.Plain("saGrab")->SetEnabled(false);  al.Toggle("taMute")->SetChecked(true);
//
// Binding a name that is not in the list (or of the other kind) throws std::invalid_argument,
// so a misspelt name fails the first test that builds the window. An action whose handler is
// not attached does nothing. User-interface thread only.

#include "settings/super_action.h"

#include <QAnyStringView>
#include <QHash>
#include <QObject>

#include <span>
#include <vector>

namespace sp {

enum class TActionKind : uint8_t {
    Plain,    // TSuperAction
    TwoState, // TtoggleAction
};

// One action of the table. Texts are UTF-8; "" means none.
struct TActionRow {
    const char* Name; // the component name, e.g. "saGrab"
    TActionKind Kind;
    const char* Category;
    const char* Caption;        // a toggle's caption while unchecked
    const char* CheckedCaption; // a toggle's caption while checked
    const char* ShortCut;       // the primary shortcut's text, e.g. "F5"
    const char* Secondary;      // one secondary shortcut's text
    const char* Switch;         // stored lower-cased
    const char* Token;          // stored lower-cased
    bool AutoCheck;
    const char* Hint;        // a toggle's hint while unchecked
    const char* CheckedHint; // a toggle's hint while checked
    const char* Argument;    // what a script gives the command, for the usage text
};

inline constexpr int kDescribedActionCount = 86;
// + png, webp, jxl, avif, grab_sharpest, filmstrip
inline constexpr int kActionCount = kDescribedActionCount + 6;
// The main window's actions in list order.
std::span<const TActionRow> ActionTable();

// Makes one action from a row, with `parent` as its owner.
TCustomSuperAction* MakeAction(const TActionRow& row, QObject* parent);

class TActionList : public QObject {
    Q_OBJECT
public:
    // Every row of ActionTable(), in order.
    explicit TActionList(QObject* parent = nullptr);
    // The given rows, in order (tests and small lists).
    TActionList(std::span<const TActionRow> rows, QObject* parent);

    int Count() const { return int(actions_.size()); }
    // List order; index must be below Count().
    TCustomSuperAction* Items(int index) const { return actions_.at(size_t(index)); }
    const std::vector<TCustomSuperAction*>& Actions() const { return actions_; }
    QList<QAction*> QActions() const;

    // By component name; null when there is none (of that kind).
    TCustomSuperAction* Find(QAnyStringView name) const;
    TSuperAction* Plain(QAnyStringView name) const;
    TtoggleAction* Toggle(QAnyStringView name) const;

    // Handlers by component name. Throw std::invalid_argument for an unknown name or, for
    // OnExecute and OnSwitch, an action of the other kind.
    void OnExecute(QAnyStringView name, TNotifyEvent handler);
    void OnSwitch(QAnyStringView name, TNotifyEvent uncheckedHandler, TNotifyEvent checkedHandler);
    void OnPrepare(QAnyStringView name, TNotifyEvent handler);
    // The same image handler on every action.
    void OnImageChanged(const TImageChangedEvent& handler);

    // Names of the actions that have no handler for either state, in list order.
    QStringList Unbound() const;

    // Appends an action (which becomes a child of the list); its name must be new.
    void Add(TCustomSuperAction* action);

private:
    TCustomSuperAction& Require(QAnyStringView name) const;

    std::vector<TCustomSuperAction*> actions_;
    QHash<QString, TCustomSuperAction*> byName_;
};

// Gives saIncVolume the primary shortcut "Num +" and the secondary "Alt+P", and saDecVolume the
// primary shortcut "Num -" (done once, when the main window is first shown).
void AssignStartupShortcuts(TActionList& list);

} // namespace sp
