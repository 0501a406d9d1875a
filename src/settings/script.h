#pragma once
// The script engine: turns a script file or the command line into a list of commands, each an
// action of the action list with an argument, and runs them one by one on the user-interface
// thread, feeding each its argument through ArgumentList, waiting while CommandBusy is held and
// stopping on Abort().
//
// Script line grammar (ParseLine): optional prefix "+" (switch on), "-" (switch off) or "/"
// (toggle); the command word, a switch or token of an action, up to the first "=" or blank; then
// the argument, the first word of the rest, in which a double-quoted stretch may hold blanks. A
// two-state action also takes "true", "false" or "toggle" as that word. A line matching no
// action is skipped silently; the word "quit" makes the run close the program at its end.
//
// Command-line grammar (ParseArgument): "+name=argument", "-name", "/name"...; the name runs up
// to the first "=", the argument is everything after it. A parameter without a prefix selects
// DefaultAction (none on the main window), so it is ignored.
//
// Scripts are untrusted input: files over kMaxScriptBytes or that cannot be read run nothing
// and say so on stderr, and runs nested deeper than kMaxRunDepth (a script running itself) stop
// with a message on stderr.
//
// Automatic check step: a scripted command runs like an interactive one, without preparation.
// The switch kind is applied (a two-state action without prefix or state word re-applies the
// state of Checked, as its Execute does); then an AutoCheck action's checked flag flips (without
// changing captions or handler) and only then its handler runs. So a toggle whose handlers set
// their own state (taMute) ends in the state its handler chose, and one whose handlers read the
// flag (taBold) alternates its two handlers run after run.
//
// User-interface thread only. The runner does not own the action list or the actions.

#include "settings/action_table.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace sp {

enum TSwitchKind : uint8_t {
    skOn = 0,     // "+", or "true" after a toggle's name: the switch-on handler runs
    skOff = 1,    // "-", or "false": the switch-off handler runs
    skToggle = 2, // "/", or "toggle": the current state's handler runs
    skNone = 3,   // no prefix: a toggle re-applies its current state, a plain action nothing
};

// One parsed command.
struct TActionEx {
    QPointer<TCustomSuperAction> Action;
    QString Argument;
    TSwitchKind SwitchKind = skNone;
};

// Larger script files are refused.
inline constexpr qint64 kMaxScriptBytes = 16 * 1024 * 1024;
// Runs nested deeper than this (on one runner) are refused.
inline constexpr int kMaxRunDepth = 8;

// The lines of a script file's bytes: UTF-16 (either byte order) or UTF-8 after their byte-order
// mark; without a mark UTF-8 when the bytes are valid UTF-8, else Latin-1. Lines end at CR, LF
// or CR LF.
QStringList ScriptLines(const QByteArray& bytes);

class TCustomScript : public QObject {
    Q_OBJECT
public:
    explicit TCustomScript(QObject* parent = nullptr);

    // Parses one script line; appends a command when an action is found.
    void ParseLine(QStringView text);
    // Parses one command-line parameter; appends a command when an action is found.
    void ParseArgument(QStringView text);
    // Replaces Commands with the lines of the file. False, leaving Commands as they were and
    // saying so on stderr, when the file cannot be read or is too large.
    bool LoadFile(const QString& path);
    // The action whose switch or token is `word` (without regard to case), the first in list
    // order; DefaultAction for an empty word; none for "quit", which sets QuitRequested.
    TCustomSuperAction* FindAction(QStringView word);

    // Runs Commands. A failure escaping from a handler ends the run and reaches the caller.
    void Run();
    void Abort() { Aborted = true; }
    // LoadFile, Run, then clears Commands. A file that cannot be read runs nothing and leaves
    // the commands of a run in progress alone.
    void RunFile(const QString& path);

    bool Executing() const { return depth_ > 0; }

    QPointer<TCustomSuperAction> DefaultAction;
    bool Aborted = false;
    TActionList* actionlist = nullptr;
    std::vector<TActionEx> Commands;
    // Set at parse time by "quit"; honoured (closing through OnQuit) and cleared when the
    // outermost run ends, also when it had no other command to run.
    bool QuitRequested = false;
    // The index of the command being run, -1 before the first. A handler may set it to make the
    // run continue after that index.
    int32_t Position = -1;
    // Closes the main window (its normal close path); sender = the runner.
    TNotifyEvent OnQuit;
    // Called by RunFile once the file's commands are read, before they run; sender = the runner.
    TNotifyEvent OnLoaded;

private:
    void RunCommand(const TActionEx& command);
    bool WaitWhileBusy(); // false when aborted meanwhile
    void EndRun();

    int depth_ = 0;
};

// Runs script files chosen by saScript.
class TScript : public TCustomScript {
    Q_OBJECT
public:
    using TCustomScript::TCustomScript;
};

// Runs the command line once, when the application first becomes active. Under the offscreen
// platform no window is ever activated, so the main window also calls Activate() itself after
// its first show; whichever comes first runs the command line, later calls only OnActivate.
class TSwitch : public TCustomScript {
    Q_OBJECT
public:
    // `arguments`: the parameters left after Qt removed its own, without the program name.
    // Also calls Activate() whenever the application becomes active.
    explicit TSwitch(const QStringList& arguments, QObject* parent = nullptr);

    // Parses every parameter, first to last, into Commands (cleared first).
    void ParseCommandLine();
    // The first time: OnActivate, ParseCommandLine, then Run when a command (or "quit") was
    // parsed, else OnNoCommandLine, then clears Commands. Later times: OnActivate only.
    void Activate();
    bool Activated() const { return activated_; }

    const QStringList Arguments;
    TNotifyEvent OnActivate;
    TNotifyEvent OnNoCommandLine;

private:
    bool activated_ = false;
};

// The handler of saWait: the user-interface thread sleeps for ArgumentList[0] milliseconds, not
// processing any event; an argument that is not a positive integer waits nothing.
void WaitHandler(QObject* sender);

} // namespace sp
