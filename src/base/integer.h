#pragma once

#include <cstdint>

// Integer in the game's sense: 16 bits, arithmetic that leaves the range is
// an error (see checkedAdd), never a wrap.
using Integer = std::int16_t;

// Integer arithmetic that reports leaving the 16-bit range as error 6.
Integer checkedAdd(Integer a, int b);
