#include "settings/command_line.h"

#include "settings/action_table.h"
#include "settings/program_info.h"

namespace sp {
namespace {

constexpr int kSwitchWidth = 4;
constexpr int kTokenWidth = 17;
constexpr int kArgumentWidth = 32;

QString Cell(const QString& text, int width) {
    return text.leftJustified(width) + u' ';
}

// What a command does: the first line of its hint (for a two-state command, of the hint shown
// while it is off).
QString Description(const TActionRow& row) {
    return QString::fromUtf8(row.Hint).section(u'\n', 0, 0);
}

QString CommandLines() {
    QString text = QStringLiteral("  ") + Cell(QStringLiteral("Sw."), kSwitchWidth) +
                   Cell(QStringLiteral("Token"), kTokenWidth) +
                   Cell(QStringLiteral("Argument"), kArgumentWidth) +
                   QStringLiteral("What it does\n");
    for (const TActionRow& row : ActionTable()) {
        if (!*row.Switch && !*row.Token) continue; // not reachable by name
        text += QStringLiteral("  ") + Cell(QString::fromUtf8(row.Switch).toLower(), kSwitchWidth) +
                Cell(QString::fromUtf8(row.Token).toLower(), kTokenWidth) +
                Cell(QString::fromUtf8(row.Argument), kArgumentWidth) + Description(row) + u'\n';
    }
    return text;
}

} // namespace

QString VersionLine() {
    return ProgramSignature();
}

QString UsageText() {
    return VersionLine() +
           QStringLiteral(
               ": takes still images out of video files.\n"
               "\n"
               "Usage: stillpick [+|-|/]NAME[=ARGUMENT]...\n"
               "       stillpick --help | --version\n"
               "\n"
               "Each parameter names a command by its switch or its token (case does not matter) "
               "and\n"
               "runs it once the window is shown, in the order given. The prefix is required: "
               "\"+\"\n"
               "switches a two-state command on, \"-\" switches it off, \"/\" toggles it; for the "
               "other\n"
               "commands the three are alike. The argument is everything after the first \"=\", so "
               "quote\n"
               "the whole parameter when it holds blanks. The parameter \"+quit\" closes the "
               "program\n"
               "once the other commands have run. The same commands, without a required prefix and "
               "with\n"
               "the argument after \"=\" or a blank, make up a script file (\"+script=FILE\").\n"
               "\n"
               "Example: stillpick \"+open=/home/me/Videos/*.mts\" \"+position=0:00:10:00\" +grab "
               "+next +quit\n"
               "\n"
               "Commands:\n") +
           CommandLines();
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

} // namespace sp
