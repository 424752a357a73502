// The record selection's kinds and filter pattern, the batch selection's query and line writing,
// and the unit selection, against the recording transport.
#include <QLabel>
#include <QSet>
#include <QTableView>

#include "client/bills/selectbase.h"
#include "client/bills/selectgoodsfzxx.h"
#include "client/bills/selectgoodspc.h"
#include "client/bills/selectionservices.h"
#include "client/common/gridview.h"
#include "dmtest_support.h"
#include "support/testutil.h"

namespace dyt::test {
namespace {

using client::BaseFilterCondition;
using client::FindBaseKind;
using client::SqlContainsLiteral;

TEST(SelectBasePattern, OperatorTextIsQuotedAndItsWildcardsEscaped) {
    struct Case {
        const char* text;
        const char* literal;
    };
    const Case cases[] = {
        {"abc", "'%abc%'"},
        {"O'Hara", "'%O''Hara%'"},
        {"''", "'%''''%'"},
        {"100%", "'%100\\%%'"},
        {"a_b", "'%a\\_b%'"},
        {"c:\\d", "'%c:\\\\d%'"},
        {"x' or 1=1 --", "'%x'' or 1=1 --%'"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QString::fromUtf8(c.literal), SqlContainsLiteral(QString::fromUtf8(c.text)))
            << c.text;
    }
}

TEST(SelectBasePattern, ConditionLooksAtPinyinCodeAndName) {
    const auto area = FindBaseKind(QStringLiteral("area"));
    ASSERT_TRUE(area.has_value());
    EXPECT_EQ(QStringLiteral(" and ((Lower(pym) like '%ab''c%' escape '\\') or (Lower(code) like "
                             "'%ab''c%' escape '\\') or (fullname like '%AB''c%' escape '\\'))"),
              BaseFilterCondition(*area, QStringLiteral(" AB'c ")));
    EXPECT_EQ(QString(), BaseFilterCondition(*area, QStringLiteral("  ")));
    // Kinds without pinyin look at code and name only; accounts at the joined table's columns.
    const auto wb = FindBaseKind(QStringLiteral("WB"));
    ASSERT_TRUE(wb.has_value());
    EXPECT_EQ(QStringLiteral(" and ((Lower(code) like '%r%' escape '\\') or (Name like '%r%' "
                             "escape '\\'))"),
              BaseFilterCondition(*wb, QStringLiteral("r")));
    const auto fkkm = FindBaseKind(QStringLiteral("fkkm"));
    ASSERT_TRUE(fkkm.has_value());
    EXPECT_TRUE(BaseFilterCondition(*fkkm, QStringLiteral("x"))
                    .startsWith(QStringLiteral(" and ((Lower(b.pym) like")));
}

TEST(SelectBaseKinds, EveryKindNameHasADataSource) {
    const QStringList names = client::BaseKindNames();
    EXPECT_EQ(names.size(), QSet<QString>(names.begin(), names.end()).size());  // no name twice
    const QStringList procTypes = {
        QStringLiteral("BM"), QStringLiteral("ZY"), QStringLiteral("CK"),  QStringLiteral("WLDW"),
        QStringLiteral("XM"), QStringLiteral("KM"), QStringLiteral("CZY"), QStringLiteral("SP")};
    for (const QString& n : names) {
        SCOPED_TRACE(n.toStdString());
        const auto k = FindBaseKind(n);
        ASSERT_TRUE(k.has_value());
        EXPECT_NE(k->sql.isEmpty(), k->queryType.isEmpty());
        if (k->sql.isEmpty()) {
            EXPECT_TRUE(procTypes.contains(k->queryType));
            EXPECT_FALSE(k->filterLine.isEmpty());
        }
        EXPECT_FALSE(k->idField.isEmpty());
        EXPECT_FALSE(k->nameField.isEmpty());
    }
    EXPECT_FALSE(FindBaseKind(QStringLiteral("nosuch")).has_value());
    EXPECT_EQ(QStringLiteral("未知的选择类型[nosuch]"),
              errorOf([] { client::RecordSelection s(QStringLiteral("nosuch")); }));
}

class SelectBaseCalls : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        // No cache and no stored layouts behind the windows; single tests put in their own.
        client::selectionServices() = {};
        connectLoggedIn(7);
    }
    void TearDown() override {
        client::ResetSelectionServices();
        DmFixture::TearDown();
    }
    void answer(const QString& method, const RecordSet& rows) {
        transport->respondWith(method, [rows, method](const QCborArray& args) {
            client::Response r;
            r.result = 0;
            if (method == u"ExecQuery")
                r.outs = {proto::recordSetToCbor(rows), QString()};
            else
                r.outs = {args.at(1), proto::recordSetToCbor(rows)};
            return r;
        });
    }
    static RecordSet baseRows(const QList<QStringList>& rows) {
        RecordSet rs;
        rs.addField(QStringLiteral("id"), FieldType::Integer);
        rs.addField(QStringLiteral("code"), FieldType::Text);
        rs.addField(QStringLiteral("fullname"), FieldType::Text);
        rs.addField(QStringLiteral("pym"), FieldType::Text);
        for (const QStringList& r : rows)
            rs.appendRow({r[0].toLongLong(), r[1], r[2], r[3]});
        return rs;
    }
    const client::RecordedCall& lastCall(const QString& method) const {
        for (qsizetype i = transport->calls().size() - 1; i >= 0; --i) {
            if (transport->calls()[i].method == method)
                return transport->calls()[i];
        }
        static client::RecordedCall none;
        ADD_FAILURE() << "no call " << method.toStdString();
        return none;
    }
};

TEST_F(SelectBaseCalls, ProcedureKindsFilterTheRowsReceivedAsTyped) {
    answer(QStringLiteral("ExecProcQuery"),
           baseRows({{QStringLiteral("1"), QStringLiteral("001"), QStringLiteral("张三"),
                      QStringLiteral("ZS")},
                     {QStringLiteral("2"), QStringLiteral("002"), QStringLiteral("李四"),
                      QStringLiteral("LS")},
                     {QStringLiteral("3"), QStringLiteral("100%"), QStringLiteral("王五"),
                      QStringLiteral("WW")}}));
    client::TfrmSelectBase w(QStringLiteral("zhiyuan"), QString());
    w.show();
    // Each text replaces the one before (Ctrl+A); the row counts follow each other unequal, so
    // that the wait sees each search done.
    struct Case {
        const char* typed;
        QList<qint64> ids;
    };
    const Case cases[] = {{"zs", {1}}, {"", {1, 2, 3}}, {"002", {2}}, {"'", {}},
                          {"李", {2}}, {"", {1, 2, 3}}, {"%", {3}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        perform(&w, w.grid()->table(),
                {key(Qt::CTRL | Qt::Key_A), *c.typed ? typed(c.typed) : key(Qt::Key_Backspace),
                 rows(int(c.ids.size()))});
        QList<qint64> ids;
        for (int r = 0; r < w.selection().rows().rowCount(); ++r)
            ids << w.selection().choice(r)->id;
        EXPECT_EQ(c.ids, ids);
    }
    // The rows were asked for once, as the employees of the operator.
    ASSERT_EQ(1, std::count_if(transport->calls().begin(), transport->calls().end(),
                               [](const auto& c) { return c.method == u"ExecProcQuery"; }));
    const auto& call = lastCall(QStringLiteral("ExecProcQuery"));
    EXPECT_EQ(QStringLiteral("P_JXC_Get_Base"), call.procedure);
    const ParamList p(call.paramLines.join(QStringLiteral("\r\n")));
    EXPECT_EQ(QStringLiteral("ZY"), p.value(QStringLiteral("QueryType")));
    EXPECT_EQ(QStringLiteral(";czy_id=7"), p.value(QStringLiteral("ZYStr")));
    client::RecordSelection gys(QStringLiteral("gys"));
    EXPECT_EQ(QStringLiteral(";czy_id=7;isList=1;dwtype=1"),
              gys.procParams().value(QStringLiteral("WLDWStr")));
    w.close();
}

TEST_F(SelectBaseCalls, SqlKindsSendTheQuotedPattern) {
    client::RecordSelection s(QStringLiteral("zhaiyao"));
    answer(QStringLiteral("ExecQuery"), baseRows({}));
    s.load(QStringLiteral("5%'"));
    EXPECT_EQ(QStringLiteral("select * from baseZhaiYao where  del = 0  and ((Lower(pym) like "
                             "'%5\\%''%' escape '\\') or (Lower(code) like '%5\\%''%' escape "
                             "'\\') or (fullname like '%5\\%''%' escape '\\'))"),
              lastCall(QStringLiteral("ExecQuery")).sql);
}

TEST_F(SelectBaseCalls, BatchQueryLabelsAndWritingIntoTheBillLine) {
    client::BatchSelection b(5, 2);
    const ParamList p = b.queryParams();
    EXPECT_EQ(QStringLiteral("XZSPPC"), p.value(QStringLiteral("QueryType")));
    EXPECT_EQ(QStringLiteral(";isSub=1;id=5;isstop=0;czy_id=7"),
              p.value(QStringLiteral("goodsStr")));
    EXPECT_EQ(QStringLiteral(";id=2"), p.value(QStringLiteral("ckStr")));

    // Labels: names from the cache; an unknown warehouse reads "全部仓库".
    client::selectionServices().goodsFullName = [](qint64 id) -> std::optional<QString> {
        if (id == 5)
            return QStringLiteral("苏打饼干");
        return std::nullopt;
    };
    client::selectionServices().warehouseFullName = [](qint64 id) -> std::optional<QString> {
        if (id == 1)
            return QStringLiteral("总仓");
        return std::nullopt;
    };
    EXPECT_EQ(QStringLiteral("商品：苏打饼干"), b.goodsLabel());
    EXPECT_EQ(QStringLiteral("仓库：全部仓库"), b.warehouseLabel());
    EXPECT_EQ(QStringLiteral("仓库：总仓"), client::BatchSelection(5, 1).warehouseLabel());
    client::selectionServices().goodsFullName = nullptr;
    client::selectionServices().warehouseFullName = nullptr;

    RecordSet batches;
    batches.addField(QStringLiteral("sonnum"), FieldType::Integer);
    batches.addField(QStringLiteral("goodspc"), FieldType::Integer);
    batches.addField(QStringLiteral("ph"), FieldType::Text);
    batches.addField(QStringLiteral("outdate"), FieldType::Text);
    batches.addField(QStringLiteral("yxqdate"), FieldType::Text);
    batches.addField(QStringLiteral("stockQty"), FieldType::Float);
    batches.appendRow({qint64(0), qint64(11), QStringLiteral("B1"), QStringLiteral("2024-01-01"),
                       QStringLiteral("2025-01-01"), 4.0});
    batches.appendRow({qint64(2), qint64(0), QStringLiteral("类"), QString(), QString(), 0.0});
    answer(QStringLiteral("ExecProcQuery"), batches);
    b.runQuery();
    EXPECT_TRUE(b.canChoose(0));
    EXPECT_FALSE(b.canChoose(1));
    EXPECT_FALSE(b.canChoose(2));

    // The bill's lines: the columns named like the batch fields (any letter case) take them,
    // others stay.
    RecordSet lines;
    lines.addField(QStringLiteral("GoodsPC"), FieldType::Integer);
    lines.addField(QStringLiteral("PH"), FieldType::Text);
    lines.addField(QStringLiteral("outdate"), FieldType::Text);
    lines.addField(QStringLiteral("yxqDate"), FieldType::Text);
    lines.addField(QStringLiteral("StockQty"), FieldType::Float);
    lines.addField(QStringLiteral("qty"), FieldType::Float);
    lines.appendRow({qint64(0), QString(), QString(), QString(), 0.0, 7.0});
    lines.appendRow({qint64(0), QString(), QString(), QString(), 0.0, 8.0});
    EXPECT_EQ(0, b.writeInto(1, lines, 1, nullptr));  // a class row is no batch
    EXPECT_EQ(5, b.writeInto(0, lines, 1, nullptr));
    EXPECT_EQ(11, lines.at(1, 0).toLongLong());
    EXPECT_EQ(QStringLiteral("B1"), lines.at(1, 1).toString());
    EXPECT_EQ(QStringLiteral("2024-01-01"), lines.at(1, 2).toString());
    EXPECT_EQ(QStringLiteral("2025-01-01"), lines.at(1, 3).toString());
    EXPECT_EQ(4.0, lines.at(1, 4).toDouble());
    EXPECT_EQ(8.0, lines.at(1, 5).toDouble());
    EXPECT_EQ(0, lines.at(0, 0).toLongLong());
    // With the grid's columns only the shown ones are written.
    GridDefinition grid;
    AddGridColumn(grid, QStringLiteral("批号"), QStringLiteral("ph"), true, 60);
    AddGridColumn(grid, QStringLiteral("数量"), QStringLiteral("qty"), true, 60);
    EXPECT_EQ(1, b.writeInto(0, lines, 0, &grid));
    EXPECT_EQ(QStringLiteral("B1"), lines.at(0, 1).toString());
    EXPECT_EQ(0, lines.at(0, 0).toLongLong());
}

TEST_F(SelectBaseCalls, UnitSelectionReadsTheUnitsOfTheGoods) {
    RecordSet units;
    units.addField(QStringLiteral("fzdwid"), FieldType::Integer);
    units.addField(QStringLiteral("unit"), FieldType::Text);
    units.addField(QStringLiteral("rate"), FieldType::Float);
    units.appendRow({qint64(0), QStringLiteral("包"), 1.0});
    units.appendRow({qint64(1), QStringLiteral("箱"), 12.0});
    client::UnitSelection u(4);
    answer(QStringLiteral("ExecQuery"), units);
    u.load();
    EXPECT_EQ(QStringLiteral("SELECT a.* FROM baseGoodsUnit as a  WHERE a.Goodsid = 4 order by "
                             "a.fzdwid"),
              lastCall(QStringLiteral("ExecQuery")).sql);
    const auto box = u.choice(1);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(1, box->unitid);
    EXPECT_EQ(QStringLiteral("箱"), box->unitName);
    EXPECT_EQ(12.0, box->rate);
    EXPECT_FALSE(u.choice(2).has_value());
}

}  // namespace
}  // namespace dyt::test

namespace dyt::test {
namespace {

class SelectBatchWindow : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        // No cache and no stored layouts behind the windows; single tests put in their own.
        client::selectionServices() = {};
        connectLoggedIn(7);
    }
    void TearDown() override {
        client::ResetSelectionServices();
        DmFixture::TearDown();
    }
};

TEST_F(SelectBatchWindow, ChoosingABatchFillsTheFocusedLineAndCloses) {
    RecordSet batches;
    batches.addField(QStringLiteral("sonnum"), FieldType::Integer);
    batches.addField(QStringLiteral("goodspc"), FieldType::Integer);
    batches.addField(QStringLiteral("ph"), FieldType::Text);
    batches.addField(QStringLiteral("outdate"), FieldType::Text);
    batches.addField(QStringLiteral("yxqdate"), FieldType::Text);
    batches.addField(QStringLiteral("stockQty"), FieldType::Float);
    batches.addField(QStringLiteral("stockPrice"), FieldType::Float);
    batches.addField(QStringLiteral("stocktotal"), FieldType::Float);
    batches.appendRow({qint64(0), qint64(3), QStringLiteral("P3"), QStringLiteral("2024-03-01"),
                       QStringLiteral("2025-03-01"), 5.0, 2.0, 10.0});
    transport->respondWith(QStringLiteral("ExecProcQuery"), [batches](const QCborArray& args) {
        client::Response r;
        r.result = 0;
        r.outs = {args.at(1), proto::recordSetToCbor(batches)};
        return r;
    });
    RecordSet lines;
    lines.addField(QStringLiteral("goodspc"), FieldType::Integer);
    lines.addField(QStringLiteral("ph"), FieldType::Text);
    lines.appendRow({qint64(0), QString()});
    int saved = 0;
    client::selectionServices().saveLayout = [&](GridView*, const QString& key) {
        EXPECT_EQ(QStringLiteral("TfrmSelectGoodsPC_grdBatch"), key);
        ++saved;
        return true;
    };
    {
        client::TfrmSelectGoodsPC w(5, 9, &lines, nullptr, 0);
        EXPECT_EQ(QStringLiteral("请选择商品批次"), w.windowTitle());
        EXPECT_EQ(QStringLiteral("仓库：全部仓库"),
                  w.findChild<QLabel*>(QStringLiteral("lblStock"))->text());
        EXPECT_EQ(QStringLiteral("商品："),
                  w.findChild<QLabel*>(QStringLiteral("lblGoods"))->text());
        w.show();
        perform(&w, w.grid()->table(), {key(Qt::Key_Return)});
        EXPECT_EQ(0, w.chosenRow());
        EXPECT_TRUE(w.result());
    }
    EXPECT_EQ(1, saved);
    EXPECT_EQ(3, lines.at(0, 0).toLongLong());
    EXPECT_EQ(QStringLiteral("P3"), lines.at(0, 1).toString());
    client::selectionServices().saveLayout = nullptr;
}

}  // namespace
}  // namespace dyt::test
