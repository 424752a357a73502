// The goods and partner rows of P_JXC_Get_Base written straight as packet bytes: the same bytes
// as the record set the rows were built as before (QVariant cells, QString::number), for values
// of every kind the columns can hold.
#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <cmath>

#include "backend_fixture.h"
#include "scratchdb.h"
#include "common/basecache.h"
#include "common/currency.h"
#include "protocol/packetcodec.h"
#include "server/db/database.h"
#include "server/procs/registry.h"

using namespace Qt::StringLiterals;

namespace dyt::server {
namespace {

// The rows as they were built before, cell by cell, from the procedure's own SELECTs.
QString numberTextOf(const QVariant& v) {
    if (!v.isValid())
        return {};
    if (v.metaType().id() == QMetaType::LongLong)
        return QString::number(v.toLongLong());
    if (v.metaType().id() == QMetaType::Double) {
        QString s = QString::number(v.toDouble(), 'f', 8);
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.'))
            s.chop(1);
        return s == u"-0"_s ? u"0"_s : s;
    }
    return v.toString();
}

Currency moneyOf(const QVariant& v) {
    Currency c;
    if (v.isValid() && !Currency::tryFromDouble(v.toDouble(), &c))
        throw DytError(u"金额超出范围：%1"_s.arg(v.toString()));
    return c;
}

const char* const kGoodsSelect =
    "SELECT g.id, g.code, g.fullname, g.name, g.pym, g.gg, g.xh, g.addr, hs.fullname, "
    "g.isstop, g.del, u0.unit, u0.barcode, u0.price, u0.price1, u0.price2, u0.price3, "
    "u1.unit, u1.rate, u2.unit, u2.rate, g.yxqNum, g.comment, g.tcfs, g.bz1, g.bz2, "
    "g.bz3, g.bz4, g.bz5, g.bz6, g.bz7, g.bz8, g.bz9, g.bz10, g.isCanYuZheShangZhe, "
    "g.spType, g.jxqNum, w.fullname, g.fdwName FROM baseGoods AS g "
    "LEFT JOIN baseGoodsUnit AS u0 ON u0.Goodsid = g.id AND u0.fzdwid = 0 "
    "LEFT JOIN baseGoodsUnit AS u1 ON u1.Goodsid = g.id AND u1.fzdwid = 1 "
    "LEFT JOIN baseGoodsUnit AS u2 ON u2.Goodsid = g.id AND u2.fzdwid = 2 "
    "LEFT JOIN baseGoodsHS AS hs ON hs.id = g.costmode "
    "LEFT JOIN baseWLDW AS w ON w.id = g.wldw_id ";

const char* const kPartnerSelect =
    "SELECT w.id, w.code, w.fullname, w.name, w.pym, w.tel, w.addr, w.fax, w.email, w.sjhm, "
    "w.bankname, w.bankcount, w.postcode, w.Person, w.tax, dq.code, dq.fullname, w.comment, "
    "w.bz1, w.bz2, w.bz3, w.bz4, w.bz5, w.bz6, w.bz7, w.bz8, w.bz9, w.bz10, w.ystotal, "
    "w.yftotal, w.yushoutotal, w.yufutotal FROM baseWLDW AS w "
    "LEFT JOIN baseDQ AS dq ON dq.id = w.Areaid ";

RecordSet goodsBefore(Database& db, const QString& where) {
    Statement st = db.prepare(QString::fromLatin1(kGoodsSelect) + where + u" ORDER BY g.id"_s);
    RecordSet out = basecache::emptyRecordSet(basecache::goodsColumns());
    while (st.step()) {
        auto text = [&](int column) { return st.value(column).toString(); };
        const QString baseUnit = text(11);
        QStringList relations;
        QStringList auxiliary;
        for (int column : {17, 19}) {
            const QString unit = text(column);
            if (unit.isEmpty())
                continue;
            auxiliary << unit;
            relations << u"1%1=%2%3"_s.arg(unit, numberTextOf(st.value(column + 1)), baseUnit);
        }
        QString state = u"正常"_s;
        if (st.value(10).toLongLong() != 0)
            state = u"删除"_s;
        else if (st.value(9).toLongLong() != 0)
            state = u"停用"_s;
        const qint64 type = st.value(35).toLongLong();
        RecordSet::Row row{st.value(0).toLongLong()};
        for (int column = 1; column <= 8; ++column)
            row << text(column);
        row << state << baseUnit << relations.join(u',') << numberTextOf(st.value(21)) << text(12);
        for (int column = 13; column <= 16; ++column)
            row << numberTextOf(st.value(column));
        row << text(22) << auxiliary.join(u',') << numberTextOf(st.value(23));
        for (int i = 24; i <= 33; ++i)
            row.append(text(i));
        row << st.value(34).toLongLong() << type << (type == 1 ? u"服务/劳务"_s : u"库存商品"_s)
            << st.value(36).toLongLong() << text(37) << text(38);
        out.appendRow(row);
    }
    return out;
}

RecordSet partnersBefore(Database& db, const QString& where) {
    Statement st = db.prepare(QString::fromLatin1(kPartnerSelect) + where + u" ORDER BY w.id"_s);
    RecordSet out = basecache::emptyRecordSet(basecache::partnerColumns());
    while (st.step()) {
        RecordSet::Row row{st.value(0).toLongLong()};
        for (int i = 1; i <= 17; ++i)
            row.append(st.value(i).toString());
        row.append((moneyOf(st.value(28)) - moneyOf(st.value(29))).toString());
        for (int i = 18; i <= 27; ++i)
            row.append(st.value(i).toString());
        for (int i = 28; i <= 31; ++i)
            row.append(QVariant::fromValue(moneyOf(st.value(i))));
        out.appendRow(row);
    }
    return out;
}

// Where two packets part: the offset and the next bytes of each, "" when they are equal.
std::string difference(const QByteArray& expected, const QByteArray& actual) {
    if (expected == actual)
        return {};
    qsizetype at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
        ++at;
    return QStringLiteral("at byte %1 of %2/%3: expected %4, got %5")
        .arg(at)
        .arg(expected.size())
        .arg(actual.size())
        .arg(QString::fromLatin1(expected.mid(at, 24).toHex()),
             QString::fromLatin1(actual.mid(at, 24).toHex()))
        .toStdString();
}

class BaseCachePacketTest : public test::BackendFixture {
protected:
    void SetUp() override {
        BackendFixture::SetUp();
        ASSERT_EQ(0, createProfile(u"账套甲"_s).code());
        db_ = Database::open(backend_->profilePath(u"dytv1_1"_s));
        registerBaseProcedures(procedures_);
    }
    // The procedure's answer for a kind: the packet bytes the server sends, and the record set an
    // in-process caller gets.
    QByteArray answer(const QString& kind, qint64 user, RecordSet* data) {
        QByteArray bytes;
        for (bool wanted : {true, false}) {
            ParamList params(u"QueryType="_s + kind);
            CallContext ctx(*db_, params);
            ctx.userId = user;
            ctx.packetWanted = wanted;
            EXPECT_EQ(0, procedures_.find(u"p_jxc_get_base"_s)->handler(ctx))
                << ctx.message.toStdString();
            if (wanted)
                bytes = ctx.packet;
            else
                *data = ctx.data;
        }
        return bytes;
    }
    std::unique_ptr<Database> db_;
    Registry procedures_;
};

// Numbers the unit columns (NUMERIC(24,8)) hold and numberText formats: whole, exact and inexact
// fractions, values at a half of the eighth decimal, tiny, huge, negative.
// clang-format off
const double kNumbers[] = {
    0, -0.0, 1, 12, 0.5, 1.0 / 3, 2.0 / 3, -1.0 / 3, 1e-9, -1e-9, 4e-9, 5e-9, 6e-9, 1e-8,
    0.000000015, 0.000000025, 1.0 / 512, -1.0 / 512, 3.0 / 1024, 0.1, 0.7, 2.675, 99.999999995,
    99.999999994, 99.999999996, 0.999999999, -2.999999999, 0.123456785, 123456789.123456785,
    -123456789.123456785, 4503599627370495.5, 9007199254740991.0, 9007199254740992.0, 1e17, -1e17,
    1e22, 1.7976931348623157e308, 4.9e-324, 1e-300, 0.30000000000000004, 1234.5678, -0.00000001,
    -0.000000005};
// clang-format on

TEST_F(BaseCachePacketTest, GoodsAndPartnersGiveTheBytesOfTheRowsBuiltAsBefore) {
    // Goods: odd values in every column kind; fixed cases first, then random numbers.
    db_->execute(u"INSERT INTO baseWLDW(id, code, fullname) VALUES (7, 'W', '东方五金')"_s);
    // clang-format off
    // sqliteOnly: values a typed PostgreSQL column refuses (texts in number columns, bytes, broken
    // UTF-8), which only a SQLite file can hold.
    struct Row { const char* sql; bool sqliteOnly = false; };
    const Row goods[] = {
        {"INSERT INTO baseGoods(id, code, fullname) VALUES (1, '', '')"},
        {"INSERT INTO baseGoods(id, code, fullname, name, pym, gg, xh, addr, costmode, spType, isstop, "
         "yxqNum, jxqNum, tcfs, comment, bz1, bz10, isCanYuZheShangZhe, wldw_id, fdwName) VALUES (2, "
         "'SP002', '扳手 ''十寸''', '扳手', 'BS', '10寸', 'X1', '上海', 2, 1, 1, 365, -30, 2, '备注', "
         "'自定义1', '𠀀末', 1, 7, '箱')"},
        {"INSERT INTO baseGoods(id, code, fullname, del, isstop) VALUES (3, 'SP003', '旧货', 1, 1)"},
        {"INSERT INTO baseGoods(id, code, fullname, isstop, del, spType, yxqNum, tcfs) VALUES "
         "(4, 'x', 'y', 'z', 0.5, '1', 'abc', 2.25)", true},
        {"INSERT INTO baseGoods(id, code, fullname, name, gg) VALUES (5, 12, 3.5, "
         "CAST(X'EFBBBF41' AS TEXT), X'E4B8AD')", true},
        {"INSERT INTO baseGoods(id, code, fullname, name, xh) VALUES (6, CAST(X'FF41C3' AS TEXT), "
         "'半', CAST(X'41EDA080' AS TEXT), 'a%1b%2')", true},
        {"INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, price, price1, price2, "
         "price3) VALUES (2, 0, '把', 1, '6901', 3.5, -4, 123456789.123456785, 1e15), "
         "(2, 1, '箱', 12, '', 0, 0, 0, 0), (2, 2, '件', 0.5, '', 0, 0, 0, 0)"},
        {"INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate) VALUES (3, 0, '', 1), "
         "(3, 2, '件', 1e-9)"},
        {"INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, price) VALUES (4, 0, 'kg', 1, "
         "'1/3'), (4, 1, 't%2', '1/3', 'abc'), (4, 2, CAST(X'EFBBBF74' AS TEXT), 1000, 0)", true},
        {"INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, price) VALUES (5, 0, 7, 1, X'00'), "
         "(5, 1, X'E7AEB1', 2, 0)", true},
        {"INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate) VALUES (6, 1, '盒', 0.000000025), "
         "(6, 2, CAST(X'E7AE' AS TEXT), 3)", true},
    };
    // clang-format on
    const bool postgres = dyt::test::onPostgres();
    for (const Row& g : goods) {
        if (!(postgres && g.sqliteOnly))
            db_->execute(QString::fromUtf8(g.sql));
    }
    QRandomGenerator random(20261207);
    QList<double> numbers;
    for (double n : kNumbers) {
        if (!(postgres && std::abs(n) >= 1e16))  // beyond NUMERIC(24,8)
            numbers << n;
    }
    for (int i = 0; i < 400; ++i) {
        const double scale = std::pow(10.0, random.bounded(-9, 12));
        numbers << (random.generateDouble() - 0.3) * scale
                << std::round(random.generateDouble() * 1e10) / 1e8;
    }
    for (qsizetype i = 0; i < numbers.size(); i += 6) {
        const qint64 id = 100 + i;
        db_->execute(u"INSERT INTO baseGoods(id, code, fullname) VALUES (?, ?, '数')"_s,
                     {id, QString::number(id)});
        QVariantList v{id};
        for (qsizetype k = 0; k < 6; ++k)
            v << numbers.value(i + k);
        db_->execute(
            u"INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, price, price1, price2, "
            u"price3) "
            "VALUES (?1, 0, '个', 1, ?2, ?3, ?4, ?5), (?1, 1, '箱', ?6, 0, 0, 0, 0), "
            "(?1, 2, '托', ?7, 0, 0, 0, 0)"_s,
            v);
    }
    // Partners: balances at half cents and beyond the money range, regions present or not.
    db_->execute(u"INSERT INTO baseDQ(id, code, fullname) VALUES (3, '0101', '华东')"_s);
    // clang-format off
    const Row partners[] = {
        {"INSERT INTO baseWLDW(id, code, fullname, ystotal, yftotal, yushoutotal, yufutotal, Areaid) "
        "VALUES (8, '', '', 0.005, 0.015, -0.005, 2.675, 3)"},
        {"INSERT INTO baseWLDW(id, code, fullname, name, tel, email, tax, comment, bz1, bz10, "
        "ystotal, yftotal) VALUES (9, 'W09', '西城''商行', '西城', 12, 3.5, X'E4B8AD', "
        "CAST(X'EFBBBF41' AS TEXT), '𠀀', 'a', 1250.5, '300.25')", true},
        {"INSERT INTO baseWLDW(id, code, fullname, ystotal, yftotal, yushoutotal, yufutotal) "
        "VALUES (10, 'W10', '大额', 92233720368547.75, -800000000000000, 123456789.12345, "
        "-0.00005)"},
        {"INSERT INTO baseWLDW(id, code, fullname, ystotal, yftotal, Areaid) VALUES (11, 'W11', "
        "'文本', 'abc', X'31', 99)", true},
    };
    // clang-format on
    for (const Row& p : partners) {
        if (!(postgres && p.sqliteOnly))
            db_->execute(QString::fromUtf8(p.sql));
    }
    db_->execute(
        u"INSERT INTO baseZY(id, par_id, par_jl, leveal, sonnum, code, fullname, del, candel) "
        "VALUES (2, 0, '2,', 1, 0, '002', '李四', 0, 1)"_s);
    db_->execute(u"INSERT INTO sysuser(id, password) VALUES (2, '')"_s);
    db_->execute(u"INSERT INTO baseGoodsPurview(id, czy_id, isbj) VALUES (2, 2, 0), (4, 2, 0)"_s);
    db_->execute(u"INSERT INTO baseWLDWPurview(id, czy_id, isbj) VALUES (9, 2, 0)"_s);

    struct Case {
        const char* what;
        qint64 user;
        bool rightsOn;
        const char* goodsWhere;
        const char* partnersWhere;
    };
    const Case cases[] = {
        {"rights off", 2, false, "", ""},
        {"rights on, operator 1", 1, true, "", ""},
        {"rights on, operator 2", 2, true, "WHERE g.id NOT IN (2, 4)", "WHERE w.id <> 9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        db_->execute(u"UPDATE sysConf SET sysValue = ? WHERE id = 2004"_s,
                     {c.rightsOn ? u"1"_s : u"0"_s});
        struct Kind {
            QString kind;
            RecordSet before;
        };
        const Kind kinds[] = {
            {basecache::goodsKind(), goodsBefore(*db_, QString::fromLatin1(c.goodsWhere))},
            {basecache::partnersKind(), partnersBefore(*db_, QString::fromLatin1(c.partnersWhere))},
        };
        for (const Kind& k : kinds) {
            SCOPED_TRACE(k.kind.toStdString());
            ASSERT_GT(k.before.rowCount(), 0);
            const QByteArray expected = proto::packetcodec::encode(k.before);
            RecordSet data;
            const QByteArray bytes = answer(k.kind, c.user, &data);
            EXPECT_EQ("", difference(expected, bytes));
            EXPECT_EQ("", difference(expected, proto::packetcodec::encode(data)));
        }
    }
}

TEST_F(BaseCachePacketTest, ABalanceBeyondTheMoneyRangeIsRefusedAsBefore) {
    if (dyt::test::onPostgres())
        GTEST_SKIP() << "a NUMERIC(19,4) column refuses the value when it is written";
    db_->execute(
        u"INSERT INTO baseWLDW(id, code, fullname, yufutotal) VALUES (8, 'W', 'X', 1e300)"_s);
    QString expected;
    try {
        partnersBefore(*db_, QString());
    } catch (const DytError& e) {
        expected = e.message();
    }
    ASSERT_FALSE(expected.isEmpty());
    ParamList params(u"QueryType="_s + basecache::partnersKind());
    CallContext ctx(*db_, params);
    ctx.userId = 1;
    ctx.packetWanted = true;
    try {
        procedures_.find(u"p_jxc_get_base"_s)->handler(ctx);
        ADD_FAILURE() << "no error";
    } catch (const DytError& e) {
        EXPECT_EQ(expected, e.message());
    }
}

TEST_F(BaseCachePacketTest, AnswersBeyondTheResultLimitAreRefused) {
    const std::pair<const char*, QChar> tables[] = {{"baseGoods", u'货'}, {"baseWLDW", u'商'}};
    for (const auto& [table, ch] : tables) {
        db_->execute(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                     u"300) INSERT INTO %1(id, code, fullname) SELECT i, 'C' || i, ? FROM n"_s.arg(
                         QLatin1StringView(table)),
                     {QString(40, ch)});
    }
    struct Case {
        qint64 limit;
        bool refused;
    };
    const Case cases[] = {{0, false}, {1000000, false}, {20000, true}, {100, true}};
    for (const QString& kind : {basecache::goodsKind(), basecache::partnersKind()}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(kind.toStdString() + " limit " + std::to_string(c.limit));
            const ResultLimit limit(c.limit);
            ParamList params(u"QueryType="_s + kind);
            CallContext ctx(*db_, params);
            ctx.userId = 1;
            ctx.packetWanted = true;
            QString error;
            try {
                procedures_.find(u"p_jxc_get_base"_s)->handler(ctx);
            } catch (const DytError& e) {
                error = e.message();
            }
            EXPECT_EQ(c.refused ? u"应答数据过大，超过了服务器的数据帧上限"_s : QString(), error);
            EXPECT_EQ(c.refused, ctx.packet.isEmpty());
        }
    }
}

}  // namespace
}  // namespace dyt::server
