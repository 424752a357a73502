#include "printfixtures.h"

#include <QDate>

#include "common/currency.h"

namespace dyt::test {

RecordSet billHeader() {
    RecordSet h;
    const QString names[] = {u"公司全名"_s, u"公司电话"_s, u"操作员"_s, u"打印标签"_s,
                             u"单据编号"_s, u"日期"_s,     u"供应商"_s};
    for (const QString& n : names)
        h.addField(n, n == u"日期" ? FieldType::Date : FieldType::Text, 60);
    h.appendRow({u"德盈商贸有限公司"_s, u"0571-88886666"_s, u"张三"_s, u"德盈通软件"_s,
                 u"JH-2026-12-06-00001"_s, QDate(2026, 12, 6), u"杭州五金批发部"_s});
    return h;
}

RecordSet billDetail(int lines) {
    RecordSet d;
    d.addField(u"行号"_s, FieldType::Integer);
    d.addField(u"sp_spbh"_s, FieldType::Text, 20);
    d.field(1).displayName = u"商品编号"_s;
    d.addField(u"sp_spqm"_s, FieldType::Text, 60);
    d.field(2).displayName = u"商品名称"_s;
    d.addField(u"qty"_s, FieldType::Float);
    d.field(3).displayName = u"[%SUM%Q%]数量"_s;
    d.addField(u"price"_s, FieldType::Currency);
    d.field(4).displayName = u"[%P%]单价"_s;
    d.addField(u"total"_s, FieldType::Currency);
    d.field(5).displayName = u"[%SUM%M%]金额"_s;
    d.addField(u"barcode"_s, FieldType::Text, 20);
    d.field(6).displayName = u"[%F%]条码"_s;
    for (int i = 1; i <= lines; ++i) {
        d.appendRow({i, u"SP%1"_s.arg(i, 3, 10, QLatin1Char('0')), u"商品%1"_s.arg(i), double(i),
                     QVariant::fromValue(Currency::fromRaw(15000)),
                     QVariant::fromValue(Currency::fromRaw(15000LL * i)), u"69%1"_s.arg(i)});
    }
    return d;
}

RecordSet wideReportHeader() {
    RecordSet h;
    h.addField(u"操作员"_s, FieldType::Text, 20);
    h.addField(u"仓库"_s, FieldType::Text, 200);
    h.appendRow({u"张三"_s, u"全部仓库（总仓、一分仓、二分仓、三分仓、四分仓、五分仓、六分仓）"_s});
    return h;
}

RecordSet wideReportDetail(int columns, int lines) {
    RecordSet d;
    for (int c = 1; c <= columns; ++c) {
        const bool last = c == columns;
        d.addField(u"f%1"_s.arg(c), last ? FieldType::Currency : FieldType::Text, 20);
        d.field(c - 1).displayName = last ? u"参考单价"_s : u"库存数量%1"_s.arg(c);
    }
    for (int i = 0; i < lines; ++i) {
        RecordSet::Row row;
        for (int c = 1; c < columns; ++c)
            row.append(u"KC-%1"_s.arg(c * 100 + i));
        row.append(QVariant::fromValue(Currency::fromDouble(1087709.55 + i)));
        d.appendRow(row);
    }
    return d;
}

}  // namespace dyt::test
