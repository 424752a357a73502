// The escape for values with line breaks in parameter lines.
#include <gtest/gtest.h>

#include "common/paramlist.h"

using namespace Qt::StringLiterals;

namespace dyt {
namespace {

TEST(ParamListLineBreaks, EscapedValuesFitALineAndReadBackAsTheyWere) {
    const QList<QPair<QString, QString>> cases = {{u"第一行\r\n第二行"_s, u"第一行\\r\\n第二行"_s},
                                                  {u"a\nb\rc"_s, u"a\\nb\\rc"_s},
                                                  {u"C:\\new\\r"_s, u"C:\\\\new\\\\r"_s},
                                                  {u"plain"_s, u"plain"_s},
                                                  {QString(), QString()}};
    for (const auto& [value, escaped] : cases) {
        EXPECT_EQ(escaped, encodeLineBreaks(value));
        EXPECT_EQ(value, decodeLineBreaks(encodeLineBreaks(value)));
        ParamList p;
        p.setValue(u"comment"_s, encodeLineBreaks(value));
        EXPECT_EQ(value, decodeLineBreaks(ParamList(p.text()).value(u"comment"_s)));
    }
}

TEST(ParamListLineBreaks, ABackslashThatStartsNoEscapeIsKept) {
    EXPECT_EQ(u"a\\tb"_s, decodeLineBreaks(u"a\\tb"_s));
    EXPECT_EQ(u"end\\"_s, decodeLineBreaks(u"end\\"_s));
}

}  // namespace
}  // namespace dyt
