// The columns of the local goods and partner tables.
#include <gtest/gtest.h>

#include <QSet>

#include "common/basecache.h"

using namespace Qt::StringLiterals;

namespace dyt::basecache {
namespace {

TEST(BaseCacheColumns, EachTableHasOneKeyFirstAndDistinctNames) {
    for (const QList<Column>* columns : {&goodsColumns(), &partnerColumns()}) {
        ASSERT_FALSE(columns->isEmpty());
        SCOPED_TRACE(columns->first().name.toStdString());
        EXPECT_EQ(ColumnKind::Id, columns->first().kind);
        QSet<QString> names;
        for (const Column& c : *columns) {
            EXPECT_TRUE(c.kind != ColumnKind::Id || &c == &columns->first())
                << c.name.toStdString();
            EXPECT_FALSE(names.contains(c.name.toLower())) << c.name.toStdString();
            names.insert(c.name.toLower());
        }
    }
}

TEST(BaseCacheColumns, RecordSetsTravelWithTheColumnTypes) {
    for (const QList<Column>* columns : {&goodsColumns(), &partnerColumns()}) {
        const RecordSet rows = emptyRecordSet(*columns);
        ASSERT_EQ(columns->size(), rows.fieldCount());
        EXPECT_EQ(0, rows.rowCount());
        for (int i = 0; i < columns->size(); ++i) {
            const Column& c = columns->at(i);
            const FieldType want = c.kind == ColumnKind::Text    ? FieldType::Text
                                   : c.kind == ColumnKind::Money ? FieldType::Currency
                                                                 : FieldType::Integer;
            EXPECT_EQ(c.name, rows.field(i).name);
            EXPECT_EQ(want, rows.field(i).type) << c.name.toStdString();
        }
    }
}

}  // namespace
}  // namespace dyt::basecache
