#pragma once
// Rounding of bill figures and displayed values: a value is rounded to n decimals by formatting it
// with the pattern "0." followed by n zeros and reading the text back. The text is that of the
// value at 15 significant digits, and the rounding is half away from zero on that text: 27 × 1.13
// gives 30.51, 2.675 gives 2.68, -2.675 gives -2.68 and 1.005 gives 1.01.

#include "common/currency.h"

#include <QString>

namespace dyt {

// The largest number of decimals a settings pattern carries ("0.0000000000").
inline constexpr int kMaxPatternDecimals = 10;

// Rounds to `places` decimals (0..15), half away from zero on the value's decimal text.
// Throws DytError for places outside that range. NaN and infinities come back unchanged.
double roundTo(double value, int places);

// The same rule for fixed-point values: exact, half away from zero; places of 4 or more leave the
// value unchanged. Throws DytError for negative places.
Currency roundTo(Currency value, int places);

// Rounds with a settings pattern ("0.00" → 2 decimals, "0." or "0" → none): the number of "0"
// and "#" placeholders after the first ".".
double roundToPattern(double value, const QString& settingsPattern);

// The settings pattern of a decimal-place count: the first places + 2 characters of
// "0.0000000000", so 2 gives "0.00" and 0 gives "0." (which formats like "0"). Counts above 10
// give the whole "0.0000000000"; negative counts give "0.".
QString decimalPattern(int places);

}  // namespace dyt
