// Integrity of the query-window table and of the family tables the client, the server's seed and
// the tools all read.
#include <gtest/gtest.h>

#include <QSet>

#include "protocol/basekinds.h"
#include "protocol/billkinds.h"
#include "protocol/querydescriptors.h"

using namespace Qt::StringLiterals;

namespace dyt {
namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

TEST(QueryDescriptorTable, ClassNamesAreUniqueAndWellFormed) {
    QSet<QString> seen;
    for (const QueryDescriptor& d : queryDescriptors()) {
        EXPECT_TRUE(d.className.startsWith(u"TfrmQ"_s)) << d.className.toStdString();
        EXPECT_FALSE(d.title.isEmpty()) << d.className.toStdString();
        EXPECT_FALSE(seen.contains(d.className.toLower())) << d.className.toStdString();
        seen.insert(d.className.toLower());
        EXPECT_EQ(&d, findQueryDescriptor(d.className));
        EXPECT_EQ(&d, findQueryDescriptor(d.className.toUpper()));
    }
    EXPECT_GT(seen.size(), 150);
    EXPECT_EQ(nullptr, findQueryDescriptor(u"TfrmQNoSuchWindow"_s));
    EXPECT_EQ(nullptr, findQueryDescriptor(QString()));
}

// Whether the server serves the procedures is checked against the server itself; here only that
// a window calling a report procedure dispatches on a report code.
TEST(QueryDescriptorTable, EveryReportWindowSendsAQueryType) {
    for (const QueryDescriptor& d : queryDescriptors()) {
        if (d.procedure.startsWith(u"P_JXC_Get_"_s)) {
            EXPECT_FALSE(d.queryType().isEmpty()) << d.className.toStdString();
        }
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
        // Drill-down replaces the goods (partner) condition with the row's goods (partner).
        const bool partner = d.subject == QuerySubject::Partner;
        EXPECT_NE(nullptr, d.column(partner ? u"dw_id"_s : u"sp_id"_s)) << d.className.toStdString();
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
        EXPECT_TRUE(dlg.className.startsWith(u"TfrmSelectItems"_s)) << dlg.className.toStdString();
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
            EXPECT_NE(nullptr, d.column(u"id"_s)) << d.className.toStdString();
            EXPECT_NE(nullptr, d.column(u"djType"_s)) << d.className.toStdString();
        }
        for (const QueryDerivedPrice& p : d.derived) {
            EXPECT_NE(nullptr, d.column(p.target)) << d.className.toStdString();
            EXPECT_NE(nullptr, d.column(p.amountField)) << d.className.toStdString();
            EXPECT_NE(nullptr, d.column(p.qtyField)) << d.className.toStdString();
        }
    }
}

TEST(QueryDescriptorTable, LookupByProcedureAndQueryType) {
    const struct {
        const char* procedure;
        const char* type;
        QStringList classes;
    } cases[] = {
        {"P_JXC_Get_XS", "SPXSTJ", {u"TfrmQSPXSTJ"_s, u"TfrmQXSDTJ"_s}},
        {"p_jxc_get_xs", "spxstj", {u"TfrmQSPXSTJ"_s, u"TfrmQXSDTJ"_s}},
        {"P_JXC_Get_JH", "SPJHMXHZB", {u"TfrmQSPJHMXHZB"_s, u"TfrmQDWJHMXHZB"_s}},
        {"P_JXC_Get_XS",
         "XSPHB",
         {u"TfrmQSPXSPHB"_s, u"TfrmQKHXSPHB"_s, u"TfrmQZYXSPHB"_s, u"TfrmQBMXSPHB"_s,
          u"TfrmQCKXSPHB"_s, u"TfrmQDQXSPHB"_s}},
        {"P_JXC_Get_KC", "KCMXZB", {u"TfrmQKCMXZB"_s, u"TfrmQTJDBDTJMX"_s, u"TfrmQBJDBDTJMX"_s}},
        {"P_JXC_Get_LBBB", "LBBBFX", {u"TfrmQLBBB"_s}},
        {"P_JXC_Get_XS", "JHMXZB", {}},  // a purchase code under the sales procedure
        {"P_JXC_Get_JH", "", {}}};
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

// --- the family tables the client, the server's seed and the tools all read
TEST(FamilyTables, BillKindsAreUniqueAndFoundByNumber) {
    QSet<int> numbers;
    QSet<int> menuTags;
    QSet<QString> heads;
    QSet<QString> classes;
    int previous = 0;
    for (const BillKindRow& row : billKindRows()) {
        SCOPED_TRACE(row.djType);
        EXPECT_GT(row.djType, previous);  // the lookups and the seed rely on djType order
        previous = row.djType;
        EXPECT_FALSE(numbers.contains(row.djType));
        numbers.insert(row.djType);
        EXPECT_FALSE(row.kindName().isEmpty());
        EXPECT_FALSE(heads.contains(row.numberHead()));
        heads.insert(row.numberHead());
        if (row.menuTag != 0) {
            EXPECT_FALSE(menuTags.contains(row.menuTag));
            menuTags.insert(row.menuTag);
        }
        // A kind opened from the menu has a window of its own.
        if (row.menuTag != 0) {
            EXPECT_FALSE(row.windowClass().isEmpty());
        }
        if (!row.windowClass().isEmpty()) {
            EXPECT_TRUE(row.windowClass().startsWith(QStringLiteral("TfrmBill")));
            EXPECT_FALSE(classes.contains(row.windowClass()));
            classes.insert(row.windowClass());
        }
        EXPECT_EQ(findBillKindRow(row.djType), &row);
    }
    EXPECT_EQ(findBillKindRow(0), nullptr);
    EXPECT_EQ(findBillKindRow(previous + 1), nullptr);
}

TEST(FamilyTables, BaseKindsAreUniqueAndTheirFieldsComplete) {
    QSet<QString> codes;
    QSet<QString> classes;
    QSet<QString> queryTypes;
    for (const BaseKindRow& kind : baseKindRows()) {
        const QString code = QString::fromLatin1(kind.kindCode);
        SCOPED_TRACE(code.toStdString());
        EXPECT_FALSE(codes.contains(code));
        codes.insert(code);
        for (const char* cls : {kind.listClass, kind.editorClass}) {
            const QString name = QString::fromLatin1(cls).toLower();
            if (name.isEmpty())
                continue;
            EXPECT_FALSE(classes.contains(name)) << cls;
            classes.insert(name);
        }
        // A list window needs rows from a procedure with its query type or from an SQL text.
        if (*kind.listClass) {
            EXPECT_NE(*kind.listProcedure == 0, *kind.listSql == 0);
            EXPECT_FALSE(QString::fromLatin1(kind.saveProcedure).isEmpty());
        }
        EXPECT_FALSE(kind.queryTypeList().isEmpty());
        for (const QString& q : kind.queryTypeList()) {
            EXPECT_FALSE(queryTypes.contains(q.toLower())) << q.toStdString();
            queryTypes.insert(q.toLower());
        }
        QSet<QString> fields;
        QSet<int> captionNumbers;
        for (const BaseFieldRow& f : kind.fields) {
            SCOPED_TRACE(f.name);
            EXPECT_FALSE(fields.contains(f.fieldName().toLower()));
            fields.insert(f.fieldName().toLower());
            EXPECT_FALSE(f.edit == BaseEdit::None && f.store == BaseStore::None);
            EXPECT_EQ(f.edit == BaseEdit::Combo, *f.items != 0);
            EXPECT_EQ(f.edit == BaseEdit::Picker, *f.pickKind != 0 && *f.showField != 0);
            if (f.fieldNo != 0) {
                EXPECT_FALSE(captionNumbers.contains(f.fieldNo));
                captionNumbers.insert(f.fieldNo);
            }
        }
        // Every kind with an editor writes the tree columns.
        if (*kind.editorClass) {
            for (const char* tree : {"code", "fullname", "pym"})
                EXPECT_TRUE(fields.contains(QString::fromLatin1(tree))) << tree;
        }
    }
}

}  // namespace
}  // namespace dyt
