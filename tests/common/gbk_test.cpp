#include <gtest/gtest.h>

#include "common/gbk.h"

using namespace Qt::StringLiterals;

namespace {

using dyt::gbk::byteLength;
using dyt::gbk::decode;
using dyt::gbk::encode;

TEST(Gbk, ChineseRoundTripsAsTwoBytesPerCharacter) {
    const QString text = u"进货单ABC123"_s;
    bool ok = false;
    QByteArray bytes = encode(text, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(bytes.size(), 12);
    // 进 is 0xBD F8 in GBK.
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xBD);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xF8);
    EXPECT_EQ(decode(bytes), text);
    EXPECT_EQ(byteLength(text), 12);
}

TEST(Gbk, CharactersOutsideGbkBecomeQuestionMarks) {
    bool ok = true;
    // U+1F600 (an emoji) has no GBK code.
    QByteArray bytes = encode(u"a"_s + QString::fromUcs4(U"\U0001F600") + u"b"_s, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(bytes, QByteArray("a?b"));
    EXPECT_FALSE(dyt::gbk::isEncodable(QString::fromUcs4(U"\U0001F600")));
}

TEST(Gbk, InvalidBytesDecodeToReplacementCharacter) {
    bool ok = true;
    QString s = decode(QByteArray("a\xFF", 2) + QByteArray("b"), &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(s.startsWith(QLatin1Char('a')));
    EXPECT_TRUE(s.contains(QChar(0xFFFD)));
    // A lone lead byte at the end is a truncated character.
    ok = true;
    decode(QByteArray("x\xBD", 2), &ok);
    EXPECT_FALSE(ok);
}

TEST(Gbk, LeftBytesNeverSplitsACharacter) {
    const QString text = u"a进货"_s;
    EXPECT_EQ(dyt::gbk::leftBytes(text, 0), QString());
    EXPECT_EQ(dyt::gbk::leftBytes(text, 2), u"a"_s);
    EXPECT_EQ(dyt::gbk::leftBytes(text, 3), u"a进"_s);
    EXPECT_EQ(dyt::gbk::leftBytes(text, 100), text);
}

}  // namespace
