#include "settings/ini_file.h"
#include "settings/read_preferences.h"

#include "settings_test_support.h"

#include <chrono>
#include <random>

using namespace sp;
using sptest::kSection;

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

TEST(IniDecoding, EachEncodingIsRecognisedByItsStart) {
    const QStringList expected{"a=\u00e9", "b=\u20ac\U0001F600"};
    const QString text = expected.join("\r\n");

    QByteArray le("\xFF\xFE", 2), be("\xFE\xFF", 2);
    for (const QChar c : text) {
        le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    }
    EXPECT_EQ(DecodeIniText(le), expected);
    EXPECT_EQ(DecodeIniText(be), expected);
    EXPECT_EQ(DecodeIniText("\xEF\xBB\xBF" + text.toUtf8()), expected);
    // Without a mark the text is in the system code page, taken as Latin-1.
    EXPECT_EQ(DecodeIniText(bytes({'n', '=', 0xE9, 0xA7})), QStringList{"n=\u00e9\u00a7"});
    EXPECT_EQ(DecodeIniText("\xEF\xBB\xBF" + QStringLiteral("x=#@vide\u00a7#").toUtf8()),
              QStringList{"x=" + kEmptyMarker});
}

// A file edited in a UTF-8 editor keeps no mark: valid UTF-8 is read as such, anything else as
// Latin-1, so the accented keys are found again instead of being written a second time.
TEST(IniDecoding, UnmarkedUtf8IsUtf8AndAnythingElseLatin1) {
    const QString key = QStringLiteral("Sauver pr\u00e9f\u00e9rences en quittant=1");
    EXPECT_EQ(DecodeIniText(key.toUtf8() + "\r\nx=\xE2\x82\xAC"),
              QStringList({key, QStringLiteral("x=\u20ac")}));
    EXPECT_EQ(DecodeIniText(key.toLatin1()), QStringList{key});
    // One byte that cannot be UTF-8 makes the whole file Latin-1.
    EXPECT_EQ(DecodeIniText(key.toUtf8() + "\r\n\xE9"),
              QStringList({QString::fromLatin1(key.toUtf8()), QStringLiteral("\u00e9")}));
    EXPECT_EQ(DecodeIniText("plain=ascii"), QStringList{"plain=ascii"});
}

TEST(IniDecoding, LinesEndAtCrLfCrOrLf) {
    EXPECT_EQ(DecodeIniText("a\rb\nc\r\nd"), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(DecodeIniText("a\r\n"), QStringList({"a"}));
    EXPECT_EQ(DecodeIniText("a\r\n\r\n"), QStringList({"a", ""}));
    EXPECT_EQ(DecodeIniText("\n\r"), QStringList({"", ""}));
    EXPECT_EQ(DecodeIniText(""), QStringList());
    EXPECT_EQ(DecodeIniText(bytes({0xFF, 0xFE, 'a', 0, 'b'})), QStringList({"a"})); // odd byte
}

TEST(IniEncoding, Utf16LeWithMarkAndCrLfAfterEveryLine) {
    EXPECT_EQ(EncodeIniText({"[S]", "a=\u00e9"}),
              bytes({0xFF, 0xFE, '[', 0,   'S', 0,    ']', 0,    '\r', 0,    '\n',
                     0,    'a',  0,   '=', 0,   0xE9, 0,   '\r', 0,    '\n', 0}));
    EXPECT_EQ(EncodeIniText({}), bytes({0xFF, 0xFE}));
    const QStringList odd{"\U0001F600", "", "  [x]  ", QString(QChar(0xD800))};
    EXPECT_EQ(DecodeIniText(EncodeIniText(odd)), odd);
}

TEST(IniSections, OnlyEntriesOfTheProgramsSectionCount) {
    const QStringList lines{
        "Name=before any header",
        "[Other]",
        "Name=other section",
        "  " + kSection + "\t", // blanks around a header are ignored
        "NoEqualsSign",
        "",
        " Name=untrimmed name",
        "Name= v =w ",
        "[\\software\\orvane\\stillpick]", // headers compare with case
        "Late=lower-case section",
    };
    EXPECT_EQ(FindIniValue(lines, kSection, "Name"), " v =w ");
    EXPECT_FALSE(FindIniValue(lines, kSection, "NoEqualsSign"));
    EXPECT_FALSE(FindIniValue(lines, kSection, "Late"));
    EXPECT_FALSE(FindIniValue(lines, kSection, ""));
    EXPECT_EQ(FindIniValue(lines, "[Other]", "Name"), "other section");
    EXPECT_FALSE(FindIniValue({"[", "a=1"}, "[", "a")); // "[" alone is no header
}

TEST(IniSections, AfterOnlyTheHeaderEntriesFollowInWritingOrder) {
    QStringList lines{kSection};
    SetIniValue(lines, kSection, "Signature", "s");
    SetIniValue(lines, kSection, "b", "2");
    SetIniValue(lines, kSection, "Signature", ""); // replaced in place, even when empty
    EXPECT_EQ(lines, QStringList({kSection, "Signature=", "b=2"}));
}

TEST(IniSections, BlankLineInsideTheSectionDoesNotEndIt) {
    QStringList lines{kSection, "a=1", "", "b=2", "[Next]", "b=other"};
    SetIniValue(lines, kSection, "b", "3");
    SetIniValue(lines, kSection, "c", "4");
    EXPECT_EQ(lines, QStringList({kSection, "a=1", "", "b=3", "c=4", "[Next]", "b=other"}));
}

TEST(IniSections, OtherProgramsLinesSurviveUnchanged) {
    QStringList lines{"; comment", "x=before", "[Other]", "k=v", "  odd line  "};
    SetIniValue(lines, kSection, "a", "1");
    SetIniValue(lines, kSection, "b", "2");
    SetIniValue(lines, kSection, "a", "3");
    EXPECT_EQ(lines, QStringList({"; comment", "x=before", "[Other]", "k=v", "  odd line  ",
                                  kSection, "a=3", "b=2"}));
}

TEST(IniSections, LineBreaksInValuesBecomeBlanks) {
    QStringList lines;
    SetIniValue(lines, kSection, "t", "one\r\ntwo\nthree\rfour");
    EXPECT_EQ(lines, QStringList({kSection, "t=one two three four"}));
    EXPECT_EQ(DecodeIniText(EncodeIniText(lines)), lines);
}

TEST(IniScalars, NumbersParseOrGiveZero) {
    EXPECT_EQ(IniIntegerValue("-12"), -12);
    EXPECT_EQ(IniIntegerValue("+7"), 7);
    EXPECT_EQ(IniIntegerValue("12a"), 0);
    EXPECT_EQ(IniIntegerValue(""), 0);
    EXPECT_EQ(IniIntegerValue("4294967296"), 0);
    EXPECT_EQ(IniFloatValue(IniFloatText(0.0416666666666667)), 0.0416666666666667);
    EXPECT_EQ(IniFloatValue("1.5"), 1.5); // either mark, whatever the locale
    EXPECT_EQ(IniFloatValue("-0,25"), -0.25);
    EXPECT_EQ(IniFloatValue("1,000.5"), 0.0);
    EXPECT_EQ(IniFloatValue("abc"), 0.0);
    EXPECT_EQ(IniFloatValue("inf"), 0.0);
    EXPECT_EQ(IniFloatText(0.0), "0");
    EXPECT_EQ(IniFloatValue(IniFloatText(-1e-5)), -1e-5);
}

// Random damage to a realistic file never breaks the reader, and setting an entry in whatever
// came out still finds it and leaves every other line alone.
class IniFuzz : public sptest::SettingsWorld {};

TEST_F(IniFuzz, MutatedFilesReadAndUpdateSafely) {
    const QStringList base{"; other program",
                           "[Other]",
                           "a=1",
                           kSection,
                           "Signature=x",
                           "IncrustRec\\FontRec\\FontName=Arial",
                           "",
                           "Top=10",
                           "[Last]",
                           "z=\u00e9"};
    const QByteArray encodings[] = {EncodeIniText(base), "\xEF\xBB\xBF" + base.join("\n").toUtf8(),
                                    base.join("\r").toLatin1()};
    std::mt19937 rng(20261208);
    const char specials[] = {'\r', '\n', '=', '[', ']', ' ', '\0', '\xFF', '\xFE', '\\'};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    int rounds = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        QByteArray data = encodings[rng() % 3];
        const int edits = 1 + rng() % 8;
        for (int e = 0; e < edits && !data.isEmpty(); ++e) {
            const auto at = static_cast<qsizetype>(rng() % data.size());
            switch (rng() % 4) {
            case 0:
                data[at] = char(rng());
                break;
            case 1:
                data.insert(at, specials[rng() % sizeof specials]);
                break;
            case 2:
                data.remove(at, 1 + rng() % 4);
                break;
            default:
                data.truncate(at);
                break;
            }
        }
        const QStringList lines = DecodeIniText(data);
        for (const QString& line : lines)
            ASSERT_FALSE(line.contains(u'\r') || line.contains(u'\n'));
        ASSERT_EQ(DecodeIniText(EncodeIniText(lines)), lines);

        QStringList updated = lines;
        const QString value = QString::number(rng()) + (rng() % 2 ? "\n=[x]" : "");
        const bool existed = FindIniValue(lines, kSection, "Top").has_value();
        SetIniValue(updated, kSection, "Top", value);
        ASSERT_EQ(FindIniValue(updated, kSection, "Top"), QString(value).replace('\n', ' '));
        const QString entry = "Top=" + QString(value).replace('\n', ' ');
        if (existed) {
            ASSERT_EQ(updated.size(), lines.size());
            int changed = 0;
            for (qsizetype i = 0; i < lines.size(); ++i)
                changed += updated[i] != lines[i];
            ASSERT_LE(changed, 1);
        } else if (updated.size() == lines.size() + 2) {
            ASSERT_EQ(updated.mid(0, lines.size()), lines);
            ASSERT_EQ(updated.mid(lines.size()), QStringList({kSection, entry}));
        } else {
            ASSERT_EQ(updated.size(), lines.size() + 1);
            qsizetype at = 0;
            while (at < lines.size() && updated[at] == lines[at])
                ++at;
            ASSERT_EQ(updated[at], entry);
            updated.removeAt(at);
            ASSERT_EQ(updated, lines);
        }
        if (rounds % 16 == 0) { // now and then through the reader, as a start-up would
            writeBytes(iniPath(), data);
            const TReadPreferences reader(kKeyPath, pmPortable);
            const TincrustRec rec = reader.ReadIncrustRec("IncrustRec", TincrustRec{});
            ASSERT_EQ(rec.FontRec.Size, TincrustRec{}.FontRec.Size); // never stored in the base
            reader.ReadInteger("Top", 1);
            reader.ReadFloat("Signature", 1);
            reader.ReadBool("a", true);
        }
        ++rounds;
    }
    EXPECT_GT(rounds, 100);
}

} // namespace
