#include "settings/shortcuts.h"

#include <gtest/gtest.h>

using namespace sp;

namespace {

TEST(ShortcutWords, ReadAndPrintInThePlatformEncoding) {
    const struct {
        const char16_t* text;
        TShortCut word;
        const char* printed;
    } cases[] = {
        {u"F5", 0x74, "F5"},
        {u"Ctrl+G", 0x4047, "Ctrl+G"},
        {u"Alt+Enter", 0x800D, "Alt+Enter"},
        {u"Shift+Ctrl+T", 0x6054, "Ctrl+Shift+T"}, // modifiers in any order
        {u"alt+bksp", 0x8008, "Alt+BkSp"},         // any case
        {u"Alt+Backspace", 0x8008, "Alt+BkSp"},
        {u"Ctrl+PageDown", 0x4022, "Ctrl+PgDn"},
        {u"Ctrl+PgUp", 0x4021, "Ctrl+PgUp"},
        {u"Esc", 0x1B, "Esc"},
        {u"Space", 0x20, "Space"},
        {u"Num +", vkAdd, "Num +"},
        {u"Num \u2212", vkSubtract, "Num -"},
        {u"Alt+F4", 0x8073, "Alt+F4"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextToShortCut(c.text), c.word) << c.printed;
        EXPECT_EQ(ShortCutToText(c.word).toStdString(), c.printed);
    }
    for (const char16_t* text : {u"", u"Ctrl+", u"Ctrl+Ctrl", u"F25", u"Hyper+A", u"AB", u"+"})
        EXPECT_EQ(TextToShortCut(text), scNone) << QString::fromUtf16(text).toStdString();
    EXPECT_EQ(ShortCutToText(0x4007).toStdString(), ""); // a code without a name
}

// Every named key code, with every mix of modifiers, survives text and key-sequence round trips.
TEST(ShortcutWords, RoundTripThroughTextAndQtKeySequences) {
    int named = 0;
    for (int code = 1; code < 256; ++code) {
        if (ShortCutToText(TShortCut(code)).isEmpty()) continue;
        ++named;
        for (TShortCut modifiers : {0, 0x2000, 0x4000, 0x8000, 0xE000}) {
            const TShortCut word = TShortCut(code | modifiers);
            EXPECT_EQ(TextToShortCut(ShortCutToText(word)), word) << std::hex << word;
            EXPECT_EQ(KeySequenceToShortCut(ShortCutToKeySequence(word)), word) << std::hex << word;
        }
    }
    EXPECT_EQ(named, 90);
    // Keypad keys carry the keypad modifier: the main keyboard's plus is no "Num +".
    EXPECT_EQ(ShortCutToKeySequence(vkAdd), QKeySequence(Qt::KeypadModifier | Qt::Key_Plus));
    EXPECT_EQ(KeySequenceToShortCut(QKeySequence(Qt::Key_Plus)), scNone);
    EXPECT_EQ(KeySequenceToShortCut(QKeySequence(
                  QKeyCombination(Qt::KeypadModifier | Qt::AltModifier, Qt::Key_Enter))),
              0x800D);
    EXPECT_EQ(KeySequenceToShortCut(QKeySequence(Qt::META | Qt::Key_A)), scNone);
}

} // namespace
