#include "settings/command_line.h"

#include "settings/action_table.h"
#include "settings/program_info.h"

#include <cstdint>
#include <vector>

namespace sp {
namespace {

constexpr int kLineWidth = 80;
constexpr int kSwitchWidth = 4;
constexpr int kEntryWidth = 25; // "token=ARGUMENT"
constexpr int kIndent = 2 + kSwitchWidth + 1 + kEntryWidth + 1;

// What a command does: its hint (for a two-state command, the hint shown while it is off),
// wrapped to the line width below the description column.
QString Description(const TActionRow& row) {
    const QStringList words = QString::fromUtf8(row.Hint).simplified().split(u' ');
    QString text;
    int column = kIndent;
    for (const QString& word : words) {
        if (column > kIndent && column + 1 + word.size() > kLineWidth) {
            text += u'\n' + QString(kIndent, u' ');
            column = kIndent;
        } else if (column > kIndent) {
            text += u' ';
            ++column;
        }
        text += word;
        column += int(word.size());
    }
    return text;
}

// "  g    grab                      Grab the current frame and ...": the description starts on
// the next line when the entry is too wide.
QString CommandLine(const QString& switchName, const QString& entry, const QString& description) {
    QString head = QStringLiteral("  ") + switchName.leftJustified(kSwitchWidth) + u' ' + entry;
    if (entry.size() > kEntryWidth)
        head += u'\n' + QString(kIndent, u' ');
    else
        head = head.leftJustified(kIndent);
    return head + description + u'\n';
}

QString CommandLines() {
    QString text = CommandLine(QStringLiteral("Sw."), QStringLiteral("Token[=ARGUMENT]"),
                               QStringLiteral("What it does"));
    for (const TActionRow& row : ActionTable()) {
        if (!*row.Switch && !*row.Token) continue; // not reachable by name
        QString entry = QString::fromUtf8(row.Token).toLower();
        const QString argument = QString::fromUtf8(row.Argument);
        if (argument.startsWith(u'[')) // optional
            entry += QStringLiteral("[=") + argument.mid(1);
        else if (!argument.isEmpty())
            entry += u'=' + argument;
        text += CommandLine(QString::fromUtf8(row.Switch).toLower(), entry, Description(row));
    }
    return text;
}

} // namespace

QString VersionLine() {
    return ProgramSignature();
}

// The part of the usage before the list of commands.
constexpr char16_t kUsageIntro[] = uR"(: takes still images out of video files.

Usage: stillpick [+|-|/]NAME[=ARGUMENT]...
       stillpick --open FILE
       stillpick --help | --version

Each parameter names a command by its switch or its token (in any case) and runs
it once the window is shown, in the order given. The prefix is required: "+"
switches a two-state command on, "-" switches it off, "/" toggles it; for the
other commands the three are alike. The argument is everything after the first
"=", so quote the whole parameter when it holds blanks. "+quit" closes the
program once the other commands have run. Only "*" and "?" are wildcards in
"+open="; "--open FILE" opens that very file, even with them in its name.

A script file ("+script=FILE") holds the same commands, one a line, the prefix
optional, the argument after "=" or a blank and between double quotes when it
holds blanks; a two-state command also takes "true", "false" or "toggle".

Example: grab the frame at ten seconds of every MTS file of a folder, then quit:
  stillpick "+open=$HOME/Videos/*.mts" +position=0:00:10:00 +grab +next +quit

Commands:
)";

QString UsageText() {
    return VersionLine() + QString::fromUtf16(kUsageIntro) + CommandLines();
}

std::optional<int> HandleInfoOptions(const QStringList& arguments, QTextStream& out) {
    if (arguments.contains(QStringLiteral("--help"))) {
        out << UsageText();
        out.flush();
        return 0;
    }
    if (arguments.contains(QStringLiteral("--version"))) {
        out << VersionLine() << '\n';
        out.flush();
        return 0;
    }
    return std::nullopt;
}

namespace {

// The name part of `path` with the wildcards bracketed: "a[1]?.mp4" -> "a[1][?].mp4".
QString LiteralPattern(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    QString pattern = path.left(slash + 1);
    for (const QChar c : path.mid(slash + 1)) {
        if (c == u'*' || c == u'?')
            pattern += u'[' + QString(c) + u']';
        else
            pattern += c;
    }
    return pattern;
}

// One element of an "open" pattern: a character that stands for itself, "?" or "*".
struct PatternPart {
    QChar literal;
    enum Kind : uint8_t { Literal, One, Run } kind = Literal;
};

std::vector<PatternPart> PatternParts(QStringView pattern) {
    std::vector<PatternPart> parts;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        const bool bracketed = c == u'[' && i + 2 < pattern.size() && pattern[i + 2] == u']' &&
                               (pattern[i + 1] == u'*' || pattern[i + 1] == u'?');
        if (bracketed) {
            parts.push_back({pattern[i + 1]});
            i += 2;
        } else if (c == u'*') {
            parts.push_back({c, PatternPart::Run});
        } else if (c == u'?') {
            parts.push_back({c, PatternPart::One});
        } else {
            parts.push_back({c});
        }
    }
    return parts;
}

} // namespace

bool MatchesOpenPattern(QStringView name, QStringView pattern) {
    const std::vector<PatternPart> parts = PatternParts(pattern);
    const auto fits = [&](const PatternPart& part, QChar c) {
        return part.kind == PatternPart::One || (part.kind == PatternPart::Literal &&
                                                 part.literal.toCaseFolded() == c.toCaseFolded());
    };
    // Greedy with one step back: a mismatch lets the last "*" take one more character.
    size_t p = 0, star = SIZE_MAX;
    qsizetype n = 0, resume = 0;
    while (n < name.size()) {
        if (p < parts.size() && parts[p].kind == PatternPart::Run) {
            star = p++;
            resume = n;
        } else if (p < parts.size() && fits(parts[p], name[n])) {
            ++p;
            ++n;
        } else if (star != SIZE_MAX) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < parts.size() && parts[p].kind == PatternPart::Run)
        ++p;
    return p == parts.size();
}

std::optional<QString> LiteralOpenName(QStringView pattern) {
    QString name;
    for (const PatternPart& part : PatternParts(pattern)) {
        if (part.kind != PatternPart::Literal) return std::nullopt;
        name += part.literal;
    }
    return name;
}

QStringList ExpandOpenOptions(const QStringList& arguments) {
    QStringList expanded;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] != QStringLiteral("--open")) {
            expanded << arguments[i];
        } else if (i + 1 < arguments.size()) {
            expanded << QStringLiteral("+open=") + LiteralPattern(arguments[++i]);
        }
    }
    return expanded;
}

} // namespace sp
