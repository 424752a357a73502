#include "printfixtures.h"

#include <QDate>

#include "common/currency.h"

namespace dyt::test {

RecordSet billHeader() {
    RecordSet h;
    const QString names[] = {QStringLiteral("公司全名"), QStringLiteral("公司电话"),
                             QStringLiteral("操作员"),   QStringLiteral("打印标签"),
                             QStringLiteral("单据编号"), QStringLiteral("日期"),
                             QStringLiteral("供应商")};
    for (const QString& n : names) {
        h.addField(n, n == u"日期" ? FieldType::Date : FieldType::Text, 60);
    }
    h.appendRow({QStringLiteral("德盈商贸有限公司"), QStringLiteral("0571-88886666"),
                 QStringLiteral("张三"), QStringLiteral("德盈通软件"),
                 QStringLiteral("JH-2026-12-06-00001"), QDate(2026, 12, 6),
                 QStringLiteral("杭州五金批发部")});
    return h;
}

RecordSet billDetail(int lines) {
    RecordSet d;
    d.addField(QStringLiteral("行号"), FieldType::Integer);
    d.addField(QStringLiteral("sp_spbh"), FieldType::Text, 20);
    d.field(1).displayName = QStringLiteral("商品编号");
    d.addField(QStringLiteral("sp_spqm"), FieldType::Text, 60);
    d.field(2).displayName = QStringLiteral("商品名称");
    d.addField(QStringLiteral("qty"), FieldType::Float);
    d.field(3).displayName = QStringLiteral("[%SUM%Q%]数量");
    d.addField(QStringLiteral("price"), FieldType::Currency);
    d.field(4).displayName = QStringLiteral("[%P%]单价");
    d.addField(QStringLiteral("total"), FieldType::Currency);
    d.field(5).displayName = QStringLiteral("[%SUM%M%]金额");
    d.addField(QStringLiteral("barcode"), FieldType::Text, 20);
    d.field(6).displayName = QStringLiteral("[%F%]条码");
    for (int i = 1; i <= lines; ++i) {
        d.appendRow({i, QStringLiteral("SP%1").arg(i, 3, 10, QLatin1Char('0')),
                     QStringLiteral("商品%1").arg(i), double(i),
                     QVariant::fromValue(Currency::fromRaw(15000)),
                     QVariant::fromValue(Currency::fromRaw(15000LL * i)),
                     QStringLiteral("69%1").arg(i)});
    }
    return d;
}

RecordSet wideReportHeader() {
    RecordSet h;
    h.addField(QStringLiteral("操作员"), FieldType::Text, 20);
    h.addField(QStringLiteral("仓库"), FieldType::Text, 200);
    h.appendRow(
        {QStringLiteral("张三"),
         QStringLiteral("全部仓库（总仓、一分仓、二分仓、三分仓、四分仓、五分仓、六分仓）")});
    return h;
}

RecordSet wideReportDetail(int columns, int lines) {
    RecordSet d;
    for (int c = 1; c <= columns; ++c) {
        const bool last = c == columns;
        d.addField(QStringLiteral("f%1").arg(c), last ? FieldType::Currency : FieldType::Text, 20);
        d.field(c - 1).displayName =
            last ? QStringLiteral("参考单价") : QStringLiteral("库存数量%1").arg(c);
    }
    for (int i = 0; i < lines; ++i) {
        RecordSet::Row row;
        for (int c = 1; c < columns; ++c)
            row.append(QStringLiteral("KC-%1").arg(c * 100 + i));
        row.append(QVariant::fromValue(Currency::fromDouble(1087709.55 + i)));
        d.appendRow(row);
    }
    return d;
}

}  // namespace dyt::test
