#pragma once
// Incrementing codes: the next base-record code after the last one ("JH009" -> "JH010"), and the
// next free bill number when the one generated is already taken (the trailing run of digits
// incremented and zero-padded to the run's former width; the whole text when it is all digits;
// "1" appended when it ends in a non-digit) — both are IncrementCode.
//
// Numbers are read as 64-bit integers: an all-digit bill number made of the date and a serial
// ("201402150001") must still increment. A run whose value plus one exceeds 9223372036854775807
// (leading zeros do not count) cannot be converted and throws DytError with the message
// "数字转换失败，可能是数字位数太长".

#include <QString>

namespace dyt {

// The largest value IncrementNumber accepts (its result is one more).
inline constexpr qint64 kIncrementNumberMax = 9223372036854775806;

// The decimal value of a text of ASCII digits, plus one, zero-padded to at least the length of the
// input: "0099" gives "0100", "99" gives "100". Throws DytError
// ("数字转换失败，可能是数字位数太长") when the text is empty, holds anything but ASCII digits, or
// its value is above kIncrementNumberMax.
QString IncrementNumber(const QString& digits);

// The text with its trailing run of ASCII digits incremented by IncrementNumber; a text without
// trailing digits gets "1" appended. "JH" -> "JH1", "JH009" -> "JH010", "123" -> "124",
// "A99" -> "A100", "" -> "1". Throws DytError when the trailing run cannot be converted.
QString IncrementCode(const QString& code);

}  // namespace dyt
