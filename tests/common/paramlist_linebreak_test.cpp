// The escape for values with line breaks in parameter lines.
#include <gtest/gtest.h>

#include "common/paramlist.h"

namespace dyt {
namespace {

TEST(ParamListLineBreaks, EscapedValuesFitALineAndReadBackAsTheyWere) {
    const QList<QPair<QString, QString>> cases = {
        {QStringLiteral("第一行\r\n第二行"), QStringLiteral("第一行\\r\\n第二行")},
        {QStringLiteral("a\nb\rc"), QStringLiteral("a\\nb\\rc")},
        {QStringLiteral("C:\\new\\r"), QStringLiteral("C:\\\\new\\\\r")},
        {QStringLiteral("plain"), QStringLiteral("plain")},
        {QString(), QString()},
    };
    for (const auto& [value, escaped] : cases) {
        EXPECT_EQ(escaped, encodeLineBreaks(value));
        EXPECT_EQ(value, decodeLineBreaks(encodeLineBreaks(value)));
        ParamList p;
        p.setValue(QStringLiteral("comment"), encodeLineBreaks(value));
        EXPECT_EQ(value, decodeLineBreaks(ParamList(p.text()).value(QStringLiteral("comment"))));
    }
}

TEST(ParamListLineBreaks, ABackslashThatStartsNoEscapeIsKept) {
    EXPECT_EQ(QStringLiteral("a\\tb"), decodeLineBreaks(QStringLiteral("a\\tb")));
    EXPECT_EQ(QStringLiteral("end\\"), decodeLineBreaks(QStringLiteral("end\\")));
}

}  // namespace
}  // namespace dyt
