#include <gtest/gtest.h>

#include "common/gbk.h"
#include "common/pinyin.h"

#include <QSet>

#include <array>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using dyt::GetPinYinLeader;

struct Row {
    const char* text;  // UTF-8
    const char* expected;
};

QString u8(const char* s) {
    return QString::fromUtf8(s);
}

void expectRows(const std::vector<Row>& rows) {
    for (const Row& r : rows)
        EXPECT_EQ(GetPinYinLeader(u8(r.text)), QLatin1String(r.expected)) << r.text;
}

// The window class names are the pinyin initials of the window titles.
TEST(PinYin, TitlesPolyphonicCharactersAsciiAndOtherCharacters) {
    expectRows({
        {"进货单", "JHD"}, {"应收应付--单位明细", "YSYFDWMX"}, {"全能进销存变动表", "QNJXCBDB"},
        {"库存上下限报警设置", "KCSXXBJSZ"}, {"商品智能补货计划", "SPZNBHJH"},
        {"往来对账", "WLDZ"}});
    // Characters with several readings take the common one (see pinyin.h for the rule).
    expectRows({
        {"德盈通", "DYT"}, {"银行", "YH"},  // 行 háng: business override
        {"商行", "SH"},  // 行 háng
        {"自行车", "ZHC"},  // the price of the 行 override: xíng words read háng too
        {"进货订单执行情况", "JHDDZHQK"},  // its class name says ZX
        {"长城", "CC"},  // 长 cháng: GB2312 files it under C
        {"长虹电视", "CHDS"}, {"曾国藩", "ZGF"},  // 曾 zēng: GB2312 files it under Z
        {"翟先生", "ZXS"},  // 翟 zhái: the surname, business override
        {"番茄酱", "FQJ"},  // 茄 qié: GB2312 files it under Q
        {"厦门", "XM"},  // 厦 xià: GB2312 files it under X
        {"伺服电机", "SFDJ"},  // 伺 sì
        {"冷轧钢板", "LZGB"},  // 轧 zhá
        {"乙炔", "YQ"},  // 炔 quē
        {"果脯", "GF"},  // 脯 fǔ
        // Characters GB2312 files under their first dictionary reading keep it.
        {"重庆", "ZQ"},  // 重 zhòng
        {"单价", "DJ"},  // 单 dān
        // 调 keeps its first reading diào, although the class name of this title used tiáo.
        {"成本调价单统计", "CBDJDTJ"}});
    // ASCII letters and digits are kept, other characters dropped.
    expectRows({
        {"", ""}, {"abcXYZ", "ABCXYZ"}, {"0123456789", "0123456789"}, {"德盈通 A-1型", "DYTA1X"},
        {" !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~\t\r\n", ""}, {"（中文）、，。；：“”《》—…", "ZW"},
        {"ＡＢＣ１２３", ""},  // full-width letters and digits are not ASCII
        {"αβγ АБВ é", ""},  // other alphabets
        {"①②③ⅠⅡ", ""}, {"2024年3月", "2024N3Y"}, {"iPhone15手机壳", "IPHONE15SJK"}});
}

TEST(PinYin, ResultIsCutTo255BytesAndCharactersOutsideTheBasicPlaneAreDropped) {
    const QString chinese = u"进货"_s.repeated(200);  // 400 characters
    const QString leader = GetPinYinLeader(chinese);
    EXPECT_EQ(leader.size(), 255);
    EXPECT_EQ(leader, u"JH"_s.repeated(128).left(255));
    EXPECT_EQ(dyt::pinYinInitials(chinese).size(), 400);
    const QString ascii = u"a"_s.repeated(300);
    EXPECT_EQ(GetPinYinLeader(ascii), u"A"_s.repeated(255));
    // Dropped characters do not count against the limit.
    const QString spaced = u"a, "_s.repeated(300);
    EXPECT_EQ(GetPinYinLeader(spaced), u"A"_s.repeated(255));
    // Exactly 255 letters pass whole.
    EXPECT_EQ(GetPinYinLeader(u"b"_s.repeated(255)), u"B"_s.repeated(255));
    // U+20000 (Extension B) between two characters, written as a surrogate pair.
    const QString text = u"进"_s + QString::fromUcs4(U"\U00020000") + u"货"_s;
    EXPECT_EQ(GetPinYinLeader(text), u"JH"_s);
    // A lone surrogate is dropped as well.
    QString lone = u"a"_s;
    lone.append(QChar(0xD800));
    lone.append(QLatin1Char('b'));
    EXPECT_EQ(GetPinYinLeader(lone), u"AB"_s);
}

TEST(PinYin, SingleCodePoints) {
    const struct {
        char32_t cp;
        char expected;
        const char* why;
    } rows[] = {
        {U'啊', 'A', "first character of GB2312 level 1"},
        {U'座', 'Z', "last character of GB2312 level 1"}, {0x3007, 'L', "〇 líng, GBK A996"},
        {0xF92C, 'L', "郎 compatibility form of 郎 láng"},
        {0xF9F1, 'L', "隣 compatibility form of 隣 lín"},
        {0xFA0C, 'W', "兀 compatibility form of 兀 wù"}, {U'兙', 'S', "十克 shíkè"},
        {U'兡', 'B', "百克 bǎikè"}, {U'嗧', 'J', "加仑 jiālún"}, {U'瓱', 'H', "毫瓦 háowǎ"},
        {0x3400, 'Q', "㐀 qiū, first of Extension A"}, {U'a', '\0', "ASCII is no ideograph"},
        {0x4DC0, '\0', "Yijing hexagram symbol"}, {0xFA0E, '\0', "﨎 has no known reading"},
        {0x20000, '\0', "Extension B is not covered"}, {0xFFFF, '\0', "not a character"}};
    for (const auto& r : rows)
        EXPECT_EQ(dyt::pinYinInitial(r.cp), r.expected) << r.why;
}

// The 15 ideographs of GBK for which the pinyin source gives no reading: Japanese-made
// characters (桛), rare variants (烪, 瓼) and twelve compatibility ideographs of GBK/5 that have
// no canonical equivalent. They are dropped like non-Chinese characters.
const QSet<char32_t>& ideographsWithoutReading() {
    static const QSet<char32_t> set{0x685B, 0x70EA, 0x74FC, 0xFA0E, 0xFA0F, 0xFA11, 0xFA13, 0xFA14,
                                    0xFA1F, 0xFA21, 0xFA23, 0xFA24, 0xFA27, 0xFA28, 0xFA29};
    return set;
}

bool isCjkIdeograph(char32_t cp) {
    return (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0x3400 && cp <= 0x4DBF) ||
           (cp >= 0xF900 && cp <= 0xFAFF) || cp == 0x3007;
}

// Iterates every two-byte GBK code, decodes it and checks every ideograph gets one letter.
TEST(PinYin, EveryGbkIdeographHasAnInitial) {
    int ideographs = 0;
    int withInitial = 0;
    QSet<char32_t> without;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const char bytes[] = {static_cast<char>(lead), static_cast<char>(trail)};
            bool ok = false;
            const QString ch = dyt::gbk::decode(QByteArray(bytes, 2), &ok);
            if (!ok || ch.size() != 1)
                continue;
            const char32_t cp = ch.at(0).unicode();
            if (!isCjkIdeograph(cp)) {
                EXPECT_EQ(GetPinYinLeader(ch), QString()) << std::hex << lead << trail;
                continue;
            }
            ++ideographs;
            const QString leader = GetPinYinLeader(ch);
            if (leader.isEmpty()) {
                without.insert(cp);
                continue;
            }
            ++withInitial;
            ASSERT_EQ(leader.size(), 1) << std::hex << lead << trail;
            EXPECT_TRUE(leader.at(0) >= QLatin1Char('A') && leader.at(0) <= QLatin1Char('Z'))
                << std::hex << lead << trail;
        }
    }
    // GB2312's 6763 + GBK/3's 6080 + GBK/4's 8160 codes less its 80 unassigned FE50..FEA0 (the
    // 8080 left include 21 compatibility ideographs) + 〇 of GBK/5.
    EXPECT_EQ(ideographs, 6763 + 6080 + 8160 - 80 + 1);
    EXPECT_EQ(withInitial, ideographs - 15);
    EXPECT_EQ(without, ideographsWithoutReading());
}

// GB2312 level 1 is sorted by pinyin: the code of each character tells its initial. This checks
// all 3 755 characters against that order; two deliberately differ (business overrides).
TEST(PinYin, Gb2312LevelOneFollowsItsPinyinOrder) {
    struct Band {
        int firstCode;
        char letter;
    };
    // The first character of each letter: 啊 芭 擦 搭 蛾 发 噶 哈 击 喀 垃 妈 拿 哦 啪 期 然 撒 塌
    // 挖 昔 压 匝 (no pinyin starts with I, U or V).
    const std::array<Band, 23> bands{
        {{0xB0A1, 'A'}, {0xB0C5, 'B'}, {0xB2C1, 'C'}, {0xB4EE, 'D'}, {0xB6EA, 'E'}, {0xB7A2, 'F'},
         {0xB8C1, 'G'}, {0xB9FE, 'H'}, {0xBBF7, 'J'}, {0xBFA6, 'K'}, {0xC0AC, 'L'}, {0xC2E8, 'M'},
         {0xC4C3, 'N'}, {0xC5B6, 'O'}, {0xC5BE, 'P'}, {0xC6DA, 'Q'}, {0xC8BB, 'R'}, {0xC8F6, 'S'},
         {0xCBFA, 'T'}, {0xCDDA, 'W'}, {0xCEF4, 'X'}, {0xD1B9, 'Y'}, {0xD4D1, 'Z'}}};
    // The overrides: 行 (D0D0) is filed under xíng, read háng; 翟 (B5D4) under dí, read zhái.
    const QString overridden = u"行翟"_s;
    const QString overrideLetters = u"HZ"_s;
    int checked = 0;
    for (int lead = 0xB0; lead <= 0xD7; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            const int code = (lead << 8) | trail;
            if (code > 0xD7F9)
                break;
            char letter = 0;
            for (const Band& b : bands) {
                if (code >= b.firstCode)
                    letter = b.letter;
            }
            const char bytes[] = {static_cast<char>(lead), static_cast<char>(trail)};
            const QString ch = dyt::gbk::decode(QByteArray(bytes, 2));
            ++checked;
            if (const qsizetype k = overridden.indexOf(ch); k >= 0) {
                EXPECT_EQ(GetPinYinLeader(ch), overrideLetters.mid(k, 1)) << ch.toStdString();
                continue;
            }
            EXPECT_EQ(GetPinYinLeader(ch), QString(QLatin1Char(letter))) << ch.toStdString();
        }
    }
    EXPECT_EQ(checked, 3755);
}

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

TEST(Gbk, InvalidBytesDecodeToReplacementCharacterAndLeftBytesNeverSplitsACharacter) {
    bool ok = true;
    QString s = decode(QByteArray("a\xFF", 2) + QByteArray("b"), &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(s.startsWith(QLatin1Char('a')));
    EXPECT_TRUE(s.contains(QChar(0xFFFD)));
    // A lone lead byte at the end is a truncated character.
    ok = true;
    decode(QByteArray("x\xBD", 2), &ok);
    EXPECT_FALSE(ok);
    const QString text = u"a进货"_s;
    EXPECT_EQ(dyt::gbk::leftBytes(text, 0), QString());
    EXPECT_EQ(dyt::gbk::leftBytes(text, 2), u"a"_s);
    EXPECT_EQ(dyt::gbk::leftBytes(text, 3), u"a进"_s);
    EXPECT_EQ(dyt::gbk::leftBytes(text, 100), text);
}

}  // namespace
