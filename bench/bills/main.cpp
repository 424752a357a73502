// dyt-bench-bills: the bill service and the bill reads on an in-process server: bills saved per
// second (drafts and posted), numbers handed out per second, and the time of a bill list with a
// partner filter, of opening one bill and of the open bills of a partner.
// Arguments: number of bills (default 2000), lines per bill (default 10).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "protocol/protocol.h"
#include "server/net/backend.h"

namespace {

using dyt::ParamList;
using dyt::RecordSet;
using dyt::server::Backend;
using dyt::server::Session;

struct Bench {
    Backend& backend;
    Session session;
    qint64 requestId = 0;

    dyt::proto::Response call(const char* method, const QCborArray& args) {
        dyt::proto::Request r;
        r.id = ++requestId;
        r.method = QString::fromLatin1(method);
        r.args = args;
        dyt::proto::Response answer = backend.handle(session, r);
        if (!answer.error.isEmpty())
            throw dyt::DytError(answer.error);
        return answer;
    }
    void update(const QString& sql) {
        if (call("ExecUpdate", {sql}).code() < 0)
            throw dyt::DytError(sql);
    }
    RecordSet procQuery(const QString& name, const ParamList& p) {
        return dyt::proto::recordSetFromCbor(call("ExecProcQuery", {name, p.text()}).out(1));
    }
};

RecordSet linesPacket(int lines, int seed) {
    RecordSet rs;
    for (const char* f : {"goodsid", "orderid", "goodsCode", "goodsname", "IntoStock_id", "qty",
                          "Price", "Total", "taxTotalSum"}) {
        rs.addField(QString::fromLatin1(f), dyt::FieldType::Text, 8000);
    }
    for (int i = 0; i < lines; ++i) {
        const int goods = 1000 + (seed + i) % 50;
        rs.appendRow({QString::number(goods), QString(), QString(), QString(), QStringLiteral("2"),
                      QStringLiteral("3"), QStringLiteral("1.5"), QStringLiteral("4.5"),
                      QStringLiteral("4.5")});
    }
    return rs;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int bills = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2000;
    const int lines = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 10;
    try {
        QTemporaryDir dir;
        dyt::server::ServerConfig config;
        config.dataDir = dir.path();
        Backend backend(config);
        Bench b{backend, {}};
        b.session.spid = backend.nextSpid();
        b.call("CreateProfile",
               {QStringLiteral("bench"), QStringLiteral("bench"), QStringLiteral("sa"), QString()});
        const QString login = dyt::proto::joinLines(
            {QStringLiteral("dytv1_1"), QStringLiteral("dytv1_1"), QStringLiteral("1"),
             QStringLiteral("bench"), QString(), QString(), QStringLiteral("1"),
             QStringLiteral("bench"), QStringLiteral("dytv1"), QStringLiteral("UpdateFlag=Check"),
             QStringLiteral("LoginType=0"), QStringLiteral("V11.0.140215")});
        if (b.call("Login", {login, QStringLiteral("1"), QString()}).code() != 0)
            throw dyt::DytError(QStringLiteral("login failed"));
        b.update(
            QStringLiteral("INSERT INTO baseCK(id, par_id, par_jl, code, fullname) VALUES "
                           "(2, 0, '2,', 'CK', 'CK')"));
        for (int i = 0; i < 50; ++i) {
            b.update(QStringLiteral("INSERT INTO baseGoods(id, par_id, par_jl, code, fullname) "
                                    "VALUES (%1, 0, '%1,', 'SP%1', 'SP%1')")
                         .arg(1000 + i));
        }
        for (int i = 0; i < 20; ++i) {
            b.update(QStringLiteral("INSERT INTO baseWLDW(id, par_id, par_jl, code, fullname) "
                                    "VALUES (%1, 0, '%1,', 'DW%1', 'DW%1')")
                         .arg(100 + i));
        }

        const QString date = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < bills; ++i) {
            ParamList p;
            p.setValue(QStringLiteral("date"), date);
            p.setValue(QStringLiteral("code"), QStringLiteral("JH-%1").arg(i));
            p.setInt(QStringLiteral("wldw_id"), 100 + i % 20);
            p.setInt(QStringLiteral("IntoStock_id"), 2);
            p.setInt(QStringLiteral("djType"), 5);
            p.setInt(QStringLiteral("OldBillid"), 0);
            p.setDouble(QStringLiteral("total"), lines * 4.5);
            const QString method =
                i % 2 ? QStringLiteral("SaveToDB") : QStringLiteral("SaveToDraft");
            const dyt::proto::Response r =
                b.call("ExecService", {QStringLiteral("QMXService"), method, p.text(),
                                       dyt::proto::recordSetToCbor(linesPacket(lines, i)),
                                       QCborValue(QCborValue::Null), QCborValue(QCborValue::Null)});
            if (r.code() <= 0)
                throw dyt::DytError(r.outText(2));
        }
        double sec = t.nsecsElapsed() / 1e9;
        out << "bills saved (" << lines << " lines, half posted): " << qRound(bills / sec)
            << " /s\n";

        ParamList code;
        code.setInt(QStringLiteral("BillType"), 5);
        code.setValue(QStringLiteral("BillDate"), date);
        const int numbers = 2000;
        t.restart();
        for (int i = 0; i < numbers; ++i)
            b.procQuery(QStringLiteral("p_sys_Get_BillAutoCode"), code);
        sec = t.nsecsElapsed() / 1e9;
        out << "numbers handed out:          " << qRound(numbers / sec) << " /s\n";

        ParamList list;
        list.setValue(QStringLiteral("dj_state"), QStringLiteral("2"));
        list.setValue(QStringLiteral("wldwStr"), QStringLiteral(";czy_id=1;id=105;issub=1"));
        list.setValue(QStringLiteral("djStr"), QStringLiteral(" (5,0) "));
        list.setValue(QStringLiteral("BeginDate"), date);
        list.setValue(QStringLiteral("EndDate"), date);
        t.restart();
        const RecordSet rows = b.procQuery(QStringLiteral("P_JXC_DJ_GetDJIndex"), list);
        out << "bill list of one partner:    " << rows.rowCount() << " bills in "
            << QString::number(t.nsecsElapsed() / 1e6, 'f', 1) << " ms\n";

        ParamList one;
        one.setInt(QStringLiteral("id"), bills / 2);
        t.restart();
        const int opens = 200;
        for (int i = 0; i < opens; ++i) {
            b.procQuery(QStringLiteral("P_JXC_DJ_GetDJIndex"), one);
            b.procQuery(QStringLiteral("P_JXC_DJ_GetDJList"), one);
        }
        out << "open one bill (head+lines):  "
            << QString::number(t.nsecsElapsed() / 1e6 / opens, 'f', 2) << " ms\n";

        ParamList open;
        open.setValue(QStringLiteral("QueryType"), QStringLiteral("WSKDJ"));
        open.setValue(QStringLiteral("wldwStr"), QStringLiteral(";id=105;czy_id=1"));
        open.setInt(QStringLiteral("djType"), 22);
        t.restart();
        const RecordSet openBills = b.procQuery(QStringLiteral("P_JXC_DJ_GetDJList"), open);
        out << "open bills of one partner:   " << openBills.rowCount() << " bills in "
            << QString::number(t.nsecsElapsed() / 1e6, 'f', 1) << " ms\n";
        backend.closeSession(b.session);
    } catch (const dyt::DytError& e) {
        out << "failed: " << e.message() << '\n';
        return 1;
    }
    return 0;
}
