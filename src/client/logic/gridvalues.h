#pragma once
// Cell values of the grids as the filter dialogs and the export read them: the number of a cell,
// its plain text, and the decimal places its column shows it with.

#include <QString>
#include <QVariant>

#include <optional>

namespace dyt::gridfilter {

// The number of a cell: numbers, currency and booleans by value, text when it reads as a number
// (thousands separators allowed); Null and other text give nullopt.
std::optional<double> cellNumber(const QVariant& value);

// The plain text of a cell: dates "yyyy-MM-dd", stamps "yyyy-MM-dd hh:mm:ss", booleans "1"/"0",
// currency with its decimals, floats at 15 significant digits; Null and blobs give "".
QString CellText(const QVariant& value);

// A flag (stopped, gift …) as every list shows it: "是" when set (true, a non-zero number or
// numeric text), "否" when cleared; Null gives "" and a text that is no number stays as it is.
QString flagText(const QVariant& value);

// The decimal places a display pattern (",0.00;-,0.000") shows the value with: the negative
// section's for a negative value when there is one, else the first section's (the "0" and "#"
// after its first "."). An empty pattern gives fallback.
int displayPlaces(const QString& displayPattern, double value, int fallback);

// The value rounded to the places its column shows.
double displayedNumber(const QString& displayPattern, double value, int fallback);

}  // namespace dyt::gridfilter
