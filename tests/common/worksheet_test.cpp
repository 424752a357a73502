#include <gtest/gtest.h>

#include <QBuffer>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>

#include "common/currency.h"
#include "common/error.h"
#include "common/recordset.h"
#include "common/worksheet.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace {

using dyt::DytError;
using dyt::FieldType;
using dyt::RecordSet;

// --- a small reader of the format, written from the record layout alone

struct Record {
    int type = 0;
    QByteArray body;
};

int u16(const QByteArray& b, int at) {
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}

quint32 u32(const QByteArray& b, int at) {
    return static_cast<quint32>(u16(b, at)) | (static_cast<quint32>(u16(b, at + 2)) << 16);
}

double f64(const QByteArray& b, int at) {
    quint64 bits = static_cast<quint64>(u32(b, at)) | (static_cast<quint64>(u32(b, at + 4)) << 32);
    double d = 0;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// Splits the bytes into records; a truncated record is a test failure.
QList<Record> records(const QByteArray& bytes) {
    QList<Record> out;
    int at = 0;
    while (at < bytes.size()) {
        if (at + 4 > bytes.size()) {
            ADD_FAILURE() << "truncated record header at " << at;
            break;
        }
        Record r;
        r.type = u16(bytes, at);
        const int length = u16(bytes, at + 2);
        if (at + 4 + length > bytes.size()) {
            ADD_FAILURE() << "truncated record body at " << at;
            break;
        }
        r.body = bytes.mid(at + 4, length);
        out.append(r);
        at += 4 + length;
    }
    return out;
}

// One cell, decoded: "L:text" (GBK bytes as hex when not ASCII), "K:int", "N:double", "B".
struct Cell {
    int row = -1;
    int column = -1;
    QString value;
};

QList<Cell> cells(const QList<Record>& recs) {
    QList<Cell> out;
    for (const Record& r : recs) {
        if (r.type == 0x0809 || r.type == 0x000A)
            continue;
        Cell c;
        c.row = u16(r.body, 0);
        c.column = u16(r.body, 2);
        EXPECT_EQ(u16(r.body, 4), 0) << "format index";
        switch (r.type) {
            case 0x0201:
                EXPECT_EQ(r.body.size(), 6);
                c.value = u"B"_s;
                break;
            case 0x027E: {
                EXPECT_EQ(r.body.size(), 10);
                const quint32 raw = u32(r.body, 6);
                EXPECT_EQ(raw & 3u, 2u) << "an RK integer has bit 1 set and bit 0 clear";
                const qint32 value = (static_cast<qint32>(raw) - 2) / 4;
                c.value = u"K:%1"_s.arg(value);
                break;
            }
            case 0x0203:
                EXPECT_EQ(r.body.size(), 14);
                c.value = u"N:%1"_s.arg(f64(r.body, 6), 0, 'g', 17);
                break;
            case 0x0204: {
                const int length = u16(r.body, 6);
                EXPECT_EQ(r.body.size(), 8 + length);
                const QByteArray text = r.body.mid(8, length);
                bool ascii = true;
                for (char ch : text)
                    ascii = ascii && static_cast<unsigned char>(ch) < 0x80;
                c.value = u"L:"_s +
                          (ascii ? QString::fromLatin1(text) : QString::fromLatin1(text.toHex()));
                break;
            }
            default:
                ADD_FAILURE() << "unexpected record " << r.type;
                break;
        }
        out.append(c);
    }
    return out;
}

QStringList values(const QList<Cell>& cs) {
    QStringList out;
    for (const Cell& c : cs)
        out << c.value;
    return out;
}

QStringList split(const char* text) {
    return QString::fromUtf8(text).split(QLatin1Char('|'));
}

RecordSet goods() {
    RecordSet s;
    s.addField(u"code"_s, FieldType::Text);
    s.addField(u"qty"_s, FieldType::Integer);
    s.addField(u"price"_s, FieldType::Currency);
    s.field(0).displayName = u"编号"_s;
    s.appendRow({u" A1 "_s, 5, u"12.5"_s});
    s.appendRow({QVariant(), -3, QVariant()});
    return s;
}

TEST(Worksheet, WritesBofCaptionsOneRowPerRecordAndEof) {
    const QByteArray bytes = dyt::worksheet::toBytes(goods());
    const QList<Record> recs = records(bytes);
    ASSERT_EQ(recs.size(), 1 + 3 + 6 + 1);
    EXPECT_EQ(recs.first().type, 0x0809);
    EXPECT_EQ(recs.first().body.toHex(), QByteArray("0000100000000000"));
    EXPECT_EQ(recs.last().type, 0x000A);
    EXPECT_EQ(recs.last().body.size(), 0);
    // The first label of the whole file, byte by byte: record, length 12, row 0, column 0,
    // format 0, text length 4, then 编号 in GBK.
    EXPECT_EQ(bytes.mid(12, 16).toHex(), QByteArray("0402"
                                                    "0c00"
                                                    "0000"
                                                    "0000"
                                                    "0000"
                                                    "0400"
                                                    "b1e0bac5"));
    const QList<Cell> cs = cells(recs);
    EXPECT_EQ(values(cs), split("L:b1e0bac5|L:qty|L:price|L:A1|K:5|N:12.5|B|K:-3|B"));
    // The position moves right per cell and to column 0 of the next row after the last field.
    QStringList positions;
    for (const Cell& c : cs)
        positions << u"%1,%2"_s.arg(c.row).arg(c.column);
    EXPECT_EQ(positions, split("0,0|0,1|0,2|1,0|1,1|1,2|2,0|2,1|2,2"));
}

TEST(Worksheet, IntegersOutsideThirtyBitsBecomeNumbers) {
    RecordSet s;
    s.addField(u"n"_s, FieldType::Integer);
    const qint64 big = qint64{1} << 29;
    for (qint64 v : {qint64{0}, qint64{-1}, big - 1, big, -big, -big - 1, qint64{1000000000000}}) {
        s.appendRow({v});
    }
    const QList<Cell> cs = cells(records(dyt::worksheet::toBytes(s)));
    EXPECT_EQ(values(cs), split("L:n|K:0|K:-1|K:536870911|N:536870912|K:-536870912|N:-536870913|"
                                "N:1000000000000"));
}

TEST(Worksheet, FloatsAndCurrencyAreNumbersOtherKindsAreTrimmedLabels) {
    RecordSet s;
    s.addField(u"rate"_s, FieldType::Float);
    s.addField(u"money"_s, FieldType::Currency);
    s.addField(u"d"_s, FieldType::Date);
    s.addField(u"stamp"_s, FieldType::DateTime);
    s.addField(u"flag"_s, FieldType::Boolean);
    s.addField(u"pic"_s, FieldType::Blob);
    s.addField(u"name"_s, FieldType::Text);
    s.appendRow({0.1, u"-1234.5678"_s, QDate(2024, 3, 1), u"2024-03-01 08:09:10"_s, true,
                 QByteArray("\x01\x02", 2), u"  进货单 \t"_s});
    s.appendRow({QVariant(), QVariant(), QVariant(), QVariant(), false, QVariant(), QString()});
    const QList<Cell> cs = cells(records(dyt::worksheet::toBytes(s)));
    const QString n1 = u"N:"_s + QString::number(0.1, 'g', 17);
    const QString n2 = u"N:"_s + QString::number(-1234.5678, 'g', 17);
    const QStringList expected =
        QStringList{n1, n2} + split(
                                  "L:2024-03-01|L:2024-03-01 08:09:10|L:1|B|"
                                  "L:bdf8bbf5b5a5|B|B|B|B|L:0|B|L:");
    EXPECT_EQ(values(cs).mid(7), expected);
}

TEST(Worksheet, LabelsAreCutAt255BytesWithoutSplittingACharacter) {
    const QString huo = u"货"_s;  // two GBK bytes: bb f5
    const struct {
        QString text;
        int expectedBytes;
    } cases[] = {{QString(300, QLatin1Char('a')), 255},
                 {QString(200, QLatin1Char('a')) + huo.repeated(100), 254},
                 {QString(201, QLatin1Char('a')) + huo.repeated(100), 255},
                 {huo.repeated(200), 254},
                 {QString(255, QLatin1Char('a')), 255},
                 {QString(253, QLatin1Char('a')) + huo, 255}};
    for (const auto& c : cases) {
        RecordSet s;
        s.addField(u"t"_s, FieldType::Text);
        s.appendRow({c.text});
        const QList<Record> recs = records(dyt::worksheet::toBytes(s));
        ASSERT_EQ(recs.size(), 4);
        const QByteArray& body = recs[2].body;
        EXPECT_EQ(u16(body, 6), c.expectedBytes);
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
    RecordSet s;
    s.addField(u"code"_s, FieldType::Text);
    s.addField(u"n"_s, FieldType::Integer);
    for (int i = 0; i < 6; ++i)
        s.appendRow({u"c%1"_s.arg(i), (i * 7) % 6});
    s.setFilter(u"n <> 3"_s);
    s.sort(u"n"_s, Qt::DescendingOrder);
    const QList<Cell> cs = cells(records(dyt::worksheet::toBytes(s)));
    // n: c0 0, c1 1, c2 2, c3 3, c4 4, c5 5; without 3, descending.
    EXPECT_EQ(values(cs), split("L:code|L:n|L:c5|K:5|L:c4|K:4|L:c2|K:2|L:c1|K:1|L:c0|K:0"));
}

TEST(Worksheet, RefusesMoreRowsOrColumnsThanTheFormatHolds) {
    RecordSet s;
    s.addField(u"n"_s, FieldType::Integer);
    for (int i = 0; i < dyt::worksheet::kMaxRows; ++i)
        s.appendRow({i});
    const QList<Cell> cs = cells(records(dyt::worksheet::toBytes(s)));
    ASSERT_EQ(cs.size(), 65536);
    EXPECT_EQ(cs.last().row, 65535);
    EXPECT_EQ(cs.last().value, u"K:65534"_s);
    s.appendRow({1});
    const QString error = dyt::test::errorOf([&] { dyt::worksheet::toBytes(s); });
    EXPECT_TRUE(error.contains(u"65536"_s)) << error.toStdString();
    EXPECT_TRUE(error.contains(u"65535"_s)) << error.toStdString();
    // Under a filter only the visible rows count.
    s.setFilter(u"n < 10"_s);
    EXPECT_NO_THROW(dyt::worksheet::toBytes(s));

    RecordSet wide;
    for (int c = 0; c < 257; ++c)
        wide.addField(u"f%1"_s.arg(c), FieldType::Text);
    EXPECT_THROW(dyt::worksheet::toBytes(wide), DytError);
}

TEST(Worksheet, SaveWritesTheWholeFileOrLeavesTheOldOneAlone) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath(u"数据-2024_03_01-08_09_10.xls"_s);
    const RecordSet s = goods();
    dyt::worksheet::save(s, name);
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), dyt::worksheet::toBytes(s));
    f.close();

    // An export that fails keeps the file that was there.
    RecordSet tooMany;
    tooMany.addField(u"n"_s, FieldType::Integer);
    for (int i = 0; i <= dyt::worksheet::kMaxRows; ++i)
        tooMany.appendRow({i});
    EXPECT_THROW(dyt::worksheet::save(tooMany, name), DytError);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), dyt::worksheet::toBytes(s));
    f.close();

    // A folder that does not exist: an error, and no file.
    const QString lost = dir.filePath(u"nosuch/out.xls"_s);
    EXPECT_THROW(dyt::worksheet::save(s, lost), DytError);
    EXPECT_FALSE(QFile::exists(lost));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST(Worksheet, WriteGoesToAnOpenDevice) {
    const RecordSet s = goods();
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
