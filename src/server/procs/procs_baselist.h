#pragma once
// The base-data lists and records: the list kinds of P_JXC_Get_Base ("SP", "ZY", "CK", "BM",
// "WLDW", "DQ"/"DiQu", "ZhaiYao", "KM", and "CZY": the operators as one flat list of employees),
// P_Base_Get_KM, the save and delete procedures of every
// kind, the goods units, moving records onto another category and the goods pictures.
//
// List condition string (the kind's line: GoodsStr, zyStr, ckStr, bmStr, wldwStr, dqStr,
// zhaiyaoStr, kmStr):
//   ";id=" + id          one record (the editors load their record so)
//   ";TreeView=1"        the categories from the top down, each followed by its subtree
//   ";allfilter=" + text quick search in code, full name, short name, pinyin (goods: barcodes) at
//                        every level; "%", "_" and quotes are taken literally
//   ";isList=1"          the records (no categories) below ";par_id=" (or all of them)
//   ";par_id=" + id      otherwise: the rows of that category level (0 = top)
//   ";isstop=0"          leaves out stopped rows; ";sptype=" (goods) keeps categories and that
//                        goods type; ";dwtype=" (partners) keeps categories, that type and type 0
// When the account set uses record rights (switch 2004) an operator other than 1 does not see the
// rows his rights table refuses (isbj = 0). A level comes in display order (orderly, code, id), a
// flat list or a search result in code order. Rows carry the table's columns, the kind's names
// (stopName, unitName, …) and pathName: the full names from the top down to the row, joined
// by "/".

#include <QString>

namespace dyt::server {

struct CallContext;
class Registry;

// True for the query types that getBaseList answers.
bool isBaseListKind(const QString& queryType);
// The list of the kind named by the line QueryType; the rows go to c.data.
int getBaseList(CallContext& c);

// The record-rights lists "SPSQ", "DWSQ", "CKSQ", "YHZHSQ" (bank accounts), "ZYSQ", "BMSQ": the
// list of the kind (its condition line as for the list) with the column isbj, the grant of the
// operator of the line filter ";zy_id=". The records that operator has no rights row for get one
// that allows them first, so the call writes (in a transaction of its own when none is open).
bool isRecordRightsKind(const QString& queryType);
int getRecordRights(CallContext& c);

// P_Base_Get_KM, the save and delete procedures, p_base_Up_goodsunit, p_Base_Up_DragDrop and the
// goods picture procedures p_Base_Up_GoodsImage / p_Base_Get_GoodsImage.
void registerBaseListProcedures(Registry& procedures);

}  // namespace dyt::server
