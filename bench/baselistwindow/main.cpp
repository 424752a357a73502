// Figures for the base-data list window: the goods list loading one category level and the flat
// list of all goods into the window (the answer travels as a record-set packet through the data
// module, is decoded, numbered into "_order" and shown by the grid), then the category tree.
// The server is the recording transport answering with prepared record sets, so the figures are
// the client's share. Prints times and the resident memory (VmRSS).

#include <QApplication>
#include <QFile>

#include <chrono>
#include <cstdio>
#include <memory>

#include "client/base/basekinds.h"
#include "client/base/frmbaselist.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/session.h"
#include "support/client/recordingtransport.h"
#include "common/recordset.h"
#include "protocol/protocol.h"

namespace {

long residentKiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void report(const char* what, int rows, double seconds) {
    std::printf("%-36s %8d rows %9.3f s   VmRSS %8.1f MiB\n", what, rows, seconds,
                residentKiB() / 1024.0);
}

// Goods rows as the list procedure returns them: categories of 50 goods each under par_id 0.
dyt::RecordSet goodsRows(int count, bool withCategories) {
    using dyt::FieldType;
    dyt::RecordSet rs;
    for (const char* f : {"id", "sonnum", "leveal", "par_id"})
        rs.addField(QLatin1String(f), FieldType::Integer);
    for (const char* f : {"code", "fullname", "name", "pym", "gg", "xh", "addr", "stopName",
                          "unitName", "barcode", "comment", "YouWuTuPian", "pathName", "par_jl"})
        rs.addField(QLatin1String(f), FieldType::Text);
    for (const char* f : {"LSprice", "price1", "price2", "price3"})
        rs.addField(QLatin1String(f), FieldType::Float);
    for (int i = 0; i < count; ++i) {
        const bool category = withCategories && i % 51 == 0;
        const qint64 id = i + 1;
        const qint64 parent = withCategories ? 0 : 1 + (i / 50);
        rs.appendRow({id,
                      category ? 50 : 0,
                      category ? 1 : 2,
                      parent,
                      QStringLiteral("SP%1").arg(id, 6, 10, QLatin1Char('0')),
                      QStringLiteral("商品全名%1").arg(id),
                      QStringLiteral("简名%1").arg(id),
                      QStringLiteral("SPQM%1").arg(id),
                      QStringLiteral("500ml"),
                      QStringLiteral("PET"),
                      QStringLiteral("上海"),
                      QStringLiteral("正常"),
                      QStringLiteral("瓶"),
                      QStringLiteral("69%1").arg(id, 11, 10, QLatin1Char('0')),
                      QString(),
                      QStringLiteral("无"),
                      QStringLiteral("食品>饮料"),
                      QStringLiteral("%1,%2,").arg(parent).arg(id),
                      3.5,
                      4.0,
                      4.5,
                      5.0});
    }
    return rs;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    using namespace dyt::client;
    const int flat = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int level = argc > 2 ? std::atoi(argv[2]) : 2000;

    AcceptDefaultsPrompter quiet;
    PrompterOverride prompts(&quiet);
    TdmMain dm;
    auto transport = std::make_unique<RecordingTransport>();
    RecordingTransport* t = transport.get();
    dm.setTransport(std::move(transport));
    dm.quitApplication = [] {};
    if (!dm.ConnectServer(QStringLiteral("bench:211"), false, 1)) {
        std::printf("no connection\n");
        return 1;
    }
    loginedUser().UserId = 1;
    setLoggedIn(true);

    auto answer = [t](const dyt::RecordSet& rows) {
        const QCborValue packet = dyt::proto::recordSetToCbor(rows);
        t->respondWith(QStringLiteral("ExecProcQuery"), [packet](const QCborArray& args) {
            Response r;
            r.result = 0;
            r.outs = {args.at(1), packet};
            return r;
        });
    };

    TfrmBaseList w(base::kindByCode(QStringLiteral("SP")));
    w.setTag(1001);
    w.applyRights();
    w.resize(1200, 700);
    // Showing the window loads the top level and the tree once.
    answer(goodsRows(10, true));
    answer(goodsRows(10, true));
    w.show();
    QApplication::processEvents();
    std::printf("goods list window: one level of %d rows, flat list of %d rows\n", level, flat);
    report("start", 0, 0);

    answer(goodsRows(level, true));
    auto start = std::chrono::steady_clock::now();
    w.loadList();
    report("one level", w.model()->rowCount(), secondsSince(start));

    answer(goodsRows(flat, false));
    w.state().listMode = true;
    start = std::chrono::steady_clock::now();
    w.loadList();
    report("flat list", w.model()->rowCount(), secondsSince(start));

    start = std::chrono::steady_clock::now();
    w.repaint();
    report("paint of the flat list", w.model()->rowCount(), secondsSince(start));

    dyt::RecordSet tree = goodsRows(level / 10, true);
    answer(tree);
    start = std::chrono::steady_clock::now();
    w.loadTree();
    report("category tree", tree.rowCount(), secondsSince(start));
    w.hide();
    return 0;
}
