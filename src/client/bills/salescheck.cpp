#include "client/bills/salescheck.h"

#include <QHash>

#include "client/bills/frmbasefkc.h"
#include "client/bills/frmbaseshowprice.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/settings.h"
#include "common/error.h"

namespace dyt::client::sales {

namespace {

constexpr int kOptionLowStockPrice = 2035;
constexpr int kOptionNegativeStock = 2012;
constexpr int kOptionVirtualStock = 2002;
constexpr int kOptionLowerLimit = 2040;
constexpr int kOptionReceivables = 2042;
constexpr int kRightBelowLowest = 6013;
constexpr int kRightBelowCost = 6017;

RecordSet numberFields(const QStringList& names) {
    RecordSet rs;
    for (const QString& n : names)
        rs.addField(n, n == QStringLiteral("fzQty") || n == QStringLiteral("fkcfzQty")
                           ? FieldType::Text
                           : FieldType::Float);
    return rs;
}

QList<StockLine> stockLines(const QList<SalesCheckLine>& lines) {
    QList<StockLine> out;
    for (const SalesCheckLine& l : lines)
        out.append({l.row, l.goodsId, l.qty, l.rate});
    return out;
}

RecordSet run(TdmMain& dm, const QString& sql) {
    RecordSet rs;
    dm.ExecQuery(sql, &rs);
    return rs;
}

bool receivablesLimit(TdmMain& dm, const SalesCheckInput& in) {
    if (!settings().Switch(kOptionReceivables) || in.billPosted || in.customerId <= 0)
        return true;
    RecordSet rs =
        run(dm, QStringLiteral("select a.* from basewldw as a where a.id = %1").arg(in.customerId));
    if (rs.isEmpty())
        return true;
    rs.first();
    const std::optional<QString> question =
        receivablesLimitQuestion(rs.text(QStringLiteral("fullname")),
                                 Currency::fromDouble(rs.number(QStringLiteral("ys_xyd"))),
                                 Currency::fromDouble(rs.number(QStringLiteral("ystotal"))),
                                 in.billReceivable, settings().TotalDot);
    if (!question)
        return true;
    return prompter().ask(caption::hint(), *question,
                          {QStringLiteral("继续(&O)"), QStringLiteral("取消(&C)")}, 1) == 0;
}

bool lowerLimits(TdmMain& dm, const SalesCheckInput& in) {
    if (!settings().Switch(kOptionLowerLimit))
        return true;
    const QString sql = stockLowerLimitSql(in.warehouseId, stockLines(in.lines));
    if (sql.isEmpty())
        return true;
    const RecordSet rs = run(dm, sql);
    if (rs.rowCount() == 0)
        return true;
    return salesWarningWindows().priceList(7, rs);
}

bool sellingPrices(TdmMain& dm, const SalesCheckInput& in) {
    PriceOptions options;
    options.option2035 = settings().Switch(kOptionLowStockPrice);
    options.posting = in.posting;
    options.right6013 = settings().Right(kRightBelowLowest);
    options.right6017 = settings().Right(kRightBelowCost);
    if (!options.option2035 && !options.posting)
        return true;
    if (options.posting && options.right6013 && options.right6017 && !options.option2035)
        return true;
    const PriceKind kinds[] = {PriceKind::LatestBuy, PriceKind::Cost, PriceKind::LowestSale,
                               PriceKind::LowestSaleBlock, PriceKind::CostBlock};
    QHash<int, QList<QPair<SalesCheckLine, Currency>>> listed;
    QHash<QString, ReferencePrices> known;
    for (const SalesCheckLine& l : in.lines) {
        if (l.goodsId <= 0 || l.gift)
            continue;
        const QString key = QStringLiteral("%1/%2/%3").arg(l.goodsId).arg(l.batch).arg(l.unitId);
        if (!known.contains(key)) {
            RecordSet rs = run(dm, unitPricesSql(l.goodsId, l.batch, l.unitId));
            ReferencePrices ref;
            if (!rs.isEmpty()) {
                rs.first();
                ref.latestBuyPrice =
                    Currency::fromDouble(rs.number(QStringLiteral("latestBuyPrice")));
                ref.lowestSalePrice =
                    Currency::fromDouble(rs.number(QStringLiteral("lowestSalePrice")));
                ref.costPrice = Currency::fromDouble(rs.number(QStringLiteral("CostPrice")));
            }
            known.insert(key, ref);
        }
        const ReferencePrices ref = known.value(key);
        for (PriceKind k : priceWarnings(ref, l.discountPrice, options))
            listed[static_cast<int>(k)].append({l, referencePrice(ref, k)});
    }
    for (PriceKind k : kinds) {
        const int kind = static_cast<int>(k);
        if (!listed.contains(kind))
            continue;
        if (!salesWarningWindows().priceList(kind, priceRows(in.warehouseId, listed.value(kind))))
            return false;
        if (k == PriceKind::LowestSaleBlock || k == PriceKind::CostBlock)
            return false;  // these lists only inform: the posting is refused
    }
    return true;
}

bool negativeStockCheck(TdmMain& dm, const SalesCheckInput& in) {
    const QList<StockLine> lines = stockLines(in.lines);
    if (lines.isEmpty())
        return true;
    if (settings().Switch(kOptionNegativeStock)) {
        RecordSet rs = run(dm, negativeStockSql(in.warehouseId, lines));
        QList<StockRow> stock;
        for (rs.first(); !rs.eof(); rs.next())
            stock.append(
                {rs.integer(QStringLiteral("goodsid")), rs.number(QStringLiteral("qty")), 0});
        const QList<NegativeStock> found = negativeStock(lines, stock);
        if (!found.isEmpty() &&
            !salesWarningWindows().stockList(false, negativeStockRows(found, false)))
            return false;
    }
    if (settings().Switch(kOptionVirtualStock)) {
        RecordSet rs = run(dm, virtualStockSql(in.warehouseId, lines));
        QList<StockRow> stock;
        for (rs.first(); !rs.eof(); rs.next())
            stock.append({rs.integer(QStringLiteral("goodsid")), rs.number(QStringLiteral("kcqty")),
                          rs.number(QStringLiteral("xnkcqty"))});
        const QList<NegativeStock> found = virtualNegativeStock(lines, stock);
        if (!found.isEmpty() &&
            !salesWarningWindows().stockList(true, negativeStockRows(found, true)))
            return false;
    }
    return true;
}

bool costPrices(SalesCheckInput& in) {
    if (!settings().NegativeStock)
        return true;
    QList<CostLine> cost;
    for (const SalesCheckLine& l : in.lines)
        cost.append({l.goodsId, l.code, l.name, l.unitName, l.costPrice});
    for (int index : costPricePromptLines(cost)) {
        QString value;
        if (!prompter().input(costPricePrompt(), costPricePromptText(cost.at(index)), &value))
            return false;
        Currency price;
        if (!Currency::fromString(value.trimmed(), &price) || price < Currency())
            throw DytError(QStringLiteral("成本价必须是不小于零的数字！"));
        applyCostPrice(cost, cost.at(index).goodsId, price);
    }
    for (int i = 0; i < in.lines.size(); ++i)
        in.lines[i].costPrice = cost.at(i).costPrice;
    return true;
}

}  // namespace

QString costPricePrompt() {
    return QStringLiteral("请输入成本价");
}

SalesWarningWindows defaultSalesWarningWindows() {
    SalesWarningWindows w;
    w.priceList = [](int kind, const RecordSet& rows) {
        return TfrmBaseShowPrice::checkAndShow(kind, rows);
    };
    w.stockList = [](bool virtualStock, const RecordSet& rows) {
        return TfrmBaseFKC::checkAndShow(virtualStock ? FkcMode::Virtual : FkcMode::Real, rows);
    };
    return w;
}

SalesWarningWindows& salesWarningWindows() {
    static SalesWarningWindows windows = defaultSalesWarningWindows();
    return windows;
}

RecordSet priceRows(qint64 warehouseId, const QList<QPair<SalesCheckLine, Currency>>& listed) {
    RecordSet rs =
        numberFields({QStringLiteral("sp_id"), QStringLiteral("ck_id"), QStringLiteral("row"),
                      QStringLiteral("Price1"), QStringLiteral("Price2")});
    for (const auto& [line, reference] : listed)
        rs.appendRow({line.goodsId, warehouseId, line.row, line.discountPrice.toDouble(),
                      reference.toDouble()});
    return rs;
}

RecordSet negativeStockRows(const QList<NegativeStock>& found, bool virtualStock) {
    if (!virtualStock) {
        RecordSet rs = numberFields({QStringLiteral("sp_id"), QStringLiteral("row"),
                                     QStringLiteral("Qty"), QStringLiteral("fzQty"),
                                     QStringLiteral("fkcQty"), QStringLiteral("fkcfzQty")});
        for (const NegativeStock& n : found)
            rs.appendRow({n.goodsId, n.row, n.stock, QString(), n.after, QString()});
        return rs;
    }
    RecordSet rs =
        numberFields({QStringLiteral("sp_id"), QStringLiteral("row"), QStringLiteral("kcQty"),
                      QStringLiteral("Qty"), QStringLiteral("fzQty"), QStringLiteral("xnkcQty"),
                      QStringLiteral("fkcQty"), QStringLiteral("fkcfzQty")});
    for (const NegativeStock& n : found)
        rs.appendRow({n.goodsId, n.row, n.stock, n.after, QString(), n.virtualStock, n.virtualAfter,
                      QString()});
    return rs;
}

bool runSalesWarnings(TdmMain& dm, SalesCheckInput& input) {
    return receivablesLimit(dm, input) && lowerLimits(dm, input) && sellingPrices(dm, input) &&
           negativeStockCheck(dm, input) && costPrices(input);
}

}  // namespace dyt::client::sales
