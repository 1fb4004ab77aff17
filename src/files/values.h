#pragma once

#include "base/integer.h"

#include <QString>

// How the settings file and the recovery log read and write single values.
namespace Values {

// A 16-bit integer: spaces around it ignored, a fraction rounded to the
// nearest integer with halves to the even neighbour. Not a number: error 13;
// outside -32768..32767: error 6.
Integer readInteger(const QString &text);
// Any decimal number (sign, fraction, exponent); error 13 otherwise.
double readNumber(const QString &text);
// True or False in any letter case, or a number (0 is False).
bool readBoolean(const QString &text);

// " 5 " and "-1 ": a space stands in for the missing sign, one follows.
QString writeNumber(double value);
// "2", "1.5", "-1": no spaces.
QString writePlain(double value);
QString writeBoolean(bool value);

} // namespace Values
