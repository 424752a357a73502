// The columns of the local goods and partner tables.
#include <gtest/gtest.h>

#include <QSet>

#include "common/basecache.h"

using namespace Qt::StringLiterals;

namespace dyt::basecache {
namespace {

// Each table has one key, first, distinct names, and travels as a record set of the column types.
TEST(BaseCacheColumns, EachTableHasOneKeyFirstDistinctNamesAndItsTypes) {
    for (const QList<Column>* columns : {&goodsColumns(), &partnerColumns()}) {
        ASSERT_FALSE(columns->isEmpty());
        SCOPED_TRACE(columns->first().name.toStdString());
        EXPECT_EQ(ColumnKind::Id, columns->first().kind);
        const RecordSet rows = emptyRecordSet(*columns);
        ASSERT_EQ(columns->size(), rows.fieldCount());
        EXPECT_EQ(0, rows.rowCount());
        QSet<QString> names;
        for (int i = 0; i < columns->size(); ++i) {
            const Column& c = columns->at(i);
            SCOPED_TRACE(c.name.toStdString());
            EXPECT_TRUE(c.kind != ColumnKind::Id || i == 0);
            EXPECT_FALSE(names.contains(c.name.toLower()));
            names.insert(c.name.toLower());
            const FieldType want = c.kind == ColumnKind::Text    ? FieldType::Text
                                   : c.kind == ColumnKind::Money ? FieldType::Currency
                                                                 : FieldType::Integer;
            EXPECT_EQ(c.name, rows.field(i).name);
            EXPECT_EQ(want, rows.field(i).type);
        }
    }
}

}  // namespace
}  // namespace dyt::basecache
