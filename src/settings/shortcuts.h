#pragma once
// Keyboard shortcuts as the program stores them: a 16-bit word holding a virtual-key code in
// the low byte, plus 0x2000 for Shift, 0x4000 for Ctrl and 0x8000 for Alt. They read and print
// as texts such as "F5", "Ctrl+G", "Alt+Enter", "Ctrl+PgDn", "Alt+BkSp", "Num +" and map to Qt
// key sequences both ways. Pure functions; any thread.
//
// Texts are printed with the modifiers in the order Ctrl+, Alt+, Shift+ (the usual order on
// Linux desktops) and read in any order and any case. Reading also accepts the long key names
// ("PageDown", "Backspace", "Escape", "Return", "Delete", "Insert") and "Num −" with the minus
// sign U+2212.

#include <QKeySequence>
#include <QString>
#include <QStringView>

#include <cstdint>

namespace sp {

using TShortCut = uint16_t;

inline constexpr TShortCut scNone = 0;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

// Virtual-key codes the program names.
inline constexpr uint8_t vkBack = 0x08;
inline constexpr uint8_t vkReturn = 0x0D;
inline constexpr uint8_t vkEscape = 0x1B;
inline constexpr uint8_t vkSpace = 0x20;
inline constexpr uint8_t vkAdd = 0x6B;      // keypad plus
inline constexpr uint8_t vkSubtract = 0x6D; // keypad minus
inline constexpr uint8_t vkF1 = 0x70;

// "Ctrl+G" for 0x4047; empty for scNone or a key code without a name.
QString ShortCutToText(TShortCut shortCut);
// The word for a text such as "Shift+Ctrl+T"; scNone for an empty or unknown text.
TShortCut TextToShortCut(QStringView text);

// The Qt key sequence of a word (empty for scNone or an unknown key code). Keypad keys carry
// Qt::KeypadModifier, so "Num +" is the keypad plus only.
QKeySequence ShortCutToKeySequence(TShortCut shortCut);
// The word for the first key of a sequence; scNone when the sequence is empty, holds the Meta
// modifier or a key the program has no code for. The keypad Enter reads as "Enter".
TShortCut KeySequenceToShortCut(const QKeySequence& sequence);

} // namespace sp
