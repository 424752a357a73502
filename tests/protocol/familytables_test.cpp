// Integrity of the family tables the client, the server's seed and the tools all read.
#include <gtest/gtest.h>

#include <QSet>

#include "protocol/basekinds.h"
#include "protocol/billkinds.h"

namespace dyt {
namespace {

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
