// Integrity of the family tables the client, the server's seed and the tools all read.
#include <gtest/gtest.h>

#include <QSet>

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
        // A kind opened from the menu has a window of its own, and only then.
        EXPECT_EQ(row.menuTag != 0, !row.windowClass().isEmpty());
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

}  // namespace
}  // namespace dyt
