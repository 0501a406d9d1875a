#pragma once
// The action classes: every command of the main window is a TSuperAction (one state) or a
// TtoggleAction (two states, with a caption, hint, image and handler per state) over QAction.
//
// Three ways in:
// - Qt's trigger (menu item, tool button, keyboard shortcut) and the shortcuts window call
//   Execute(): enabled check, ArgumentList cleared, the prepare handler, then the handler.
// - The script engine fills ArgumentList itself and calls RunHandler() (no preparation).
// - The main window calls Execute() or SetChecked() directly.
//
// Handlers are std::function members assigned by the owner (see TActionList in action_table.h
// for binding by name). An action without a handler does nothing and Execute() reports false.
// Enabled() is the action's own flag: unlike QAction::isEnabled() it does not follow Visible.
//
// User-interface thread only. The actions belong to their QObject parent (the action list).

#include "settings/shortcuts.h"

#include <QAction>
#include <QStringList>

#include <functional>

namespace sp {

class TCustomSuperAction;

// A notification: `sender` is the action for an interactive run, the script runner for a
// scripted one.
using TNotifyEvent = std::function<void(QObject* sender)>;
// Called after the image index really changed; the owner maps the index to its image list.
using TImageChangedEvent = std::function<void(TCustomSuperAction& action, int imageIndex)>;

// Program-wide state shared by all actions and the script engine (user-interface thread only).
// The arguments of the command being run; item 0 is the argument.
extern QStringList ArgumentList;
// Cleared by a prepare handler to cancel the interactive run.
extern bool PrepareOk;
// Held by long commands (opening a file, going to a position, the intervalometer); a script
// runner does not start its next command before it is clear.
extern bool CommandBusy;

class TCustomSuperAction : public QAction {
    Q_OBJECT
public:
    explicit TCustomSuperAction(QObject* parent = nullptr);

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    // Shown as tooltip and status text.
    QString Hint() const { return hint_; }
    void SetHint(const QString& hint);

    // The primary shortcut word, scNone by default.
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut shortCut);
    // Further shortcuts as texts ("Ctrl+G"); texts that name no key are kept but bind nothing.
    QStringList SecondaryShortcuts() const { return secondary_; }
    void SetSecondaryShortcuts(const QStringList& texts);
    void AddSecondaryShortcut(const QString& text);
    // Binds the primary and secondary shortcuts to the keys again, after a window took them
    // away for a while.
    void ApplyShortcuts();

    bool Visible() const { return QAction::isVisible(); }
    void SetVisible(bool visible) { QAction::setVisible(visible); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    // Script names, stored lower-cased whatever case is assigned.
    QString Switch() const { return switch_; }
    void SetSwitch(const QString& text);
    QString Token() const { return token_; }
    void SetToken(const QString& text);
    QString Category() const { return category_; }
    void SetCategory(const QString& category) { category_ = category; }

    int imageindex() const { return imageIndex_; }
    // Sets the index and, only when it changed, calls OnImageChanged.
    void Setimageindex(int index);

    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool autoCheck) { autoCheck_ = autoCheck; }
    bool Checked() const { return QAction::isChecked(); }
    // Sets the checked flag (menus and buttons bound to the action follow). A toggle also
    // installs the captions, hint, image and handler of the new state.
    virtual void SetChecked(bool checked);

    // The interactive run. False, doing nothing, when the action is disabled; true when the
    // prepare handler cancelled it (no handler runs); else what RunHandler reports.
    virtual bool Execute();
    // The execution proper: for an enabled action, flips the checked flag when AutoCheck is set
    // (without touching captions or handler), then calls the current handler with `sender`.
    // False when the action is disabled or no handler is attached.
    bool RunHandler(QObject* sender);
    // Whether a handler is attached for the current state.
    virtual bool HasHandler() const = 0;

    TNotifyEvent Onprepare;
    TImageChangedEvent OnImageChanged;

protected:
    // Calls the current handler; only called when HasHandler().
    virtual void CallHandler(QObject* sender) = 0;

private:
    void Triggered();

    QString hint_;
    TShortCut shortCut_ = scNone;
    QStringList secondary_;
    bool enabled_ = true;
    QString switch_;
    QString token_;
    QString category_;
    int imageIndex_ = -1;
    bool autoCheck_ = false;
};

class TSuperAction : public TCustomSuperAction {
    Q_OBJECT
public:
    using TCustomSuperAction::TCustomSuperAction;

    bool HasHandler() const override { return bool(Onexecute); }

    TNotifyEvent Onexecute;

protected:
    void CallHandler(QObject* sender) override;
};

// Two states. Executing it while unchecked runs OnfalseExecute (which turns the feature on),
// while checked OnTrueExecute (which turns it off); the handlers set Checked themselves. Until
// its first SetChecked the action keeps the caption and hint it was given and runs the
// unchecked-state handler.
class TtoggleAction : public TCustomSuperAction {
    Q_OBJECT
public:
    using TCustomSuperAction::TCustomSuperAction;

    // Re-installs the state of Checked (an auto-check flip changed only the flag), then runs.
    bool Execute() override;
    void SetChecked(bool checked) override;
    bool HasHandler() const override { return bool(InstalledHandler()); }

    QString TrueCaption;
    QString FalseCaption;
    int TrueImageIndex = -1;
    int FalseImageIndex = -1;
    QString TrueHint;
    QString FalseHint;
    TNotifyEvent OnTrueExecute;
    TNotifyEvent OnfalseExecute;

protected:
    void CallHandler(QObject* sender) override;

private:
    const TNotifyEvent& InstalledHandler() const {
        return trueHandlerInstalled_ ? OnTrueExecute : OnfalseExecute;
    }

    bool trueHandlerInstalled_ = false;
};

} // namespace sp
