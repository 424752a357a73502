#include <gtest/gtest.h>

#include <QCborStreamWriter>
#include <QDate>
#include <QDateTime>

#include <functional>
#include <limits>

#include "common/error.h"
#include "protocol/packetcodec.h"
#include "protocol/protocol.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt::proto {
namespace {

// The packet as Qt's stream writer writes it (the form every peer has always sent), with
// indefinite lengths on request: the direct writer must give the same bytes, the reader must
// take both forms.
QByteArray streamPacket(const RecordSet& rs, bool indefinite) {
    QByteArray out;
    QCborStreamWriter w(&out);
    auto array = [&](qsizetype n) { indefinite ? w.startArray() : w.startArray(quint64(n)); };
    indefinite ? w.startMap() : w.startMap(2);
    w.append("fields"_L1);
    array(rs.fieldCount());
    for (const Field& f : rs.fields()) {
        array(4);
        w.append(f.name);
        w.append(fieldTypeName(f.type));
        w.append(qint64(f.size));
        w.append(f.displayName);
        w.endArray();
    }
    w.endArray();
    w.append("rows"_L1);
    array(rs.rowCount());
    for (int r = 0; r < rs.rowCount(); ++r) {
        array(rs.fieldCount());
        for (int c = 0; c < rs.fieldCount(); ++c) {
            const QVariant& v = rs.at(r, c);
            if (!v.isValid()) {
                w.appendNull();
                continue;
            }
            switch (rs.fields()[c].type) {
                case FieldType::Text:
                    w.append(v.toString());
                    break;
                case FieldType::Integer:
                    w.append(qint64(v.toLongLong()));
                    break;
                case FieldType::Float:
                    w.append(v.toDouble());
                    break;
                case FieldType::Currency:
                    w.append(QCborTag(kTagCurrency));
                    w.append(qint64(v.value<Currency>().raw()));
                    break;
                case FieldType::Date:
                    w.append(formatDate(v.toDate()));
                    break;
                case FieldType::DateTime:
                    w.append(formatDateTime(v.toDateTime()));
                    break;
                case FieldType::Boolean:
                    w.append(v.toBool());
                    break;
                case FieldType::Blob:
                    w.append(v.toByteArray());
                    break;
            }
        }
        w.endArray();
    }
    w.endArray();
    w.endMap();
    return out;
}

RecordSet sample() {
    RecordSet rs = test::withFields(
        "t text 40, i integer, f float, m currency, d date, s datetime, b boolean, x blob");
    rs.field(0).displayName = u"商品名称"_s;
    rs.appendRow({u"德盈通 ü 😀 end"_s, qint64(-24), 1.0 / 3,
                  QVariant::fromValue(Currency::fromRaw(40002)), QDate(2026, 2, 28),
                  QDateTime(QDate(999, 1, 2), QTime(3, 4, 5)), true, QByteArray(300, 'z')});
    rs.appendRow({QString(70000, u'长'), std::numeric_limits<qint64>::min(), -0.0,
                  QVariant::fromValue(Currency::fromRaw(std::numeric_limits<qint64>::max())),
                  QDate(9999, 6, 7), QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)), false,
                  QByteArray()});
    rs.appendRow({QVariant(), std::numeric_limits<qint64>::max(), 1e300, QVariant(),
                  QDate(100, 3, 15), QVariant(), QVariant(), QVariant()});
    rs.appendRow({u""_s, qint64(23), 65536.0, QVariant::fromValue(Currency::fromRaw(-24)),
                  QDate(1, 1, 1), QDateTime(QDate(1, 1, 1), QTime(0, 0)), true,
                  QByteArray(1, '\0')});
    return rs;
}

void expectSame(const RecordSet& a, const RecordSet& b, const char* what) {
    ASSERT_EQ(a.fieldCount(), b.fieldCount()) << what;
    ASSERT_EQ(a.rowCount(), b.rowCount()) << what;
    for (int c = 0; c < a.fieldCount(); ++c)
        EXPECT_EQ(a.field(c).displayName, b.field(c).displayName) << what;
    for (int r = 0; r < a.rowCount(); ++r) {
        for (int c = 0; c < a.fieldCount(); ++c) {
            if (a.fields()[c].type == FieldType::Currency && a.at(r, c).isValid())
                EXPECT_EQ(a.at(r, c).value<Currency>().raw(), b.at(r, c).value<Currency>().raw());
            else
                EXPECT_EQ(a.at(r, c), b.at(r, c)) << what << " row " << r << " col " << c;
        }
    }
}

TEST(PacketCodec, WritesTheStreamWritersBytesAndReadsBothLengthForms) {
    const RecordSet rs = sample();
    EXPECT_EQ(streamPacket(rs, false), packetcodec::encode(rs));
    // Dates beyond the four-digit years are written in their general form, as they always were.
    RecordSet odd = test::withFields("d date, s datetime");
    odd.appendRow({QDate(12345, 6, 7), QDateTime(QDate(-44, 3, 15), QTime(12, 0))});
    odd.appendRow({QDate(), QDateTime()});
    EXPECT_EQ(streamPacket(odd, false), packetcodec::encode(odd));
    // Definite lengths (the direct reader) and indefinite ones (the stream reader behind it)
    // give the same record set.
    for (const bool indefinite : {false, true}) {
        const QByteArray bytes = streamPacket(rs, indefinite);
        RecordSet direct;
        EXPECT_EQ(!indefinite, packetcodec::decode(bytes.constData(), bytes.size(), &direct));
        const RecordSet back =
            recordSetFromCbor(QCborValue(QCborTag(kTagRecordSet), QCborValue(bytes)));
        expectSame(rs, back, indefinite ? "indefinite" : "definite");
        if (!indefinite)
            expectSame(back, direct, "direct");
    }
}

TEST(PacketCodec, TheRowReaderGivesTheCellsInPlaceAndStopsAtAFault) {
    const RecordSet rs = sample();
    const QByteArray bytes = packetcodec::encode(rs);
    packetcodec::RowReader rows;
    ASSERT_TRUE(rows.open(bytes.constData(), bytes.size()));
    ASSERT_EQ(rs.rowCount(), rows.rowCount());
    RecordSet back;
    back.copyStructure(rs);
    while (rows.next()) {
        RecordSet::Row row;
        for (int c = 0; c < rs.fieldCount(); ++c)
            row << rows.value(c);
        back.appendRow(row);
    }
    EXPECT_TRUE(rows.ok());
    expectSame(rs, back, "row reader");
    // The first row's text lies in the bytes as UTF-8; the integer as its value.
    ASSERT_TRUE(rows.open(bytes.constData(), bytes.size()) && rows.next());
    EXPECT_EQ(packetcodec::RowReader::Cell::Text, rows.cell(0).kind);
    EXPECT_EQ(u"德盈通 ü 😀 end"_s.toUtf8(), QByteArray(rows.cell(0).data, rows.cell(0).size));
    EXPECT_EQ(-24, rows.cell(1).integer);
    // Cut short inside the last row: the rows before it come, then the reader reports the fault.
    packetcodec::RowReader cut;
    ASSERT_TRUE(cut.open(bytes.constData(), bytes.size() - 2));
    int read = 0;
    while (cut.next())
        ++read;
    EXPECT_EQ(rs.rowCount() - 1, read);
    EXPECT_FALSE(cut.ok());
    // Indefinite lengths are left to the general reader.
    const QByteArray other = streamPacket(rs, true);
    EXPECT_FALSE(packetcodec::RowReader().open(other.constData(), other.size()));
}

TEST(PacketCodec, TextCellsMustBeWellFormedUtf8) {
    // {fields: [["t", "text", 0]], rows: [[<text>]]} around the bytes of one text cell.
    auto packet = [](const QByteArray& cell) {
        return QByteArray::fromHex("a2666669656c64738183617464746578740064726f77738181") + cell;
    };
    struct Case {
        const char* hex;
        const char* text;  // expected UTF-8, or null when refused
    };
    const Case cases[] = {
        {"63e4b8ad", "\xe4\xb8\xad"},        // 中
        {"64f09f9880", "\xf0\x9f\x98\x80"},  // a pair of surrogates in UTF-16
        {"7801"
         "41",
         "A"},                    // a length in the longer form is still read
        {"62c0af", nullptr},      // overlong "/"
        {"63eda080", nullptr},    // a surrogate written as UTF-8
        {"64f4908080", nullptr},  // above U+10FFFF
        {"62e4b8", nullptr},      // cut short
        {"61ff", nullptr},        // never in UTF-8
    };
    for (const Case& c : cases) {
        const QByteArray bytes = packet(QByteArray::fromHex(c.hex));
        const QCborValue value{QCborTag(kTagRecordSet), QCborValue(bytes)};
        if (!c.text) {
            EXPECT_THROW(recordSetFromCbor(value), DytError) << c.hex;
            continue;
        }
        RecordSet direct;
        ASSERT_TRUE(packetcodec::decode(bytes.constData(), bytes.size(), &direct)) << c.hex;
        EXPECT_EQ(QString::fromUtf8(c.text), direct.at(0, 0).toString()) << c.hex;
    }
}

TEST(PacketCodec, TheRowWriterGivesTheBytesOfTheRecordSet) {
    // Every cell written typed (each typed writer on every field type: a mismatch converts as
    // a record set converts), then as a value: the bytes are those of encode() on the record set
    // the same values make.
    const RecordSet rs = sample();
    packetcodec::Writer typed(rs.fields());
    packetcodec::Writer general(rs.fields());
    for (int r = 0; r < rs.rowCount(); ++r) {
        typed.beginRow();
        general.beginRow();
        for (int c = 0; c < rs.fieldCount(); ++c) {
            const QVariant& v = rs.at(r, c);
            general.value(v);
            if (!v.isValid())
                typed.null();
            else if (c == 0)
                typed.utf8(v.toString().toUtf8().constData(), v.toString().toUtf8().size());
            else if (c == 1)
                typed.integer(v.toLongLong());
            else if (c == 2)
                typed.real(v.toDouble());
            else if (c == 3)
                typed.currency(v.value<Currency>().raw());
            else if (c == 6)
                typed.boolean(v.toBool());
            else
                typed.value(v);
        }
    }
    const QByteArray expected = packetcodec::encode(rs);
    EXPECT_EQ(expected, typed.finish());
    EXPECT_EQ(expected, general.finish());

    // Typed cells on fields of other types, and malformed UTF-8: as appendRow() takes them, or
    // refused as it refuses them.
    const RecordSet mixed = test::withFields("t text, i integer, f float, m currency, b boolean");
    const QByteArray texts[] = {QByteArray("12.5"), QByteArray("\xc0\xaf\xed\xa0\x80x\xff", 7),
                                QByteArray("\xef\xbb\xbf\xe4\xb8\xad", 6), QByteArray(" 7 "),
                                QByteArray()};
    const qint64 numbers[] = {3, -1, 0, std::numeric_limits<qint64>::min()};
    for (const Field& f : mixed.fields()) {
        auto check = [&](const QVariant& v, const std::function<void(packetcodec::Writer&)>& put) {
            RecordSet one;
            one.addField(f.name, f.type);
            packetcodec::Writer w(one.fields());
            w.beginRow();
            try {
                one.appendRow({v});
            } catch (const DytError&) {
                EXPECT_THROW(put(w), DytError)
                    << f.name.toStdString() << v.toString().toStdString();
                return;
            }
            put(w);
            EXPECT_EQ(packetcodec::encode(one), w.finish()) << f.name.toStdString();
        };
        for (const QByteArray& t : texts)
            check(QString::fromUtf8(t),
                  [&](packetcodec::Writer& w) { w.utf8(t.constData(), t.size()); });
        for (const qint64 n : numbers)
            check(n, [&](packetcodec::Writer& w) { w.integer(n); });
        check(2.5, [](packetcodec::Writer& w) { w.real(2.5); });
        check(true, [](packetcodec::Writer& w) { w.boolean(true); });
    }

    // A row short of cells, or one cell too many, is refused.
    packetcodec::Writer shortRow(mixed.fields());
    shortRow.beginRow();
    shortRow.integer(1);
    EXPECT_THROW(shortRow.beginRow(), DytError);
    packetcodec::Writer longRow(test::withFields("i integer").fields());
    longRow.beginRow();
    longRow.integer(1);
    EXPECT_THROW(longRow.integer(2), DytError);
}

}  // namespace
}  // namespace dyt::proto
