#include <gtest/gtest.h>

#include <QCborMap>
#include <QDate>
#include <QDateTime>
#include <QTcpServer>

#include <limits>

#include "common/error.h"
#include "protocol/client.h"
#include "protocol/protocol.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt::proto {
namespace {

RecordSet allTypes() {
    RecordSet rs = test::withFields("text text 40, int integer, float float, money currency, "
        "day date, stamp datetime, flag boolean, data blob");
    rs.field(0).displayName = u"商品名称"_s;
    rs.appendRow({u"德盈通 商品'甲'\t\n"_s, qint64(-42), 3.25,
                  QVariant::fromValue(Currency::fromRaw(std::numeric_limits<qint64>::max())),
                  QDate(2026, 2, 28), QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58)), true,
                  QByteArray("\x00\x01\xff", 3)});
    rs.appendRow({QString(), std::numeric_limits<qint64>::min(), -0.0001,
                  QVariant::fromValue(Currency::fromRaw(std::numeric_limits<qint64>::min())),
                  QDate(1, 1, 1), QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0)), false,
                  QByteArray()});
    // A row of Nulls in every column.
    rs.appendRow({QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(),
                  QVariant(), QVariant()});
    rs.appendRow({u""_s, qint64(0), 0.0, QVariant::fromValue(Currency::fromRaw(1)), QVariant(),
                  QVariant(), QVariant(), QByteArray(1, '\0')});
    return rs;
}

TEST(RecordSetPacket, EveryFieldTypeRoundTripsInTheAgreedForm) {
    const RecordSet in = allTypes();
    // Through the encoded bytes, as it travels.
    const QByteArray bytes = recordSetToCbor(in).toCbor();
    const RecordSet out = recordSetFromCbor(decodePayload(bytes));
    ASSERT_EQ(in.fieldCount(), out.fieldCount());
    for (int c = 0; c < in.fieldCount(); ++c) {
        EXPECT_EQ(in.fields()[c].name, out.fields()[c].name);
        EXPECT_EQ(in.fields()[c].type, out.fields()[c].type) << c;
        EXPECT_EQ(in.fields()[c].size, out.fields()[c].size) << c;
        EXPECT_EQ(in.fields()[c].displayName, out.fields()[c].displayName) << c;
    }
    ASSERT_EQ(in.rowCount(), out.rowCount());
    for (int r = 0; r < in.rowCount(); ++r) {
        for (int c = 0; c < in.fieldCount(); ++c) {
            const QVariant& a = in.at(r, c);
            const QVariant& b = out.at(r, c);
            EXPECT_EQ(a.isValid(), b.isValid()) << "row " << r << " col " << c;
            if (!a.isValid())
                continue;
            if (in.fields()[c].type == FieldType::Currency) {
                EXPECT_EQ(a.value<Currency>().raw(), b.value<Currency>().raw());
            } else {
                EXPECT_EQ(a, b) << "row " << r << " col " << c;
            }
        }
    }
    // Dates and currency travel in the agreed form.
    RecordSet rs = test::withFields("d date, t datetime, m currency");
    rs.appendRow({QDate(2026, 3, 5), QDateTime(QDate(2026, 3, 5), QTime(7, 8, 9)),
                  QVariant::fromValue(Currency::fromRaw(123456))});
    const QCborArray row = QCborValue::fromCbor(recordSetToCbor(rs).taggedValue().toByteArray())
                               .toMap()
                               .value(u"rows"_s)
                               .toArray()
                               .at(0)
                               .toArray();
    EXPECT_EQ(u"2026-03-05"_s, row.at(0).toString());
    EXPECT_EQ(u"2026-03-05 07:08:09"_s, row.at(1).toString());
    EXPECT_EQ(QCborTag(kTagCurrency), row.at(2).tag());
    EXPECT_EQ(123456, row.at(2).taggedValue().toInteger());
}

TEST(RecordSetPacket, MisfitCellsAndMalformedPacketsAreRefused) {
    struct Case {
        const char* name;
        FieldType type;
        QCborValue value;
    };
    const Case cases[] = {
        {"text given integer", FieldType::Text, QCborValue(5)},
        {"integer given text", FieldType::Integer, QCborValue(u"5"_s)},
        {"integer given double", FieldType::Integer, QCborValue(1.5)},
        {"currency without tag", FieldType::Currency, QCborValue(10000)},
        {"currency with other tag", FieldType::Currency, QCborValue(QCborTag(99), 1)},
        {"date not a date", FieldType::Date, QCborValue(u"2026-13-01"_s)},
        {"date in other format", FieldType::Date, QCborValue(u"01/02/2026"_s)},
        {"datetime without time", FieldType::DateTime, QCborValue(u"2026-01-01"_s)},
        {"boolean given integer", FieldType::Boolean, QCborValue(1)},
        {"blob given text", FieldType::Blob, QCborValue(u"ab"_s)}};
    for (const Case& c : cases)
        EXPECT_THROW(cellFromCbor(c.value, c.type), DytError) << c.name;
    // Float accepts integers (a whole number may be encoded compactly).
    EXPECT_EQ(QVariant(7.0), cellFromCbor(QCborValue(7), FieldType::Float));
}

QCborMap map(std::initializer_list<std::pair<const char*, QCborValue>> items) {
    QCborMap m;
    for (const auto& [k, v] : items)
        m.insert(QString::fromLatin1(k), v);
    return m;
}

// A packet around hand-made content.
QCborValue packetOf(const QByteArray& content) {
    return QCborValue(QCborTag(kTagRecordSet), QCborValue(content));
}
QCborValue packetOf(const QCborMap& m) {
    return packetOf(QCborValue(m).toCbor());
    // Malformed packets are refused.
    const QCborArray textField{u"a"_s, u"text"_s, 0};
    const QByteArray good = recordSetToCbor(allTypes()).taggedValue().toByteArray();
    struct Case {
        const char* name;
        QCborValue packet;
    };
    const Case cases[] = {
        {"plain text", QCborValue(u"not a packet"_s)}, {"untagged bytes", QCborValue(good)},
        {"tag around a map", QCborValue(QCborTag(kTagRecordSet), QCborMap())},
        {"no rows", packetOf(map({{"fields", QCborArray{textField}}}))},
        {"no fields", packetOf(map({{"rows", QCborArray()}}))},
        {"unknown type",
         packetOf(map({{"fields", QCborArray{QCborArray{u"a"_s, u"nosuchtype"_s, 0}}},
                       {"rows", QCborArray()}}))},
        {"size not a number",
         packetOf(map({{"fields", QCborArray{QCborArray{u"a"_s, u"text"_s, u"9"_s}}},
                       {"rows", QCborArray()}}))},
        {"short row", packetOf(map({{"fields", QCborArray{textField, textField}},
                                    {"rows", QCborArray{QCborArray{u"x"_s}}}}))},
        {"long row", packetOf(map({{"fields", QCborArray{textField}},
                                   {"rows", QCborArray{QCborArray{u"x"_s, u"y"_s}}}}))},
        {"cell of the wrong type",
         packetOf(map({{"fields", QCborArray{textField}}, {"rows", QCborArray{QCborArray{5}}}}))},
        {"unknown member",
         packetOf(map({{"fields", QCborArray{textField}}, {"rows", QCborArray()}, {"extra", 1}}))},
        {"truncated content", packetOf(good.left(good.size() - 3))},
        {"trailing bytes", packetOf(good + QByteArray(1, '\0'))},
        {"empty content", packetOf(QByteArray())}};
    for (const Case& c : cases)
        EXPECT_THROW(recordSetFromCbor(c.packet), DytError) << c.name;
    // Rows listed before the fields cannot be read.
    const QByteArray rowsFirst = QByteArray::fromHex("a264726f777380666669656c647380");
    EXPECT_THROW(recordSetFromCbor(packetOf(rowsFirst)), DytError);  // {"rows": [], "fields": []}
    // The same content in the right order is a valid empty record set.
    EXPECT_EQ(0,
              recordSetFromCbor(packetOf(map({{"fields", QCborArray()}, {"rows", QCborArray()}})))
                  .fieldCount());
}

TEST(Frames, LengthPrefixAndAssembly) {
    const QByteArray frame = encodeFrame(QByteArray("abc"));
    EXPECT_EQ(QByteArray::fromHex("00000003616263"), frame);  // 3, "abc"
    const QByteArray big = encodeFrame(QByteArray(0x010203, 'x'));
    EXPECT_EQ(QByteArray("\x00\x01\x02\x03", 4), big.left(4));
    // The reader assembles frames from pieces.
    const Request a{1, u"ConnectionVar"_s, {u"qZevrint\r\n"_s}};
    const Request b{2, u"登录"_s, {}};
    const QByteArray stream = encodeFrame(a.toCbor()) + encodeFrame(b.toCbor());
    FrameReader reader;
    QList<Request> got;
    for (char ch : stream) {  // one byte at a time
        reader.append(QByteArray(1, ch));
        QCborValue v;
        while (reader.next(&v))
            got.append(Request::fromCbor(v));
    }
    ASSERT_EQ(2, got.size());
    EXPECT_EQ(1, got[0].id);
    EXPECT_EQ(u"ConnectionVar"_s, got[0].method);
    EXPECT_EQ(u"qZevrint\r\n"_s, got[0].args.at(0).toString());
    EXPECT_EQ(u"登录"_s, got[1].method);
    EXPECT_FALSE(reader.failed());
    EXPECT_EQ(0, reader.pending());
    // Both frames in one chunk.
    FrameReader whole;
    whole.append(stream);
    QCborValue v;
    EXPECT_TRUE(whole.next(&v));
    EXPECT_TRUE(whole.next(&v));
    EXPECT_FALSE(whole.next(&v));
}

TEST(Frames, TruncatedFramesWaitAndBadOnesFailTheReader) {
    const QByteArray frame = encodeFrame(QCborValue(u"一二三四五"_s));
    FrameReader reader;
    reader.append(frame.left(frame.size() - 1));
    QCborValue v;
    EXPECT_FALSE(reader.next(&v));
    EXPECT_FALSE(reader.failed());
    reader.append(frame.right(1));
    EXPECT_TRUE(reader.next(&v));
    EXPECT_EQ(u"一二三四五"_s, v.toString());
    // Oversized and malformed frames fail the reader.
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"announces more than the limit", QByteArray("\x00\x00\x01\x01", 4)},
        {"announces 4 GiB", QByteArray("\xff\xff\xff\xff", 4)},
        {"garbage payload", encodeFrame(QByteArray("\xff\xfe\xfd", 3))},
        {"truncated CBOR inside a complete frame",
         encodeFrame(QCborValue(u"abcdef"_s).toCbor().left(3))},
        {"two values in one frame", encodeFrame(QCborValue(1).toCbor() + QCborValue(2).toCbor())},
        {"empty payload", encodeFrame(QByteArray())}};
    for (const Case& c : cases) {
        FrameReader bad(256);
        bad.append(c.bytes);
        EXPECT_FALSE(bad.next(&v)) << c.name;
        EXPECT_TRUE(bad.failed()) << c.name;
        EXPECT_FALSE(bad.error().isEmpty()) << c.name;
        // Once failed it stays failed, even when good bytes follow.
        bad.append(encodeFrame(QCborValue(1)));
        EXPECT_FALSE(bad.next(&v)) << c.name;
    }
}

TEST(Calls, RequestsAndResponsesRoundTrip) {
    const Request req{77, u"ExecProc"_s, {u"p_sys_Up_Log"_s, u"logMsgCont=打开窗口[进货单]"_s}};
    const Request back = Request::fromCbor(decodePayload(req.toCbor().toCbor()));
    EXPECT_EQ(77, back.id);
    EXPECT_EQ(req.method, back.method);
    EXPECT_EQ(req.args, back.args);
    Response resp;
    resp.id = 77;
    resp.result = -3;
    resp.outs = {u"口令错误"_s, QCborValue(QCborValue::Null)};
    const Response rb = Response::fromCbor(decodePayload(resp.toCbor().toCbor()));
    EXPECT_EQ(77, rb.id);
    EXPECT_EQ(-3, rb.code());
    EXPECT_EQ(u"口令错误"_s, rb.outText(0));
    EXPECT_TRUE(rb.out(1).isNull());
    EXPECT_TRUE(rb.out(5).isUndefined());
    EXPECT_EQ(QString(), rb.error);
    resp.error = u"未知的方法[X]"_s;
    EXPECT_EQ(resp.error, Response::fromCbor(resp.toCbor()).error);
    // Malformed requests are refused.
    const QCborValue cases[] = {
        QCborArray{1, 2}, map({{"method", u"X"_s}, {"args", QCborArray()}}),
        map({{"id", u"1"_s}, {"method", u"X"_s}}), map({{"id", 1}, {"method", u""_s}}),
        map({{"id", 1}, {"method", 5}}), map({{"id", 1}, {"method", u"X"_s}, {"args", u"a"_s}})};
    for (const auto& v : cases)
        EXPECT_THROW(Request::fromCbor(v), DytError);
}

TEST(LinesAndAddress, SplitJoinHostAndPort) {
    EXPECT_EQ(u"a=1\r\nb=2"_s, joinLines({u"a=1"_s, u"b=2"_s}));
    EXPECT_EQ((QStringList{u"a=1"_s, u"b="_s, u"c=3"_s}), splitLines(u"a=1\r\nb=\nc=3\r\n"_s));
    EXPECT_EQ(QStringList(), splitLines(QString()));
    struct Case {
        const char* address;
        const char* host;
        int port;
    };
    const Case cases[] = {
        {"server1:8019", "server1", 8019}, {"server1:abc", "server1", 211},
        {"server1", "server1", 211}, {"127.0.0.1:0", "127.0.0.1", 0}, {" host :  99 ", "host", 99}};
    for (const Case& c : cases) {
        QString host;
        int port = -1;
        splitAddress(QString::fromLatin1(c.address), &host, &port);
        EXPECT_EQ(QString::fromLatin1(c.host), host) << c.address;
        EXPECT_EQ(c.port, port) << c.address;
    }
}

TEST(ClientSideAndDates, ClosedPortAndStrictDateText) {
    Client client;
    const QString error = dyt::test::errorOf([&] { client.connectTo(u"127.0.0.1"_s, 1, 2000); });
    EXPECT_TRUE(error.startsWith(u"连接失败："_s)) << error.toStdString();
    EXPECT_FALSE(client.isConnected());
    EXPECT_THROW(client.call(u"InitDataBase"_s), DytError);
    // A server that takes the connection but never answers: the call gives up after its time
    // limit, with the message, and the connection is closed.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    client.connectTo(u"127.0.0.1"_s, silent.serverPort(), 2000);
    client.setCallTimeout(250);
    EXPECT_EQ(u"等待应用服务器应答超时"_s,
              dyt::test::errorOf([&] { client.call(u"InitDataBase"_s); }));
    EXPECT_FALSE(client.isConnected());
    struct Case {
        const char* text;
        QDate expected;  // invalid = refused
    };
    const Case dates[] = {
        {"2026-02-28", QDate(2026, 2, 28)}, {"2024-02-29", QDate(2024, 2, 29)},
        {"2026-02-29", QDate()}, {"2026-13-01", QDate()}, {"2026-1-01", QDate()},
        {"2026/01/01", QDate()}, {"2026-01-01 ", QDate()}, {"20a6-01-01", QDate()}, {"", QDate()},
        {"0001-01-01", QDate(1, 1, 1)}};
    for (const Case& c : dates) {
        EXPECT_EQ(c.expected, parseDate(QString::fromLatin1(c.text))) << c.text;
        if (c.expected.isValid()) {
            EXPECT_EQ(QString::fromLatin1(c.text), formatDate(c.expected));
        }
    }
    EXPECT_EQ(QDateTime(QDate(2026, 3, 5), QTime(23, 59, 59)),
              parseDateTime(u"2026-03-05 23:59:59"_s));
    const char* badStamps[] = {
        "2026-03-05 24:00:00", "2026-03-05T10:00:00", "2026-03-05 10:00", "2026-03-05 10:60:00",
        "2026-02-30 10:00:00"};
    for (const char* t : badStamps)
        EXPECT_FALSE(parseDateTime(QString::fromLatin1(t)).isValid()) << t;
    EXPECT_EQ(u"2026-03-05 07:08:09"_s,
              formatDateTime(QDateTime(QDate(2026, 3, 5), QTime(7, 8, 9))));
}

}  // namespace
}  // namespace dyt::proto
