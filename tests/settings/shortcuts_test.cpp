#include "settings/shortcuts.h"

#include <gtest/gtest.h>

using namespace sp;

namespace {

TEST(ShortcutWords, FollowThePlatformEncoding) {
    EXPECT_EQ(TextToShortCut(u"F5"), 0x74);
    EXPECT_EQ(TextToShortCut(u"Ctrl+G"), 0x4047);
    EXPECT_EQ(TextToShortCut(u"Alt+Enter"), 0x800D);
    EXPECT_EQ(TextToShortCut(u"Shift+Ctrl+T"), 0x6054);
    EXPECT_EQ(TextToShortCut(u"Ctrl+Shift+T"), 0x6054); // modifiers in any order
    EXPECT_EQ(TextToShortCut(u"alt+bksp"), 0x8008);     // any case
    EXPECT_EQ(TextToShortCut(u"Alt+Backspace"), 0x8008);
    EXPECT_EQ(TextToShortCut(u"Ctrl+PageDown"), 0x4022);
    EXPECT_EQ(TextToShortCut(u"Esc"), 0x1B);
    EXPECT_EQ(TextToShortCut(u"Space"), 0x20);
    EXPECT_EQ(TextToShortCut(u"Num +"), vkAdd);
    EXPECT_EQ(TextToShortCut(u"Num -"), vkSubtract);
    EXPECT_EQ(TextToShortCut(u"Num \u2212"), vkSubtract);
    EXPECT_EQ(TextToShortCut(u"Alt+F4"), 0x8073);
}

TEST(ShortcutWords, UnknownTextsGiveNone) {
    for (const char16_t* text :
         {u"", u"Ctrl+", u"Ctrl+Ctrl", u"F25", u"Hyper+A", u"AB", u"+", u"Num"})
        EXPECT_EQ(TextToShortCut(text), scNone) << QString::fromUtf16(text).toStdString();
}

TEST(ShortcutWords, PrintWithTheShortKeyNames) {
    EXPECT_EQ(ShortCutToText(0x4022).toStdString(), "Ctrl+PgDn");
    EXPECT_EQ(ShortCutToText(0x4021).toStdString(), "Ctrl+PgUp");
    EXPECT_EQ(ShortCutToText(0x8008).toStdString(), "Alt+BkSp");
    EXPECT_EQ(ShortCutToText(0x6054).toStdString(), "Ctrl+Shift+T");
    EXPECT_EQ(ShortCutToText(vkAdd).toStdString(), "Num +");
    EXPECT_EQ(ShortCutToText(vkSubtract).toStdString(), "Num -");
    EXPECT_EQ(ShortCutToText(0x1B).toStdString(), "Esc");
    EXPECT_EQ(ShortCutToText(0x7B).toStdString(), "F12");
    EXPECT_EQ(ShortCutToText(scNone).toStdString(), "");
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
            const QKeySequence sequence = ShortCutToKeySequence(word);
            ASSERT_FALSE(sequence.isEmpty()) << std::hex << word;
            EXPECT_EQ(KeySequenceToShortCut(sequence), word) << std::hex << word;
        }
    }
    EXPECT_GE(named, 36 + 24 + 15 + 15);
}

TEST(ShortcutWords, KeypadKeysCarryTheKeypadModifier) {
    EXPECT_EQ(ShortCutToKeySequence(vkAdd), QKeySequence(Qt::KeypadModifier | Qt::Key_Plus));
    EXPECT_EQ(ShortCutToKeySequence(0x4047), QKeySequence(Qt::CTRL | Qt::Key_G));
    EXPECT_EQ(ShortCutToKeySequence(0x800D), QKeySequence(Qt::ALT | Qt::Key_Return));
    // The plus of the main keyboard is no keypad plus; the keypad Enter is Enter.
    EXPECT_EQ(KeySequenceToShortCut(QKeySequence(Qt::Key_Plus)), scNone);
    EXPECT_EQ(KeySequenceToShortCut(QKeySequence(
                  QKeyCombination(Qt::KeypadModifier | Qt::AltModifier, Qt::Key_Enter))),
              0x800D);
    EXPECT_EQ(KeySequenceToShortCut(QKeySequence(Qt::META | Qt::Key_A)), scNone);
    EXPECT_EQ(KeySequenceToShortCut(QKeySequence()), scNone);
}

} // namespace
