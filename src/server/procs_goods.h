#pragma once
// The goods procedure of the selection windows: P_Base_Get_Goods with the query types
// "XZSPALL" (goods and classes to pick from, with stock of a warehouse), "QTKC" (goods held for a
// trading partner under a stock-other type) and "XZSPPC" (the stock batches of a goods).

#include <QString>

namespace dyt::server {

class Registry;

void registerGoodsProcedures(Registry& procedures);

// The LIKE pattern (with ESCAPE '\') that finds `text` anywhere in a value: "%", "_" and "\" of
// the text stand for themselves.
QString containsPattern(const QString& text);

}  // namespace dyt::server
