// Figures for the grid model: fill a record set of 1 000 000 rows, show it through the model and
// "scroll" through it page by page (every cell of consecutive viewports asked for its display
// text and alignment, the row indicator for every row), then the footer summaries, a row filter
// and sorting; and pages painted by the grid widget on the offscreen platform. Prints times and the
// resident memory (VmRSS) before and after.

#include <QApplication>
#include <QFile>
#include <QScrollBar>
#include <QTableView>

#include <chrono>
#include <cstdio>

#include "client/logic/gridcolumn.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "common/currency.h"
#include "common/recordset.h"

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

void report(const char* what, double seconds, long rssKiB) {
    std::printf("%-44s %9.3f s   VmRSS %8.1f MiB\n", what, seconds, rssKiB / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int viewportRows = 40;

    const long rssStart = residentKiB();
    std::printf("rows %d, viewport %d rows\n", rows, viewportRows);
    report("start", 0, rssStart);

    auto t = std::chrono::steady_clock::now();
    dyt::RecordSet rs;
    rs.addField(QStringLiteral("sp_spbh"), dyt::FieldType::Text, 20);
    rs.addField(QStringLiteral("sp_spmc"), dyt::FieldType::Text, 60);
    rs.addField(QStringLiteral("qty"), dyt::FieldType::Float);
    rs.addField(QStringLiteral("price"), dyt::FieldType::Float);
    rs.addField(QStringLiteral("amount"), dyt::FieldType::Currency);
    rs.addField(QStringLiteral("cost"), dyt::FieldType::Float);
    rs.addField(QStringLiteral("chk"), dyt::FieldType::Text, 1);
    rs.addField(QStringLiteral("sonnum"), dyt::FieldType::Integer);
    double x = 0.37;
    for (int i = 0; i < rows; ++i) {
        x = x * 1.61803 + 13.7;
        if (x > 1e6)
            x /= 9973.0;
        const double qty = (i % 7 == 0) ? -x / 10 : x / 10;
        const double price = 1.0 + (i % 1000) / 7.0;
        rs.appendRow({QStringLiteral("SP%1").arg(i, 7, 10, QLatin1Char('0')),
                      QStringLiteral("商品%1").arg(i), qty, price,
                      QVariant::fromValue(dyt::Currency::fromDouble(qty * price)), price * 0.8,
                      (i % 3 == 0) ? QStringLiteral("1") : QStringLiteral("0"),
                      i % 50 == 0 ? 3 : 0});
    }
    const double fillRecords = secondsSince(t);
    const long rssRecords = residentKiB();
    report("fill record set", fillRecords, rssRecords);

    t = std::chrono::steady_clock::now();
    dyt::GridDefinition def;
    def.context.qtyDot = 3;
    def.context.priceDot = 4;
    def.context.totalDot = 2;
    def.context.canSeeCost = false;
    dyt::AddGridColumn(def, QStringLiteral("[%CNT%]商品编号"), QStringLiteral("sp_spbh"), false,
                       80);
    dyt::AddGridColumn(def, QStringLiteral("商品名称"), QStringLiteral("sp_spmc"), false, 120);
    dyt::AddGridColumn(def, QStringLiteral("[%Q%SUM%]数量"), QStringLiteral("qty"), true, 70);
    dyt::AddGridColumn(def, QStringLiteral("[%P%MAX%]单价"), QStringLiteral("price"), true, 70);
    dyt::AddGridColumn(def, QStringLiteral("[%M%SUM%]金额"), QStringLiteral("amount"), true, 80);
    dyt::AddGridColumn(def, QStringLiteral("[%SUM%M%Cost%]成本"), QStringLiteral("cost"), true, 70);
    dyt::AddGridColumn(def, QStringLiteral("[&CHK]选择"), QStringLiteral("chk"), true, 40);
    dyt::RecordSetModel model;
    model.setSource(&rs, &def);
    const double fillModel = secondsSince(t);
    const long rssModel = residentKiB();
    report("set model source", fillModel, rssModel);

    // Scroll: every viewport from the top to the bottom, as a view paints it.
    t = std::chrono::steady_clock::now();
    qsizetype chars = 0;
    long cells = 0;
    const int columns = model.columnCount();
    for (int top = 0; top < model.rowCount(); top += viewportRows) {
        const int bottom = std::min(top + viewportRows, model.rowCount());
        model.setCurrentRow(top);
        for (int r = top; r < bottom; ++r) {
            chars += model.headerData(r, Qt::Vertical).toString().size();
            for (int c = 0; c < columns; ++c) {
                const QModelIndex i = model.index(r, c);
                chars += model.data(i, Qt::DisplayRole).toString().size();
                chars += model.data(i, Qt::TextAlignmentRole).toInt() & 1;
                chars += model.data(i, Qt::CheckStateRole).toInt() & 1;
                ++cells;
            }
        }
    }
    const double scroll = secondsSince(t);
    const long viewports = (model.rowCount() + viewportRows - 1) / viewportRows;
    report("scroll through all viewports", scroll, residentKiB());
    std::printf("  %ld viewports, %ld cells, %.2f us per viewport, %.0f ns per cell (%lld chars)\n",
                viewports, cells, viewports ? scroll * 1e6 / static_cast<double>(viewports) : 0.0,
                cells ? scroll * 1e9 / static_cast<double>(cells) : 0.0,
                static_cast<long long>(chars));

    t = std::chrono::steady_clock::now();
    QString footer;
    for (int c = 0; c < columns; ++c)
        footer += model.footerText(c) + QLatin1Char('|');
    report("footer summaries", secondsSince(t), residentKiB());
    std::printf("  footer: %s\n", footer.toStdString().c_str());

    // Through the widget: jump to pages spread over the whole grid and paint each one.
    {
        dyt::GridView view;
        t = std::chrono::steady_clock::now();
        view.setModel(&model);
        view.resize(1000, 800);
        view.show();
        QApplication::processEvents();
        report("grid widget: set model, fit columns, show", secondsSince(t), residentKiB());
        QScrollBar* bar = view.table()->verticalScrollBar();
        const int pages = 500;
        t = std::chrono::steady_clock::now();
        for (int i = 0; i < pages; ++i) {
            bar->setValue(std::min(bar->maximum(), (i * bar->maximum()) / pages));
            view.table()->viewport()->repaint();
        }
        const double painted = secondsSince(t);
        report("paint 500 pages spread over the grid", painted, residentKiB());
        std::printf("  %.2f ms per page painted (offscreen)\n", painted * 1000.0 / pages);
    }

    t = std::chrono::steady_clock::now();
    model.setData(model.index(rows / 2, 2), 12.5);
    footer = model.footerText(2);
    report("one edit + footer again", secondsSince(t), residentKiB());

    t = std::chrono::steady_clock::now();
    const int qtyField = rs.fieldIndex(QStringLiteral("qty"));
    model.setRowFilter([qtyField](const dyt::RecordSet& r, int raw) {
        return r.at(raw, qtyField).toDouble() > 0;
    });
    footer = model.footerText(2);
    report("row filter (qty > 0) + footer", secondsSince(t), residentKiB());
    std::printf("  %d rows shown, sum %s\n", model.rowCount(), footer.toStdString().c_str());

    model.setRowFilter({});
    t = std::chrono::steady_clock::now();
    model.sort(2, Qt::DescendingOrder);
    report("sort by quantity", secondsSince(t), residentKiB());
    t = std::chrono::steady_clock::now();
    model.sort(1, Qt::AscendingOrder);
    report("sort by name (GBK order)", secondsSince(t), residentKiB());
    std::printf("  first row %s\n", model.displayText(0, 0).toStdString().c_str());

    std::printf("memory: record set %.1f MiB, model %.1f MiB (%.1f bytes per row)\n",
                (rssRecords - rssStart) / 1024.0, (rssModel - rssRecords) / 1024.0,
                rows ? (rssModel - rssRecords) * 1024.0 / rows : 0.0);
    return 0;
}
