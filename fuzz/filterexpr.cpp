// Filter texts compiled against a record set of every field type and run over its rows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QDateTime>

#include "common/error.h"
#include "common/filterexpr.h"
#include "common/recordset.h"

using namespace dyt;

namespace {

RecordSet sample() {
    RecordSet rs;
    rs.addField(QStringLiteral("code"), FieldType::Text, 20);
    rs.addField(QStringLiteral("sonnum"), FieldType::Integer);
    rs.addField(QStringLiteral("price"), FieldType::Float);
    rs.addField(QStringLiteral("total"), FieldType::Currency);
    rs.addField(QStringLiteral("billdate"), FieldType::Date);
    rs.addField(QStringLiteral("stamp"), FieldType::DateTime);
    rs.addField(QStringLiteral("isbj"), FieldType::Boolean);
    rs.addField(QStringLiteral("full name"), FieldType::Text);
    rs.addField(QStringLiteral("pic"), FieldType::Blob);
    const QDateTime at(QDate(2014, 2, 15), QTime(9, 30));
    rs.appendRow({QStringLiteral("3003"), 0, 1.5, QVariant::fromValue(Currency::fromRaw(12345)),
                  at.date(), at, true, QStringLiteral("德盈通 商品"), QByteArray("\x01\x02")});
    rs.appendRow({QStringLiteral("300601"), -1, -0.0, QVariant::fromValue(Currency::fromRaw(-1)),
                  QDate(1900, 1, 1), at.addDays(-1), false, QStringLiteral("''%_"), QByteArray()});
    rs.appendRow({});  // every value Null
    return rs;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    static const RecordSet base = sample();
    FilterOptions options;
    options.caseInsensitive = data[0] & 1;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1),
                                           static_cast<qsizetype>(size - 1));
    FilterExpr expr;
    try {
        expr = FilterExpr::compile(text, base.fields(), options);
    } catch (const DytError&) {
        return 0;
    }
    int passed = 0;
    for (int r = 0; r < base.rowCount(); ++r)
        passed += expr.matches(base.row(r)) ? 1 : 0;
    for (int c : expr.columns()) {
        if (c < 0 || c >= base.fieldCount())
            std::abort();
    }
    // The record set's own filter shows exactly the rows that pass.
    RecordSet rs = base;
    rs.setFilter(text, options);
    if (rs.recordCount() != passed)
        std::abort();
    return 0;
}
