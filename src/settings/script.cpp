#include "settings/script.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringDecoder>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <utility>

namespace sp {
namespace {

// Blanks as the script grammar sees them: spaces, tabs and every other control character.
bool IsBlank(QChar c) {
    return c.unicode() <= u' ';
}

QStringView TrimBlanks(QStringView text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.mid(first, last - first);
}

TSwitchKind PrefixKind(QChar c) {
    switch (c.unicode()) {
    case u'+':
        return skOn;
    case u'-':
        return skOff;
    case u'/':
        return skToggle;
    default:
        return skNone;
    }
}

// The first word of `rest` after trimming: up to the first blank, where a double quote opens a
// stretch in which blanks belong to the word and which ends the word at its closing quote.
QString FirstWord(QStringView rest) {
    rest = TrimBlanks(rest);
    QString word;
    bool quoted = false;
    for (QChar c : rest) {
        if (c == u'"') {
            if (quoted) break;
            quoted = true;
        } else if (IsBlank(c) && !quoted) {
            break;
        } else {
            word.append(c);
        }
    }
    return word;
}

TSwitchKind KindWord(const QString& word) {
    const QString lower = word.toLower();
    if (lower == u"true") return skOn;
    if (lower == u"false") return skOff;
    if (lower == u"toggle") return skToggle;
    return skNone;
}

QStringList SplitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.append(text.mid(start));
    return lines;
}

QString Decode(QStringConverter::Encoding encoding, QByteArrayView bytes, bool* failed = nullptr) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (failed) *failed = decoder.hasError();
    return text;
}

void SayOnStderr(const QString& message) {
    std::fprintf(stderr, "stillpick: %s\n", message.toLocal8Bit().constData());
}

// Runs `action` when the scope ends, also by an exception.
// While an exception unwinds, a failure of the action itself is swallowed.
template <typename F> class AtExit {
public:
    explicit AtExit(F action) : action_(std::move(action)) {}
    ~AtExit() noexcept(false) {
        if (std::uncaught_exceptions() == exceptions_) {
            action_();
            return;
        }
        try {
            action_();
        } catch (...) {
        }
    }
    AtExit(const AtExit&) = delete;
    AtExit& operator=(const AtExit&) = delete;

private:
    F action_;
    int exceptions_ = std::uncaught_exceptions();
};

} // namespace

QStringList ScriptLines(const QByteArray& bytes) {
    const QByteArrayView view(bytes);
    if (view.startsWith("\xFF\xFE"))
        return SplitLines(Decode(QStringConverter::Utf16LE, view.sliced(2)));
    if (view.startsWith("\xFE\xFF"))
        return SplitLines(Decode(QStringConverter::Utf16BE, view.sliced(2)));
    if (view.startsWith("\xEF\xBB\xBF"))
        return SplitLines(Decode(QStringConverter::Utf8, view.sliced(3)));
    bool invalid = false;
    const QString text = Decode(QStringConverter::Utf8, view, &invalid);
    return SplitLines(invalid ? QString::fromLatin1(view) : text);
}

TCustomScript::TCustomScript(QObject* parent) : QObject(parent) {}

TCustomSuperAction* TCustomScript::FindAction(QStringView word) {
    const QString lower = word.toString().toLower();
    if (!actionlist) return nullptr;
    if (lower.isEmpty()) return DefaultAction;
    if (lower == u"quit") {
        QuitRequested = true;
        return nullptr;
    }
    for (TCustomSuperAction* action : actionlist->Actions())
        if (action->Switch() == lower || action->Token() == lower) return action;
    return nullptr;
}

void TCustomScript::ParseLine(QStringView text) {
    QStringView line = TrimBlanks(text);
    if (line.isEmpty()) return;
    TSwitchKind kind = PrefixKind(line[0]);
    if (kind != skNone) line = line.mid(1);
    qsizetype end = 0;
    while (end < line.size() && line[end] != u'=' && !IsBlank(line[end]))
        ++end;
    const QStringView rest = end < line.size() ? line.mid(end + 1) : QStringView();
    TCustomSuperAction* action = FindAction(line.left(end));
    if (!action) return;
    const QString argument = FirstWord(rest);
    if (kind == skNone && qobject_cast<TtoggleAction*>(action)) kind = KindWord(argument);
    Commands.push_back({action, argument, kind});
}

void TCustomScript::ParseArgument(QStringView text) {
    const TSwitchKind kind = text.isEmpty() ? skNone : PrefixKind(text[0]);
    QStringView name;
    QStringView argument = text;
    if (kind != skNone) {
        const QStringView body = text.mid(1);
        const qsizetype equals = body.indexOf(u'=');
        name = equals < 0 ? body : body.left(equals);
        argument = equals < 0 ? QStringView() : body.mid(equals + 1);
    }
    if (TCustomSuperAction* action = FindAction(name))
        Commands.push_back({action, argument.toString(), kind});
}

bool TCustomScript::LoadFile(const QString& path) {
    const QFileInfo info(path);
    QFile file(path);
    if (!info.exists() || info.isDir()) {
        SayOnStderr(QStringLiteral("script %1 not run: no such file").arg(path));
        return false;
    }
    if (info.size() > kMaxScriptBytes) {
        SayOnStderr(QStringLiteral("script %1 not run: larger than %2 bytes")
                        .arg(path)
                        .arg(kMaxScriptBytes));
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        SayOnStderr(QStringLiteral("script %1 not run: %2").arg(path, file.errorString()));
        return false;
    }
    const QByteArray bytes = file.read(kMaxScriptBytes + 1);
    if (bytes.size() > kMaxScriptBytes) {
        SayOnStderr(QStringLiteral("script %1 not run: larger than %2 bytes")
                        .arg(path)
                        .arg(kMaxScriptBytes));
        return false;
    }
    Commands.clear();
    for (const QString& line : ScriptLines(bytes))
        ParseLine(line);
    return true;
}

void TCustomScript::Run() {
    CommandBusy = false;
    Aborted = false;
    if (Commands.empty()) {
        // Nothing to run, but a "quit" is still honoured: a script or a command line that asks
        // for it never leaves the program open (offscreen, waiting for no one).
        if (depth_ == 0 && std::exchange(QuitRequested, false) && OnQuit) OnQuit(this);
        return;
    }
    if (depth_ >= kMaxRunDepth) {
        SayOnStderr(
            QStringLiteral("commands not run: scripts nested deeper than %1").arg(kMaxRunDepth));
        return;
    }
    ++depth_;
    Position = -1;
    AtExit end([this] { EndRun(); });
    while (Position < int32_t(Commands.size()) - 1) {
        if (Position < -1) Position = -1;
        ++Position;
        if (Aborted) break;
        const TActionEx command = Commands[size_t(Position)]; // a handler may replace Commands
        PrepareOk = true;
        if (QCoreApplication::instance()) QCoreApplication::processEvents();
        RunCommand(command);
        if (!WaitWhileBusy()) break;
    }
}

void TCustomScript::RunCommand(const TActionEx& command) {
    TCustomSuperAction* action = command.Action;
    if (!action || !action->Enabled()) return;
    ArgumentList = QStringList{command.Argument};
    switch (command.SwitchKind) {
    case skOn:
        action->SetChecked(false);
        break;
    case skOff:
        action->SetChecked(true);
        break;
    case skToggle:
        action->SetChecked(action->Checked());
        break;
    case skNone:
        // A toggle runs as its interactive Execute would: the state of Checked is re-applied
        // first, which reconciles an earlier auto-check flip.
        if (qobject_cast<TtoggleAction*>(action)) action->SetChecked(action->Checked());
        break;
    }
    action->RunHandler(this);
}

bool TCustomScript::WaitWhileBusy() {
    if (!QCoreApplication::instance()) return !Aborted;
    // While busy, sleep until an event comes; the pulse bounds each sleep.
    QTimer pulse;
    do {
        if (CommandBusy && !pulse.isActive()) pulse.start(10);
        QCoreApplication::processEvents(CommandBusy ? QEventLoop::WaitForMoreEvents
                                                    : QEventLoop::AllEvents);
        if (Aborted) return false;
    } while (CommandBusy);
    return true;
}

void TCustomScript::EndRun() {
    if (--depth_ > 0) return;
    const bool quit = QuitRequested;
    QuitRequested = false;
    if (quit && OnQuit) OnQuit(this);
}

void TCustomScript::RunFile(const QString& path) {
    if (depth_ >= kMaxRunDepth) {
        SayOnStderr(QStringLiteral("script %1 not run: scripts nested deeper than %2")
                        .arg(path)
                        .arg(kMaxRunDepth));
        return;
    }
    if (!LoadFile(path)) return;
    AtExit clear([this] { Commands.clear(); });
    if (OnLoaded) OnLoaded(this);
    Run();
}

TSwitch::TSwitch(const QStringList& arguments, QObject* parent)
    : TCustomScript(parent), Arguments(arguments) {
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationActive) Activate();
                });
    }
}

void TSwitch::ParseCommandLine() {
    Commands.clear();
    for (const QString& argument : Arguments)
        ParseArgument(argument);
}

void TSwitch::Activate() {
    const bool first = !activated_;
    activated_ = true;
    if (OnActivate) OnActivate(this);
    if (!first) return;
    AtExit clear([this] { Commands.clear(); });
    ParseCommandLine();
    if (!Commands.empty() || QuitRequested)
        Run();
    else if (OnNoCommandLine)
        OnNoCommandLine(this);
}

void WaitHandler(QObject*) {
    if (ArgumentList.isEmpty()) return;
    bool ok = false;
    const int milliseconds = ArgumentList.first().toInt(&ok);
    if (ok && milliseconds > 0) QThread::msleep(unsigned(milliseconds));
}

} // namespace sp
