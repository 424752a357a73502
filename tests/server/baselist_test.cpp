// Base-data lists and records through the server's procedures: every kind created, edited and
// deleted, the tree kept consistent (levels 4 and 5, the only goods of a category, moving records
// with the drag id list), codes with quotes, stopped records, deletes refused for records in use,
// the cost-method and goods-type locks, units, pictures, system rows and record rights.
#include <gtest/gtest.h>

#include <QByteArray>

#include "bill_fixture.h"
#include "server/database.h"
#include "server/procs_baselist.h"
#include "server/registry.h"

namespace dyt::server::test {
namespace {

// The list kinds of P_JXC_Get_Base, as the list windows and the record selection ask for them.
const QString kListProc = QStringLiteral("P_JXC_Get_Base");

struct Outcome {
    qint64 code = 0;
    QString message;
    ParamList lines;
};

class BaseList : public BillFixture {
protected:
    void SetUp() override { BillFixture::SetUp(); }

    // ExecProc as the client sends it.
    Outcome proc(const QString& name, const QList<QPair<QString, QString>>& values) {
        ParamList p;
        for (const auto& [k, v] : values)
            p.setValue(k, v);
        const proto::Response r = call(session_, "ExecProc", {name, p.text()});
        EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        return {r.out(1).toInteger(), r.outText(2), ParamList(r.outText(0))};
    }
    // A save that must succeed; returns the record id.
    qint64 save(const QString& name, const QList<QPair<QString, QString>>& values) {
        const Outcome o = proc(name, values);
        EXPECT_GT(o.code, 0) << name.toStdString() << ": " << o.message.toStdString();
        return o.code;
    }

    RecordSet list(const QString& queryType, const QString& key, const QString& condition) {
        ParamList p;
        p.setValue(QStringLiteral("QueryType"), queryType);
        p.setValue(key, QStringLiteral(";czy_id=1") + condition);
        return procQuery(kListProc, p);
    }

    // The list handler and the procedures called as another operator on the session's
    // connection.
    RecordSet listAs(qint64 user, const QString& queryType, const QString& key,
                     const QString& condition) {
        ParamList p;
        p.setValue(QStringLiteral("QueryType"), queryType);
        p.setValue(key, QStringLiteral(";czy_id=%1").arg(user) + condition);
        CallContext c(*session_.db, p);
        c.userId = user;
        if (getBaseList(c) < 0)
            throw DytError(c.message);
        return c.data;
    }
    QString procAs(qint64 user, const QString& name, const QList<QPair<QString, QString>>& values) {
        ParamList p;
        for (const auto& [k, v] : values)
            p.setValue(k, v);
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

    static QList<qint64> ids(const RecordSet& rs) {
        QList<qint64> out;
        const int f = rs.fieldIndex(QStringLiteral("id"));
        for (int r = 0; r < rs.rowCount(); ++r)
            out.append(rs.at(r, f).toLongLong());
        return out;
    }
    static QVariant cell(const RecordSet& rs, qint64 id, const QString& field) {
        const int idF = rs.fieldIndex(QStringLiteral("id"));
        const int f = rs.fieldIndex(field);
        EXPECT_GE(f, 0) << field.toStdString();
        for (int r = 0; r < rs.rowCount(); ++r) {
            if (rs.at(r, idF).toLongLong() == id)
                return f >= 0 ? rs.at(r, f) : QVariant();
        }
        ADD_FAILURE() << "row " << id << " not returned";
        return {};
    }
    // "par_id/par_jl/leveal/sonnum/del" of a row.
    QString treeOf(const QString& table, qint64 id) {
        const RecordSet rs =
            query(QStringLiteral("SELECT par_id, par_jl, leveal, sonnum, del FROM %1 WHERE id = %2")
                      .arg(table)
                      .arg(id));
        if (rs.rowCount() != 1)
            return QStringLiteral("missing");
        return QStringLiteral("%1/%2/%3/%4/%5")
            .arg(rs.at(0, 0).toLongLong())
            .arg(rs.at(0, 1).toString())
            .arg(rs.at(0, 2).toLongLong())
            .arg(rs.at(0, 3).toLongLong())
            .arg(rs.at(0, 4).toLongLong());
    }
    static QString path(std::initializer_list<qint64> chain) {
        QString out;
        for (qint64 id : chain)
            out += QString::number(id) + u',';
        return out;
    }
    using Values = QList<QPair<QString, QString>>;
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
    {"p_base_Up_KM", "p_base_Del_kM", "baseKM", "KM", "kmStr"},
};

TEST_F(BaseList, EveryKindIsCreatedEditedAndDeletedThroughItsProcedures) {
    for (const KindCase& k : kKinds) {
        SCOPED_TRACE(k.table);
        const QString table = QString::fromLatin1(k.table);
        const QString type = QString::fromLatin1(k.queryType);
        const QString key = QString::fromLatin1(k.key);
        const QString saveProc = QString::fromLatin1(k.saveProc);
        const qint64 cat = save(saveProc, {{QStringLiteral("id"), QStringLiteral("0")},
                                           {QStringLiteral("par_id"), QStringLiteral("0")},
                                           {QStringLiteral("code"), QStringLiteral("T9")},
                                           {QStringLiteral("FullName"), QStringLiteral("测试类")}});
        const qint64 rec = save(saveProc, {{QStringLiteral("id"), QStringLiteral("0")},
                                           {QStringLiteral("par_id"), QString::number(cat)},
                                           {QStringLiteral("code"), QStringLiteral("T901")},
                                           {QStringLiteral("fullname"), QStringLiteral("银行记录")},
                                           {QStringLiteral("comment"), QStringLiteral("备注一")}});
        // The new record hangs below the first one, which became a category.
        EXPECT_EQ(QStringLiteral("0/%1/1/1/0").arg(path({cat})), treeOf(table, cat));
        EXPECT_EQ(QStringLiteral("%1/%2/2/0/0").arg(cat).arg(path({cat, rec})), treeOf(table, rec));
        RecordSet rs = list(type, key, QStringLiteral(";par_id=%1").arg(cat));
        EXPECT_EQ(QList<qint64>{rec}, ids(rs));
        EXPECT_EQ(QStringLiteral("测试类/银行记录"), cell(rs, rec, QStringLiteral("pathName")));
        // The pinyin code follows the full name when none is sent.
        EXPECT_EQ(QStringLiteral("YHJL"), cell(rs, rec, QStringLiteral("pym")).toString());
        EXPECT_EQ(QStringLiteral("备注一"), cell(rs, rec, QStringLiteral("comment")).toString());

        // Edit: only the lines sent change; the result is the same id.
        EXPECT_EQ(rec, save(saveProc, {{QStringLiteral("id"), QString::number(rec)},
                                       {QStringLiteral("par_id"), QString::number(cat)},
                                       {QStringLiteral("code"), QStringLiteral("T902")},
                                       {QStringLiteral("fullname"), QStringLiteral("改名")}}));
        rs = list(type, key, QStringLiteral(";id=%1").arg(rec));
        EXPECT_EQ(QList<qint64>{rec}, ids(rs));
        EXPECT_EQ(QStringLiteral("T902"), cell(rs, rec, QStringLiteral("code")).toString());
        EXPECT_EQ(QStringLiteral("改名"), cell(rs, rec, QStringLiteral("fullname")).toString());
        EXPECT_EQ(QStringLiteral("备注一"), cell(rs, rec, QStringLiteral("comment")).toString());

        // Delete: marked, not removed; the category is a leaf again.
        const Outcome del = *k.deleteProc
                                ? proc(QString::fromLatin1(k.deleteProc),
                                       {{QStringLiteral("id"), QString::number(rec)}})
                                : proc(saveProc, {{QStringLiteral("id"), QString::number(rec)},
                                                  {QStringLiteral("del"), QStringLiteral("1")}});
        EXPECT_GE(del.code, 0) << del.message.toStdString();
        EXPECT_EQ(QStringLiteral("%1/%2/2/0/1").arg(cat).arg(path({cat, rec})), treeOf(table, rec));
        EXPECT_EQ(QStringLiteral("0/%1/1/0/0").arg(path({cat})), treeOf(table, cat));
        EXPECT_EQ(QList<qint64>{}, ids(list(type, key, QStringLiteral(";par_id=%1").arg(cat))));
    }
}

TEST_F(BaseList, AnUnknownKindIsRefusedWithItsName) {
    ParamList p;
    p.setValue(QStringLiteral("QueryType"), QStringLiteral("XYZ"));
    try {
        procQuery(kListProc, p);
        ADD_FAILURE() << "no error";
    } catch (const DytError& e) {
        EXPECT_EQ(QStringLiteral("查询类型[XYZ]暂不支持"), e.message());
    }
    EXPECT_EQ(true, isBaseListKind(QStringLiteral("sp")));
    EXPECT_EQ(true, isBaseListKind(QStringLiteral("DiQu")));
    EXPECT_EQ(false, isBaseListKind(QStringLiteral("SP_")));
    EXPECT_EQ(false, isBaseListKind(QStringLiteral("KMName")));
}

TEST_F(BaseList, AddingBelowLevelFourIsAcceptedAndBelowLevelFiveRefused) {
    qint64 parent = 0;
    QList<qint64> chain;
    for (int level = 1; level <= 5; ++level) {
        parent = save(QStringLiteral("p_base_Up_Goods"),
                      {{QStringLiteral("id"), QStringLiteral("0")},
                       {QStringLiteral("par_id"), QString::number(parent)},
                       {QStringLiteral("code"), QStringLiteral("LV%1").arg(level)},
                       {QStringLiteral("fullname"), QStringLiteral("第%1级").arg(level)}});
        chain.append(parent);
    }
    // Level 5 was added below level 4: its path holds all five ids.
    QString expectedPath;
    for (qint64 id : chain)
        expectedPath += QString::number(id) + u',';
    EXPECT_EQ(QStringLiteral("%1/%2/5/0/0").arg(chain[3]).arg(expectedPath),
              treeOf(QStringLiteral("baseGoods"), chain[4]));
    EXPECT_EQ(1, count(QStringLiteral("SELECT sonnum FROM baseGoods WHERE id = %1").arg(chain[3])));

    const qint64 before = count(QStringLiteral("SELECT COUNT(*) FROM baseGoods"));
    const Outcome o = proc(QStringLiteral("p_base_Up_Goods"),
                           {{QStringLiteral("id"), QStringLiteral("0")},
                            {QStringLiteral("par_id"), QString::number(chain[4])},
                            {QStringLiteral("code"), QStringLiteral("LV6")},
                            {QStringLiteral("fullname"), QStringLiteral("第6级")}});
    EXPECT_EQ(-1, o.code);
    EXPECT_EQ(QStringLiteral("系统最大支持5级，不能再增加下级"), o.message);
    EXPECT_EQ(before, count(QStringLiteral("SELECT COUNT(*) FROM baseGoods")));
    EXPECT_EQ(0, count(QStringLiteral("SELECT sonnum FROM baseGoods WHERE id = %1").arg(chain[4])));
}

TEST_F(BaseList, DeletingTheOnlyGoodsOfACategoryKeepsTheTreeConsistent) {
    const qint64 cat = save(QStringLiteral("p_base_Up_Goods"),
                            {{QStringLiteral("par_id"), QStringLiteral("0")},
                             {QStringLiteral("code"), QStringLiteral("C1")},
                             {QStringLiteral("fullname"), QStringLiteral("单品类")}});
    const qint64 only = save(QStringLiteral("p_base_Up_Goods"),
                             {{QStringLiteral("par_id"), QString::number(cat)},
                              {QStringLiteral("code"), QStringLiteral("C101")},
                              {QStringLiteral("fullname"), QStringLiteral("唯一商品")}});
    EXPECT_EQ(true, ids(list(QStringLiteral("SP"), QStringLiteral("GoodsStr"),
                             QStringLiteral(";TreeView=1")))
                        .contains(cat));
    const Outcome o =
        proc(QStringLiteral("p_base_Up_Goods"), {{QStringLiteral("id"), QString::number(only)},
                                                 {QStringLiteral("del"), QStringLiteral("1")}});
    EXPECT_EQ(only, o.code) << o.message.toStdString();
    EXPECT_EQ(QStringLiteral("0/%1/1/0/0").arg(path({cat})),
              treeOf(QStringLiteral("baseGoods"), cat));
    // The level is empty, the category is a plain row of the top level and left the tree.
    EXPECT_EQ(QList<qint64>{}, ids(list(QStringLiteral("SP"), QStringLiteral("GoodsStr"),
                                        QStringLiteral(";par_id=%1").arg(cat))));
    const RecordSet top =
        list(QStringLiteral("SP"), QStringLiteral("GoodsStr"), QStringLiteral(";par_id=0"));
    EXPECT_EQ(0, cell(top, cat, QStringLiteral("sonnum")).toLongLong());
    EXPECT_EQ(false, ids(list(QStringLiteral("SP"), QStringLiteral("GoodsStr"),
                              QStringLiteral(";TreeView=1")))
                         .contains(cat));
    // A category is refused.
    const Outcome node =
        proc(QStringLiteral("p_base_Up_Goods"), {{QStringLiteral("id"), QStringLiteral("100")},
                                                 {QStringLiteral("del"), QStringLiteral("1")}});
    EXPECT_EQ(QStringLiteral("此记录为一个节点，不能删除！"), node.message);
}

TEST_F(BaseList, ACodeWithAQuoteIsStoredSearchedAndKeptUnique) {
    const qint64 id = save(QStringLiteral("p_base_Up_Goods"),
                           {{QStringLiteral("par_id"), QStringLiteral("100")},
                            {QStringLiteral("code"), QStringLiteral("A'01")},
                            {QStringLiteral("fullname"), QStringLiteral("O'Brien 牙膏")},
                            {QStringLiteral("name"), QStringLiteral("牙膏")}});
    EXPECT_EQ(QStringLiteral("A'01"),
              scalar(QStringLiteral("SELECT code FROM baseGoods WHERE id = %1").arg(id)));
    struct Case {
        const char* name;
        const char* condition;
        QList<qint64> expected;
    };
    const Case cases[] = {
        {"quote alone", ";allfilter='", {id}},
        {"code with quote", ";allfilter=a'0", {id}},
        {"name with quote", ";allfilter=O'Brien", {id}},
        {"percent is literal", ";allfilter=%", {}},
        {"pinyin of the full name", ";allfilter=OBRIENYG", {id}},
        {"category and goods by name", ";allfilter=商品", {100, 101, 102, 103}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, ids(list(QStringLiteral("SP"), QStringLiteral("GoodsStr"),
                                       QString::fromUtf8(c.condition))));
    }
    // Codes compare without regard to letter case.
    const Outcome twin = proc(QStringLiteral("p_base_Up_Goods"),
                              {{QStringLiteral("par_id"), QStringLiteral("0")},
                               {QStringLiteral("code"), QStringLiteral("a'01")},
                               {QStringLiteral("fullname"), QStringLiteral("另一个")}});
    EXPECT_EQ(-1, twin.code);
    EXPECT_EQ(QStringLiteral("商品编号[a'01]已经存在，请重新输入！"), twin.message);
}

TEST_F(BaseList, AStoppedRecordIsHiddenOnlyWhenStoppedRowsAreLeftOut) {
    update(QStringLiteral("UPDATE baseGoods SET isstop = 1 WHERE id = 102"));
    const RecordSet all =
        list(QStringLiteral("SP"), QStringLiteral("GoodsStr"), QStringLiteral(";par_id=100"));
    EXPECT_EQ((QList<qint64>{101, 102}), ids(all));
    EXPECT_EQ(QStringLiteral("是"), cell(all, 102, QStringLiteral("stopName")).toString());
    EXPECT_EQ(QStringLiteral("否"), cell(all, 101, QStringLiteral("stopName")).toString());
    EXPECT_EQ(QList<qint64>{101}, ids(list(QStringLiteral("SP"), QStringLiteral("GoodsStr"),
                                           QStringLiteral(";par_id=100;isstop=0"))));
    EXPECT_EQ((QList<qint64>{101, 103}), ids(list(QStringLiteral("SP"), QStringLiteral("GoodsStr"),
                                                  QStringLiteral(";isList=1;isstop=0"))));
    // Stopping through the editor works the same for partners.
    save(QStringLiteral("p_Base_Up_Wldw"),
         {{QStringLiteral("id"), QStringLiteral("202")},
          {QStringLiteral("isstop"), QStringLiteral("True")},
          {QStringLiteral("code"), QStringLiteral("DW202")},
          {QStringLiteral("fullname"), QStringLiteral("乙公司")}});
    EXPECT_EQ(QList<qint64>{201}, ids(list(QStringLiteral("WLDW"), QStringLiteral("wldwStr"),
                                           QStringLiteral(";par_id=200;isstop=0"))));
    EXPECT_EQ((QList<qint64>{201, 202}), ids(list(QStringLiteral("WLDW"), QStringLiteral("wldwStr"),
                                                  QStringLiteral(";par_id=200"))));
}

TEST_F(BaseList, StoppingACategoryStopsItsSubtreeAndAStartedRecordStartsItsCategories) {
    const auto stop = [&](qint64 id, const char* code, const char* name, const char* value) {
        return proc(QStringLiteral("p_base_Up_Goods"),
                    {{QStringLiteral("id"), QString::number(id)},
                     {QStringLiteral("code"), QString::fromLatin1(code)},
                     {QStringLiteral("fullname"), QString::fromUtf8(name)},
                     {QStringLiteral("isstop"), QString::fromLatin1(value)}})
            .code;
    };
    const auto stopped = [&] {
        return direct(QStringLiteral("SELECT group_concat(id) FROM (SELECT id FROM baseGoods "
                                     "WHERE isstop = 1 ORDER BY id)"))
            .toString();
    };
    EXPECT_EQ(100, stop(100, "L1", "商品类", "1"));
    EXPECT_EQ(QStringLiteral("100,101,102"), stopped());
    EXPECT_EQ(QList<qint64>{103}, ids(list(QStringLiteral("SP"), QStringLiteral("GoodsStr"),
                                           QStringLiteral(";isList=1;isstop=0"))));
    EXPECT_EQ(102, stop(102, "SP102", "商品102", "0"));
    EXPECT_EQ(QStringLiteral("101"), stopped());
    EXPECT_EQ((QList<qint64>{100, 103}), ids(list(QStringLiteral("SP"), QStringLiteral("GoodsStr"),
                                                  QStringLiteral(";par_id=0;isstop=0"))));
}

TEST_F(BaseList, TheListFollowsTheRowOrderAndTheCategoryNames) {
    const Outcome o = proc(QStringLiteral("p_Base_Up_Orderly"),
                           {{QStringLiteral("tableName"), QStringLiteral("baseGoods")},
                            {QStringLiteral("IdList"), QStringLiteral("102,101")}});
    EXPECT_EQ(2, o.code) << o.message.toStdString();
    EXPECT_EQ((QList<qint64>{102, 101}), ids(list(QStringLiteral("SP"), QStringLiteral("GoodsStr"),
                                                  QStringLiteral(";par_id=100"))));
    // The flat list mixes levels: code order.
    EXPECT_EQ(
        (QList<qint64>{101, 102, 103}),
        ids(list(QStringLiteral("SP"), QStringLiteral("GoodsStr"), QStringLiteral(";isList=1"))));
    // A renamed category renames the path of every row below it.
    save(QStringLiteral("p_base_Up_Goods"), {{QStringLiteral("id"), QStringLiteral("100")},
                                             {QStringLiteral("code"), QStringLiteral("L1")},
                                             {QStringLiteral("fullname"), QStringLiteral("饮料")}});
    const RecordSet rs =
        list(QStringLiteral("SP"), QStringLiteral("GoodsStr"), QStringLiteral(";par_id=100"));
    EXPECT_EQ(QStringLiteral("饮料/商品101"), cell(rs, 101, QStringLiteral("pathName")).toString());
    EXPECT_EQ(QStringLiteral("饮料/商品102"), cell(rs, 102, QStringLiteral("pathName")).toString());
}

TEST_F(BaseList, GoodsRowsCarryTheListColumns) {
    update(
        QStringLiteral("UPDATE baseGoodsUnit SET barcode = '690101', price = 3.5, price1 = 4, "
                       "price2 = 4.5, price3 = 5 WHERE id = 1011"));
    update(
        QStringLiteral("UPDATE baseGoods SET gg = '500g', xh = 'X1', addr = '上海', wldw_id = "
                       "201 WHERE id = 101"));
    const RecordSet rs =
        list(QStringLiteral("SP"), QStringLiteral("GoodsStr"), QStringLiteral(";par_id=100"));
    const struct {
        const char* field;
        QVariant value;
    } expected[] = {
        {"code", QStringLiteral("SP101")},
        {"fullname", QStringLiteral("商品101")},
        {"gg", QStringLiteral("500g")},
        {"xh", QStringLiteral("X1")},
        {"addr", QStringLiteral("上海")},
        {"unitName", QStringLiteral("个")},
        {"barcode", QStringLiteral("690101")},
        {"LSprice", 3.5},
        {"price1", 4.0},
        {"price2", 4.5},
        {"price3", 5.0},
        {"YouWuTuPian", QStringLiteral("无")},
        {"wldwName", QStringLiteral("甲公司")},
        {"pathName", QStringLiteral("商品类/商品101")},
        {"par_jl", QStringLiteral("100,101,")},
        {"leveal", 2},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.field);
        const QVariant v = cell(rs, 101, QString::fromLatin1(e.field));
        if (e.value.typeId() == QMetaType::Double)
            EXPECT_EQ(e.value.toDouble(), v.toDouble());
        else if (e.value.typeId() == QMetaType::Int)
            EXPECT_EQ(e.value.toLongLong(), v.toLongLong());
        else
            EXPECT_EQ(e.value.toString(), v.toString());
    }
}

TEST_F(BaseList, TheTreeComesFromTheTopDownWithEachSubtreeAfterItsCategory) {
    // 100 商品类 gets a sub-category; a second top category follows it.
    const qint64 sub = save(QStringLiteral("p_base_Up_Goods"),
                            {{QStringLiteral("par_id"), QStringLiteral("100")},
                             {QStringLiteral("code"), QStringLiteral("L101")},
                             {QStringLiteral("fullname"), QStringLiteral("子类")}});
    save(QStringLiteral("p_base_Up_Goods"), {{QStringLiteral("par_id"), QString::number(sub)},
                                             {QStringLiteral("code"), QStringLiteral("L10101")},
                                             {QStringLiteral("fullname"), QStringLiteral("孙")}});
    const qint64 top2 = save(QStringLiteral("p_base_Up_Goods"),
                             {{QStringLiteral("par_id"), QStringLiteral("0")},
                              {QStringLiteral("code"), QStringLiteral("L2")},
                              {QStringLiteral("fullname"), QStringLiteral("第二类")}});
    save(QStringLiteral("p_base_Up_Goods"), {{QStringLiteral("par_id"), QString::number(top2)},
                                             {QStringLiteral("code"), QStringLiteral("L201")},
                                             {QStringLiteral("fullname"), QStringLiteral("乙")}});
    const RecordSet tree =
        list(QStringLiteral("SP"), QStringLiteral("GoodsStr"), QStringLiteral(";TreeView=1"));
    EXPECT_EQ((QList<qint64>{100, sub, top2}), ids(tree));
    EXPECT_EQ(2, cell(tree, sub, QStringLiteral("leveal")).toLongLong());
    EXPECT_EQ(QStringLiteral("商品类/子类"), cell(tree, sub, QStringLiteral("pathName")));
    // The flat list of a category holds the goods at every depth below it, no categories.
    const RecordSet flat = list(QStringLiteral("SP"), QStringLiteral("GoodsStr"),
                                QStringLiteral(";isList=1;isList=1;par_id=100"));
    EXPECT_EQ(3, flat.rowCount());
    for (int r = 0; r < flat.rowCount(); ++r)
        EXPECT_EQ(0, flat.at(r, flat.fieldIndex(QStringLiteral("sonnum"))).toLongLong());
}

// Records used by a posted bill: bill 5 (purchase) of goods 101 from partner 201 into
// warehouse 301, made by employee 2 of department 401.
TEST_F(BaseList, ADeleteOfARecordUsedByAPostedBillIsRefused) {
    saveGoodsBill(true, 5, today(),
                  {goodsLine(QStringLiteral("101"), QStringLiteral("2"), QStringLiteral("10"))});
    ASSERT_EQ(1, count(QStringLiteral("SELECT COUNT(*) FROM djIndex WHERE dj_state = 2")));
    struct Case {
        const char* proc;
        const char* table;
        qint64 id;
        const char* message;
    };
    const Case cases[] = {
        {"p_base_Up_Goods", "baseGoods", 101, "商品[商品101]已经被单据使用，不能删除！"},
        {"p_Base_Del_WLDW", "baseWLDW", 201, "往来单位[甲公司]已经被单据使用，不能删除！"},
        {"p_Base_Del_CK", "baseCK", 301, "仓库[一号仓]已经被单据使用，不能删除！"},
        {"p_Base_Del_ZY", "baseZY", 2, "职员[张三]已经被单据使用，不能删除！"},
        {"p_base_Del_BM", "baseBM", 401, "部门[采购部]已经被单据使用，不能删除！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        const Outcome o =
            proc(QString::fromLatin1(c.proc), {{QStringLiteral("id"), QString::number(c.id)},
                                               {QStringLiteral("del"), QStringLiteral("1")}});
        EXPECT_EQ(-1, o.code);
        EXPECT_EQ(QString::fromUtf8(c.message), o.message);
        EXPECT_EQ(0, count(QStringLiteral("SELECT del FROM %1 WHERE id = %2")
                               .arg(QString::fromLatin1(c.table))
                               .arg(c.id)));
    }
    // The goods of the other category is free; its delete goes through.
    EXPECT_EQ(
        103, proc(QStringLiteral("p_base_Up_Goods"), {{QStringLiteral("id"), QStringLiteral("103")},
                                                      {QStringLiteral("del"), QStringLiteral("1")}})
                 .code);
}

TEST_F(BaseList, CostMethodAndGoodsTypeAreLockedAfterAPostedBill) {
    // A bill row written directly: a posted purchase line of goods 102.
    update(
        QStringLiteral("INSERT INTO djIndex(id, djType, code, date, dj_state) VALUES (900, 5, "
                       "'X-1', '2024-01-05', 2)"));
    update(
        QStringLiteral("INSERT INTO djList(id, djType, date, dj_state, goodsid, unit, qty) "
                       "VALUES (900, 5, '2024-01-05', 2, 102, 0, 1)"));
    const auto edit = [&](qint64 id, const char* field, const char* value) {
        return proc(QStringLiteral("p_base_Up_Goods"),
                    {{QStringLiteral("id"), QString::number(id)},
                     {QStringLiteral("code"), QStringLiteral("SP%1").arg(id)},
                     {QStringLiteral("fullname"), QStringLiteral("商品%1").arg(id)},
                     {QString::fromLatin1(field), QString::fromLatin1(value)}});
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
        {103, "costmode", "7", "成本核算方法无效：7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + c.field + c.value);
        const Outcome o = edit(c.id, c.field, c.value);
        if (*c.message) {
            EXPECT_EQ(-1, o.code);
            EXPECT_EQ(QString::fromUtf8(c.message), o.message);
        } else {
            EXPECT_EQ(c.id, o.code) << o.message.toStdString();
        }
    }
    EXPECT_EQ(
        QStringLiteral("0/0"),
        direct(QStringLiteral("SELECT costmode || '/' || spType FROM baseGoods WHERE id = 102"))
            .toString());
    EXPECT_EQ(
        QStringLiteral("2/1"),
        direct(QStringLiteral("SELECT costmode || '/' || spType FROM baseGoods WHERE id = 101"))
            .toString());
    // Stock alone locks the cost method but not the goods type.
    update(
        QStringLiteral("INSERT INTO baseGoodsStock(goodsid, stockid, qty, total) VALUES (103, "
                       "301, 5, 50)"));
    EXPECT_EQ(QStringLiteral("该商品已经有库存或业务单据，不能修改成本核算方法！"),
              edit(103, "costmode", "3").message);
    EXPECT_EQ(103, edit(103, "spType", "1").code);
}

TEST_F(BaseList, StockLimitsAndPartnerAmountsAreChecked) {
    struct Case {
        const char* proc;
        Values values;
        const char* message;  // empty: accepted
    };
    const auto goods = [](const char* down, const char* up) {
        return Values{{QStringLiteral("id"), QStringLiteral("101")},
                      {QStringLiteral("code"), QStringLiteral("SP101")},
                      {QStringLiteral("fullname"), QStringLiteral("商品101")},
                      {QStringLiteral("warnDown"), QString::fromLatin1(down)},
                      {QStringLiteral("warnUP"), QString::fromLatin1(up)}};
    };
    const auto partner = [](const char* field, const char* value) {
        return Values{{QStringLiteral("id"), QStringLiteral("201")},
                      {QStringLiteral("code"), QStringLiteral("DW201")},
                      {QStringLiteral("fullname"), QStringLiteral("甲公司")},
                      {QString::fromLatin1(field), QString::fromLatin1(value)}};
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
        {"p_Base_Up_ZY",
         Values{{QStringLiteral("id"), QStringLiteral("2")},
                {QStringLiteral("code"), QStringLiteral("002")},
                {QStringLiteral("fullname"), QStringLiteral("张三")},
                {QStringLiteral("Birthday"), QStringLiteral("1990-02-30")}},
         "出生日期不是有效的日期：1990-02-30"},
        {"p_base_Up_Goods",
         Values{{QStringLiteral("id"), QStringLiteral("101")},
                {QStringLiteral("code"), QStringLiteral("  ")}},
         "请输入编号"},
        {"p_base_Up_Goods", Values{{QStringLiteral("code"), QStringLiteral("NEW")}}, "请输入全名"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const Outcome o = proc(QString::fromLatin1(c.proc), c.values);
        if (*c.message) {
            EXPECT_EQ(-1, o.code);
            EXPECT_EQ(QString::fromUtf8(c.message), o.message);
        } else {
            EXPECT_GT(o.code, 0) << o.message.toStdString();
        }
    }
    EXPECT_EQ(5.0,
              scalar(QStringLiteral("SELECT warnUP FROM baseGoods WHERE id = 101")).toDouble());
    EXPECT_EQ(1000.0,
              scalar(QStringLiteral("SELECT ys_xyd FROM baseWLDW WHERE id = 201")).toDouble());
    EXPECT_EQ(0, count(QStringLiteral("SELECT COUNT(*) FROM baseGoods WHERE code = 'NEW'")));
}

TEST_F(BaseList, TheDragIdListMovesRecordsWithTheirSubtrees) {
    const qint64 target = save(QStringLiteral("p_base_Up_Goods"),
                               {{QStringLiteral("par_id"), QStringLiteral("0")},
                                {QStringLiteral("code"), QStringLiteral("M")},
                                {QStringLiteral("fullname"), QStringLiteral("目标类")}});
    save(QStringLiteral("p_base_Up_Goods"), {{QStringLiteral("par_id"), QString::number(target)},
                                             {QStringLiteral("code"), QStringLiteral("M1")},
                                             {QStringLiteral("fullname"), QStringLiteral("已有")}});
    // The id list of two goods, as the list window builds it.
    const QString idList = QStringLiteral("(0") + QStringLiteral(",101") + QStringLiteral(",102") +
                           QStringLiteral(",-1)");
    EXPECT_EQ(QStringLiteral("(0,101,102,-1)"), idList);
    const Outcome o = proc(QStringLiteral("p_Base_Up_DragDrop"),
                           {{QStringLiteral("TableName"), QStringLiteral("basegoods")},
                            {QStringLiteral("par_id"), QString::number(target)},
                            {QStringLiteral("idStrList"), idList}});
    EXPECT_EQ(2, o.code) << o.message.toStdString();
    EXPECT_EQ(QStringLiteral("%1/%2/2/0/0").arg(target).arg(path({target, 101})),
              treeOf(QStringLiteral("baseGoods"), 101));
    EXPECT_EQ(QStringLiteral("%1/%2/2/0/0").arg(target).arg(path({target, 102})),
              treeOf(QStringLiteral("baseGoods"), 102));
    EXPECT_EQ(QStringLiteral("0/100,/1/0/0"), treeOf(QStringLiteral("baseGoods"), 100));
    EXPECT_EQ(3, count(QStringLiteral("SELECT sonnum FROM baseGoods WHERE id = %1").arg(target)));

    // A category moves with everything below it.
    proc(QStringLiteral("p_Base_Up_DragDrop"),
         {{QStringLiteral("TableName"), QStringLiteral("basegoods")},
          {QStringLiteral("par_id"), QStringLiteral("0")},
          {QStringLiteral("idStrList"), QStringLiteral("(0,%1,-1)").arg(target)}});
    const qint64 outer = save(QStringLiteral("p_base_Up_Goods"),
                              {{QStringLiteral("par_id"), QStringLiteral("0")},
                               {QStringLiteral("code"), QStringLiteral("O")},
                               {QStringLiteral("fullname"), QStringLiteral("外层")}});
    save(QStringLiteral("p_base_Up_Goods"), {{QStringLiteral("par_id"), QString::number(outer)},
                                             {QStringLiteral("code"), QStringLiteral("O1")},
                                             {QStringLiteral("fullname"), QStringLiteral("占位")}});
    EXPECT_EQ(1, proc(QStringLiteral("p_Base_Up_DragDrop"),
                      {{QStringLiteral("TableName"), QStringLiteral("BASEGOODS")},
                       {QStringLiteral("par_id"), QString::number(outer)},
                       {QStringLiteral("idStrList"), QStringLiteral("(0,%1,-1)").arg(target)}})
                     .code);
    EXPECT_EQ(QStringLiteral("%1/%2/3/0/0").arg(target).arg(path({outer, target, 101})),
              treeOf(QStringLiteral("baseGoods"), 101));

    struct Refusal {
        const char* name;
        QString parId;
        QString ids;
        QString message;
    };
    const Refusal refusals[] = {
        {"into its own subtree", QString::number(target), QStringLiteral("(0,%1,-1)").arg(outer),
         QStringLiteral("不能把分类移到它自己或它的下级中")},
        {"onto a goods", QStringLiteral("103"), QStringLiteral("(0,101,-1)"),
         QStringLiteral("[商品103]不是分类，不能移入")},
        {"without the closing -1", QString::number(outer), QStringLiteral("(0,101)"),
         QStringLiteral("记录编号列表格式错误：(0,101)")},
        {"text in the list", QString::number(outer), QStringLiteral("(0,1 OR 1,-1)"),
         QStringLiteral("记录编号列表格式错误：(0,1 OR 1,-1)")},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        const Outcome x = proc(QStringLiteral("p_Base_Up_DragDrop"),
                               {{QStringLiteral("TableName"), QStringLiteral("basegoods")},
                                {QStringLiteral("par_id"), r.parId},
                                {QStringLiteral("idStrList"), r.ids}});
        EXPECT_EQ(-1, x.code);
        EXPECT_EQ(r.message, x.message);
    }
    EXPECT_EQ(QStringLiteral("%1/%2/3/0/0").arg(target).arg(path({outer, target, 101})),
              treeOf(QStringLiteral("baseGoods"), 101));

    // One unknown id in the list: none of the records moves.
    const Outcome partial = proc(QStringLiteral("p_Base_Up_DragDrop"),
                                 {{QStringLiteral("TableName"), QStringLiteral("basegoods")},
                                  {QStringLiteral("par_id"), QStringLiteral("0")},
                                  {QStringLiteral("idStrList"), QStringLiteral("(0,101,999,-1)")}});
    EXPECT_EQ(QStringLiteral("商品记录[999]不存在或已被删除"), partial.message);
    EXPECT_EQ(QStringLiteral("%1/%2/3/0/0").arg(target).arg(path({outer, target, 101})),
              treeOf(QStringLiteral("baseGoods"), 101));
}

TEST_F(BaseList, AMoveThatWouldGoBelowLevelFiveIsRefused) {
    // A chain of four levels and a category with a child: moving the category below level 4
    // would put its child on level 6.
    qint64 parent = 0;
    for (int level = 1; level <= 4; ++level) {
        parent = save(QStringLiteral("p_Base_Up_CK"),
                      {{QStringLiteral("par_id"), QString::number(parent)},
                       {QStringLiteral("code"), QStringLiteral("K%1").arg(level)},
                       {QStringLiteral("fullname"), QStringLiteral("层%1").arg(level)}});
    }
    save(QStringLiteral("p_Base_Up_CK"), {{QStringLiteral("par_id"), QString::number(parent)},
                                          {QStringLiteral("code"), QStringLiteral("K5")},
                                          {QStringLiteral("fullname"), QStringLiteral("层5")}});
    const qint64 cat = save(QStringLiteral("p_Base_Up_CK"),
                            {{QStringLiteral("par_id"), QStringLiteral("0")},
                             {QStringLiteral("code"), QStringLiteral("Q")},
                             {QStringLiteral("fullname"), QStringLiteral("待移")}});
    save(QStringLiteral("p_Base_Up_CK"), {{QStringLiteral("par_id"), QString::number(cat)},
                                          {QStringLiteral("code"), QStringLiteral("Q1")},
                                          {QStringLiteral("fullname"), QStringLiteral("子")}});
    const Outcome o = proc(QStringLiteral("p_Base_Up_DragDrop"),
                           {{QStringLiteral("TableName"), QStringLiteral("baseck")},
                            {QStringLiteral("par_id"), QString::number(parent)},
                            {QStringLiteral("idStrList"), QStringLiteral("(0,%1,-1)").arg(cat)}});
    EXPECT_EQ(QStringLiteral("系统最大支持5级，不能再增加下级"), o.message);
    EXPECT_EQ(QStringLiteral("0/%1/1/1/0").arg(path({cat})), treeOf(QStringLiteral("baseCK"), cat));
}

TEST_F(BaseList, UnitsAreSavedAndLockedOnceBillsUseThem) {
    const auto unit = [&](const char* slot, const char* name, const char* rate, const char* barcode,
                          const char* isDefault = "0") {
        return proc(QStringLiteral("p_base_Up_goodsunit"),
                    {{QStringLiteral("Goodsid"), QStringLiteral("103")},
                     {QStringLiteral("fzdwid"), QString::fromLatin1(slot)},
                     {QStringLiteral("unit"), QString::fromUtf8(name)},
                     {QStringLiteral("rate"), QString::fromLatin1(rate)},
                     {QStringLiteral("barcode"), QString::fromLatin1(barcode)},
                     {QStringLiteral("price"), QStringLiteral("12")},
                     {QStringLiteral("price1"), QStringLiteral("11")},
                     {QStringLiteral("price2"), QString()},
                     {QStringLiteral("price3"), QString()},
                     {QStringLiteral("id"), QString()},
                     {QStringLiteral("isDefault"), QString::fromUtf8(isDefault)}});
    };
    EXPECT_EQ(1031, unit("0", "件", "7", "690103").code);  // the base unit's rate stays 1
    const qint64 box = unit("1", "箱", "12", "690103-12", "√").code;
    EXPECT_GT(box, 0);
    EXPECT_EQ(QStringLiteral("件/1/0|箱/12/1"),
              direct(QStringLiteral("SELECT group_concat(unit || '/' || (rate + 0) || '/' || "
                                    "isDefault, '|') FROM (SELECT * FROM baseGoodsUnit WHERE "
                                    "Goodsid = 103 ORDER BY fzdwid)"))
                  .toString());
    EXPECT_EQ(QStringLiteral("条码[690103]已经被商品[商品103]使用"),
              proc(QStringLiteral("p_base_Up_goodsunit"),
                   {{QStringLiteral("Goodsid"), QStringLiteral("101")},
                    {QStringLiteral("fzdwid"), QStringLiteral("1")},
                    {QStringLiteral("unit"), QStringLiteral("箱")},
                    {QStringLiteral("rate"), QStringLiteral("10")},
                    {QStringLiteral("barcode"), QStringLiteral("690103")}})
                  .message);
    EXPECT_EQ(QStringLiteral("单位关系必须大于0"), unit("2", "托", "0", "").message);
    EXPECT_EQ(QStringLiteral("[商品类]是商品分类，不能设置单位"),
              proc(QStringLiteral("p_base_Up_goodsunit"),
                   {{QStringLiteral("Goodsid"), QStringLiteral("100")},
                    {QStringLiteral("fzdwid"), QStringLiteral("0")},
                    {QStringLiteral("unit"), QStringLiteral("个")}})
                  .message);

    // A posted bill line in the box unit: its name and rate stay, its prices may change.
    update(QStringLiteral("INSERT INTO djIndex(id, djType, dj_state) VALUES (901, 1, 2)"));
    update(
        QStringLiteral("INSERT INTO djList(id, djType, dj_state, goodsid, unit, qty) VALUES "
                       "(901, 1, 2, 103, 1, 1)"));
    EXPECT_EQ(QStringLiteral("单位[箱]已经被单据使用，不能修改单位和单位关系！"),
              unit("1", "箱", "10", "690103-12").message);
    EXPECT_EQ(QStringLiteral("单位[箱]已经被单据使用，不能删除！"),
              unit("1", "", "12", "").message);
    EXPECT_EQ(box, unit("1", "箱", "12", "690103-12", "1").code);
    // The default mark moves to the base unit.
    EXPECT_EQ(1031, unit("0", "件", "1", "690103", "1").code);
    EXPECT_EQ(QStringLiteral("1|0"),
              direct(QStringLiteral("SELECT group_concat(isDefault, '|') FROM (SELECT * FROM "
                                    "baseGoodsUnit WHERE Goodsid = 103 ORDER BY fzdwid)"))
                  .toString());
}

TEST_F(BaseList, APictureIsStoredPerGoodsAndMarked) {
    const QByteArray png = QByteArray("\x89PNG\r\n\x1A\n", 8) + QByteArray(300, '\x01');
    const Outcome up = proc(QStringLiteral("p_Base_Up_GoodsImage"),
                            {{QStringLiteral("Goodsid"), QStringLiteral("101")},
                             {QStringLiteral("Image"), QString::fromLatin1(png.toBase64())}});
    EXPECT_EQ(png.size(), up.code) << up.message.toStdString();
    EXPECT_EQ(QStringLiteral("有"), cell(list(QStringLiteral("SP"), QStringLiteral("GoodsStr"),
                                              QStringLiteral(";id=101")),
                                         101, QStringLiteral("YouWuTuPian"))
                                        .toString());
    ParamList p;
    p.setValue(QStringLiteral("Goodsid"), QStringLiteral("101"));
    RecordSet rs = procQuery(QStringLiteral("p_Base_Get_GoodsImage"), p);
    ASSERT_EQ(1, rs.rowCount());
    EXPECT_EQ(png, rs.at(0, rs.fieldIndex(QStringLiteral("Image"))).toByteArray());

    struct Case {
        const char* name;
        QString data;
        const char* message;
    };
    const Case refusals[] = {
        {"no picture", QString(), "商品图片不存在，请检查"},
        {"not base64", QStringLiteral("@@@"), "商品图片不存在，请检查"},
        {"not a picture", QString::fromLatin1(QByteArray("hello world").toBase64()),
         "商品图片不是JPG、PNG、GIF或BMP格式"},
    };
    for (const Case& c : refusals) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(QString::fromUtf8(c.message),
                  proc(QStringLiteral("p_Base_Up_GoodsImage"),
                       {{QStringLiteral("Goodsid"), QStringLiteral("102")},
                        {QStringLiteral("Image"), c.data}})
                      .message);
    }
    EXPECT_EQ(QStringLiteral("无"),
              scalar(QStringLiteral("SELECT YouWuTuPian FROM baseGoods WHERE id = 102")));

    EXPECT_EQ(0, proc(QStringLiteral("p_Base_Up_GoodsImage"),
                      {{QStringLiteral("Goodsid"), QStringLiteral("101")},
                       {QStringLiteral("del"), QStringLiteral("1")}})
                     .code);
    EXPECT_EQ(QStringLiteral("无"),
              scalar(QStringLiteral("SELECT YouWuTuPian FROM baseGoods WHERE id = 101")));
    rs = procQuery(QStringLiteral("p_Base_Get_GoodsImage"), p);
    EXPECT_EQ(0, rs.rowCount());
}

TEST_F(BaseList, ChangesOfGoodsAndPartnersMoveTheirChangeStamps) {
    update(QStringLiteral("UPDATE baseGoods SET updateTime = '2000-01-01'"));
    update(QStringLiteral("UPDATE baseWLDW SET updateTime = '2000-01-01'"));
    save(QStringLiteral("p_base_Up_Goods"), {{QStringLiteral("id"), QStringLiteral("101")},
                                             {QStringLiteral("code"), QStringLiteral("SP101")},
                                             {QStringLiteral("fullname"), QStringLiteral("新名")}});
    save(QStringLiteral("p_Base_Up_Wldw"), {{QStringLiteral("id"), QStringLiteral("203")},
                                            {QStringLiteral("code"), QStringLiteral("DW203")},
                                            {QStringLiteral("fullname"), QStringLiteral("丙")}});
    proc(QStringLiteral("p_base_Up_goodsunit"), {{QStringLiteral("Goodsid"), QStringLiteral("102")},
                                                 {QStringLiteral("fzdwid"), QStringLiteral("0")},
                                                 {QStringLiteral("unit"), QStringLiteral("箱")},
                                                 {QStringLiteral("price"), QStringLiteral("9")}});
    EXPECT_EQ(QStringLiteral("101,102"),
              direct(QStringLiteral("SELECT group_concat(id) FROM (SELECT id FROM baseGoods WHERE "
                                    "updateTime > '2000-01-01' ORDER BY id)"))
                  .toString());
    EXPECT_EQ(QStringLiteral("203"),
              direct(QStringLiteral("SELECT group_concat(id) FROM baseWLDW WHERE updateTime > "
                                    "'2000-01-01'"))
                  .toString());
}

TEST_F(BaseList, SystemEmployeesAndAccountsAreRefused) {
    struct Case {
        const char* name;
        const char* proc;
        Values values;
        const char* message;
    };
    const Case cases[] = {
        {"edit the administrator",
         "p_Base_Up_ZY",
         {{QStringLiteral("id"), QStringLiteral("1")},
          {QStringLiteral("code"), QStringLiteral("001")},
          {QStringLiteral("fullname"), QStringLiteral("改")}},
         "系统默认操作员，不能被修改、删除和分类!"},
        {"delete the administrator",
         "p_Base_Del_ZY",
         {{QStringLiteral("id"), QStringLiteral("1")}},
         "系统默认操作员，不能被修改、删除和分类!"},
        {"add below the administrator",
         "p_Base_Up_ZY",
         {{QStringLiteral("par_id"), QStringLiteral("1")},
          {QStringLiteral("code"), QStringLiteral("0011")},
          {QStringLiteral("fullname"), QStringLiteral("下级")}},
         "系统默认操作员，不能被修改、删除和分类!"},
        {"delete an operator's employee row",
         "p_Base_Del_ZY",
         {{QStringLiteral("id"), QStringLiteral("2")}},
         "职员[张三]是操作员，不能删除！"},
        {"edit a system account",
         "p_base_Up_KM",
         {{QStringLiteral("id"), QStringLiteral("8")},
          {QStringLiteral("code"), QStringLiteral("103")},
          {QStringLiteral("fullname"), QStringLiteral("现钞")}},
         "系统行不能新增或修改！"},
        {"add below a system leaf",
         "p_base_Up_KM",
         {{QStringLiteral("par_id"), QStringLiteral("8")},
          {QStringLiteral("code"), QStringLiteral("10301")},
          {QStringLiteral("fullname"), QStringLiteral("零钱")}},
         "系统行不能被分类！"},
        {"delete a system account",
         "p_base_Del_kM",
         {{QStringLiteral("id"), QStringLiteral("8")}},
         "系统行不能被删除！"},
        {"delete an account with a role",
         "p_base_Del_kM",
         {{QStringLiteral("id"), QStringLiteral("27")}},
         "科目[其它费用]已经被设置为收付款账户或收支类型，不能删除！"},
    };
    update(QStringLiteral("INSERT INTO sysuser(id, password) VALUES (2, '')"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome o = proc(QString::fromLatin1(c.proc), c.values);
        EXPECT_EQ(-1, o.code);
        EXPECT_EQ(QString::fromUtf8(c.message), o.message);
    }
    EXPECT_EQ(QStringLiteral("现金"),
              scalar(QStringLiteral("SELECT fullname FROM baseKM WHERE id = 8")));

    // A new expense account below 【支出类】 takes its class and side, and comes with the list.
    const qint64 fee = save(QStringLiteral("p_base_Up_KM"),
                            {{QStringLiteral("par_id"), QStringLiteral("4")},
                             {QStringLiteral("code"), QStringLiteral("409")},
                             {QStringLiteral("fullname"), QStringLiteral("运杂费")}});
    EXPECT_EQ(QStringLiteral("4/1/2"),
              direct(QStringLiteral("SELECT kmType || '/' || dc || '/' || leveal FROM baseKM WHERE "
                                    "id = %1")
                         .arg(fee))
                  .toString());
    ParamList p;
    p.setValue(QStringLiteral("kmStr"), QStringLiteral(";czy_id=1;par_id=4"));
    const RecordSet rs = procQuery(QStringLiteral("P_Base_Get_KM"), p);
    EXPECT_EQ(true, ids(rs).contains(fee));
    EXPECT_EQ(QStringLiteral("其它费用"),
              cell(rs, 27, QStringLiteral("InterfaceKMName")).toString());
    EXPECT_EQ(QStringLiteral("【支出类】/运杂费"),
              cell(rs, fee, QStringLiteral("pathName")).toString());
}

TEST_F(BaseList, TheOperatorListHoldsTheEmployeesWhoCanLogIn) {
    update(
        QStringLiteral("INSERT INTO baseZY(id, par_id, par_jl, leveal, sonnum, code, fullname) "
                       "VALUES (3, 0, '3,', 1, 0, '003', '李四')"));
    EXPECT_EQ(QList<qint64>{1},
              ids(list(QStringLiteral("CZY"), QStringLiteral("zyStr"), QString())));
    update(QStringLiteral("INSERT INTO sysuser(id, password) VALUES (3, '')"));
    EXPECT_EQ((QList<qint64>{1, 3}),
              ids(list(QStringLiteral("CZY"), QStringLiteral("zyStr"), QString())));
    EXPECT_EQ((QList<qint64>{1, 2, 3}),
              ids(list(QStringLiteral("ZY"), QStringLiteral("zyStr"), QString())));
}

TEST_F(BaseList, RecordRightsHideRefusedRowsWhenTheAccountSetUsesThem) {
    update(QStringLiteral("INSERT INTO sysuser(id, password) VALUES (2, '')"));
    update(QStringLiteral("INSERT INTO baseGoodsPurview(id, czy_id, isbj) VALUES (101, 2, 0)"));
    update(QStringLiteral("INSERT INTO baseWLDWPurview(id, czy_id, isbj) VALUES (202, 2, 0)"));
    const auto goods = [&](qint64 user) {
        return ids(listAs(user, QStringLiteral("SP"), QStringLiteral("GoodsStr"),
                          QStringLiteral(";par_id=100")));
    };
    const auto partners = [&](qint64 user) {
        return ids(listAs(user, QStringLiteral("WLDW"), QStringLiteral("wldwStr"),
                          QStringLiteral(";isList=1")));
    };
    // Switch off: the rights rows are not read.
    EXPECT_EQ((QList<qint64>{101, 102}), goods(2));
    update(QStringLiteral("UPDATE sysConf SET sysValue = '1' WHERE id = 2004"));
    EXPECT_EQ(QList<qint64>{102}, goods(2));
    EXPECT_EQ((QList<qint64>{201, 203}), partners(2));
    EXPECT_EQ((QList<qint64>{101, 102}), goods(1));
    EXPECT_EQ((QList<qint64>{201, 202, 203}), partners(1));
    // A refused record cannot be edited or deleted by that operator either.
    EXPECT_EQ(QStringLiteral("您没有执行该操作的权限!"),
              procAs(2, QStringLiteral("p_base_Up_Goods"),
                     {{QStringLiteral("id"), QStringLiteral("101")},
                      {QStringLiteral("code"), QStringLiteral("SP101")},
                      {QStringLiteral("fullname"), QStringLiteral("偷改")}}));
    EXPECT_EQ(QStringLiteral("商品101"),
              scalar(QStringLiteral("SELECT fullname FROM baseGoods WHERE id = 101")));
    EXPECT_EQ(QString(), procAs(2, QStringLiteral("p_base_Up_Goods"),
                                {{QStringLiteral("id"), QStringLiteral("102")},
                                 {QStringLiteral("code"), QStringLiteral("SP102")},
                                 {QStringLiteral("fullname"), QStringLiteral("可改")}}));
    // A category refused because nothing below it was granted is granted again by a new record.
    update(QStringLiteral("INSERT INTO baseGoodsPurview(id, czy_id, isbj) VALUES (100, 2, 0)"));
    EXPECT_EQ(QList<qint64>{103}, ids(listAs(2, QStringLiteral("SP"), QStringLiteral("GoodsStr"),
                                             QStringLiteral(";par_id=0"))));
    save(QStringLiteral("p_base_Up_Goods"), {{QStringLiteral("par_id"), QStringLiteral("100")},
                                             {QStringLiteral("code"), QStringLiteral("SP104")},
                                             {QStringLiteral("fullname"), QStringLiteral("新品")}});
    EXPECT_EQ((QList<qint64>{100, 103}),
              ids(listAs(2, QStringLiteral("SP"), QStringLiteral("GoodsStr"),
                         QStringLiteral(";par_id=0"))));
}

}  // namespace
}  // namespace dyt::server::test
