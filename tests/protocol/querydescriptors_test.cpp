#include <gtest/gtest.h>

#include <QSet>

#include "protocol/querydescriptors.h"

namespace dyt {
namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

TEST(QueryDescriptorTable, ClassNamesAreUniqueAndWellFormed) {
    QSet<QString> seen;
    for (const QueryDescriptor& d : queryDescriptors()) {
        EXPECT_TRUE(d.className.startsWith(s("TfrmQ"))) << d.className.toStdString();
        EXPECT_FALSE(d.title.isEmpty()) << d.className.toStdString();
        EXPECT_FALSE(seen.contains(d.className.toLower())) << d.className.toStdString();
        seen.insert(d.className.toLower());
        EXPECT_EQ(&d, findQueryDescriptor(d.className));
        EXPECT_EQ(&d, findQueryDescriptor(d.className.toUpper()));
    }
    EXPECT_GT(seen.size(), 150);
    EXPECT_EQ(nullptr, findQueryDescriptor(s("TfrmQNoSuchWindow")));
    EXPECT_EQ(nullptr, findQueryDescriptor(QString()));
}

TEST(QueryDescriptorTable, EveryProcedureIsKnown) {
    const QStringList& known = queryProcedures();
    for (const QueryDescriptor& d : queryDescriptors()) {
        if (!d.procedure.isEmpty()) {
            EXPECT_TRUE(known.contains(d.procedure)) << d.className.toStdString();
        }
        // A window that calls a report procedure dispatches on a report code, except the bill
        // lists, which call the bill index with their own conditions.
        if (d.procedure.startsWith(s("P_JXC_Get_"))) {
            EXPECT_FALSE(d.queryType().isEmpty()) << d.className.toStdString();
        }
        for (const QString& p : d.otherProcedures)
            EXPECT_TRUE(known.contains(p)) << d.className.toStdString() << " " << p.toStdString();
    }
}

TEST(QueryDescriptorTable, EveryDrillDownTargetIsADetailLedgerOfTheTable) {
    int drilling = 0;
    for (const QueryDescriptor& d : queryDescriptors()) {
        if (d.drillDown.isEmpty())
            continue;
        ++drilling;
        const QueryDescriptor* target = findQueryDescriptor(d.drillDown);
        ASSERT_NE(nullptr, target) << d.className.toStdString();
        EXPECT_EQ(QuerySubject::Ledger, target->subject) << d.drillDown.toStdString();
        EXPECT_TRUE(target->redBillCombo) << d.drillDown.toStdString();
        // Drill-down replaces the goods condition with the row's goods.
        EXPECT_NE(nullptr, d.column(s("sp_id"))) << d.className.toStdString();
    }
    EXPECT_GT(drilling, 10);
}

TEST(QueryDescriptorTable, EveryDialogPageIsPresentAndEveryPageIsUsed) {
    QSet<QString> used;
    for (const QueryDescriptor& d : queryDescriptors()) {
        ASSERT_NE(nullptr, findQueryDialogPage(d.dialogClass, d.dialogPage))
            << d.className.toStdString() << " " << d.dialogClass.toStdString();
        used.insert(d.dialogClass + QLatin1Char('|') + d.dialogPage);
    }
    for (const QueryDialog& dlg : queryDialogs()) {
        EXPECT_TRUE(dlg.className.startsWith(s("TfrmSelectItems"))) << dlg.className.toStdString();
        for (const QueryDialogPage& p : dlg.pages) {
            // Group editors and the operator list are opened by their own callers.
            if (p.kind != PageKind::Conditions)
                continue;
            EXPECT_TRUE(used.contains(dlg.className + QLatin1Char('|') + p.caption))
                << dlg.className.toStdString() << " " << p.caption.toStdString();
            for (const QueryBillBox& b : p.billBoxes)
                EXPECT_GT(b.djType, 0) << p.caption.toStdString();
        }
    }
}

TEST(QueryDescriptorTable, ColumnsAreUniqueAndDerivedColumnsHaveTheirSources) {
    for (const QueryDescriptor& d : queryDescriptors()) {
        QSet<QString> fields;
        for (const QueryColumn& c : d.columns) {
            EXPECT_FALSE(fields.contains(c.field.toLower()))
                << d.className.toStdString() << " " << c.field.toStdString();
            fields.insert(c.field.toLower());
        }
        // Category navigation reads these four fields.
        if (d.tree != QueryTree::None) {
            for (const char* f : {"sonnum", "id", "par_id", "par_jl"}) {
                const QueryColumn* c = d.column(s(f));
                ASSERT_NE(nullptr, c) << d.className.toStdString() << " " << f;
                EXPECT_EQ(0, c->width) << d.className.toStdString() << " " << f;
            }
        }
        if (d.opensBills()) {
            EXPECT_NE(nullptr, d.column(s("id"))) << d.className.toStdString();
            EXPECT_NE(nullptr, d.column(s("djType"))) << d.className.toStdString();
        }
        for (const QueryDerivedPrice& p : d.derived) {
            EXPECT_NE(nullptr, d.column(p.target)) << d.className.toStdString();
            EXPECT_NE(nullptr, d.column(p.amountField)) << d.className.toStdString();
            EXPECT_NE(nullptr, d.column(p.qtyField)) << d.className.toStdString();
        }
    }
}

TEST(QueryDescriptorTable, SalesBillStatisticsRow) {
    const QueryDescriptor* d = findQueryDescriptor(s("TfrmQXSDTJ"));
    ASSERT_NE(nullptr, d);
    EXPECT_EQ(s("销售单统计"), d->title);
    EXPECT_EQ(s("P_JXC_Get_XS"), d->procedure);
    EXPECT_EQ(s("SPXSTJ"), d->queryType());
    EXPECT_EQ(s("TfrmSelectItems_XS4"), d->dialogClass);
    EXPECT_EQ(QueryTree::Goods, d->tree);
    EXPECT_EQ(s("TfrmQXSMXZB"), d->drillDown);
    EXPECT_EQ(s("GoodsStr"), d->goodsKey);
    EXPECT_FALSE(d->redBillCombo);
    // The hidden navigation columns, then the sales figures in this order with these tags.
    const QList<QPair<const char*, const char*>> figures = {
        {"fzqty", "[]辅助销售数量"},         {"Qty", "[%SUM%Q%]销售数量"},
        {"price", "[%P%]销售均价"},          {"discounttotal", "[%SUM%M%]销售收入"},
        {"Taxtotal", "[%SUM%M%]税额"},       {"TaxPrice", "[%P%]含税单价"},
        {"taxTotalSum", "[%SUM%M%]价税合计"}};
    ASSERT_GT(d->columns.size(), figures.size() + 5);
    const qsizetype first = d->columns.size() - figures.size();
    for (qsizetype i = 0; i < figures.size(); ++i) {
        EXPECT_EQ(s(figures[i].first), d->columns[first + i].field);
        EXPECT_EQ(s(figures[i].second), d->columns[first + i].caption);
    }
    const QStringList hidden = {s("sonnum"), s("id"), s("par_id"), s("par_jl"), s("sp_id")};
    for (qsizetype i = 0; i < hidden.size(); ++i) {
        EXPECT_EQ(hidden[i], d->columns[i].field);
        EXPECT_EQ(0, d->columns[i].width);
    }
    ASSERT_EQ(2, d->derived.size());
    EXPECT_EQ(s("price"), d->derived[0].target);
    EXPECT_EQ(s("discounttotal"), d->derived[0].amountField);
    EXPECT_EQ(s("TaxPrice"), d->derived[1].target);
    EXPECT_EQ(s("taxTotalSum"), d->derived[1].amountField);
}

TEST(QueryDescriptorTable, StockStatusRowHasCostTagsAndLowerCaseGoodsKey) {
    const QueryDescriptor* d = findQueryDescriptor(s("TfrmQKCZKB"));
    ASSERT_NE(nullptr, d);
    EXPECT_EQ(s("P_Base_Get_Goods"), d->procedure);
    EXPECT_EQ(s("DQKCNEW"), d->queryType());
    EXPECT_EQ(s("goodsStr"), d->goodsKey);
    EXPECT_EQ(s("TfrmQSPMX"), d->drillDown);
    EXPECT_TRUE(d->derived.isEmpty());
    const struct {
        const char* field;
        const char* caption;
        int width;
    } rows[] = {
        {"stockqty", "[%SUM%Q%]库存数量", 80},         {"stockPrice", "[%P%Cost%]成本单价", 80},
        {"stockTotal", "[%SUM%M%Cost%]库存金额", 100}, {"lsPrice", "[%P%]参考单价", 100},
        {"lstotal", "[%SUM%M%]参考金额", 80},          {"total_", "[%SUM%M%Cost%]差额", 100},
        {"fdwqty", "[%SUM%M%]副单位数量", 100}};
    for (const auto& r : rows) {
        const QueryColumn* c = d->column(s(r.field));
        ASSERT_NE(nullptr, c) << r.field;
        EXPECT_EQ(s(r.caption), c->caption);
        EXPECT_EQ(r.width, c->width);
    }
    const QueryDialogPage* page = findQueryDialogPage(d->dialogClass, d->dialogPage);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(s("TfrmSelectItems_KC5"), d->dialogClass);
    EXPECT_FALSE(page->dates);
    ASSERT_EQ(2, page->pickers.size());
    EXPECT_EQ(PickerKind::Warehouse, page->pickers[0].kind);
    EXPECT_EQ(PickerKind::Goods, page->pickers[1].kind);
}

TEST(QueryDescriptorTable, LookupByProcedureAndQueryType) {
    const struct {
        const char* procedure;
        const char* type;
        QStringList classes;
    } cases[] = {
        {"P_JXC_Get_XS", "SPXSTJ", {s("TfrmQSPXSTJ"), s("TfrmQXSDTJ")}},
        {"p_jxc_get_xs", "spxstj", {s("TfrmQSPXSTJ"), s("TfrmQXSDTJ")}},
        {"P_JXC_Get_JH", "SPJHMXHZB", {s("TfrmQSPJHMXHZB"), s("TfrmQDWJHMXHZB")}},
        {"P_JXC_Get_XS",
         "XSPHB",
         {s("TfrmQSPXSPHB"), s("TfrmQKHXSPHB"), s("TfrmQZYXSPHB"), s("TfrmQBMXSPHB"),
          s("TfrmQCKXSPHB"), s("TfrmQDQXSPHB")}},
        {"P_JXC_Get_KC", "KCMXZB", {s("TfrmQKCMXZB"), s("TfrmQTJDBDTJMX"), s("TfrmQBJDBDTJMX")}},
        {"P_JXC_Get_LBBB", "LBBBFX", {s("TfrmQLBBB")}},
        {"P_JXC_Get_XS", "JHMXZB", {}},  // a purchase code under the sales procedure
        {"P_JXC_Get_JH", "", {}},
    };
    for (const auto& c : cases) {
        QStringList got;
        for (const QueryDescriptor* d : findQueryDescriptors(s(c.procedure), s(c.type)))
            got.append(d->className);
        got.sort();
        QStringList want = c.classes;
        want.sort();
        EXPECT_EQ(want, got) << c.procedure << " " << c.type;
    }
}

TEST(QueryDescriptorTable, LedgersAndBillListsCarryTheRedBillCombo) {
    // Ledgers are the windows whose class ends in MXZB or MX; bill lists read the bill index.
    const struct {
        const char* className;
        bool ledger;
        bool red;
    } cases[] = {{"TfrmQXSMXZB", true, true},  {"TfrmQJHMXZB", true, true},
                 {"TfrmQSPMX", true, true},    {"TfrmQKMMX", true, true},
                 {"TfrmQXSDTJ", false, false}, {"TfrmQKCZKB", false, false},
                 {"TfrmQJYLC", false, true},   {"TfrmQSPXSPHB", false, false}};
    for (const auto& c : cases) {
        const QueryDescriptor* d = findQueryDescriptor(s(c.className));
        ASSERT_NE(nullptr, d) << c.className;
        EXPECT_EQ(c.red, d->redBillCombo) << c.className;
        EXPECT_EQ(c.ledger, d->subject == QuerySubject::Ledger) << c.className;
        EXPECT_EQ(c.red, d->opensBills()) << c.className;
    }
}

TEST(QueryDescriptorTable, TreeKindsAndTheirTreeQueryTypes) {
    const struct {
        const char* className;
        QueryTree tree;
        const char* treeType;
    } cases[] = {
        {"TfrmQSPXSTJ", QueryTree::Goods, "SP"},      {"TfrmQDWXSTJ", QueryTree::Partner, "WLDW"},
        {"TfrmQZYXSPHB", QueryTree::Employee, "ZY"},  {"TfrmQBMXSPHB", QueryTree::Department, "BM"},
        {"TfrmQCKXSPHB", QueryTree::Warehouse, "ck"}, {"TfrmQDQXSPHB", QueryTree::None, ""},
        {"TfrmQXSMXZB", QueryTree::None, ""}};
    for (const auto& c : cases) {
        const QueryDescriptor* d = findQueryDescriptor(s(c.className));
        ASSERT_NE(nullptr, d) << c.className;
        EXPECT_EQ(c.tree, d->tree) << c.className;
        EXPECT_EQ(s(c.treeType), treeQueryType(d->tree)) << c.className;
    }
}

TEST(QueryDialogPages, SalesBillPagesOfTheFourthSalesDialog) {
    const QueryDialog* dlg = findQueryDialog(s("TfrmSelectItems_XS4"));
    ASSERT_NE(nullptr, dlg);
    const struct {
        const char* caption;
        int width;
        int height;
        int billType;
        int warehousePickers;
    } pages[] = {{"销售单统计", 355, 331, 1, 1},
                 {"销售退货单统计", 355, 331, 2, 1},
                 {"销售换货单统计", 354, 381, 3, 2}};
    ASSERT_EQ(3, dlg->pages.size());
    for (int i = 0; i < 3; ++i) {
        const QueryDialogPage& p = dlg->pages[i];
        EXPECT_EQ(s(pages[i].caption), p.caption);
        EXPECT_EQ(i, dlg->pageIndex(p.caption));
        EXPECT_EQ(pages[i].width, p.width);
        EXPECT_EQ(pages[i].height, p.height);
        EXPECT_EQ(pages[i].billType, p.billType);
        EXPECT_TRUE(p.billBoxes.isEmpty());
        EXPECT_TRUE(p.dates);
        int warehouses = 0;
        for (const QueryPicker& k : p.pickers)
            warehouses += k.kind == PickerKind::Warehouse ? 1 : 0;
        EXPECT_EQ(pages[i].warehousePickers, warehouses) << pages[i].caption;
    }
    EXPECT_EQ(-1, dlg->pageIndex(s("商品销售统计")));
}

TEST(QueryDialogPages, BillTypeBoxesOfTheStatisticsPages) {
    const QueryDialogPage* sales = findQueryDialogPage(s("TfrmSelectItems_XS1"), s("商品销售统计"));
    ASSERT_NE(nullptr, sales);
    QList<int> types;
    for (const QueryBillBox& b : sales->billBoxes)
        types.append(b.djType);
    EXPECT_EQ((QList<int>{1, 2, 3, 40, 44, 60}), types);
    const QueryDialogPage* buy = findQueryDialogPage(s("TfrmSelectItems"), s("商品进货统计"));
    ASSERT_NE(nullptr, buy);
    types.clear();
    for (const QueryBillBox& b : buy->billBoxes)
        types.append(b.djType);
    EXPECT_EQ((QList<int>{5, 6, 7, 37, 46, 59}), types);
    EXPECT_EQ(s("进货单"), buy->billBoxes[0].caption);
}

TEST(QueryDialogPages, PickerKindNames) {
    EXPECT_EQ(s("wldw"), pickerKindName(PickerKind::Partner));
    EXPECT_EQ(s("zhiyuan"), pickerKindName(PickerKind::Employee));
    EXPECT_EQ(s("cangku"), pickerKindName(PickerKind::Warehouse));
    EXPECT_EQ(s("bumen"), pickerKindName(PickerKind::Department));
    EXPECT_EQ(s("sp"), pickerKindName(PickerKind::Goods));
    EXPECT_EQ(s("area"), pickerKindName(PickerKind::Region));
}

}  // namespace
}  // namespace dyt
