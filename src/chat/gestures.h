#pragma once

#include <QChar>
#include <QString>

// The chat world's ten gesture characters, U+00B0 to U+00B9. The chat client
// shows a message made of one of them as the gesture's tag in angle brackets.

// "<relax>" for "°" and so on; empty for any other character.
QString gestureTag(QChar c);
bool isGesture(QChar c);

// The gesture a word names: "wave", "waves" or "<wave>" in any letter case,
// as people name gestures in /me actions and commands; a null QChar for any
// other text.
QChar gestureNamed(const QString &word);

// The gesture that function key Fn enters, n = 2..11 (F2 "°", F3 "³", F4 "±",
// F5 "²", F6 "µ", F7 "·", F8 "¸", F9 "¹", F10 "´", F11 "¶"); a null QChar
// for any other n.
QChar gestureForFunctionKey(int n);

// What a registration line ends with for this registration character: ": "
// and the gesture's tag when RegChar is one gesture character, otherwise ": "
// and RegChar as it is.
QString regKey(const QString &regChar);
