#pragma once
// The information options a Linux user types first: "--help" prints the usage, with every switch
// and token of the action table, and "--version" the version line. No action can take these
// names (a command-line name never starts with a second "-"). Any thread; needs no application
// object, so main() can call it before creating one.

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>

namespace sp {

// "Stillpick 5.0.6 En by Orvane".
QString VersionLine();
// The version line, the grammar of the command line and one line per reachable action (switch,
// token, argument, caption), in list order.
QString UsageText();

// When `arguments` (without the program name) hold "--help" or "--version", writes the usage
// (for "--help", which wins) or the version line to `out` and returns the exit code 0; else
// writes nothing and returns nothing, and the program starts.
std::optional<int> HandleInfoOptions(const QStringList& arguments, QTextStream& out);

// The patterns of "open": "*" stands for any run of characters and "?" for one, "[*]" and "[?]"
// for those characters themselves; every other character, "[" and "]" included, stands for
// itself, without regard to case.
bool MatchesOpenPattern(QStringView name, QStringView pattern);
// The one name a pattern without wildcards names ("[*]" and "[?]" read as "*" and "?"); nothing
// when the pattern has wildcards.
std::optional<QString> LiteralOpenName(QStringView pattern);

// The form the desktop entry uses: each "--open FILE" pair becomes one "+open=" command naming
// that very file (its "*" and "?" bracketed, so that the pattern names only the file), and
// a "--open" with no file after it (started from the menu) is dropped. Other parameters are
// kept in order. Applied before HandleInfoOptions, so a file named "--help" is opened.
QStringList ExpandOpenOptions(const QStringList& arguments);

} // namespace sp
