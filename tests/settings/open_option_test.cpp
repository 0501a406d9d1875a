// "--open FILE", the desktop entry's form: the file named is the one opened, whatever its name
// holds, and the rest of the command line is left as it was.

#include "settings/command_line.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sp;

namespace {

TEST(OpenOption, BecomesAnOpenCommandInPlace) {
    EXPECT_EQ(ExpandOpenOptions({"+mute", "--open", "/v/a b/été.mp4", "+q"}),
              QStringList({"+mute", "+open=/v/a b/été.mp4", "+q"}));
    // Started from the menu, the launcher gives no file.
    EXPECT_EQ(ExpandOpenOptions({"--open"}), QStringList());
    EXPECT_EQ(ExpandOpenOptions({"+q", "--open"}), QStringList({"+q"}));
    // The file is taken as it is, even when it looks like an option.
    EXPECT_EQ(ExpandOpenOptions({"--open", "--help"}), QStringList({"+open=--help"}));
    EXPECT_EQ(ExpandOpenOptions({"--open", "--open", "--open", "x"}),
              QStringList({"+open=--open", "+open=x"}));
    // Only the name is bracketed: the folder is not a pattern.
    EXPECT_EQ(ExpandOpenOptions({"--open", "/a*b/c?[d].avi"}),
              QStringList({"+open=/a*b/c[?][d].avi"}));
}

// The bracketed name, as the opening code matches it, finds exactly the one file and not its
// neighbours that the raw name, read as a pattern, would also match.
TEST(OpenOption, TheNameMatchesOnlyThatFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList names = {"clip [1].avi", "clip 1.avi", "a*b.avi",    "aXb.avi",
                               "what?.avi",    "whatX.avi",  "é è\\ ].avi"};
    for (const QString& name : names) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    }
    for (const QString& name : {names[0], names[2], names[4], names[6]}) {
        const QStringList expanded = ExpandOpenOptions({"--open", dir.filePath(name)});
        ASSERT_EQ(expanded.size(), 1);
        const QString pattern = expanded[0].mid(QStringLiteral("+open=").size());
        const qsizetype slash = pattern.lastIndexOf(u'/');
        EXPECT_EQ(pattern.left(slash + 1), dir.path() + '/');
        QStringList matched;
        for (const QString& other : names)
            if (MatchesOpenPattern(other, pattern.mid(slash + 1))) matched << other;
        EXPECT_EQ(matched, QStringList({name})) << pattern.toStdString();
        EXPECT_EQ(LiteralOpenName(pattern.mid(slash + 1)), name);
    }
}

// Only "*" and "?" are wildcards: brackets, braces and the other characters of file names stand
// for themselves, and case does not count.
TEST(OpenOption, PatternsKnowOnlyTwoWildcards) {
    EXPECT_TRUE(MatchesOpenPattern(u"clip[1].avi", u"clip[1].avi"));
    EXPECT_FALSE(MatchesOpenPattern(u"clip1.avi", u"clip[1].avi"));
    EXPECT_FALSE(MatchesOpenPattern(u"clipa.avi", u"clip[a-z].avi"));
    EXPECT_TRUE(MatchesOpenPattern(u"Clip[1].AVI", u"*[1].avi"));
    EXPECT_TRUE(MatchesOpenPattern(u"a{b}#%'\"-x é.mts", u"a{b}#%'\"-? *.MTS"));
    EXPECT_TRUE(MatchesOpenPattern(u"aXbXc", u"a*b*c"));
    EXPECT_TRUE(MatchesOpenPattern(u"abcbc", u"a*bc"));
    EXPECT_FALSE(MatchesOpenPattern(u"abcb", u"a*bc"));
    EXPECT_TRUE(MatchesOpenPattern(u"", u"*"));
    EXPECT_FALSE(MatchesOpenPattern(u"", u"?"));
    EXPECT_EQ(LiteralOpenName(u"clip[1] {2} #3 %4.avi"), QString("clip[1] {2} #3 %4.avi"));
    EXPECT_EQ(LiteralOpenName(u"--x[*]"), QString("--x*"));
    EXPECT_EQ(LiteralOpenName(u"a*"), std::nullopt);
    EXPECT_EQ(LiteralOpenName(u"a?b"), std::nullopt);
}

} // namespace
