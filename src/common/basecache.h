#pragma once
// The base data that clients cache locally: the kinds of P_JXC_Get_Base that fill the cache and
// the columns of the local goods and partner tables. The server answers with exactly these
// columns; the client creates its tables from them.

#include <QList>
#include <QString>

#include "common/recordset.h"

namespace dyt::basecache {

// Kinds of P_JXC_Get_Base (QueryType) that fill the cache.
QString goodsKind();         // "SP_"
QString partnersKind();      // "DW_"
QString departmentsKind();   // "BM_"
QString accountsKind();      // "KM_"
QString accountNamesKind();  // "KMName"
QString warehousesKind();    // "CK_"
QString employeesKind();     // "ZY_"
// Every cache kind, in the order above.
QStringList cacheKinds();

// The procedure that answers them.
QString procedureName();  // "P_JXC_Get_Base"
// The condition key that carries the stamp of the last synchronisation (";UpdateTime=").
QString updateTimeKey();  // "UpdateTime"
// The stamp of a cache that has never been synchronised.
QString initialStamp();  // "2000-01-01"

enum class ColumnKind {
    Id,       // INTEGER NOT NULL, the key
    Text,     // TEXT not null DEFAULT ''
    Integer,  // integer not null DEFAULT 0
    Money,    // Currency not null DEFAULT 0
};

struct Column {
    QString name;
    ColumnKind kind;
};

// The columns of the local goods table, in table order: sp_id, sp_spbh … sp_fdw.
const QList<Column>& goodsColumns();
// The columns of the local partner table, in table order: dw_id, dw_dwbh … yufutotal.
const QList<Column>& partnerColumns();

// The record-set field type a column travels as.
FieldType fieldTypeOf(ColumnKind kind);
// An empty record set with the fields of the columns.
RecordSet emptyRecordSet(const QList<Column>& columns);

}  // namespace dyt::basecache
