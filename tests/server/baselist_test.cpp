// Base-data lists and records through the server's procedures: editing, the tree, searches,
// refusals, units, pictures, system rows and record rights.
#include <gtest/gtest.h>

#include <QByteArray>

#include "bill_fixture.h"
#include "server/db/database.h"
#include "server/procs/procs_baselist.h"
#include "server/procs/registry.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

using dyt::test::cellOf;
using dyt::test::idsOf;
using dyt::test::paramLines;

// The list kinds of P_JXC_Get_Base, as the list windows and the record selection ask for them.
const QString kListProc = u"P_JXC_Get_Base"_s;

struct Outcome {
    qint64 code = 0;
    QString message;
    ParamList lines;
};

class BaseList : public BillFixture {
protected:
    Outcome proc(const QString& name, const QString& values) {
        const ParamList p = paramLines(values);
        const proto::Response r = call(session_, "ExecProc", {name, p.text()});
        EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        return {r.out(1).toInteger(), r.outText(2), ParamList(r.outText(0))};
    }
    // A save that must succeed; returns the record id.
    qint64 save(const QString& name, const QString& values) {
        const Outcome o = proc(name, values);
        EXPECT_GT(o.code, 0) << name.toStdString() << ": " << o.message.toStdString();
        return o.code;
    }
    RecordSet goods(const QString& condition) { return list(u"SP"_s, u"GoodsStr"_s, condition); }
    RecordSet partners(const QString& c) { return list(u"WLDW"_s, u"wldwStr"_s, c); }
    // A save or delete refused with the message (empty: accepted).
    void refused(const QString& name, const QString& values, const QString& message) {
        const Outcome o = proc(name, values);
        EXPECT_TRUE(message.isEmpty() ? o.code > 0 : o.code == -1) << values.toStdString();
        EXPECT_EQ(message, message.isEmpty() ? QString() : o.message) << values.toStdString();
    }
    RecordSet list(const QString& queryType, const QString& key, const QString& condition) {
        ParamList p;
        p.setValue(u"QueryType"_s, queryType);
        p.setValue(key, u";czy_id=1"_s + condition);
        return procQuery(kListProc, p);
    }
    // The list handler and the procedures called as another operator on the session's
    // connection.
    RecordSet listAs(qint64 user, const QString& queryType, const QString& key,
                     const QString& condition) {
        ParamList p;
        p.setValue(u"QueryType"_s, queryType);
        p.setValue(key, u";czy_id=%1"_s.arg(user) + condition);
        CallContext c(*session_.db, p);
        c.userId = user;
        if (getBaseList(c) < 0)
            throw DytError(c.message);
        return c.data;
    }
    QString procAs(qint64 user, const QString& name, const QString& values) {
        ParamList p = paramLines(values);
        CallContext c(*session_.db, p);
        c.userId = user;
        Transaction tx(*session_.db);
        try {
            if (backend_->procedures().find(name)->handler(c) >= 0)
                tx.commit();
        } catch (const DytError& e) {
            return e.message();
        }
        return c.message;
    }
    // A value read on the session's connection, for SQL the client dialect does not speak.
    QVariant direct(const QString& sql) { return session_.db->scalar(sql); }
    // "par_id/par_jl/leveal/sonnum/del" of a row.
    QString treeOf(const QString& table, qint64 id) {
        return rowsOf(
                   u"SELECT par_id, par_jl, leveal, sonnum, del FROM %1 WHERE id = %2"_s.arg(table)
                       .arg(id))
            .join(u';')
            .replace(u'|', u'/');
    }
    static QString path(std::initializer_list<qint64> chain) {
        QString out;
        for (qint64 id : chain)
            out += QString::number(id) + u',';
        return out;
    }
};

// One row per kind: its procedures, table, list query type and condition line.
struct KindCase {
    const char* saveProc;
    const char* deleteProc;  // empty: the save procedure with del = 1
    const char* table;
    const char* queryType;
    const char* key;
};

const KindCase kKinds[] = {
    {"p_base_Up_Goods", "", "baseGoods", "SP", "GoodsStr"},
    {"p_Base_Up_ZY", "p_Base_Del_ZY", "baseZY", "ZY", "zyStr"},
    {"p_Base_Up_CK", "p_Base_Del_CK", "baseCK", "CK", "ckStr"},
    {"p_base_Up_BM", "p_base_Del_BM", "baseBM", "BM", "bmStr"},
    {"p_Base_Up_Wldw", "p_Base_Del_WLDW", "baseWLDW", "WLDW", "wldwStr"},
    {"p_base_Up_DQ", "p_base_Del_DQ", "baseDQ", "DiQu", "dqStr"},
    {"p_Base_Up_ZhaiYao", "p_Base_Del_ZhaiYao", "baseZhaiYao", "ZhaiYao", "zhaiyaoStr"},
    {"p_base_Up_KM", "p_base_Del_kM", "baseKM", "KM", "kmStr"}};

TEST_F(BaseList, EveryKindIsCreatedEditedAndDeletedThroughItsProcedures) {
    for (const KindCase& k : kKinds) {
        SCOPED_TRACE(k.table);
        const QString table = QString::fromLatin1(k.table);
        const QString type = QString::fromLatin1(k.queryType);
        const QString key = QString::fromLatin1(k.key);
        const QString saveProc = QString::fromLatin1(k.saveProc);
        const qint64 cat = save(saveProc, u"id=0;par_id=0;code=T9;FullName=测试类"_s);
        const qint64 rec =
            save(saveProc, u"id=0;par_id=%1;code=T901;fullname=银行记录;comment=备注一"_s.arg(cat));
        // The new record hangs below the first one, which became a category.
        EXPECT_EQ(u"0/%1/1/1/0"_s.arg(path({cat})), treeOf(table, cat));
        EXPECT_EQ(u"%1/%2/2/0/0"_s.arg(cat).arg(path({cat, rec})), treeOf(table, rec));
        RecordSet rs = list(type, key, u";par_id=%1"_s.arg(cat));
        EXPECT_EQ(QList<qint64>{rec}, idsOf(rs));
        EXPECT_EQ(u"测试类/银行记录"_s, cellOf(rs, rec, u"pathName"_s));
        // The pinyin code follows the full name when none is sent.
        EXPECT_EQ(u"YHJL"_s, cellOf(rs, rec, u"pym"_s).toString());
        EXPECT_EQ(u"备注一"_s, cellOf(rs, rec, u"comment"_s).toString());
        // Edit: only the lines sent change; the result is the same id.
        EXPECT_EQ(rec,
                  save(saveProc, u"id=%1;par_id=%2;code=T902;fullname=改名"_s.arg(rec).arg(cat)));
        rs = list(type, key, u";id=%1"_s.arg(rec));
        EXPECT_EQ(QList<qint64>{rec}, idsOf(rs));
        EXPECT_EQ(u"T902"_s, cellOf(rs, rec, u"code"_s).toString());
        EXPECT_EQ(u"改名"_s, cellOf(rs, rec, u"fullname"_s).toString());
        EXPECT_EQ(u"备注一"_s, cellOf(rs, rec, u"comment"_s).toString());
        // Delete: marked, not removed; the category is a leaf again.
        const Outcome del = *k.deleteProc
                                ? proc(QString::fromLatin1(k.deleteProc), u"id=%1"_s.arg(rec))
                                : proc(saveProc, u"id=%1;del=1"_s.arg(rec));
        EXPECT_GE(del.code, 0) << del.message.toStdString();
        EXPECT_EQ(u"%1/%2/2/0/1"_s.arg(cat).arg(path({cat, rec})), treeOf(table, rec));
        EXPECT_EQ(u"0/%1/1/0/0"_s.arg(path({cat})), treeOf(table, cat));
        EXPECT_EQ(QList<qint64>{}, idsOf(list(type, key, u";par_id=%1"_s.arg(cat))));
    }
}

TEST_F(BaseList, AddingOrMovingBelowLevelFiveIsRefused) {
    qint64 parent = 0;
    QList<qint64> chain;
    for (int level = 1; level <= 5; ++level) {
        parent = save(u"p_base_Up_Goods"_s, u"id=0;par_id=%1;code=%2;fullname=%3"_s.arg(parent)
                                                .arg(u"LV%1"_s.arg(level))
                                                .arg(u"第%1级"_s.arg(level)));
        chain.append(parent);
    }
    // Level 5 was added below level 4: its path holds all five ids.
    EXPECT_EQ(u"%1/%2/5/0/0"_s.arg(chain[3]).arg(
                  path({chain[0], chain[1], chain[2], chain[3], chain[4]})),
              treeOf(u"baseGoods"_s, chain[4]));
    EXPECT_EQ(1, count(u"SELECT sonnum FROM baseGoods WHERE id = %1"_s.arg(chain[3])));
    const qint64 before = count(u"SELECT COUNT(*) FROM baseGoods"_s);
    refused(u"p_base_Up_Goods"_s, u"id=0;par_id=%1;code=LV6;fullname=第6级"_s.arg(chain[4]),
            u"系统最大支持5级，不能再增加下级"_s);
    EXPECT_EQ(before, count(u"SELECT COUNT(*) FROM baseGoods"_s));
    EXPECT_EQ(0, count(u"SELECT sonnum FROM baseGoods WHERE id = %1"_s.arg(chain[4])));
    // A move that would go below level five is refused: a chain of four warehouse levels and a
    // category with a child; moving the category below level 4 would put its child on level 6.
    parent = 0;
    for (int level = 1; level <= 4; ++level) {
        parent = save(u"p_Base_Up_CK"_s, u"par_id=%1;code=%2;fullname=%3"_s.arg(parent)
                                             .arg(u"K%1"_s.arg(level))
                                             .arg(u"层%1"_s.arg(level)));
    }
    save(u"p_Base_Up_CK"_s, u"par_id=%1;code=K5;fullname=层5"_s.arg(parent));
    const qint64 cat = save(u"p_Base_Up_CK"_s, u"par_id=0;code=Q;fullname=待移"_s);
    save(u"p_Base_Up_CK"_s, u"par_id=%1;code=Q1;fullname=子"_s.arg(cat));
    const Outcome o =
        proc(u"p_Base_Up_DragDrop"_s,
             u"TableName=baseck;par_id=%1;idStrList=%2"_s.arg(parent).arg(u"(0,%1,-1)"_s.arg(cat)));
    EXPECT_EQ(u"系统最大支持5级，不能再增加下级"_s, o.message);
    EXPECT_EQ(u"0/%1/1/1/0"_s.arg(path({cat})), treeOf(u"baseCK"_s, cat));
}

TEST_F(BaseList, DeletingTheOnlyGoodsOfACategoryKeepsTheTreeConsistent) {
    const qint64 cat = save(u"p_base_Up_Goods"_s, u"par_id=0;code=C1;fullname=单品类"_s);
    const qint64 only =
        save(u"p_base_Up_Goods"_s, u"par_id=%1;code=C101;fullname=唯一商品"_s.arg(cat));
    EXPECT_EQ(true, idsOf(goods(u";TreeView=1"_s)).contains(cat));
    const Outcome o = proc(u"p_base_Up_Goods"_s, u"id=%1;del=1"_s.arg(only));
    EXPECT_EQ(only, o.code) << o.message.toStdString();
    EXPECT_EQ(u"0/%1/1/0/0"_s.arg(path({cat})), treeOf(u"baseGoods"_s, cat));
    // The level is empty, the category is a plain row of the top level and left the tree.
    EXPECT_EQ(QList<qint64>{}, idsOf(goods(u";par_id=%1"_s.arg(cat))));
    const RecordSet top = goods(u";par_id=0"_s);
    EXPECT_EQ(0, cellOf(top, cat, u"sonnum"_s).toLongLong());
    EXPECT_EQ(false, idsOf(goods(u";TreeView=1"_s)).contains(cat));
    // A category is refused.
    const Outcome node = proc(u"p_base_Up_Goods"_s, u"id=100;del=1"_s);
    EXPECT_EQ(u"此记录为一个节点，不能删除！"_s, node.message);
}

TEST_F(BaseList, ACodeWithAQuoteIsStoredSearchedAndKeptUnique) {
    const qint64 id =
        save(u"p_base_Up_Goods"_s, u"par_id=100;code=A'01;fullname=O'Brien 牙膏;name=牙膏"_s);
    EXPECT_EQ(u"A'01"_s, scalar(u"SELECT code FROM baseGoods WHERE id = %1"_s.arg(id)));
    // clang-format off
    struct Case { const char* name; const char* condition; QList<qint64> expected; };
    const Case cases[] = {
        {"quote alone", ";allfilter='", {id}},
        {"code with quote", ";allfilter=a'0", {id}},
        {"name with quote", ";allfilter=O'Brien", {id}},
        {"percent is literal", ";allfilter=%", {}},
        {"pinyin of the full name", ";allfilter=OBRIENYG", {id}},
        {"category and goods by name", ";allfilter=商品", {100, 101, 102, 103}}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, idsOf(goods(QString::fromUtf8(c.condition))));
    }
    // Codes compare without regard to letter case.
    refused(u"p_base_Up_Goods"_s, u"par_id=0;code=a'01;fullname=另一个"_s,
            u"商品编号[a'01]已经存在，请重新输入！"_s);
    // Warehouses alike; the next automatic code follows the highest child code.
    const qint64 south = save(u"p_Base_Up_CK"_s, u"par_id=0;code=02;fullname=华南仓库"_s);
    const qint64 store =
        save(u"p_Base_Up_CK"_s, u"par_id=%1;code=0201;fullname=北京'一号'库"_s.arg(south));
    EXPECT_EQ(u"BJYHK"_s, scalar(u"SELECT pym FROM baseCK WHERE id = %1"_s.arg(store)));
    EXPECT_EQ(u"0202"_s, scalar(u"SELECT dbo.fnGetBaseAutoCode('ck', %1) AS Code"_s.arg(south)));
    EXPECT_EQ(u"仓库编号[0201]已经存在，请重新输入！"_s,
              proc(u"p_Base_Up_CK"_s, u"par_id=0;code=0201;fullname=重复"_s).message);
}

TEST_F(BaseList, StoppedRecordsAreHiddenOnlyWhenLeftOutAndStopAndStartWithTheirTree) {
    update(u"UPDATE baseGoods SET isstop = 1 WHERE id = 102"_s);
    const RecordSet all = goods(u";par_id=100"_s);
    EXPECT_EQ((QList<qint64>{101, 102}), idsOf(all));
    EXPECT_EQ(u"是"_s, cellOf(all, 102, u"stopName"_s).toString());
    EXPECT_EQ(u"否"_s, cellOf(all, 101, u"stopName"_s).toString());
    EXPECT_EQ(QList<qint64>{101}, idsOf(goods(u";par_id=100;isstop=0"_s)));
    EXPECT_EQ((QList<qint64>{101, 103}), idsOf(goods(u";isList=1;isstop=0"_s)));
    // Stopping through the editor works the same for partners.
    save(u"p_Base_Up_Wldw"_s, u"id=202;isstop=True;code=DW202;fullname=乙公司"_s);
    EXPECT_EQ(QList<qint64>{201}, idsOf(partners(u";par_id=200;isstop=0"_s)));
    EXPECT_EQ((QList<qint64>{201, 202}), idsOf(partners(u";par_id=200"_s)));
    // Stopping a category stops its subtree; a started record starts its categories.
    const auto stop = [&](qint64 id, const char* code, const char* name, const char* value) {
        return proc(u"p_base_Up_Goods"_s, u"id=%1;code=%2;fullname=%3;isstop=%4"_s.arg(id)
                                              .arg(QString::fromLatin1(code))
                                              .arg(QString::fromUtf8(name))
                                              .arg(QString::fromLatin1(value)))
            .code;
    };
    const auto stopped = [&] {
        return direct(
                   u"SELECT group_concat(id) FROM (SELECT id FROM baseGoods "
                   "WHERE isstop = 1 ORDER BY id)"_s)
            .toString();
    };
    EXPECT_EQ(100, stop(100, "L1", "商品类", "1"));
    EXPECT_EQ(u"100,101,102"_s, stopped());
    EXPECT_EQ(QList<qint64>{103}, idsOf(goods(u";isList=1;isstop=0"_s)));
    EXPECT_EQ(102, stop(102, "SP102", "商品102", "0"));
    EXPECT_EQ(u"101"_s, stopped());
    EXPECT_EQ((QList<qint64>{100, 103}), idsOf(goods(u";par_id=0;isstop=0"_s)));
}

TEST_F(BaseList, TheListCarriesItsColumnsAndFollowsTheRowOrderAndTheCategoryNames) {
    update(
        u"UPDATE baseGoodsUnit SET barcode = '690101', price = 3.5, price1 = 4, "
        "price2 = 4.5, price3 = 5 WHERE id = 1011"_s);
    update(
        u"UPDATE baseGoods SET gg = '500g', xh = 'X1', addr = '上海', wldw_id = "
        "201 WHERE id = 101"_s);
    EXPECT_EQ(
        u"SP101|商品101|500g|X1|上海|个|690101|3.5|4|4.5|5|无|甲公司|商品类/商品101|100,101,|2"_s,
        dyt::test::rowText(goods(u";id=101"_s), 0,
                           u"code,fullname,gg,xh,addr,unitName,barcode,LSprice,price1,price2,"
                           "price3,YouWuTuPian,wldwName,pathName,par_jl,leveal"_s));
    const Outcome o = proc(u"p_Base_Up_Orderly"_s, u"tableName=baseGoods;IdList=102,101"_s);
    EXPECT_EQ(2, o.code) << o.message.toStdString();
    EXPECT_EQ((QList<qint64>{102, 101}), idsOf(goods(u";par_id=100"_s)));
    // The flat list mixes levels: code order.
    EXPECT_EQ((QList<qint64>{101, 102, 103}), idsOf(goods(u";isList=1"_s)));
    // A renamed category renames the path of every row below it.
    save(u"p_base_Up_Goods"_s, u"id=100;code=L1;fullname=饮料"_s);
    const RecordSet rs = goods(u";par_id=100"_s);
    EXPECT_EQ(u"饮料/商品101"_s, cellOf(rs, 101, u"pathName"_s).toString());
    EXPECT_EQ(u"饮料/商品102"_s, cellOf(rs, 102, u"pathName"_s).toString());
}

TEST_F(BaseList, TheOrderOfAllPiecesIsSetAndRefusedOrdersChangeNothing) {
    const auto setOrders = [&] {
        update(u"UPDATE baseKM SET orderly = 99 + id WHERE id IN (1, 2, 3)"_s);
    };
    const auto orders = [&] {
        return direct(
                   u"SELECT group_concat(orderly) FROM (SELECT orderly FROM baseKM WHERE id "
                   "IN (1, 2, 3) ORDER BY id)"_s)
            .toString();
    };
    setOrders();
    const Outcome o = proc(u"p_Base_Up_Orderly"_s,
                           u"tableName=BASEkm;IdList=3,1;IdList2=2;IdList3=;IdList4=;IdList5="_s);
    EXPECT_EQ(3, o.code) << o.message.toStdString();
    EXPECT_EQ(u"2,3,1"_s, orders());
    setOrders();
    // clang-format off
    struct Case { const char* name; const char* lines; const char* message; };
    const Case cases[] = {
        {"a table without order", "tableName=sysuser;IdList=1", "表[sysuser]不能排序"},
        {"a name that is SQL", "tableName=baseKM SET orderly=0 --;IdList=1", "表[baseKM SET orderly=0 --]不能排序"},
        {"no table", "IdList=1", "表[]不能排序"},
        {"a bad id after good ones", "tableName=baseKM;IdList=2,1;IdList2=x1", "排序的记录编号[x1]无效"},
        {"an id twice", "tableName=baseKM;IdList=2;IdList3=2", "排序的记录编号[2]重复"}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        refused(u"p_Base_Up_Orderly"_s, QString::fromUtf8(c.lines), QString::fromUtf8(c.message));
        EXPECT_EQ(u"100,101,102"_s, orders());
    }
}

TEST_F(BaseList, TheTreeComesFromTheTopDownWithEachSubtreeAfterItsCategory) {
    // 100 商品类 gets a sub-category; a second top category follows it.
    const qint64 sub = save(u"p_base_Up_Goods"_s, u"par_id=100;code=L101;fullname=子类"_s);
    save(u"p_base_Up_Goods"_s, u"par_id=%1;code=L10101;fullname=孙"_s.arg(sub));
    const qint64 top2 = save(u"p_base_Up_Goods"_s, u"par_id=0;code=L2;fullname=第二类"_s);
    save(u"p_base_Up_Goods"_s, u"par_id=%1;code=L201;fullname=乙"_s.arg(top2));
    const RecordSet tree = goods(u";TreeView=1"_s);
    EXPECT_EQ((QList<qint64>{100, sub, top2}), idsOf(tree));
    EXPECT_EQ(2, cellOf(tree, sub, u"leveal"_s).toLongLong());
    EXPECT_EQ(u"商品类/子类"_s, cellOf(tree, sub, u"pathName"_s));
    // The flat list of a category holds the goods at every depth below it, no categories.
    const RecordSet flat = goods(u";isList=1;isList=1;par_id=100"_s);
    EXPECT_EQ(3, flat.rowCount());
    for (int r = 0; r < flat.rowCount(); ++r)
        EXPECT_EQ(0, flat.at(r, flat.fieldIndex(u"sonnum"_s)).toLongLong());
}

// Records used by a posted bill: bill 5 (purchase) of goods 101 from partner 201 into
// warehouse 301, made by employee 2 of department 401.
TEST_F(BaseList, ADeleteOfARecordUsedByAPostedBillIsRefused) {
    saveGoodsBill(true, 5, today(), {{101, 2, 10}});
    ASSERT_EQ(1, count(u"SELECT COUNT(*) FROM djIndex WHERE dj_state = 2"_s));
    // clang-format off
    struct Case { const char* proc; const char* table; qint64 id; const char* message; };
    const Case cases[] = {
        {"p_base_Up_Goods", "baseGoods", 101, "商品[商品101]已经被单据使用，不能删除！"},
        {"p_Base_Del_WLDW", "baseWLDW", 201, "往来单位[甲公司]已经被单据使用，不能删除！"},
        {"p_Base_Del_CK", "baseCK", 301, "仓库[一号仓]已经被单据使用，不能删除！"},
        {"p_Base_Del_ZY", "baseZY", 2, "职员[张三]已经被单据使用，不能删除！"},
        {"p_base_Del_BM", "baseBM", 401, "部门[采购部]已经被单据使用，不能删除！"}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        refused(QString::fromLatin1(c.proc), u"id=%1;del=1"_s.arg(c.id),
                QString::fromUtf8(c.message));
        EXPECT_EQ(
            0,
            count(
                u"SELECT del FROM %1 WHERE id = %2"_s.arg(QString::fromLatin1(c.table)).arg(c.id)));
    }
    // The goods of the other category is free; its delete goes through.
    EXPECT_EQ(103, proc(u"p_base_Up_Goods"_s, u"id=103;del=1"_s).code);
}

TEST_F(BaseList, CostMethodAndGoodsTypeAreLockedAfterAPostedBill) {
    // A bill row written directly: a posted purchase line of goods 102.
    update(
        u"INSERT INTO djIndex(id, djType, code, date, dj_state) VALUES (900, 5, "
        "'X-1', '2024-01-05', 2)"_s);
    update(
        u"INSERT INTO djList(id, djType, date, dj_state, goodsid, unit, qty) "
        "VALUES (900, 5, '2024-01-05', 2, 102, 0, 1)"_s);
    const auto edit = [&](qint64 id, const char* field, const char* value) {
        return u"id=%1;code=SP%1;fullname=商品%1;%2=%3"_s.arg(id).arg(QString::fromLatin1(field),
                                                                      QString::fromLatin1(value));
    };
    struct Case {
        qint64 id;
        const char* field;
        const char* value;
        const char* message;  // empty: accepted
    };
    const Case cases[] = {
        {102, "costmode", "2", "该商品已经有库存或业务单据，不能修改成本核算方法！"},
        {102, "spType", "1", "该商品已经有业务单据，不能修改商品类型！"},
        {102, "costmode", "0", ""},  // unchanged
        {101, "costmode", "2", ""},
        {101, "spType", "1", ""},
        {103, "costmode", "7", "成本核算方法无效：7"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + c.field + c.value);
        refused(u"p_base_Up_Goods"_s, edit(c.id, c.field, c.value), QString::fromUtf8(c.message));
    }
    EXPECT_EQ(
        u"0/0"_s,
        direct(u"SELECT costmode || '/' || spType FROM baseGoods WHERE id = 102"_s).toString());
    EXPECT_EQ(
        u"2/1"_s,
        direct(u"SELECT costmode || '/' || spType FROM baseGoods WHERE id = 101"_s).toString());
    // Stock alone locks the cost method but not the goods type.
    update(
        u"INSERT INTO baseGoodsStock(goodsid, stockid, qty, total) VALUES (103, "
        "301, 5, 50)"_s);
    refused(u"p_base_Up_Goods"_s, edit(103, "costmode", "3"),
            u"该商品已经有库存或业务单据，不能修改成本核算方法！"_s);
    refused(u"p_base_Up_Goods"_s, edit(103, "spType", "1"), QString());
}

TEST_F(BaseList, StockLimitsAndPartnerAmountsAreChecked) {
    struct Case {
        const char* proc;
        QString values;
        const char* message;  // empty: accepted
    };
    const auto goods = [](const char* down, const char* up) {
        return u"id=101;code=SP101;fullname=商品101;warnDown=%1;warnUP=%2"_s
            .arg(QString::fromLatin1(down))
            .arg(QString::fromLatin1(up));
    };
    const auto partner = [](const char* field, const char* value) {
        return u"id=201;code=DW201;fullname=甲公司;%1=%2"_s.arg(QString::fromLatin1(field),
                                                                QString::fromLatin1(value));
    };
    const Case cases[] = {
        {"p_base_Up_Goods", goods("5", "5"), ""},
        {"p_base_Up_Goods", goods("6", "5"), "库存上限必须大于库存下限"},
        {"p_base_Up_Goods", goods("-1", "5"), "库存下限不能小于0"},
        {"p_base_Up_Goods", goods("0", "-2"), "库存上限不能小于0"},
        {"p_base_Up_Goods", goods("1", "abc"), "库存上限必须是数字：abc"},
        {"p_Base_Up_Wldw", partner("ys_xyd", "-0.01"), "应收信用额度不能小于 0"},
        {"p_Base_Up_Wldw", partner("yf_xyd", "-5"), "应付信用额度不能小于 0"},
        {"p_Base_Up_Wldw", partner("ysDays", "-3"), "收款期限天数必须是正整数"},
        {"p_Base_Up_Wldw", partner("yfDays", "2.5"), "付款期限天数必须是整数：2.5"},
        {"p_Base_Up_Wldw", partner("Areaid", "999"), "地区[999]不存在或已被删除"},
        {"p_Base_Up_Wldw", partner("zwgs_id", "201"), "账务归属单位不能是单位自己"},
        {"p_Base_Up_Wldw", partner("ys_xyd", "1000"), ""},
        {"p_Base_Up_ZY", u"id=2;code=002;fullname=张三;Birthday=1990-02-30"_s,
         "出生日期不是有效的日期：1990-02-30"},
        {"p_base_Up_Goods", u"id=101;code=  "_s, "请输入编号"},
        {"p_base_Up_Goods", u"code=NEW"_s, "请输入全名"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        refused(QString::fromLatin1(c.proc), c.values, QString::fromUtf8(c.message));
    }
    EXPECT_EQ(5.0, scalar(u"SELECT warnUP FROM baseGoods WHERE id = 101"_s).toDouble());
    EXPECT_EQ(1000.0, scalar(u"SELECT ys_xyd FROM baseWLDW WHERE id = 201"_s).toDouble());
    EXPECT_EQ(0, count(u"SELECT COUNT(*) FROM baseGoods WHERE code = 'NEW'"_s));
}

TEST_F(BaseList, TheDragIdListMovesRecordsWithTheirSubtrees) {
    const qint64 target = save(u"p_base_Up_Goods"_s, u"par_id=0;code=M;fullname=目标类"_s);
    save(u"p_base_Up_Goods"_s, u"par_id=%1;code=M1;fullname=已有"_s.arg(target));
    // The id list of two goods, as the list window builds it.
    const Outcome o = proc(u"p_Base_Up_DragDrop"_s,
                           u"TableName=basegoods;par_id=%1;idStrList=(0,101,102,-1)"_s.arg(target));
    EXPECT_EQ(2, o.code) << o.message.toStdString();
    EXPECT_EQ(u"%1/%2/2/0/0"_s.arg(target).arg(path({target, 101})), treeOf(u"baseGoods"_s, 101));
    EXPECT_EQ(u"%1/%2/2/0/0"_s.arg(target).arg(path({target, 102})), treeOf(u"baseGoods"_s, 102));
    EXPECT_EQ(u"0/100,/1/0/0"_s, treeOf(u"baseGoods"_s, 100));
    EXPECT_EQ(3, count(u"SELECT sonnum FROM baseGoods WHERE id = %1"_s.arg(target)));
    // A category moves with everything below it.
    proc(u"p_Base_Up_DragDrop"_s,
         u"TableName=basegoods;par_id=0;idStrList=%1"_s.arg(u"(0,%1,-1)"_s.arg(target)));
    const qint64 outer = save(u"p_base_Up_Goods"_s, u"par_id=0;code=O;fullname=外层"_s);
    save(u"p_base_Up_Goods"_s, u"par_id=%1;code=O1;fullname=占位"_s.arg(outer));
    EXPECT_EQ(1, proc(u"p_Base_Up_DragDrop"_s,
                      u"TableName=BASEGOODS;par_id=%1;idStrList=%2"_s.arg(outer).arg(
                          u"(0,%1,-1)"_s.arg(target)))
                     .code);
    EXPECT_EQ(u"%1/%2/3/0/0"_s.arg(target).arg(path({outer, target, 101})),
              treeOf(u"baseGoods"_s, 101));
    // clang-format off
    struct Refusal { const char* name; QString parId; QString ids; QString message; };
    const Refusal refusals[] = {
        {"into its own subtree", QString::number(target), u"(0,%1,-1)"_s.arg(outer), u"不能把分类移到它自己或它的下级中"_s},
        {"onto a goods", u"103"_s, u"(0,101,-1)"_s, u"[商品103]不是分类，不能移入"_s},
        {"without the closing -1", QString::number(outer), u"(0,101)"_s, u"记录编号列表格式错误：(0,101)"_s},
        {"text in the list", QString::number(outer), u"(0,1 OR 1,-1)"_s, u"记录编号列表格式错误：(0,1 OR 1,-1)"_s}};
    // clang-format on
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        refused(u"p_Base_Up_DragDrop"_s,
                u"TableName=basegoods;par_id=%1;idStrList=%2"_s.arg(r.parId).arg(r.ids), r.message);
    }
    EXPECT_EQ(u"%1/%2/3/0/0"_s.arg(target).arg(path({outer, target, 101})),
              treeOf(u"baseGoods"_s, 101));
    // One unknown id in the list: none of the records moves.
    const Outcome partial =
        proc(u"p_Base_Up_DragDrop"_s, u"TableName=basegoods;par_id=0;idStrList=(0,101,999,-1)"_s);
    EXPECT_EQ(u"商品记录[999]不存在或已被删除"_s, partial.message);
    EXPECT_EQ(u"%1/%2/3/0/0"_s.arg(target).arg(path({outer, target, 101})),
              treeOf(u"baseGoods"_s, 101));
}

TEST_F(BaseList, UnitsAreSavedAndLockedOnceBillsUseThem) {
    const auto unit = [&](const char* slot, const char* name, const char* rate, const char* barcode,
                          const char* isDefault = "0") {
        return proc(
            u"p_base_Up_goodsunit"_s,
            u"Goodsid=103;fzdwid=%1;unit=%2;rate=%3;barcode=%4;price=12;price1=11;price2=;price3=;id=;isDefault=%5"_s
                .arg(QString::fromLatin1(slot))
                .arg(QString::fromUtf8(name))
                .arg(QString::fromLatin1(rate))
                .arg(QString::fromLatin1(barcode))
                .arg(QString::fromUtf8(isDefault)));
    };
    EXPECT_EQ(1031, unit("0", "件", "7", "690103").code);  // the base unit's rate stays 1
    const qint64 box = unit("1", "箱", "12", "690103-12", "√").code;
    EXPECT_GT(box, 0);
    EXPECT_EQ(u"件/1/0|箱/12/1"_s,
              direct(u"SELECT group_concat(unit || '/' || CAST(rate AS INTEGER) || '/' || "
                     "isDefault, '|') FROM (SELECT * FROM baseGoodsUnit WHERE "
                     "Goodsid = 103 ORDER BY fzdwid)"_s)
                  .toString());
    EXPECT_EQ(
        u"条码[690103]已经被商品[商品103]使用"_s,
        proc(u"p_base_Up_goodsunit"_s, u"Goodsid=101;fzdwid=1;unit=箱;rate=10;barcode=690103"_s)
            .message);
    EXPECT_EQ(u"单位关系必须大于0"_s, unit("2", "托", "0", "").message);
    EXPECT_EQ(u"[商品类]是商品分类，不能设置单位"_s,
              proc(u"p_base_Up_goodsunit"_s, u"Goodsid=100;fzdwid=0;unit=个"_s).message);
    // A posted bill line in the box unit: its name and rate stay, its prices may change.
    update(u"INSERT INTO djIndex(id, djType, dj_state) VALUES (901, 1, 2)"_s);
    update(
        u"INSERT INTO djList(id, djType, dj_state, goodsid, unit, qty) VALUES "
        "(901, 1, 2, 103, 1, 1)"_s);
    EXPECT_EQ(u"单位[箱]已经被单据使用，不能修改单位和单位关系！"_s,
              unit("1", "箱", "10", "690103-12").message);
    EXPECT_EQ(u"单位[箱]已经被单据使用，不能删除！"_s, unit("1", "", "12", "").message);
    EXPECT_EQ(box, unit("1", "箱", "12", "690103-12", "1").code);
    // The default mark moves to the base unit.
    EXPECT_EQ(1031, unit("0", "件", "1", "690103", "1").code);
    EXPECT_EQ(u"1|0"_s, direct(u"SELECT group_concat(isDefault, '|') FROM (SELECT * FROM "
                               "baseGoodsUnit WHERE Goodsid = 103 ORDER BY fzdwid)"_s)
                            .toString());
}

TEST_F(BaseList, APictureIsStoredPerGoodsAndMarked) {
    const QByteArray png = QByteArray("\x89PNG\r\n\x1A\n", 8) + QByteArray(300, '\x01');
    const Outcome up = proc(u"p_Base_Up_GoodsImage"_s,
                            u"Goodsid=101;Image=%1"_s.arg(QString::fromLatin1(png.toBase64())));
    EXPECT_EQ(png.size(), up.code) << up.message.toStdString();
    EXPECT_EQ(u"有"_s, cellOf(goods(u";id=101"_s), 101, u"YouWuTuPian"_s).toString());
    ParamList p;
    p.setValue(u"Goodsid"_s, u"101"_s);
    RecordSet rs = procQuery(u"p_Base_Get_GoodsImage"_s, p);
    ASSERT_EQ(1, rs.rowCount());
    EXPECT_EQ(png, rs.at(0, rs.fieldIndex(u"Image"_s)).toByteArray());
    // clang-format off
    struct Case { const char* name; QString data; const char* message; };
    const Case refusals[] = {
        {"no picture", QString(), "商品图片不存在，请检查"},
        {"not base64", u"@@@"_s, "商品图片不存在，请检查"},
        {"not a picture", QString::fromLatin1(QByteArray("hello world").toBase64()), "商品图片不是JPG、PNG、GIF或BMP格式"}};
    // clang-format on
    for (const Case& c : refusals) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(QString::fromUtf8(c.message),
                  proc(u"p_Base_Up_GoodsImage"_s, u"Goodsid=102;Image=%1"_s.arg(c.data)).message);
    }
    EXPECT_EQ(u"无"_s, scalar(u"SELECT YouWuTuPian FROM baseGoods WHERE id = 102"_s));
    EXPECT_EQ(0, proc(u"p_Base_Up_GoodsImage"_s, u"Goodsid=101;del=1"_s).code);
    EXPECT_EQ(u"无"_s, scalar(u"SELECT YouWuTuPian FROM baseGoods WHERE id = 101"_s));
    rs = procQuery(u"p_Base_Get_GoodsImage"_s, p);
    EXPECT_EQ(0, rs.rowCount());
}

TEST_F(BaseList, SystemEmployeesAndAccountsAreRefused) {
    // clang-format off
    struct Case { const char* name; const char* proc; QString values; const char* message; };
    const Case cases[] = {
        {"edit the administrator", "p_Base_Up_ZY", u"id=1;code=001;fullname=改"_s, "系统默认操作员，不能被修改、删除和分类!"},
        {"delete the administrator", "p_Base_Del_ZY", u"id=1"_s, "系统默认操作员，不能被修改、删除和分类!"},
        {"add below the administrator", "p_Base_Up_ZY", u"par_id=1;code=0011;fullname=下级"_s, "系统默认操作员，不能被修改、删除和分类!"},
        {"delete an operator's employee row", "p_Base_Del_ZY", u"id=2"_s, "职员[张三]是操作员，不能删除！"},
        {"edit a system account", "p_base_Up_KM", u"id=8;code=103;fullname=现钞"_s, "系统行不能新增或修改！"},
        {"add below a system leaf", "p_base_Up_KM", u"par_id=8;code=10301;fullname=零钱"_s, "系统行不能被分类！"},
        {"delete a system account", "p_base_Del_kM", u"id=8"_s, "系统行不能被删除！"},
        {"delete an account with a role", "p_base_Del_kM", u"id=27"_s, "科目[其它费用]已经被设置为收付款账户或收支类型，不能删除！"}};
    // clang-format on
    update(u"INSERT INTO sysuser(id, password) VALUES (2, '')"_s);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        refused(QString::fromLatin1(c.proc), c.values, QString::fromUtf8(c.message));
    }
    EXPECT_EQ(u"现金"_s, scalar(u"SELECT fullname FROM baseKM WHERE id = 8"_s));
    // A new expense account below 【支出类】 takes its class and side, and comes with the list.
    const qint64 fee = save(u"p_base_Up_KM"_s, u"par_id=4;code=409;fullname=运杂费"_s);
    EXPECT_EQ(u"4/1/2"_s, direct(u"SELECT kmType || '/' || dc || '/' || leveal FROM baseKM WHERE "
                                 "id = %1"_s.arg(fee))
                              .toString());
    ParamList p;
    p.setValue(u"kmStr"_s, u";czy_id=1;par_id=4"_s);
    const RecordSet rs = procQuery(u"P_Base_Get_KM"_s, p);
    EXPECT_EQ(true, idsOf(rs).contains(fee));
    EXPECT_EQ(u"其它费用"_s, cellOf(rs, 27, u"InterfaceKMName"_s).toString());
    EXPECT_EQ(u"【支出类】/运杂费"_s, cellOf(rs, fee, u"pathName"_s).toString());
    p.setValue(u"kmStr"_s, u";czy_id=1;par_id=9"_s);
    EXPECT_EQ(u"【资产类】/全部银行存款合计/银行存款"_s,
              cellOf(procQuery(u"P_Base_Get_KM"_s, p), 36, u"pathName"_s).toString());
}

TEST_F(BaseList, TheOperatorListHoldsTheEmployeesWhoCanLogInAndListKindsIgnoreCase) {
    update(
        u"INSERT INTO baseZY(id, par_id, par_jl, leveal, sonnum, code, fullname) "
        "VALUES (3, 0, '3,', 1, 0, '003', '李四')"_s);
    EXPECT_EQ(QList<qint64>{1}, idsOf(list(u"CZY"_s, u"zyStr"_s, QString())));
    update(u"INSERT INTO sysuser(id, password) VALUES (3, '')"_s);
    EXPECT_EQ((QList<qint64>{1, 3}), idsOf(list(u"CZY"_s, u"zyStr"_s, QString())));
    EXPECT_EQ((QList<qint64>{1, 2, 3}), idsOf(list(u"ZY"_s, u"zyStr"_s, QString())));
    // List kinds are known without regard to case (an unknown one:
    // BaseCacheTest.OtherKindsAreRefusedClearly).
    EXPECT_EQ(true, isBaseListKind(u"sp"_s));
    EXPECT_EQ(true, isBaseListKind(u"DiQu"_s));
    EXPECT_EQ(false, isBaseListKind(u"SP_"_s));
    EXPECT_EQ(false, isBaseListKind(u"KMName"_s));
}

TEST_F(BaseList, RecordRightsHideRefusedRowsWhenTheAccountSetUsesThem) {
    update(u"INSERT INTO sysuser(id, password) VALUES (2, '')"_s);
    update(u"INSERT INTO baseGoodsPurview(id, czy_id, isbj) VALUES (101, 2, 0)"_s);
    update(u"INSERT INTO baseWLDWPurview(id, czy_id, isbj) VALUES (202, 2, 0)"_s);
    const auto goods = [&](qint64 user) {
        return idsOf(listAs(user, u"SP"_s, u"GoodsStr"_s, u";par_id=100"_s));
    };
    const auto partners = [&](qint64 user) {
        return idsOf(listAs(user, u"WLDW"_s, u"wldwStr"_s, u";isList=1"_s));
    };
    // Switch off: the rights rows are not read.
    EXPECT_EQ((QList<qint64>{101, 102}), goods(2));
    update(u"UPDATE sysConf SET sysValue = '1' WHERE id = 2004"_s);
    EXPECT_EQ(QList<qint64>{102}, goods(2));
    EXPECT_EQ((QList<qint64>{201, 203}), partners(2));
    EXPECT_EQ((QList<qint64>{101, 102}), goods(1));
    EXPECT_EQ((QList<qint64>{201, 202, 203}), partners(1));
    // A refused record cannot be edited or deleted by that operator either.
    EXPECT_EQ(u"您没有执行该操作的权限!"_s,
              procAs(2, u"p_base_Up_Goods"_s, u"id=101;code=SP101;fullname=偷改"_s));
    EXPECT_EQ(u"商品101"_s, scalar(u"SELECT fullname FROM baseGoods WHERE id = 101"_s));
    EXPECT_EQ(QString(), procAs(2, u"p_base_Up_Goods"_s, u"id=102;code=SP102;fullname=可改"_s));
    // A category refused because nothing below it was granted is granted again by a new record.
    update(u"INSERT INTO baseGoodsPurview(id, czy_id, isbj) VALUES (100, 2, 0)"_s);
    EXPECT_EQ(QList<qint64>{103}, idsOf(listAs(2, u"SP"_s, u"GoodsStr"_s, u";par_id=0"_s)));
    save(u"p_base_Up_Goods"_s, u"par_id=100;code=SP104;fullname=新品"_s);
    EXPECT_EQ((QList<qint64>{100, 103}), idsOf(listAs(2, u"SP"_s, u"GoodsStr"_s, u";par_id=0"_s)));
}

}  // namespace
}  // namespace dyt::server::test
