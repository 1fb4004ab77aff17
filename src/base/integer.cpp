#include "base/integer.h"

#include "base/failure.h"

Integer checkedAdd(Integer a, int b)
{
    const long long sum = static_cast<long long>(a) + b;
    if (sum < INT16_MIN || sum > INT16_MAX)
        throw Failure(ErrOverflow);
    return static_cast<Integer>(sum);
}
