#pragma once

#include <QChar>
#include <Qt>

#include <optional>

// What a released key means in the text boxes that take gesture characters.
// Keys are read as a key-up event delivers them: the key code and the
// modifiers held at that moment.
namespace GestureKeys {

// The gesture character inserted at the caret of a text box: F2 to F11 with
// Shift alone or Ctrl alone held. A null QChar for every other key and
// modifier state.
QChar inserted(int key, Qt::KeyboardModifiers modifiers);

// The character the registration box then holds: with Shift alone, F2 to F11
// give their gesture, letters their upper case and the digit keys
// "!@#$%^&*()"; in any other state letters give their lower case and digit
// keys their digit. No value where the box keeps what it holds.
std::optional<QChar> regChar(int key, Qt::KeyboardModifiers modifiers);

} // namespace GestureKeys
