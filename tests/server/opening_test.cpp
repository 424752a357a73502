// The opening figures as the opening windows read them (P_Base_Get_Goods "QCKCNEW",
// P_JXC_Get_QC), the stocktake draft made from counted quantities and the versions.
#include "bill_fixture.h"
#include "server/db/schema.h"
#include "common/currency.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

// The rows of a record set as "a|b|c a|b|c" over the named fields, numbers without trailing zeros.
QString joinedRows(const RecordSet& rs, const QStringList& fields) {
    return dyt::test::rowTexts(rs, fields.join(u',')).join(u' ');
}

class OpeningFigures : public BillFixture {
protected:
    void SetUp() override {
        BillFixture::SetUp();
        update(u"UPDATE sysData SET sysValue = '0' WHERE Name = 'isOpen'"_s);
        update(u"UPDATE baseGoods SET costmode = 2 WHERE id = 102"_s);
    }
    void proc(const QString& name, const std::vector<std::pair<QString, QString>>& lines) {
        ParamList p;
        for (const auto& [k, v] : lines)
            p.setValue(k, v);
        const proto::Response r = call(session_, "ExecProc", {name, p.text()});
        if (!r.error.isEmpty() || r.code() < 0)
            throw DytError(r.error + r.outText(2));
    }
    void openingStock(const QString& goods, const QString& stock, const QString& qty,
                      const QString& total, const QString& id = QString()) {
        proc(u"P_JXC_INI_GoodsStock"_s, {{u"id"_s, id},
                                         {u"goodsid"_s, goods},
                                         {u"stockid"_s, stock},
                                         {u"Qty"_s, qty},
                                         {u"Total"_s, total}});
    }
    RecordSet goodsQuery(const QString& procedure, const QString& type, const QString& placeKey,
                         const QString& place, const QString& goods = u";par_id=0"_s) {
        ParamList p;
        p.setValue(u"QueryType"_s, type);
        p.setValue(u"goodsStr"_s, u";sptype=0;czy_id=1"_s + goods);
        p.setValue(placeKey, u";czy_id=1;id="_s + place + u";issub=1"_s);
        p.setValue(u"filter"_s, u";qty=0"_s);
        return procQuery(procedure, p);
    }
    // "sp_id qty total extra" per row; extra is stockid for QCKCNEW, costTotal for P_JXC_Get_QC.
    static QString rows(const RecordSet& rs, const char* qty, const char* total,
                        const char* extra) {
        return joinedRows(rs, {u"sp_id"_s, QString::fromLatin1(qty), QString::fromLatin1(total),
                               QString::fromLatin1(extra)});
    }
};

TEST_F(OpeningFigures, OpeningStockPerWarehouseWithTheRecordToEditAndCategorySums) {
    openingStock(u"101"_s, u"301"_s, u"10"_s, u"100"_s);
    openingStock(u"101"_s, u"302"_s, u"2"_s, u"22"_s);
    openingStock(u"102"_s, u"301"_s, u"4"_s, u"20"_s);  // a FIFO batch
    openingStock(u"102"_s, u"301"_s, u"6"_s, u"36"_s);  // a second batch
    const qint64 record101 =
        scalar(u"SELECT id FROM iniGoodsStock WHERE goodsid = 101 AND stockid = 301"_s)
            .toLongLong();

    // Categories first with the sums below them; a moving-average goods names its opening record
    // in the one warehouse, batch goods and all warehouses name none.
    EXPECT_EQ(u"100|20|156|0 103|0|0|0"_s,
              rows(goodsQuery(u"P_Base_Get_Goods"_s, u"QCKCNEW"_s, u"ckStr"_s, u"301"_s),
                   "stockqty", "stockTotal", "stockid"));
    EXPECT_EQ(u"101|10|100|%1 102|10|56|0"_s.arg(record101),
              rows(goodsQuery(u"P_Base_Get_Goods"_s, u"QCKCNEW"_s, u"ckStr"_s, u"301"_s,
                              u";par_id=100"_s),
                   "stockqty", "stockTotal", "stockid"));
    EXPECT_EQ(u"101|12|122|0 102|10|56|0"_s,
              rows(goodsQuery(u"P_Base_Get_Goods"_s, u"QCKCNEW"_s, u"ckStr"_s, QString(),
                              u";par_id=100"_s),
                   "stockqty", "stockTotal", "stockid"));
    // Changing the moving-average row through its record replaces it.
    openingStock(u"101"_s, u"301"_s, u"5"_s, u"55"_s, QString::number(record101));
    EXPECT_EQ(u"101|5|55"_s,
              joinedRows(goodsQuery(u"P_Base_Get_Goods"_s, u"QCKCNEW"_s, u"ckStr"_s, u"301"_s,
                                    u";id=101"_s),
                         {u"sp_id"_s, u"stockqty"_s, u"stockTotal"_s}));
}

TEST_F(OpeningFigures, GoodsHeldByOrForPartnersByKindAndPartner) {
    const auto other = [this](const char* goods, const char* partner, int type, const char* qty,
                              const char* total, const char* cost) {
        proc(u"P_JXC_INI_GoodsStockOther"_s, {{u"goodsid"_s, QString::fromLatin1(goods)},
                                              {u"wldw_id"_s, QString::fromLatin1(partner)},
                                              {u"typeid"_s, QString::number(type)},
                                              {u"Qty"_s, QString::fromLatin1(qty)},
                                              {u"Total"_s, QString::fromLatin1(total)},
                                              {u"costTotal"_s, QString::fromLatin1(cost)}});
    };
    other("101", "201", 1, "3", "30", "0");   // borrowed in from 201
    other("101", "202", 1, "2", "24", "0");   // and from 202
    other("102", "201", 3, "4", "80", "48");  // consigned out to 201
    const struct {
        const char* type;
        const char* partner;
        const char* expected;
    } cases[] = {
        {"JJSP", "201", "101|3|30|30"},
        {"JJSP", "", "101|5|54|54"},
        {"JJSP", "203", ""},
        {"WTSP", "201", "102|4|80|48"},
        {"JCSP", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(QString::fromLatin1(c.type) + u" "_s + QString::fromLatin1(c.partner)));
        const RecordSet rs = goodsQuery(u"P_JXC_Get_QC"_s, QString::fromLatin1(c.type),
                                        u"wldwStr"_s, QString::fromLatin1(c.partner),
                                        u";isList=1"_s);
        QStringList shown;
        for (const QString& row : rows(rs, "qty", "Total", "costTotal").split(u' ')) {
            if (!row.contains(u"|0|0|0"_s))
                shown << row;
        }
        EXPECT_EQ(QString::fromLatin1(c.expected), shown.join(u' '));
    }
    // The unit price follows from amount and quantity.
    const RecordSet consigned =
        goodsQuery(u"P_JXC_Get_QC"_s, u"WTSP"_s, u"wldwStr"_s, u"201"_s, u";id=102"_s);
    EXPECT_EQ(u"20|12"_s, joinedRows(consigned, {u"Price"_s, u"costPrice"_s}));
    EXPECT_THROW(goodsQuery(u"P_JXC_Get_QC"_s, u"XXSP"_s, u"wldwStr"_s, QString()), DytError);
}

TEST_F(OpeningFigures, PartnersFilteredByWhetherTheyHaveOpeningAmounts) {
    proc(u"P_JXC_INI_baseWLDW"_s, {{u"id"_s, u"201"_s}, {u"ysTotal"_s, u"50"_s}});
    for (const auto& [filter, list, level] : {std::tuple{"0", "201 202 203", "200 203"},
                                              {"1", "201", "200"},
                                              {"2", "202 203", "200 203"}}) {
        SCOPED_TRACE(filter);
        for (const auto& [segment, expected] : {std::pair{";isList=1", list}, {";par_id=0", level}}) {
            ParamList p;
            p.setValue(u"QueryType"_s, u"WLDW"_s);
            p.setValue(u"wldwStr"_s, u";czy_id=1"_s + QString::fromLatin1(segment));
            p.setValue(u"filter"_s, u";qcqty="_s + QString::fromLatin1(filter));
            EXPECT_EQ(QString::fromLatin1(expected),
                      joinedRows(procQuery(u"P_JXC_Get_Base"_s, p), {u"id"_s}));
        }
    }
}

TEST_F(OpeningFigures, CountedQuantitiesBecomeAStocktakeDraftThatPostsTheDifferences) {
    openingStock(u"101"_s, u"301"_s, u"10"_s, u"100"_s);
    openingStock(u"103"_s, u"301"_s, u"4"_s, u"100"_s);
    proc(u"P_SYS_UP_Open"_s, {{u"type"_s, u"0"_s}, {u"Date"_s, u"2025-01-01"_s}});
    const auto draft = [this](const QString& warehouse, const QString& lines) {
        proc(u"P_JXC_DJ_PanDianToDraft"_s,
             {{u"ckid"_s, warehouse}, {u"Date"_s, u"2025-01-20"_s}, {u"Lines"_s, lines}});
        return scalar(u"SELECT max(id) FROM djIndex WHERE djType = 42 AND dj_state = 1"_s)
            .toLongLong();
    };
    for (const auto& [warehouse, lines] :
         {std::pair{u"0"_s, u"101:8"_s}, {u"301"_s, QString()}, {u"301"_s, u"101:-1"_s},
          {u"301"_s, u"101=8"_s}, {u"301"_s, u"999:1"_s}, {u"301"_s, u"101:1;101:2"_s}}) {
        SCOPED_TRACE(qPrintable(warehouse + u' ' + lines));
        EXPECT_THROW(draft(warehouse, lines), DytError);
    }
    EXPECT_EQ(0, count(u"SELECT count(*) FROM djIndex"_s));

    // 101: 8 counted of 10 (a loss of 2 at 10); 103: 5 counted of 4 (an overflow of 1 at 25).
    const qint64 id = draft(u"301"_s, u"101:8;103:5"_s);
    ASSERT_GT(id, 0);
    EXPECT_EQ(u"101|8|301 103|5|301"_s,
              joinedRows(query(u"SELECT goodsid, qty, IntoStock_id FROM djList "
                                          "WHERE id = %1 ORDER BY goodsid"_s.arg(id)),
                                    {u"goodsid"_s, u"qty"_s, u"IntoStock_id"_s}));
    // Posted as the stocktake window saves the draft it opened.
    ParamList p = billHeader(42, u"2025-01-20"_s, id, u"PD-1"_s);
    p.setValue(u"wldw_id"_s, u"0"_s);
    const RecordSet lines = query(
        u"SELECT goodsid, unit AS unitid, qty, IntoStock_id FROM djList WHERE id = %1"_s.arg(id));
    const ServiceResult r = service(u"SaveToDB"_s, p, lines);
    ASSERT_GT(r.code, 0) << r.message.toStdString();
    EXPECT_EQ(u"101|8|80 103|5|125"_s,
              joinedRows(query(u"SELECT goodsid, SUM(qty) AS q, SUM(total) AS t FROM "
                                          "baseGoodsStock GROUP BY goodsid ORDER BY goodsid"_s),
                                    {u"goodsid"_s, u"q"_s, u"t"_s}));
    // The loss and the overflow reach their accounts; the stock account moves by the difference.
    EXPECT_EQ(u"20|25|205"_s,
              joinedRows(query(u"SELECT (SELECT Total FROM baseKM WHERE id = a.km_id) AS loss, "
                               "(SELECT Total FROM baseKM WHERE id = b.km_id) AS overflow, "
                               "(SELECT Total FROM baseKM WHERE id = c.km_id) AS stock FROM "
                               "sysSubjectInterface AS a, sysSubjectInterface AS b, "
                               "sysSubjectInterface AS c WHERE a.type = 0 AND a.name = '商品报损' "
                               "AND b.type = 0 AND b.name = '商品报溢' AND c.type = 0 AND c.name = "
                               "'库存商品'"_s),
                         {u"loss"_s, u"overflow"_s, u"stock"_s}));
}

TEST_F(OpeningFigures, VersionsOfServerAndAccountSet) {
    const RecordSet rs = procQuery(u"P_SYS_Get_Version"_s, ParamList());
    ASSERT_EQ(1, rs.rowCount());
    EXPECT_FALSE(rs.at(0, 0).toString().isEmpty());
    EXPECT_EQ(schema::currentVersion(), rs.at(0, 1).toInt());
}

}  // namespace
}  // namespace dyt::server::test
