#include "server/procs/callrights.h"

#include <QHash>

#include <functional>
#include <mutex>

#include "common/error.h"
#include "protocol/basekinds.h"
#include "protocol/billkinds.h"
#include "protocol/functioncodes.h"
#include "protocol/querydescriptors.h"
#include "server/db/database.h"
#include "server/db/where.h"
#include "server/procs/bill_common.h"
#include "server/procs/registry.h"

namespace dyt::server::callrights {

QString refusal() {
    return QStringLiteral("您没有执行该操作的权限!");
}

// --- the operator's rights

Held::Held(Database& db, qint64 userId) : userId_(userId) {
    if (all())
        return;
    const RecordSet rows = db.query(
        QStringLiteral("SELECT b.code, CASE WHEN b.hide = 1 OR p.isbj = 1 THEN 1 ELSE 0 END "
                       "FROM sysMenu AS b LEFT JOIN sysPurview AS p ON p.menuid = b.id AND "
                       "p.userid = ?"),
        {userId});
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString code = rows.at(r, 0).toString().trimmed();
        known_.insert(code);
        if (rows.at(r, 1).toInt() == 1)
            granted_.insert(code);
    }
}

bool Held::holds(const QString& code) const {
    return all() || granted_.contains(code);
}

bool Held::holdsAny(const QStringList& codes) const {
    for (const QString& c : codes) {
        if (holds(c))
            return true;
    }
    return false;
}

bool Held::holdsSub(const QString& menu, const QString& sub) const {
    if (all())
        return true;
    if (!holds(menu))
        return false;
    const QString code = menu + sub;
    if (known_.contains(code))
        return granted_.contains(code);
    return sub.toInt() > 20;
}

// --- the windows behind a call

namespace {

bool same(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QStringList codesOfClasses(const QSet<QString>& classes) {
    QStringList codes;
    for (const FunctionEntry& e : functionTable()) {
        if (e.className && classes.contains(QString::fromLatin1(e.className).toLower()))
            codes << QString::number(e.code);
    }
    return codes;
}

QStringList codesOfPrefix(const char* prefix) {
    QStringList codes;
    for (const FunctionEntry& e : functionTable()) {
        if (e.className && QString::fromLatin1(e.className).startsWith(QLatin1String(prefix)))
            codes << QString::number(e.code);
    }
    return codes;
}

}  // namespace

namespace {

QStringList findWindowCodes(const QString& procedure, const QString& queryType) {
    QSet<QString> classes;
    for (const QueryDescriptor& d : queryDescriptors()) {
        const bool main = same(d.procedure, procedure) &&
                          (queryType.isEmpty() || d.queryTypes.isEmpty() ||
                           d.queryTypes.contains(queryType, Qt::CaseInsensitive));
        if (main || d.otherProcedures.contains(procedure, Qt::CaseInsensitive))
            classes.insert(d.className.toLower());
    }
    // The alerts window runs the two stock-limit alerts.
    if (same(procedure, QStringLiteral("P_JXC_Get_KC")) &&
        (same(queryType, QStringLiteral("KCSXBJ")) || same(queryType, QStringLiteral("KCXXBJ"))))
        classes.insert(QStringLiteral("tfrmsysbjb"));
    // The voucher lines are the voucher export's alone.
    if (same(procedure, QStringLiteral("P_JXC_Get_Other")) &&
        same(queryType, QStringLiteral("DCPZ")))
        return codesOfClasses({QStringLiteral("tfrmsysdcpz")});
    // A detail window opened from a row of another window is that window's too.
    for (bool grew = !classes.isEmpty(); grew;) {
        grew = false;
        for (const QueryDescriptor& d : queryDescriptors()) {
            const QString own = d.className.toLower();
            if (!classes.contains(own) && !d.drillDown.isEmpty() &&
                classes.contains(d.drillDown.toLower())) {
                classes.insert(own);
                grew = true;
            }
        }
    }
    return codesOfClasses(classes);
}

}  // namespace

// The tables are fixed: each procedure and QueryType is looked up once. The names come from
// clients, so the memory kept for them is bounded.
QStringList windowCodes(const QString& procedure, const QString& queryType) {
    static std::mutex mutex;
    static QHash<QString, QStringList> known;
    const QString key = procedure.toLower() + u'/' + queryType.toUpper();
    std::lock_guard lock(mutex);
    const auto it = known.constFind(key);
    if (it != known.constEnd())
        return *it;
    QStringList codes = findWindowCodes(procedure, queryType);
    if (known.size() < 2048)
        known.insert(key, codes);
    return codes;
}

// --- the rules

namespace {

struct Call {
    Call(Database& database, qint64 user, const ParamList& lines)
        : db(database), userId(user), p(lines) {}

    Database& db;
    qint64 userId;
    const ParamList& p;

    const Held& held() {
        if (!held_)
            held_ = std::make_unique<Held>(db, userId);
        return *held_;
    }

private:
    std::unique_ptr<Held> held_;
};

using Rule = std::function<bool(Call&)>;

Rule open() {
    return [](Call&) { return true; };
}

Rule anyOf(QStringList codes) {
    return [codes](Call& c) { return c.held().holdsAny(codes); };
}

// The window right, and for the windows named in subs their sub-right as well.
Rule windowsWithSubs(QStringList codes, QHash<QString, QString> subs) {
    return [codes, subs](Call& c) {
        for (const QString& code : codes) {
            if (!c.held().holds(code))
                continue;
            const auto sub = subs.constFind(code);
            if (sub == subs.constEnd() || c.held().holdsSub(code, *sub))
                return true;
        }
        return false;
    };
}

// The windows that call the procedure with the line QueryType; those of the procedure at all
// when no window sends that QueryType.
Rule reportWindows(const QString& name) {
    return [name](Call& c) {
        QStringList codes = windowCodes(name, c.p.value(QStringLiteral("QueryType")).trimmed());
        if (codes.isEmpty())
            codes = windowCodes(name, QString());
        return c.held().holdsAny(codes);
    };
}

QString billMenuCode(int kind) {
    const BillKindRow* row = findBillKindRow(kind);
    return row && row->menuTag > 0 ? QString::number(row->menuTag) : QString();
}

// The right of the kind of the bill a line names.
Rule billOf(const QString& line) {
    return [line](Call& c) {
        bool ok = false;
        const qint64 id = c.p.value(line).trimmed().toLongLong(&ok);
        if (!ok || id <= 0)
            return true;  // the procedure itself refuses a missing bill
        const QVariant kind =
            c.db.scalar(QStringLiteral("SELECT djType FROM djIndex WHERE id = ?"), {id});
        if (!kind.isValid())
            return true;
        const QString code = billMenuCode(kind.toInt());
        if (!code.isEmpty() && !c.held().holds(code))
            return false;
        // A bill the operator's record rights hide is not one it may act on.
        const RecordRights records(c.db, c.userId);
        if (!records.any())
            return true;
        Where w;
        w.add(QStringLiteral("a.id = ?"), {id});
        records.addBill(w, QStringLiteral("a"));
        return c.db.scalar(QStringLiteral("SELECT 1 FROM djIndex AS a") + w.clause(), w.values)
            .isValid();
    };
}

Rule both(Rule a, Rule b) {
    return [a, b](Call& c) { return a(c) && b(c); };
}

Rule either(Rule a, Rule b) {
    return [a, b](Call& c) { return a(c) || b(c); };
}

constexpr const char* kRightsAdmin = "500402";
constexpr const char* kRecordRightsAdmin = "500403";
constexpr const char* kOptions = "500401";
constexpr const char* kAlerts = "3029";
constexpr const char* kHistory = "2002";

QHash<QString, Rule> makeRules() {
    QHash<QString, Rule> r;
    const auto add = [&r](const char* name, Rule rule) {
        r.insert(QString::fromLatin1(name).toLower(), std::move(rule));
    };
    // Reads every window needs: bills and base data are cut by the record rights where read.
    for (const char* name :
         {"P_JXC_DJ_GetDJIndex", "P_JXC_DJ_GetDJList", "P_Base_Get_Goods",
          "p_Base_Get_GoodsImage", "P_SYS_Get_Version", "p_sys_Up_Log", "p_sys_Up_ColConfigure",
          "p_sys_Get_BillAutoCode"})
        add(name, open());
    // The account list is open; the balance sheet it also answers is its windows'.
    add("P_Base_Get_KM", [sheet = reportWindows(QStringLiteral("P_Base_Get_KM"))](Call& c) {
        return c.p.value(QStringLiteral("QueryType")).trimmed().compare(
                   QLatin1String("ZCFZB"), Qt::CaseInsensitive) != 0 ||
               sheet(c);
    });
    // The record-rights lists are the record-rights window's; every other list is open.
    add("P_JXC_Get_Base", [](Call& c) {
        const QString type = c.p.value(QStringLiteral("QueryType")).trimmed().toUpper();
        static const QStringList kGrants{QStringLiteral("SPSQ"),   QStringLiteral("DWSQ"),
                                         QStringLiteral("CKSQ"),   QStringLiteral("YHZHSQ"),
                                         QStringLiteral("ZYSQ"),   QStringLiteral("BMSQ")};
        return !kGrants.contains(type) || c.held().holds(QLatin1String(kRecordRightsAdmin));
    });
    // One's own rights are read by the shell; another operator's only by the rights windows.
    add("p_sys_Get_purview", [](Call& c) {
        const QString user = c.p.value(QStringLiteral("userid")).trimmed();
        return user.isEmpty() || user.toLongLong() == c.userId ||
               c.held().holdsAny({QLatin1String(kRightsAdmin), QLatin1String(kRecordRightsAdmin)});
    });
    add("p_sys_Get_User", anyOf({QLatin1String(kRightsAdmin), QLatin1String(kRecordRightsAdmin)}));
    add("p_sys_up_purview", anyOf({QLatin1String(kRightsAdmin)}));
    add("p_sys_Up_User", anyOf({QLatin1String(kRightsAdmin)}));

    // Administration.
    add("P_SYS_UP_PeriodClose", anyOf({QStringLiteral("5007")}));
    add("P_SYS_UP_YearClose", anyOf({QStringLiteral("5008")}));
    add("P_SYS_Up_Restart", anyOf({QStringLiteral("500404")}));
    add("p_sys_Up_DatabaseRepair", anyOf({QStringLiteral("500407")}));
    add("P_SYS_UP_Open", anyOf({QStringLiteral("1014")}));
    // The automatic backup stamps its date; the alerts window keeps its advance days; the options
    // are the options window's alone; other settings also the windows that store them.
    add("P_SYS_Up_DataRow", [](Call& c) {
        static const QStringList alertDays = {
            QStringLiteral("保质期提前报警天数"), QStringLiteral("超期应收款提前报警天数"),
            QStringLiteral("超期应付款提前报警天数"), QStringLiteral("进货订单提前报警天数"),
            QStringLiteral("销售订单提前报警天数")};
        const QString name = c.p.value(QStringLiteral("Name")).trimmed();
        if (name == QStringLiteral("自动备份日期"))
            return true;
        if (alertDays.contains(name) && c.held().holds(QLatin1String(kAlerts)))
            return true;
        if (isOptionSetting(name))
            return c.held().holds(QLatin1String(kOptions));
        return c.held().holdsAny(QStringList{QLatin1String(kOptions)} +
                                 windowCodes(QStringLiteral("P_SYS_Up_DataRow"), QString()));
    });
    add("p_sys_Up_DataWLDW", anyOf({QLatin1String(kOptions)}));
    // The finance account of a goods, partner, warehouse or department: the window of that kind
    // (202301 … 202304 by type 1 … 4).
    add("p_Base_Up_CWKM", [](Call& c) {
        const QString type = c.p.value(QStringLiteral("type")).trimmed();
        return type.size() == 1 && type.at(0) >= u'1' && type.at(0) <= u'4' &&
               c.held().holds(QStringLiteral("20230") + type);
    });

    // Opening balances: the opening windows, and the partner and account lists that edit them.
    const QStringList opening = codesOfPrefix("TfrmIni");
    const auto openingEdit = [opening](QStringList more) {
        return [opening, more](Call& c) {
            for (const QString& code : opening) {
                if (c.held().holdsSub(code, QStringLiteral("01")))
                    return true;
            }
            return c.held().holdsAny(more);
        };
    };
    add("P_JXC_Get_QC", anyOf(opening));
    add("P_JXC_INI_GoodsStock", openingEdit({}));
    add("P_JXC_INI_GoodsStockOther", openingEdit({}));
    add("P_JXC_INI_baseWLDW", openingEdit({QStringLiteral("1003")}));
    add("P_JXC_INI_baseKM", openingEdit({QStringLiteral("1009")}));

    // Base data: the list window of the kind, adding or changing, deleting.
    QHash<QString, QStringList> saves, deletes;
    QStringList lists;
    for (const BaseKindRow& k : baseKindRows()) {
        if (k.functionCode <= 0)
            continue;
        const QString code = QString::number(k.functionCode);
        lists << code;
        if (k.saveProcedure[0])
            saves[QString::fromLatin1(k.saveProcedure).toLower()] << code;
        if (k.deleteProcedure[0])
            deletes[QString::fromLatin1(k.deleteProcedure).toLower()] << code;
    }
    const auto editing = [](QStringList codes, bool deleting) {
        return [codes, deleting](Call& c) {
            const bool del = deleting || c.p.value(QStringLiteral("del")).trimmed() == u"1";
            bool ok = false;
            const qint64 id = c.p.value(QStringLiteral("id")).trimmed().toLongLong(&ok);
            const QString sub = del                ? QStringLiteral("03")
                                : (ok && id > 0)   ? QStringLiteral("02")
                                                   : QStringLiteral("01");
            for (const QString& code : codes) {
                if (c.held().holdsSub(code, sub))
                    return true;
            }
            return false;
        };
    };
    for (auto it = saves.cbegin(); it != saves.cend(); ++it)
        r.insert(it.key(), editing(it.value(), false));
    for (auto it = deletes.cbegin(); it != deletes.cend(); ++it)
        r.insert(it.key(), editing(it.value(), true));
    const QStringList goods{QStringLiteral("1001")};
    add("p_base_Up_goodsunit", either(editing(goods, false), anyOf(opening)));
    add("p_Base_Up_GoodsImage", [](Call& c) {
        return c.held().holdsSub(QStringLiteral("1001"), QStringLiteral("01")) ||
               c.held().holdsSub(QStringLiteral("1001"), QStringLiteral("02"));
    });
    add("p_base_Up_CuXiao", editing({QStringLiteral("4015")}, false));
    // Assembly templates: kept in their list window; the assembly bill reads them.
    add("p_base_Up_SCMB", anyOf({QStringLiteral("201709")}));
    for (const char* name : {"p_base_Get_SCMB", "p_base_Get_SCMBList"})
        add(name, anyOf({QStringLiteral("201709"), QStringLiteral("201708")}));
    // Contracts: the contract window's right reads and changes them.
    for (const char* name : {"p_base_Up_HeTong", "P_JXC_Get_HeTong", "P_JXC_Get_HeTongList"})
        add(name, anyOf({QStringLiteral("4016")}));
    // Commission plans: the plan window; the goods editor gives a goods its plan.
    add("p_Base_Get_TCFA", anyOf({QStringLiteral("400701"), QStringLiteral("1001")}));
    add("p_Base_Up_TCFA", editing({QStringLiteral("400701")}, false));
    add("p_Base_Up_TCFP", [](Call& c) {
        const bool goodsPlan = c.p.value(QStringLiteral("tclxid")).trimmed() == u"2";
        return c.held().holdsSub(QStringLiteral("400701"), QStringLiteral("02")) ||
               (goodsPlan && (c.held().holdsSub(QStringLiteral("1001"), QStringLiteral("01")) ||
                          c.held().holdsSub(QStringLiteral("1001"), QStringLiteral("02"))));
    });
    // Fixed-asset cards: their list (1012) by its sub-rights; the windows of the fixed-asset
    // bills add and change cards but do not delete them.
    const auto assetBills = anyOf({QStringLiteral("20190501"), QStringLiteral("20190502"),
                                   QStringLiteral("20190503")});
    add("P_JXC_GDZC_Save", either(editing({QStringLiteral("1012")}, false), [assetBills](Call& c) {
            return c.p.value(QStringLiteral("del")).trimmed() != u"1" && assetBills(c);
        }));
    add("p_Base_Up_DragDrop", anyOf(lists));
    add("p_Base_Up_Orderly", anyOf(lists));

    // Bills. The drafts procedures check the kind's post and draft rights themselves.
    for (const char* name : {"P_JXC_InertDJIndex", "P_JXC_DJ_Post", "P_JXC_DJ_PanDianToDraft"})
        add(name, open());
    add("P_JXC_InertDJList", billOf(QStringLiteral("id")));
    // A bill is printed from its kind's window.
    add("p_sys_Up_DJPrint", billOf(QStringLiteral("id")));
    add("P_JXC_DJ_PostOther", billOf(QStringLiteral("billid")));
    // The business history's red reversal, copy and deletion are its sub-rights 01, 02 and 04.
    const auto history = [](const char* name, const char* sub) {
        return both(windowsWithSubs(windowCodes(QString::fromLatin1(name), QString()),
                                    {{QLatin1String(kHistory), QLatin1String(sub)}}),
                    billOf(QStringLiteral("billid")));
    };
    add("P_JXC_DJ_CopyRed", [red = history("P_JXC_DJ_CopyRed", "01"),
                             copy = history("P_JXC_DJ_CopyRed", "02")](Call& c) {
        return c.p.value(QStringLiteral("isRed")).trimmed() == u"1" ? copy(c) : red(c);
    });
    // A draft is deleted by its maker or with the right to handle others' drafts (checked by
    // the procedure); a posted bill by the windows that delete posted bills.
    add("P_JXC_DJ_PostDel", [posted = history("P_JXC_DJ_PostDel", "04")](Call& c) {
        const QVariant state =
            c.db.scalar(QStringLiteral("SELECT dj_state FROM djIndex WHERE id = ?"),
                        {c.p.value(QStringLiteral("billid")).trimmed().toLongLong()});
        return state.toInt() != 2 || posted(c);
    });
    add("P_JXC_DJ_Other", both(reportWindows(QStringLiteral("P_JXC_DJ_Other")),
                               billOf(QStringLiteral("billid"))));
    return r;
}

const QHash<QString, Rule>& rules() {
    static const QHash<QString, Rule> r = makeRules();
    return r;
}

// Procedures without a rule of their own are those of the query windows (the reports).
Rule ruleOf(const QString& name) {
    const auto it = rules().constFind(name.toLower());
    if (it != rules().constEnd())
        return *it;
    if (!windowCodes(name, QString()).isEmpty())
        return reportWindows(name);
    return {};
}

}  // namespace

bool ruled(const QString& name) {
    return static_cast<bool>(ruleOf(name));
}

void checkProcedure(Database& db, qint64 userId, const QString& name, const ParamList& params) {
    if (userId == 1)
        return;
    const Rule rule = ruleOf(name);
    Call call(db, userId, params);
    if (!rule || !rule(call))
        throw DytError(refusal());
}

void checkService(Database& db, qint64 userId, const QString& service, const QString& method,
                  const ParamList& params) {
    if (userId == 1)
        return;
    if (same(service, QStringLiteral("QMXService"))) {
        bool ok = false;
        const qint64 kind = params.value(QStringLiteral("djType")).trimmed().toLongLong(&ok);
        if (!ok)
            return;  // the service refuses the bill itself
        billservice::requireBillRight(db, userId, kind,
                                      same(method.trimmed(), QStringLiteral("SaveToDB")));
        return;
    }
    throw DytError(refusal());
}

}  // namespace dyt::server::callrights
