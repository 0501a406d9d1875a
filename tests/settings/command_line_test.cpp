#include "settings/command_line.h"

#include "settings/action_table.h"

#include <gtest/gtest.h>

using namespace sp;

namespace {

QString Output(const QStringList& arguments, std::optional<int>* code) {
    QString text;
    QTextStream out(&text);
    *code = HandleInfoOptions(arguments, out);
    return text;
}

TEST(InfoOptions, HelpListsEverySwitchAndTokenAndExitsZero) {
    std::optional<int> code;
    const QString help = Output({"+open=x", "--help"}, &code);
    ASSERT_EQ(code, 0);
    EXPECT_TRUE(help.startsWith("Stillpick 5.0.6 En by Orvane")) << help.toStdString();
    EXPECT_TRUE(help.contains("Usage: stillpick"));
    const QStringList lines = help.split(u'\n');
    int listed = 0;
    for (const TActionRow& row : ActionTable()) {
        const QString switchName = QString::fromUtf8(row.Switch).toLower();
        const QString token = QString::fromUtf8(row.Token).toLower();
        if (switchName.isEmpty() && token.isEmpty()) {
            EXPECT_FALSE(help.contains(QString::fromUtf8(row.Hint))) << row.Name;
            continue;
        }
        // One line holds both names, the switch first, then the token and its argument.
        const QString entry = switchName + ' ' + token;
        bool found = false;
        for (const QString& line : lines) {
            const QString simplified = line.simplified();
            found = found || simplified == entry || simplified.startsWith(entry + ' ') ||
                    simplified.startsWith(entry + '=') || simplified.startsWith(entry + '[');
        }
        EXPECT_TRUE(found) << row.Name;
        ++listed;
    }
    EXPECT_EQ(listed, kActionCount - 1); // all but the one action without a switch or token
    for (const QString& line : lines)
        EXPECT_LE(line.size(), 80) << line.toStdString();
    EXPECT_TRUE(help.contains("MILLISECONDS"));
    EXPECT_TRUE(help.contains("Show the video on the whole screen\n"));
}

TEST(InfoOptions, VersionPrintsOneLine) {
    std::optional<int> code;
    EXPECT_EQ(Output({"--version"}, &code).toStdString(), "Stillpick 5.0.6 En by Orvane\n");
    EXPECT_EQ(code, 0);
    // Help wins over version.
    EXPECT_TRUE(Output({"--version", "--help"}, &code).contains("Usage:"));
}

TEST(InfoOptions, OtherParametersStartTheProgram) {
    std::optional<int> code = 5;
    EXPECT_TRUE(Output({}, &code).isEmpty());
    EXPECT_EQ(code, std::nullopt);
    // "-h" is the switch-off form of an action's switch, not a request for help.
    EXPECT_TRUE(Output({"-h", "-help", "+help", "--HELP", "help"}, &code).isEmpty());
    EXPECT_EQ(code, std::nullopt);
}

} // namespace
