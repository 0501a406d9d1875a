#include "settings/shortcuts.h"

#include <array>
#include <optional>

namespace sp {
namespace {

// One named key: its virtual-key code, its Qt key and whether it lies on the keypad.
struct NamedKey {
    uint8_t code;
    Qt::Key key;
    bool keypad;
    const char16_t* name;
};

// The printed name of each key comes first; later rows with the same code are read-only aliases.
constexpr NamedKey kNamedKeys[] = {
    {0x08, Qt::Key_Backspace, false, u"BkSp"},
    {0x09, Qt::Key_Tab, false, u"Tab"},
    {0x0D, Qt::Key_Return, false, u"Enter"},
    {0x1B, Qt::Key_Escape, false, u"Esc"},
    {0x20, Qt::Key_Space, false, u"Space"},
    {0x21, Qt::Key_PageUp, false, u"PgUp"},
    {0x22, Qt::Key_PageDown, false, u"PgDn"},
    {0x23, Qt::Key_End, false, u"End"},
    {0x24, Qt::Key_Home, false, u"Home"},
    {0x25, Qt::Key_Left, false, u"Left"},
    {0x26, Qt::Key_Up, false, u"Up"},
    {0x27, Qt::Key_Right, false, u"Right"},
    {0x28, Qt::Key_Down, false, u"Down"},
    {0x2D, Qt::Key_Insert, false, u"Ins"},
    {0x2E, Qt::Key_Delete, false, u"Del"},
    {0x6A, Qt::Key_Asterisk, true, u"Num *"},
    {0x6B, Qt::Key_Plus, true, u"Num +"},
    {0x6D, Qt::Key_Minus, true, u"Num -"},
    {0x6E, Qt::Key_Period, true, u"Num ."},
    {0x6F, Qt::Key_Slash, true, u"Num /"},
    // Aliases, read but never printed.
    {0x08, Qt::Key_Backspace, false, u"Backspace"},
    {0x0D, Qt::Key_Return, false, u"Return"},
    {0x0D, Qt::Key_Enter, true, u"Num Enter"},
    {0x1B, Qt::Key_Escape, false, u"Escape"},
    {0x21, Qt::Key_PageUp, false, u"PageUp"},
    {0x22, Qt::Key_PageDown, false, u"PageDown"},
    {0x2D, Qt::Key_Insert, false, u"Insert"},
    {0x2E, Qt::Key_Delete, false, u"Delete"},
    {0x6D, Qt::Key_Minus, true, u"Num \u2212"},
};

struct KeyInfo {
    Qt::Key key;
    bool keypad;
    QString name;
};

// Letters, digits, keypad digits and F1 to F24 follow from their codes; the rest is tabled.
std::optional<KeyInfo> KeyOfCode(uint8_t code) {
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z'))
        return KeyInfo{Qt::Key(code), false, QString(QChar(code))};
    if (code >= 0x60 && code <= 0x69)
        return KeyInfo{Qt::Key(Qt::Key_0 + code - 0x60), true,
                       QStringLiteral("Num %1").arg(code - 0x60)};
    if (code >= vkF1 && code <= vkF1 + 23)
        return KeyInfo{Qt::Key(Qt::Key_F1 + code - vkF1), false,
                       QStringLiteral("F%1").arg(code - vkF1 + 1)};
    for (const NamedKey& named : kNamedKeys)
        if (named.code == code)
            return KeyInfo{named.key, named.keypad, QString::fromUtf16(named.name)};
    return std::nullopt;
}

// The code of a key name, without regard to case; 0 when unknown.
uint8_t CodeOfName(QStringView name) {
    for (int code = 1; code < 256; ++code) {
        const auto info = KeyOfCode(uint8_t(code));
        if (info && name.compare(info->name, Qt::CaseInsensitive) == 0) return uint8_t(code);
    }
    for (const NamedKey& named : kNamedKeys)
        if (name.compare(QStringView(named.name), Qt::CaseInsensitive) == 0) return named.code;
    return 0;
}

struct ModifierName {
    TShortCut bit;
    QStringView prefix;
};

constexpr std::array<ModifierName, 4> kModifierNames = {{
    {scCtrl, u"Ctrl+"},
    {scAlt, u"Alt+"},
    {scShift, u"Shift+"},
    {scCtrl, u"Control+"},
}};

} // namespace

QString ShortCutToText(TShortCut shortCut) {
    const auto info = KeyOfCode(uint8_t(shortCut & 0xFF));
    if (!info) return {};
    QString text;
    for (int i = 0; i < 3; ++i)
        if (shortCut & kModifierNames[i].bit) text += kModifierNames[i].prefix;
    return text + info->name;
}

TShortCut TextToShortCut(QStringView text) {
    text = text.trimmed();
    TShortCut modifiers = 0;
    for (bool found = true; found;) {
        found = false;
        for (const ModifierName& modifier : kModifierNames) {
            // A bare "+" after a prefix is no key name of ours, so "Ctrl+" alone stays unknown.
            if (text.size() > modifier.prefix.size() &&
                text.startsWith(modifier.prefix, Qt::CaseInsensitive)) {
                modifiers |= modifier.bit;
                text = text.mid(modifier.prefix.size()).trimmed();
                found = true;
            }
        }
    }
    const uint8_t code = CodeOfName(text);
    return code ? TShortCut(modifiers | code) : scNone;
}

QKeySequence ShortCutToKeySequence(TShortCut shortCut) {
    const auto info = KeyOfCode(uint8_t(shortCut & 0xFF));
    if (!info) return {};
    Qt::KeyboardModifiers modifiers;
    if (shortCut & scShift) modifiers |= Qt::ShiftModifier;
    if (shortCut & scCtrl) modifiers |= Qt::ControlModifier;
    if (shortCut & scAlt) modifiers |= Qt::AltModifier;
    if (info->keypad) modifiers |= Qt::KeypadModifier;
    return QKeySequence(QKeyCombination(modifiers, info->key));
}

TShortCut KeySequenceToShortCut(const QKeySequence& sequence) {
    if (sequence.isEmpty()) return scNone;
    const QKeyCombination combination = sequence[0];
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    if (modifiers & Qt::MetaModifier) return scNone;
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    TShortCut word = 0;
    if (modifiers & Qt::ShiftModifier) word |= scShift;
    if (modifiers & Qt::ControlModifier) word |= scCtrl;
    if (modifiers & Qt::AltModifier) word |= scAlt;
    for (int code = 1; code < 256; ++code) {
        const auto info = KeyOfCode(uint8_t(code));
        if (info && info->key == combination.key() && info->keypad == keypad) return word | code;
    }
    for (const NamedKey& named : kNamedKeys)
        if (named.key == combination.key() && named.keypad == keypad) return word | named.code;
    return scNone;
}

} // namespace sp
