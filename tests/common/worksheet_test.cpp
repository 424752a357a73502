#include <gtest/gtest.h>

#include <QBuffer>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "common/currency.h"
#include "common/error.h"
#include "common/recordset.h"
#include "common/worksheet.h"
#include "support/testutil.h"
#include "support/worksheetreader.h"

using namespace Qt::StringLiterals;

namespace {

using dyt::DytError;
using dyt::RecordSet;
using dyt::test::sheetCells;
using dyt::test::withFields;

QString cellsOf(const RecordSet& s) {
    return sheetCells(dyt::worksheet::toBytes(s));
}

RecordSet goods() {
    RecordSet s = withFields("code text, qty integer, price currency");
    s.field(0).displayName = u"编号"_s;
    s.appendRow({u" A1 "_s, 5, u"12.5"_s});
    s.appendRow({QVariant(), -3, QVariant()});
    return s;
}

TEST(Worksheet, WritesBofCaptionsOneRowPerRecordAndEof) {
    const QByteArray bytes = dyt::worksheet::toBytes(goods());
    // The first label of the whole file, byte by byte: record, length 12, row 0, column 0,
    // format 0, text length 4, then 编号 in GBK.
    EXPECT_EQ(bytes.mid(12, 16).toHex(), QByteArray("04020c000000000000000400b1e0bac5"));
    EXPECT_EQ(sheetCells(bytes), u"L:b1e0bac5|L:qty|L:price\nL:A1|K:5|N:12.5\nB|K:-3|B"_s);
    // Integers outside thirty bits become numbers.
    RecordSet s = withFields("n integer");
    const qint64 big = qint64{1} << 29;
    for (qint64 v : {qint64{0}, qint64{-1}, big - 1, big, -big, -big - 1, qint64{1000000000000}})
        s.appendRow({v});
    EXPECT_EQ(cellsOf(s).split(u'\n'),
              QStringList({u"L:n"_s, u"K:0"_s, u"K:-1"_s, u"K:536870911"_s, u"N:536870912"_s,
                           u"K:-536870912"_s, u"N:-536870913"_s, u"N:1000000000000"_s}));
}

TEST(Worksheet, FloatsAndCurrencyAreNumbersOtherKindsAreTrimmedLabels) {
    RecordSet s = withFields(
        "rate float, money currency, d date, stamp datetime, flag boolean, pic blob, name text");
    s.appendRow({0.1, u"-1234.5678"_s, QDate(2024, 3, 1), u"2024-03-01 08:09:10"_s, true,
                 QByteArray("\x01\x02", 2), u"  进货单 \t"_s});
    s.appendRow({QVariant(), QVariant(), QVariant(), QVariant(), false, QVariant(), QString()});
    const QStringList rows = cellsOf(s).split(u'\n');
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[1], u"N:%1|N:%2|L:2024-03-01|L:2024-03-01 08:09:10|L:1|B|L:bdf8bbf5b5a5"_s.arg(
                           QString::number(0.1, 'g', 17), QString::number(-1234.5678, 'g', 17)));
    EXPECT_EQ(rows[2], u"B|B|B|B|L:0|B|L:"_s);
    // Labels are cut at 255 bytes without splitting a character.
    const QString huo = u"货"_s;  // two GBK bytes: bb f5
    const struct {
        QString text;
        int expectedBytes;
    } cases[] = {
        {QString(300, QLatin1Char('a')), 255},
        {QString(200, QLatin1Char('a')) + huo.repeated(100), 254},
        {QString(201, QLatin1Char('a')) + huo.repeated(100), 255}, {huo.repeated(200), 254},
        {QString(255, QLatin1Char('a')), 255}, {QString(253, QLatin1Char('a')) + huo, 255}};
    for (const auto& c : cases) {
        RecordSet one = withFields("t text");
        one.appendRow({c.text});
        const auto recs = dyt::test::sheetRecords(dyt::worksheet::toBytes(one));
        ASSERT_EQ(recs.size(), 4);
        const QByteArray& body = recs[2].body;
        EXPECT_EQ(dyt::test::u16(body, 6), c.expectedBytes);
        EXPECT_EQ(body.size(), 8 + c.expectedBytes);
        // The kept bytes are a whole prefix of the GBK text: no lead byte is left alone.
        const QByteArray kept = body.mid(8);
        int at = 0;
        while (at < kept.size())
            at += static_cast<unsigned char>(kept[at]) >= 0x81 ? 2 : 1;
        EXPECT_EQ(at, kept.size());
    }
}

TEST(Worksheet, WritesTheVisibleRowsInCursorOrder) {
    RecordSet s = withFields("code text, n integer");
    for (int i = 0; i < 6; ++i)
        s.appendRow({u"c%1"_s.arg(i), (i * 7) % 6});
    s.setFilter(u"n <> 3"_s);
    s.sort(u"n"_s, Qt::DescendingOrder);
    // n: c0 0, c1 1, c2 2, c3 3, c4 4, c5 5; without 3, descending.
    EXPECT_EQ(cellsOf(s), u"L:code|L:n\nL:c5|K:5\nL:c4|K:4\nL:c2|K:2\nL:c1|K:1\nL:c0|K:0"_s);
    // More rows or columns than the format holds are refused.
    RecordSet many = withFields("n integer");
    for (int i = 0; i < dyt::worksheet::kMaxRows; ++i)
        many.appendRow({i});
    const QStringList rows = cellsOf(many).split(u'\n');
    ASSERT_EQ(rows.size(), 65536);
    EXPECT_EQ(rows.last(), u"K:65534"_s);
    many.appendRow({1});
    const QString error = dyt::test::errorOf([&] { dyt::worksheet::toBytes(many); });
    EXPECT_TRUE(error.contains(u"65536"_s)) << error.toStdString();
    EXPECT_TRUE(error.contains(u"65535"_s)) << error.toStdString();
    // Under a filter only the visible rows count.
    many.setFilter(u"n < 10"_s);
    EXPECT_NO_THROW(dyt::worksheet::toBytes(many));
    RecordSet wide;
    for (int c = 0; c < 257; ++c)
        wide.addField(u"f%1"_s.arg(c), dyt::FieldType::Text);
    EXPECT_THROW(dyt::worksheet::toBytes(wide), DytError);
}

TEST(Worksheet, SaveWritesTheWholeFileOrLeavesTheOldOneAlone) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath(u"数据-2024_03_01-08_09_10.xls"_s);
    const RecordSet s = goods();
    dyt::test::writeFile(name, "old contents");
    dyt::worksheet::save(s, name);
    EXPECT_EQ(dyt::test::readFile(name), dyt::worksheet::toBytes(s));
    // An export that fails keeps the file that was there and leaves no other file behind.
    RecordSet tooMany = withFields("n integer");
    for (int i = 0; i <= dyt::worksheet::kMaxRows; ++i)
        tooMany.appendRow({i});
    EXPECT_THROW(dyt::worksheet::save(tooMany, name), DytError);
    EXPECT_EQ(dyt::test::readFile(name), dyt::worksheet::toBytes(s));
    // A folder that does not exist: an error, and no file.
    const QString lost = dir.filePath(u"nosuch/out.xls"_s);
    EXPECT_THROW(dyt::worksheet::save(s, lost), DytError);
    EXPECT_FALSE(QFile::exists(lost));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    // A write goes to an open device.
    QByteArray target;
    QBuffer buffer(&target);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    dyt::worksheet::write(s, &buffer);
    EXPECT_EQ(target, dyt::worksheet::toBytes(s));
    QBuffer readOnly;
    ASSERT_TRUE(readOnly.open(QIODevice::ReadOnly));
    EXPECT_THROW(dyt::worksheet::write(s, &readOnly), DytError);
}

}  // namespace
