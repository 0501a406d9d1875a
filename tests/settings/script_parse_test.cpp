#include "settings/script.h"

#include "support/gui_suite.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <random>

using namespace sp;
using namespace std::string_literals;

namespace {

class ScriptLookup : public sptest::GuiSuite {};
class ScriptText : public sptest::GuiSuite {};

struct Parsed {
    std::string action; // component name
    std::string argument;
    TSwitchKind kind;
    bool operator==(const Parsed&) const = default;
};

void PrintTo(const Parsed& p, std::ostream* os) {
    *os << "{" << p.action << ", \"" << p.argument << "\", " << int(p.kind) << "}";
}

class ScriptGrammar : public sptest::GuiSuite {
protected:
    ScriptGrammar() { script.actionlist = &al; }

    // The commands one line gives.
    std::vector<Parsed> Line(const QString& text) {
        script.Commands.clear();
        script.ParseLine(text);
        return Result();
    }
    std::vector<Parsed> Parameter(const QString& text) {
        script.Commands.clear();
        script.ParseArgument(text);
        return Result();
    }
    std::vector<Parsed> Result() const {
        std::vector<Parsed> result;
        for (const TActionEx& command : script.Commands)
            result.push_back({command.Action->objectName().toStdString(),
                              command.Argument.toStdString(), command.SwitchKind});
        return result;
    }

    TActionList al;
    TScript script;
};

using V = std::vector<Parsed>;

TEST_F(ScriptGrammar, CommandWordsIgnoreCase) {
    for (const char* line : {"grab", "GRAB", "GrAb", "g", "G", "  grab  ", "\tgrab"})
        EXPECT_EQ(Line(line), (V{{"saGrab", "", skNone}})) << line;
}

TEST_F(ScriptGrammar, ArgumentFollowsEqualsOrBlanks) {
    for (const char* line :
         {"wait=1000", "wait 1000", "wait     1000", "wait\t1000", "wt=1000 ms", "WAIT=  1000"})
        EXPECT_EQ(Line(line), (V{{"saWait", "1000", skNone}})) << line;
    EXPECT_EQ(Line("wait"), (V{{"saWait", "", skNone}}));
    EXPECT_EQ(Line("wait="), (V{{"saWait", "", skNone}}));
    // Only the first separator is taken: what follows is the argument's text.
    EXPECT_EQ(Line("wait==5"), (V{{"saWait", "=5", skNone}}));
}

TEST_F(ScriptGrammar, PathsAreCutAtBlanksUnlessQuoted) {
    EXPECT_EQ(Line("open /videos/my holiday.mts"), (V{{"saOpenFile", "/videos/my", skNone}}));
    EXPECT_EQ(Line("open \"/videos/my holiday.mts\""),
              (V{{"saOpenFile", "/videos/my holiday.mts", skNone}}));
    EXPECT_EQ(Line("o=\"/videos/a b.mts\"trailing words"),
              (V{{"saOpenFile", "/videos/a b.mts", skNone}}));
    EXPECT_EQ(Line("open /a\"b c\"d e"), (V{{"saOpenFile", "/ab c", skNone}}));
    // An unclosed quote runs to the end of the line.
    EXPECT_EQ(Line("open \"/videos/a b"), (V{{"saOpenFile", "/videos/a b", skNone}}));
    EXPECT_EQ(Line("open \""), (V{{"saOpenFile", "", skNone}}));
}

TEST_F(ScriptGrammar, PrefixesAndStateWordsSetTheKind) {
    EXPECT_EQ(Line("mute=true"), (V{{"taMute", "true", skOn}}));
    EXPECT_EQ(Line("mute TRUE"), (V{{"taMute", "TRUE", skOn}}));
    EXPECT_EQ(Line("m false"), (V{{"taMute", "false", skOff}}));
    EXPECT_EQ(Line("mute=\"toggle\""), (V{{"taMute", "toggle", skToggle}}));
    EXPECT_EQ(Line("mute=maybe"), (V{{"taMute", "maybe", skNone}}));
    EXPECT_EQ(Line("+m"), (V{{"taMute", "", skOn}}));
    EXPECT_EQ(Line("+mute"), (V{{"taMute", "", skOn}}));
    EXPECT_EQ(Line("-mute"), (V{{"taMute", "", skOff}}));
    EXPECT_EQ(Line("/mute"), (V{{"taMute", "", skToggle}}));
    // A prefix beats the word; a one-state action takes the word as its argument.
    EXPECT_EQ(Line("-mute true"), (V{{"taMute", "true", skOff}}));
    EXPECT_EQ(Line("grab true"), (V{{"saGrab", "true", skNone}}));
    // The switch "+" of saBouclerScript needs a prefix before it.
    EXPECT_EQ(Line("++"), (V{{"saBouclerScript", "", skOn}}));
    EXPECT_EQ(Line(">=0:01:02:03"), (V{{"saPosition", "0:01:02:03", skNone}}));
}

TEST_F(ScriptGrammar, LinesThatNameNoActionAreSkipped) {
    for (const char* line : {"", "   ", "+", "-", "/", "=", "= grab", "; a remark", "rem open x",
                             "underlined", "taUnderlined", "border size=3", "grab!", "--help"})
        EXPECT_EQ(Line(line), V{}) << line;
    // "border size" is reachable from a script only by its switch, from the command line also by
    // its token.
    EXPECT_EQ(Line("bs=3"), (V{{"saBorderSize", "3", skNone}}));
    EXPECT_EQ(Parameter("+border size=3"), (V{{"saBorderSize", "3", skOn}}));
}

TEST_F(ScriptGrammar, QuitIsNotAnActionButMarksTheText) {
    EXPECT_EQ(Line("quit"), V{});
    EXPECT_TRUE(script.QuitRequested);
    script.QuitRequested = false;
    EXPECT_EQ(Line("+QUIT"), V{});
    EXPECT_TRUE(script.QuitRequested);
    // acQuitter is reached by its own names.
    EXPECT_EQ(Line("quitter"), (V{{"acQuitter", "", skNone}}));
    TScript unlisted;
    unlisted.ParseLine(u"quit");
    EXPECT_FALSE(unlisted.QuitRequested); // no action list: nothing is found, not even quit
}

TEST_F(ScriptGrammar, CommandLineParametersNeedAPrefix) {
    EXPECT_EQ(Parameter("/videos/a.mts"), V{}); // a plain file name does nothing
    EXPECT_EQ(Parameter("+open=/videos/a b.mts"), (V{{"saOpenFile", "/videos/a b.mts", skOn}}));
    EXPECT_EQ(Parameter("+OPEN=\"x\""), (V{{"saOpenFile", "\"x\"", skOn}})); // quotes kept
    EXPECT_EQ(Parameter("-mute"), (V{{"taMute", "", skOff}}));
    EXPECT_EQ(Parameter("/fs= a=b "), (V{{"tafullscreen", " a=b ", skToggle}}));
    EXPECT_EQ(Parameter("+"), V{});
    EXPECT_EQ(Parameter(""), V{});
    // With a default action, a parameter without prefix goes to it whole.
    EXPECT_EQ(Parameter("a.mts"), V{});
    script.DefaultAction = al.Find("saOpenFile");
    EXPECT_EQ(Parameter("a.mts"), (V{{"saOpenFile", "a.mts", skNone}}));
    EXPECT_EQ(Parameter("/videos/a.mts"), V{}); // "/" is the toggle prefix
}

// Actions with clashing names: the first in list order wins, by switch or token alike.
TEST_F(ScriptLookup, FirstMatchInListOrder) {
    using enum TActionKind;
    const TActionRow rows[] = {
        {"saFirst", Plain, "", "First", "", "", "", "a", "alpha", false, "", "", ""},
        {"saSecond", Plain, "", "Second", "", "", "", "alpha", "b", false, "", "", ""},
        {"saThird", Plain, "", "Third", "", "", "", "B", "a", false, "", "", ""},
    };
    TActionList list(rows, nullptr);
    TScript script;
    script.actionlist = &list;
    EXPECT_EQ(script.FindAction(u"ALPHA"), list.Find("saFirst"));
    EXPECT_EQ(script.FindAction(u"a"), list.Find("saFirst"));
    EXPECT_EQ(script.FindAction(u"b"), list.Find("saSecond"));
    EXPECT_EQ(script.FindAction(u""), nullptr); // no default action
    EXPECT_EQ(script.FindAction(u"c"), nullptr);
}

std::string Hex(const QByteArray& bytes) {
    return bytes.toHex(' ').toStdString();
}

TEST_F(ScriptText, EncodingsByMarkOrContent) {
    const QString expected = QStringLiteral("open=caf\u00E9 \u65E5.mts");
    const QString latin = QStringLiteral("open=caf\u00E9");
    auto withMark = [](const char* mark, QByteArray body) { return QByteArray(mark) + body; };
    QByteArray le(reinterpret_cast<const char*>(expected.utf16()), expected.size() * 2);
    QByteArray be;
    for (QChar c : expected)
        be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    const struct {
        QByteArray bytes;
        QString line;
    } cases[] = {
        {withMark("\xFF\xFE", le), expected},
        {withMark("\xFE\xFF", be), expected},
        {withMark("\xEF\xBB\xBF", expected.toUtf8()), expected},
        {expected.toUtf8(), expected},
        {QByteArray("open=caf\xE9"), latin}, // not UTF-8: the 8-bit code page
    };
    for (const auto& c : cases) {
        const QStringList lines = ScriptLines(c.bytes);
        ASSERT_EQ(lines.size(), 1) << Hex(c.bytes);
        EXPECT_EQ(lines[0], c.line) << Hex(c.bytes);
    }
    EXPECT_EQ(ScriptLines("a\r\nb\rc\nd\n\ne"), (QStringList{"a", "b", "c", "d", "", "e"}));
    EXPECT_EQ(ScriptLines("a\r\n"), QStringList{"a"});
    EXPECT_TRUE(ScriptLines("").isEmpty());
    EXPECT_TRUE(ScriptLines("\xFF\xFE").isEmpty());
    const QStringList odd = ScriptLines(QByteArray("\xFF\xFEg\x00\x0A\x00z", 7)); // odd length
    ASSERT_FALSE(odd.isEmpty());
    EXPECT_EQ(odd[0], QStringLiteral("g"));
    EXPECT_LE(odd.size(), 2);
}

TEST_F(ScriptGrammar, MegabyteLineIsParsedInLinearTime) {
    QElapsedTimer clock;
    clock.start();
    const QString longPath = QString(1 << 20, u'x');
    EXPECT_EQ(Line("open " + longPath).at(0).argument.size(), size_t(1 << 20));
    EXPECT_EQ(Line("open \"" + QString(1 << 20, u' ') + "x").at(0).argument.size(),
              size_t(1 << 20) + 1);
    EXPECT_EQ(Line(QString(1 << 20, u'g')), V{});
    EXPECT_EQ(Line("grab" + QString(1 << 20, u' ') + "x"), (V{{"saGrab", "x", skNone}}));
    EXPECT_LT(clock.elapsed(), 5000);
}

// Random bytes, seeded, biased towards the characters the grammar cares about. Every command
// found must name an action of the list, its argument must come from within its line, and the
// argument must hold no line break.
TEST_F(ScriptGrammar, RandomBytesNeverBreakTheParser) {
    std::mt19937 random(20261209);
    const std::string alphabet =
        "+-/=\" \t\r\n\0gGmuteopnwaiqrsxbfd>1:.\xC3\xA9\xFF\xFE\xEF\xBB\xBF"s;
    std::uniform_int_distribution<int> length(0, 300);
    std::uniform_int_distribution<int> pick(0, int(alphabet.size()) - 1);
    std::uniform_int_distribution<int> anyByte(0, 255);
    size_t commands = 0;
    for (int round = 0; round < 12000; ++round) {
        QByteArray bytes;
        const int n = length(random);
        for (int i = 0; i < n; ++i)
            bytes.append(char(random() % 3 ? alphabet[size_t(pick(random))] : anyByte(random)));
        script.Commands.clear();
        const QStringList lines = ScriptLines(bytes);
        for (const QString& line : lines) {
            const size_t before = script.Commands.size();
            script.ParseLine(line);
            for (size_t i = before; i < script.Commands.size(); ++i) {
                const TActionEx& command = script.Commands[i];
                ASSERT_NE(command.Action.data(), nullptr);
                ASSERT_EQ(al.Find(command.Action->objectName()), command.Action.data());
                ASSERT_LE(command.Argument.size(), line.size());
                ASSERT_FALSE(command.Argument.contains(u'\n') || command.Argument.contains(u'\r'));
                ASSERT_LE(int(command.SwitchKind), int(skNone));
            }
        }
        commands += script.Commands.size();
        script.ParseArgument(QString::fromLatin1(bytes));
    }
    EXPECT_GT(commands, 600u); // the bias really reaches the actions
}

} // namespace
