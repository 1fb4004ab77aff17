#include "chat/gesturekeys.h"

#include "chat/gestures.h"

namespace {

// The digit keys' shifted characters, from 1 to 0.
constexpr char16_t ShiftedDigits[] = u"!@#$%^&*()";

// Meta counts too: "Shift alone" means no other modifier at all.
Qt::KeyboardModifiers held(Qt::KeyboardModifiers modifiers)
{
    return modifiers &
           (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

QChar functionKeyGesture(int key)
{
    if (key < Qt::Key_F2 || key > Qt::Key_F11)
        return QChar();
    return gestureForFunctionKey(key - Qt::Key_F1 + 1);
}

// The digit key's position in ShiftedDigits (key 1 is 0, key 0 is 9), or -1.
// With Shift held, Qt names a digit key by the character it types, so on the
// US layout Shift+3 arrives as Key_NumberSign rather than Key_3.
int digitKey(int key, bool shift)
{
    if (key >= Qt::Key_1 && key <= Qt::Key_9)
        return key - Qt::Key_1;
    if (key == Qt::Key_0)
        return 9;
    if (shift) {
        for (int i = 0; i < 10; ++i) {
            if (key == ShiftedDigits[i])
                return i;
        }
    }
    return -1;
}

} // namespace

namespace GestureKeys {

QChar inserted(int key, Qt::KeyboardModifiers modifiers)
{
    const auto mods = held(modifiers);
    if (mods != Qt::ShiftModifier && mods != Qt::ControlModifier)
        return QChar();
    return functionKeyGesture(key);
}

std::optional<QChar> regChar(int key, Qt::KeyboardModifiers modifiers)
{
    // The number pad's digits are not the digit keys.
    if (modifiers & Qt::KeypadModifier)
        return std::nullopt;
    const auto mods = held(modifiers);
    const bool shiftAlone = mods == Qt::ShiftModifier;
    if (shiftAlone) {
        if (const QChar g = functionKeyGesture(key); !g.isNull())
            return g;
    }
    // Qt gives letters their upper-case code whatever Caps Lock says.
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        const QChar upper{char16_t(key)};
        return shiftAlone ? upper : upper.toLower();
    }
    if (const int d = digitKey(key, mods & Qt::ShiftModifier); d >= 0) {
        if (shiftAlone)
            return QChar(ShiftedDigits[d]);
        return QChar(char16_t(d == 9 ? u'0' : u'1' + d));
    }
    return std::nullopt;
}

} // namespace GestureKeys
