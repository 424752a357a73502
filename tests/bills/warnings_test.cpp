// The save-time warning lists against the recording transport: what the client-side comparisons
// list, the texts the checks send, and the two windows' rows, buttons and answers.
#include "bills_support.h"
#include "client/bills/frmbasefkc.h"
#include "client/bills/frmbaseshowprice.h"
#include "client/bills/selectionservices.h"
#include "client/common/frmxabstract.h"
#include "dmtest_support.h"

using namespace Qt::StringLiterals;

namespace dyt::test {
namespace {

using client::FkcMode;
using client::TfrmBaseFKC;
using client::TfrmBaseShowPrice;
using client::WarnLine;

class WarningsTest : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        connectLoggedIn(1);
        // Each case starts without an operator's stored layout.
        client::selectionServices().loadLayout = nullptr;
        client::selectionServices().saveLayout = nullptr;
    }
    void TearDown() override {
        client::resetSelectionServices();
        DmFixture::TearDown();
    }
    static RecordSet unitRow(qint64 unit, qint64 goods, double latestBuy, double lowestSale,
                             double cost) {
        const auto n = [](double v) { return QString::number(v, 'g', 10); };
        return textRows(
            {u"id"_s, u"sp_id"_s, u"latestBuyPrice"_s, u"lowestSalePrice"_s, u"CostPrice"_s},
            {{n(unit), n(goods), n(latestBuy), n(lowestSale), n(cost)}});
    }
    static RecordSet stockRows(const QList<std::pair<qint64, double>>& rows) {
        QList<QStringList> values;
        for (const auto& [g, q] : rows)
            values.append({QString::number(g), QString::number(q)});
        return textRows({u"goodsid"_s, u"qty"_s}, values);
    }
};

TEST_F(WarningsTest, GiftsAndLinesWithoutUnitAreNotPricedAndPricesCompareAtFourPlaces) {
    WarnLine gift = warnLine(1, 101, 3, 1, 0, 1011);
    gift.gift = true;
    const WarnLine noUnit = warnLine(2, 102, 3, 1, 0, 0);
    // Only the third line is asked for; it is listed.
    answerQuery(unitRow(1031, 103, 0, 5, 0));
    const RecordSet rows =
        client::sellingPriceRows(3, {gift, noUnit, warnLine(3, 103, 3, 1, 1, 1031)});
    EXPECT_EQ(1, sqlOf(u"ExecQuery"_s).size());
    EXPECT_TRUE(sqlOf(u"ExecQuery"_s).value(0).endsWith(u"k.id = 1031"_s));
    ASSERT_EQ(1, rows.rowCount());
    EXPECT_EQ(3, rows.at(0, rows.fieldIndex(u"row"_s)).toLongLong());
    EXPECT_THROW(client::sellingPriceRows(4, {}), DytError);
    // 9.00001 and 9.00004 are both 9.0000: not below.
    answerQuery(unitRow(1011, 101, 0, 9.00004, 0));
    EXPECT_EQ(0, client::sellingPriceRows(3, {warnLine(1, 101, 3, 1, 9.00001, 1011)}).rowCount());
    answerQuery(unitRow(1011, 101, 0, 9.0001, 0));
    EXPECT_EQ(1, client::sellingPriceRows(3, {warnLine(1, 101, 3, 1, 9.0, 1011)}).rowCount());
}

TEST_F(WarningsTest, NegativeStockListsGoodsGoingBelowZeroPerWarehouse) {
    // Warehouse 3: goods 101 has 3 and two lines take 2 + 3; goods 102 has 10, takes 4; goods 103
    // has no stock row and takes 1. Warehouse 4: goods 101 has 6, takes 6 (stays at 0).
    answerQuery(stockRows({{101, 3}, {102, 10}}));
    answerQuery(stockRows({{101, 6}}));
    const RecordSet rows = client::NegativeStockRows(
        {warnLine(1, 101, 3, 2), warnLine(2, 102, 3, 4), warnLine(3, 101, 3, 3),
         warnLine(4, 103, 3, 1), warnLine(5, 101, 4, 6)});
    const QStringList sql = sqlOf(u"ExecQuery"_s);
    ASSERT_EQ(2, sql.size());
    EXPECT_EQ(client::warnsql::NegativeStockSql(
                  3, {warnLine(1, 101, 3, 2), warnLine(2, 102, 3, 4), warnLine(4, 103, 3, 1)}),
              sql[0]);
    EXPECT_TRUE(sql[1].contains(u"stockid = 4 and goodsid in (101)"_s));
    ASSERT_EQ(2, rows.rowCount());
    EXPECT_EQ(u"101|1|3|-2 103|4|0|-1"_s, rowOf(rows, 0, u"sp_id,row,Qty,fkcQty"_s) + u' ' +
                                              rowOf(rows, 1, u"sp_id,row,Qty,fkcQty"_s));
}

RecordSet priceRows(int count) {
    RecordSet rs = test::recordSet({u"sp_id:integer"_s, u"ck_id:integer"_s, u"row:integer"_s,
                                    u"Price1:float"_s, u"Price2:float"_s});
    for (int i = 1; i <= count; ++i)
        rs.appendRow({qint64(100 + i), qint64(3), i * 2, 5.0, 6.0 + i});
    return rs;
}

TEST_F(WarningsTest, CheckAndShowRunsTheTextAndTakesTheAnswerTheStockListTakesRowsOrText) {
    const QString sql = u"SELECT 1"_s;
    // No row: true at once, nothing shown.
    answerQuery(RecordSet());
    EXPECT_TRUE(TfrmBaseShowPrice::checkAndShow(1, sql));
    EXPECT_EQ(QStringList{sql}, sqlOf(u"ExecQuery"_s));
    struct Case {
        const char* name;
        int kind;
        bool pressContinue, expected;
    };
    for (const Case& c : {Case{"continue", 1, true, true}, Case{"leave", 1, false, false},
                          Case{"stop kind cannot continue", 5, false, false}}) {
        SCOPED_TRACE(c.name);
        answerQuery(priceRows(3));
        QString shown;  // rows, the first row's line number, whether "继续" shows
        onNextModal([&](QWidget* w) {
            auto* win = qobject_cast<TfrmBaseShowPrice*>(w);
            ASSERT_NE(nullptr, win);
            shown = u"%1 %2 %3"_s.arg(win->grid()->model()->rowCount())
                        .arg(win->grid()->model()->displayText(0, 2))
                        .arg(win->btnOK()->isVisible() ? 1 : 0);
            if (c.pressContinue)
                win->btnOKClick();
            else
                win->close();
        });
        EXPECT_EQ(c.expected, TfrmBaseShowPrice::checkAndShow(c.kind, sql));
        // One row per line with its line number.
        EXPECT_EQ(c.kind != 5 ? u"3 2 1"_s : u"3 2 0"_s, shown);
    }
    // The negative-stock list takes rows or a text.
    transport->clearCalls();
    EXPECT_TRUE(TfrmBaseFKC::checkAndShow(FkcMode::Real, RecordSet()));
    EXPECT_EQ(QStringList(), sqlOf(u"ExecQuery"_s));
    answerQuery(stockRows({{101, 3}}));
    answerQuery(RecordSet());
    const RecordSet rows =
        client::NegativeStockRows({warnLine(1, 101, 3, 5), warnLine(2, 102, 4, 1)});
    ASSERT_EQ(2, rows.rowCount());
    for (bool go : {true, false}) {
        SCOPED_TRACE(go);
        onNextModal([&](QWidget* w) {
            auto* win = qobject_cast<TfrmBaseFKC*>(w);
            ASSERT_NE(nullptr, win);
            EXPECT_EQ(2, win->grid()->model()->rowCount());
            if (go)
                win->btnOKClick();
            else
                win->btnExitClick();
        });
        EXPECT_EQ(go, TfrmBaseFKC::checkAndShow(FkcMode::Real, rows));
    }
    // A text whose query fails raises its message to the bill.
    transport->fail(u"ExecQuery"_s, u"对象名无效"_s);
    EXPECT_THROW(TfrmBaseFKC::checkAndShow(FkcMode::Virtual, u"SELECT x"_s), DytError);
}

TEST_F(WarningsTest, TheListPrintsItsShownColumnsUnderItsCaption) {
    // What the print engine was handed: the mode, template, header and lines.
    const auto restore = qScopeGuard([saved = client::TfrmXAbstract::printHandler()] {
        client::TfrmXAbstract::printHandler() = saved;
    });
    int calls = 0, mode = -1;
    QString file;
    RecordSet header, detail;
    client::TfrmXAbstract::printHandler() = [&](QWidget*, int m, const RecordSet& h,
                                                const RecordSet& d, const QString& f) {
        ++calls, mode = m, header = h, detail = d, file = f;
        return 1;
    };
    client::settings().SeeCost = true;
    TfrmBaseShowPrice w(client::kPriceBelowLatestBuy, priceRows(2));
    EXPECT_EQ(1, w.btnPrintClick());
    client::settings().SeeCost = false;
    ASSERT_EQ(1, calls);
    EXPECT_EQ(client::kPrintPreview, mode);
    EXPECT_EQ(u"折后售价低于最近折后进价.QXF"_s, file);
    // The hidden keys stay out; the line number and both prices go in, in grid order.
    ASSERT_EQ(3, detail.fieldCount());
    EXPECT_EQ(u"row 行号 最近折后进价"_s, detail.field(0).name + u' ' + detail.field(0).caption() +
                                              u' ' + detail.field(2).caption());
    ASSERT_EQ(2, detail.rowCount());
    const auto line = [&](int r) {
        QStringList cells;
        for (int i = 0; i < detail.fieldCount(); ++i)
            cells << detail.at(r, i).toString();
        return cells.join(u'|');
    };
    EXPECT_EQ(u"4|5|8"_s, line(1));
    EXPECT_EQ(u"以下商品折后售价低于最近折后进价，是否继续？"_s, cellOf(header, 0, u"提示"_s));
    // Without the cost right the cost price prints masked.
    TfrmBaseShowPrice masked(client::kPriceBelowLatestBuy, priceRows(1));
    masked.btnPrintClick();
    EXPECT_EQ(u"2|5|***"_s, line(0));
    // An empty list prints nothing and says so.
    TfrmBaseFKC empty(FkcMode::Real, RecordSet());
    EXPECT_EQ(0, empty.btnPrintClick());
    EXPECT_EQ(2, calls);
    EXPECT_EQ(QStringList{u"无数据，不能打印"_s}, script.messages());
}

TEST(WarningLines, BillLinesBecomeWarnLines) {
    // A lines packet as the bill grids hold it: text fields, a blank row, a gift, a line with its
    // own warehouse and a unit of 12.
    RecordSet rs;
    for (const char* f : {"GoodsID", "unitid", "rate", "qty", "discountprice", "goodspc", "rowtype",
                          "IntoStock_id"})
        rs.addField(QString::fromLatin1(f), FieldType::Text, 8000);
    rs.appendRow({u"101"_s, u"1011"_s, u"1"_s, u"2.5"_s, u"9.9"_s, u"0"_s, u"0"_s, u"0"_s});
    rs.appendRow(
        {QString(), QString(), QString(), QString(), QString(), QString(), QString(), QString()});
    rs.appendRow({u"102"_s, u"1022"_s, u"12"_s, u"3"_s, u"0"_s, u"7"_s, u"1"_s, u"5"_s});
    rs.appendRow({u"103"_s, u"1031"_s, u"0"_s, u"4"_s, u"1"_s, u"0"_s, u"0"_s, QString()});
    const QList<WarnLine> lines = client::warnLinesOf(rs, 3);
    // Row, goods, unit, warehouse, batch, quantity in base units, price, gift.
    QStringList got;
    for (const WarnLine& l : lines)
        got << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
                   .arg(l.row)
                   .arg(l.goodsId)
                   .arg(l.unitId)
                   .arg(l.stockId)
                   .arg(l.batch)
                   .arg(l.baseQty)
                   .arg(l.discountPrice)
                   .arg(l.gift ? u"gift"_s : u"-"_s);
    EXPECT_EQ((QStringList{u"1 101 1011 3 0 2.5 9.9 -"_s, u"3 102 1022 5 7 36 0 gift"_s,
                           u"4 103 1031 3 0 4 1 -"_s}),
              got);
}

TEST(WarningLines, SellingPriceKindsFollowOptionAndRights) {
    using client::SellingPriceChecks;
    struct Case {
        const char* name;
        SellingPriceChecks checks;
        bool posting;
        QList<int> kinds;
    };
    const Case cases[] = {
        {"nothing on, draft", {false, true, true}, false, {}},
        {"2035 on, draft", {true, true, true}, false, {1, 2, 3}},
        {"2035 on, no rights, draft", {true, false, false}, false, {1, 2, 3}},
        {"2035 on, no rights, posting", {true, false, false}, true, {1, 2, 3, 5, 6}},
        {"2035 off, may not go below cost", {false, true, false}, true, {6}},
        {"2035 off, may not go below lowest", {false, false, true}, true, {5}},
        {"all rights, posting", {false, true, true}, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.kinds, client::sellingPriceKinds(c.checks, c.posting));
    }
    client::settings().setSwitch(2035, true);
    client::settings().setRight(6017, true);
    const SellingPriceChecks read = client::sellingPriceChecksFromSettings();
    client::resetSettings();
    EXPECT_TRUE(read.warn);
    EXPECT_FALSE(read.mayPostBelowLowest);
    EXPECT_TRUE(read.mayPostBelowCost);
}

TEST_F(WarningsTest, SellingPriceChecksShowEachListThatHasRows) {
    // Sold at 8.5: latest purchase 9 (kind 1), cost 8 (nothing), lowest sale 9 (kinds 3 and 5).
    const client::SellingPriceChecks checks{true, false, true};
    QStringList shown;
    for (bool leaveAtLowest : {false, true}) {
        SCOPED_TRACE(leaveAtLowest);
        shown.clear();
        transport->clearCalls();
        answerQuery(unitRow(1011, 101, 9, 9, 8));
        std::function<void(QWidget*)> act = [&](QWidget* w) {
            auto* win = qobject_cast<TfrmBaseShowPrice*>(w);
            ASSERT_NE(nullptr, win);
            shown << QString::number(win->kind());
            const bool last = win->kind() == 5 || (leaveAtLowest && win->kind() == 3);
            if (last) {
                win->btnExitClick();
                return;
            }
            win->btnOKClick();
            onNextModal(act);
        };
        onNextModal(act);
        EXPECT_FALSE(client::checkSellingPrices({warnLine(1, 101, 3, 1, 8.5, 1011)}, true, checks));
        // One unit query serves every list.
        EXPECT_EQ(1, sqlOf(u"ExecQuery"_s).size());
        EXPECT_EQ(
            leaveAtLowest ? (QStringList{u"1"_s, u"3"_s}) : (QStringList{u"1"_s, u"3"_s, u"5"_s}),
            shown);
    }
    // A draft with no list to show goes on without asking anything.
    EXPECT_TRUE(client::checkSellingPrices({warnLine(1, 101, 3, 1, 8.5, 1011)}, false, {}));
}

TEST_F(WarningsTest, SaveTimeChecksShowOnlyListsWithRows) {
    // No goods line: nothing asked of the server, the save goes on.
    const QList<WarnLine> none = {warnLine(1, 0, 3, 0)};
    EXPECT_TRUE(client::checkStockLimits(none, true) && client::checkNegativeStock(none, false) &&
                client::checkNegativeStock(none, true) && client::checkPurchasePrices(none));
    EXPECT_EQ(QStringList(), sqlOf(u"ExecQuery"_s));
    // A stock limit row: the kind-8 list shows the server's rows; leaving it stops the save.
    answerQuery(textRows({u"sp_id"_s, u"ck_id"_s, u"row"_s, u"Qty_"_s, u"Qty"_s},
                         {{u"101"_s, u"3"_s, u"1"_s, u"10"_s, u"2"_s}}));
    int kind = 0;
    onNextModal([&](QWidget* w) {
        auto* win = qobject_cast<TfrmBaseShowPrice*>(w);
        ASSERT_NE(nullptr, win);
        kind = win->kind();
        win->btnExitClick();
    });
    EXPECT_FALSE(client::checkStockLimits({warnLine(1, 101, 3, 9)}, true));
    EXPECT_EQ(client::kStockAboveUpper, kind);
    EXPECT_EQ(client::warnsql::stockLimitSql({warnLine(1, 101, 3, 9)}, true),
              sqlOf(u"ExecQuery"_s).value(0));
    // Enough stock: the negative-stock list stays closed.
    answerQuery(stockRows({{101, 10}}));
    EXPECT_TRUE(client::checkNegativeStock({warnLine(1, 101, 3, 9)}, false));
    // Too little: the virtual list shows and "继续" lets the save go on.
    answerQuery(textRows({u"goodsid"_s, u"kcqty"_s, u"xnkcqty"_s}, {{u"101"_s, u"1"_s, u"1"_s}}));
    FkcMode mode = FkcMode::Real;
    onNextModal([&](QWidget* w) {
        auto* win = qobject_cast<TfrmBaseFKC*>(w);
        ASSERT_NE(nullptr, win);
        mode = win->mode();
        win->btnOKClick();
    });
    EXPECT_TRUE(client::checkNegativeStock({warnLine(1, 101, 3, 9)}, true));
    EXPECT_EQ(FkcMode::Virtual, mode);
}

TEST_F(WarningsTest, OnlyAShownListKeepsTheOperatorsLayout) {
    QStringList kept;
    client::selectionServices().saveLayout = [&](GridView*, const QString& key) {
        kept << key;
        return true;
    };
    // Nothing to list: the window never shows and stores nothing.
    answerQuery(RecordSet());
    EXPECT_TRUE(TfrmBaseShowPrice::checkAndShow(client::kStockAboveUpper, u"SELECT 1"_s));
    EXPECT_TRUE(TfrmBaseFKC::checkAndShow(FkcMode::Real, RecordSet()));
    EXPECT_EQ(QStringList(), kept);
    // A shown list keeps its layout under its caption.
    onNextModal([](QWidget* w) { static_cast<client::TfrmBaseDialog*>(w)->btnOKClick(); });
    EXPECT_TRUE(TfrmBaseShowPrice::checkAndShow(client::kPriceBelowCost, priceRows(1)));
    EXPECT_EQ(QStringList{u"折后售价低于库存成本"_s}, kept);
}

}  // namespace
}  // namespace dyt::test
