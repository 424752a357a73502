// The demo account set. Everything goes through the procedures a client calls: the base-data
// save procedures (departments, employees, warehouses, partner and goods categories, goods and
// their units), the opening procedures and the opening of the account set, the bill service
// "SaveToDB" for purchases, sales, returns, transfers, receipts and payments, and the red
// reversal P_JXC_DJ_CopyRed. The builder keeps its own count of the stock so that no sale asks
// for more than there is; costs, balances and accounts are left to the ledgers.
//
// A seed fixes every choice (a splitmix64 sequence, the same on every platform), so the same seed
// gives the same records, bills and figures.

#include "server/demo/demo_builder.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "common/error.h"
#include "server/demo/demo_catalogue.h"

namespace dyt::demo {
namespace {

namespace cat = catalogue;

class Random {
public:
    explicit Random(quint64 seed) : state_(seed) {}
    quint64 next() {
        quint64 z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<quint64>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }
    double unit() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }
    template <typename T>
    const T& pick(const std::vector<T>& list) {
        return list[static_cast<size_t>(below(static_cast<int>(list.size())))];
    }

private:
    quint64 state_;
};

double round2(double v) {
    return std::round(v * 100.0) / 100.0;
}

QString money(double v) {
    return QString::number(v, 'f', 2);
}

QString qtyText(double v) {
    return QString::number(v, 'f', 4);
}

QString s(const char* text) {
    return QString::fromUtf8(text);
}

// The check digit of a GTIN (EAN-13 over twelve digits, GTIN-14 over thirteen): weights 3 and 1
// from the right.
QChar checkDigit(const QString& digits) {
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const int d = digits.at(digits.size() - 1 - i).unicode() - u'0';
        sum += d * (i % 2 == 0 ? 3 : 1);
    }
    return QChar(u'0' + (10 - sum % 10) % 10);
}

struct Goods {
    qint64 id = 0;
    QString code;
    QString name;
    QString unit;
    QString auxUnit;
    int rate = 1;  // pieces in the auxiliary unit (1 without one)
    double cost = 0;
    double retail = 0;
    double wholesale = 0;
};

struct SaleLine {
    int goods;
    int warehouse;
    qint64 customer;
    double qty;
    double price;
};

struct Line {
    int goods;
    int unit;  // 0 base unit, 1 auxiliary unit
    double qty;
    double price;
    double discount = 1.0;
};

class Builder {
public:
    Builder(DemoCalls& calls, const DemoOptions& o, const std::function<void(const QString&)>& p)
        : calls_(calls), o_(o), progress_(p), random_(o.seed) {
        if (o.goods < 1 || o.goods > 1000000)
            throw DytError(QStringLiteral("商品数量必须在1到1000000之间"));
        if (o.warehouses < 1 || o.warehouses > 99)
            throw DytError(QStringLiteral("仓库数量必须在1到99之间"));
        if (o.months < 1 || o.months > 24)
            throw DytError(QStringLiteral("月份数必须在1到24之间"));
        if (o.lines < 0)
            throw DytError(QStringLiteral("单据行数不能小于0"));
        if (!o.start.isValid())
            throw DytError(QStringLiteral("开账日期无效"));
    }

    DemoSummary run() {
        tell(QStringLiteral("基础资料"));
        departments();
        employees();
        warehouses();
        partners();
        goods();
        commissionPlans();
        calls_.flush();
        tell(QStringLiteral("期初数据"));
        opening();
        calls_.flush();
        tell(QStringLiteral("业务单据"));
        bills();
        calls_.flush();
        return summary_;
    }

private:
    void tell(const QString& text) {
        if (progress_)
            progress_(text);
    }

    qint64 save(const char* procedure, ParamList lines) {
        if (!lines.contains(QStringLiteral("id")))
            lines.setInt(QStringLiteral("id"), 0);
        if (!lines.contains(QStringLiteral("par_id")))
            lines.setInt(QStringLiteral("par_id"), 0);
        calls_.proc(QString::fromLatin1(procedure), lines);
        const qint64 id = lines.intValue(QStringLiteral("id"));
        if (id <= 0)
            throw DytError(QStringLiteral("[%1]没有返回新记录的编号").arg(s(procedure)));
        return id;
    }

    static ParamList record(std::initializer_list<std::pair<const char*, QString>> fields) {
        ParamList p;
        for (const auto& [name, value] : fields)
            p.setValue(QString::fromLatin1(name), value);
        return p;
    }

    QString personName() {
        return s(random_.pick(cat::surnames())) + s(random_.pick(cat::givenNames()));
    }

    QString phone() {
        return QStringLiteral("1%1%2")
            .arg(random_.between(30, 89))
            .arg(random_.between(10000000, 99999999));
    }

    // --- base data

    void departments() {
        const char* names[] = {"销售部", "采购部", "仓储部", "财务部"};
        int i = 0;
        for (const char* name : names) {
            departments_.push_back(
                save("p_base_Up_BM",
                     record({{"code", QStringLiteral("%1").arg(++i, 2, 10, QLatin1Char('0'))},
                             {"fullname", s(name)}})));
        }
    }

    void employees() {
        // Two per department; the sales department's people handle the bills.
        for (int i = 0; i < 8; ++i) {
            const qint64 dep = departments_[static_cast<size_t>(i / 2)];
            const qint64 id =
                save("p_Base_Up_ZY",
                     record({{"code", QStringLiteral("Z%1").arg(i + 1, 3, 10, QLatin1Char('0'))},
                             {"fullname", personName()},
                             {"depid", QString::number(dep)},
                             {"tel", phone()},
                             {"Worktime", o_.start.addDays(-random_.between(100, 2000))
                                              .toString(QStringLiteral("yyyy-MM-dd"))}}));
            employees_.push_back(id);
            ++summary_.employees;
        }
    }

    void warehouses() {
        const char* fixed[] = {"总仓", "东区门店", "西区门店"};
        for (int i = 0; i < o_.warehouses; ++i) {
            const QString name = i < 3 ? s(fixed[i]) : QStringLiteral("第%1分仓").arg(i - 2);
            warehouses_.push_back(
                save("p_Base_Up_CK",
                     record({{"code", QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'))},
                             {"fullname", name},
                             {"comment", QStringLiteral("%1%2号")
                                             .arg(s(random_.pick(cat::streets())))
                                             .arg(random_.between(1, 300))}})));
            ++summary_.warehouses;
        }
    }

    QString companyName(const std::vector<const char*>& suffixes, QSet<QString>& used) {
        for (int attempt = 0;; ++attempt) {
            QString name = s(random_.pick(cat::cities())) + s(random_.pick(cat::companyCores())) +
                           s(random_.pick(suffixes));
            if (attempt > 20)
                name += QStringLiteral("%1分店").arg(attempt);
            if (!used.contains(name)) {
                used.insert(name);
                return name;
            }
        }
    }

    void partners() {
        const int customers = std::clamp(o_.goods / 10, 20, 1000);
        const int suppliers = std::clamp(o_.goods / 25, 8, 300);
        QSet<QString> used;
        const qint64 customerClass = save(
            "p_Base_Up_Wldw", record({{"code", QStringLiteral("01")}, {"fullname", s("客户")}}));
        const qint64 supplierClass = save(
            "p_Base_Up_Wldw", record({{"code", QStringLiteral("02")}, {"fullname", s("供应商")}}));
        auto one = [&](qint64 parent, const QString& code, const QString& name) {
            const QString city = name.left(2);
            return save(
                "p_Base_Up_Wldw",
                record({{"par_id", QString::number(parent)},
                        {"code", code},
                        {"fullname", name},
                        {"name", name.mid(2, 4)},
                        {"Person", personName()},
                        {"tel", phone()},
                        {"addr", city + s("市") + s(random_.pick(cat::streets())) +
                                     QStringLiteral("%1号").arg(random_.between(1, 500))},
                        {"jsrid",
                         QString::number(employees_[static_cast<size_t>(random_.below(2))])}}));
        };
        for (int i = 0; i < customers; ++i) {
            customers_.push_back(one(customerClass,
                                     QStringLiteral("K%1").arg(i + 1, 4, 10, QLatin1Char('0')),
                                     companyName(cat::customerSuffixes(), used)));
        }
        for (int i = 0; i < suppliers; ++i) {
            suppliers_.push_back(one(supplierClass,
                                     QStringLiteral("G%1").arg(i + 1, 4, 10, QLatin1Char('0')),
                                     companyName(cat::supplierSuffixes(), used)));
        }
        summary_.partners = customers + suppliers;
    }

    void goods() {
        // The sub-categories in turn, each with its products, brands and specifications. A large
        // account set gets a third level, one category per brand, so that no category holds
        // thousands of goods.
        struct Slot {
            qint64 id;
            QString code;
            const cat::SubCategory* sub;
            int brand = -1;
            int count = 0;
        };
        const bool large = o_.goods > 2000;
        std::vector<Slot> slots;
        int top = 0;
        for (const cat::Category& c : cat::goodsCategories()) {
            const QString topCode = QStringLiteral("%1").arg(++top, 2, 10, QLatin1Char('0'));
            const qint64 topId =
                save("p_base_Up_Goods", record({{"code", topCode}, {"fullname", s(c.name)}}));
            ++summary_.categories;
            int sub = 0;
            for (const cat::SubCategory& sc : c.subs) {
                const QString code =
                    topCode + QStringLiteral("%1").arg(++sub, 2, 10, QLatin1Char('0'));
                const qint64 id =
                    save("p_base_Up_Goods", record({{"par_id", QString::number(topId)},
                                                    {"code", code},
                                                    {"fullname", s(sc.name)}}));
                ++summary_.categories;
                if (!large) {
                    slots.push_back({id, code, &sc});
                    continue;
                }
                for (int b = 0; b < static_cast<int>(cat::brands().size()); ++b) {
                    const QString brandCode =
                        code + QStringLiteral("%1").arg(b + 1, 2, 10, QLatin1Char('0'));
                    const qint64 brandId = save(
                        "p_base_Up_Goods",
                        record(
                            {{"par_id", QString::number(id)},
                             {"code", brandCode},
                             {"fullname", s(cat::brands()[static_cast<size_t>(b)]) + s(sc.name)}}));
                    ++summary_.categories;
                    slots.push_back({brandId, brandCode, &sc, b});
                }
            }
        }
        for (int i = 0; i < o_.goods; ++i) {
            Slot& slot = slots[static_cast<size_t>(i) % slots.size()];
            const int n = slot.count++;
            const cat::Product& p =
                slot.sub->products[static_cast<size_t>(n) % slot.sub->products.size()];
            const QString brand = slot.brand >= 0
                                      ? s(cat::brands()[static_cast<size_t>(slot.brand)])
                                      : s(random_.pick(cat::brands()));
            const QString spec = s(random_.pick(p.specs));
            Goods g;
            g.code =
                slot.code + QStringLiteral("%1").arg(n + 1, large ? 5 : 3, 10, QLatin1Char('0'));
            g.name = brand + s(p.name);
            g.unit = s(p.unit);
            g.auxUnit = p.auxUnit ? s(p.auxUnit) : QString();
            g.rate = p.auxUnit ? p.rate : 1;
            g.cost = round2(p.costLow + (p.costHigh - p.costLow) * random_.unit());
            g.retail = std::round(g.cost * 1.45 * 2.0) / 2.0;
            g.wholesale = round2(g.cost * 1.22);
            const int costMode = random_.chance(10) ? 2 : 0;  // a few goods costed FIFO
            ParamList r = record({{"par_id", QString::number(slot.id)},
                                  {"code", g.code},
                                  {"fullname", g.name},
                                  {"name", s(p.name)},
                                  {"gg", spec},
                                  {"addr", s(random_.pick(cat::cities()))},
                                  {"costmode", QString::number(costMode)},
                                  {"spType", QStringLiteral("0")},
                                  {"fdwName", g.auxUnit}});
            if (large)
                r.setValue(QStringLiteral("xh"), QStringLiteral("X%1").arg(i + 1));
            g.id = save("p_base_Up_Goods", r);
            // Barcodes: "69", a maker number per brand, the goods' serial and the check digit; the
            // carton's GTIN-14 puts "1" in front of the piece's digits.
            const QString twelve = QStringLiteral("69%1%2")
                                       .arg(100 + brandIndex(brand) * 37, 3, 10, QLatin1Char('0'))
                                       .arg(i + 1, 7, 10, QLatin1Char('0'));
            const QString barcode = twelve + checkDigit(twelve);
            unitRow(g, 0, g.unit, 1, barcode);
            if (!g.auxUnit.isEmpty()) {
                const QString carton = QStringLiteral("1") + twelve;
                unitRow(g, 1, g.auxUnit, g.rate, carton + checkDigit(carton));
            }
            goods_.push_back(g);
            ++summary_.goods;
            if ((i + 1) % 10000 == 0)
                tell(QStringLiteral("商品 %1").arg(i + 1));
        }
    }

    // Commission plans: of every three goods the first earns 3 % of its sales amount, the
    // second 0.5 per unit; the employees earn 5 % of the gross profit of the third.
    void commissionPlans() {
        const auto plan = [this](int kind, const char* code, const char* name, int way,
                                 const char* value) {
            ParamList p = record({{"id", QStringLiteral("0")},
                                  {"tclxid", QString::number(kind)},
                                  {"code", s(code)},
                                  {"fullname", s(name)},
                                  {"tcfs", QString::number(way)},
                                  {"tcl", s(value)}});
            return calls_.proc(QStringLiteral("p_Base_Up_TCFA"), p);
        };
        const auto give = [this](int kind, qint64 recordId, qint64 planId) {
            ParamList p = Builder::record({{"tclxid", QString::number(kind)},
                                           {"objid", QString::number(recordId)},
                                           {"tcid", QString::number(planId)}});
            calls_.proc(QStringLiteral("p_Base_Up_TCFP"), p);
        };
        const qint64 byAmount = plan(2, "TC01", "销售额3%", 1, "3");
        const qint64 perUnit = plan(2, "TC02", "每单位0.5元", 2, "0.5");
        const qint64 staff = plan(1, "TC03", "职员毛利5%", 3, "5");
        for (size_t i = 0; i < goods_.size(); ++i) {
            if (i % 3 != 2)
                give(2, goods_[i].id, i % 3 == 0 ? byAmount : perUnit);
        }
        for (qint64 e : employees_)
            give(1, e, staff);
    }

    static int brandIndex(const QString& brand) {
        const auto& list = cat::brands();
        for (size_t i = 0; i < list.size(); ++i) {
            if (s(list[i]) == brand)
                return static_cast<int>(i);
        }
        return 0;
    }

    void unitRow(const Goods& g, int slot, const QString& unit, int rate, const QString& barcode) {
        ParamList p =
            record({{"Goodsid", QString::number(g.id)},
                    {"fzdwid", QString::number(slot)},
                    {"unit", unit},
                    {"rate", QString::number(rate)},
                    {"barcode", barcode},
                    {"price", money(g.retail * rate)},
                    {"price1", money(g.wholesale * rate)},
                    {"price2", money(round2(g.cost * 1.3) * rate)},
                    {"price3", money(round2(g.cost * 1.12) * rate)},
                    {"isDefault", slot == 0 ? QStringLiteral("1") : QStringLiteral("0")}});
        calls_.proc(QStringLiteral("p_base_Up_goodsunit"), p);
    }

    // --- opening balances

    double& stock(int goods, int warehouse) {
        return stock_[static_cast<qint64>(goods) * 100 + warehouse];
    }

    void addStock(int goods, int warehouse, double qty) {
        double& q = stock(goods, warehouse);
        if (q <= 0 && q + qty > 0)
            inStock_[static_cast<size_t>(warehouse)].push_back(goods);
        q += qty;
    }

    void opening() {
        inStock_.assign(warehouses_.size(), {});
        for (int i = 0; i < static_cast<int>(goods_.size()); ++i) {
            const Goods& g = goods_[static_cast<size_t>(i)];
            for (int w = 0; w < static_cast<int>(warehouses_.size()) && w < 2; ++w) {
                if (!random_.chance(w == 0 ? 70 : 30))
                    continue;
                const double qty =
                    g.rate > 1 ? g.rate * random_.between(2, 8) : random_.between(5, 60);
                ParamList p =
                    record({{"goodsid", QString::number(g.id)},
                            {"stockid", QString::number(warehouses_[static_cast<size_t>(w)])},
                            {"Qty", qtyText(qty)},
                            {"Total", money(round2(qty * g.cost))}});
                calls_.proc(QStringLiteral("P_JXC_INI_GoodsStock"), p);
                addStock(i, w, qty);
            }
        }
        for (qint64 c : customers_) {
            if (random_.chance(40)) {
                const double v = round2(random_.between(500, 20000));
                ParamList p = record({{"id", QString::number(c)}, {"ysTotal", money(v)}});
                calls_.proc(QStringLiteral("P_JXC_INI_baseWLDW"), p);
                receivable_[c] = v;
            }
        }
        for (qint64 sup : suppliers_) {
            if (random_.chance(40)) {
                const double v = round2(random_.between(1000, 50000));
                ParamList p = record({{"id", QString::number(sup)}, {"yfTotal", money(v)}});
                calls_.proc(QStringLiteral("P_JXC_INI_baseWLDW"), p);
                payable_[sup] = v;
            }
        }
        cash_ = accountByCode(QStringLiteral("103"));
        bank_ = accountByCode(QStringLiteral("10401"));
        for (const auto& [km, total] : {std::pair{cash_, 20000.0}, std::pair{bank_, 300000.0}}) {
            ParamList p = record({{"id", QString::number(km)}, {"Total", money(total)}});
            calls_.proc(QStringLiteral("P_JXC_INI_baseKM"), p);
        }
        ParamList open = record({{"type", QStringLiteral("0")},
                                 {"Date", o_.start.toString(QStringLiteral("yyyy-MM-dd"))}});
        calls_.proc(QStringLiteral("P_SYS_UP_Open"), open);
    }

    qint64 accountByCode(const QString& code) {
        // The codes are the seeded chart's own; the text is fixed.
        const RecordSet rs = calls_.query(
            QStringLiteral("SELECT id FROM baseKM WHERE sonnum = 0 AND code = '%1'").arg(code));
        if (rs.rowCount() != 1)
            throw DytError(QStringLiteral("会计科目[%1]不存在").arg(code));
        return rs.at(0, 0).toLongLong();
    }

    // --- bills

    QString billCode(int type, const QDate& date) {
        static const QHash<int, QString> prefixes = {
            {1, QStringLiteral("XS")},  {2, QStringLiteral("XT")},  {5, QStringLiteral("JH")},
            {6, QStringLiteral("JT")},  {15, QStringLiteral("DB")}, {21, QStringLiteral("SK")},
            {22, QStringLiteral("FK")}, {17, QStringLiteral("FY")}, {18, QStringLiteral("YF")},
            {19, QStringLiteral("QS")}, {23, QStringLiteral("GZ")}, {24, QStringLiteral("ZJ")},
            {26, QStringLiteral("DT")}, {27, QStringLiteral("TX")}, {61, QStringLiteral("PSSQ")},
            {62, QStringLiteral("PS")}, {63, QStringLiteral("PSYS")}, {71, QStringLiteral("ZPHT")},
        };
        const int n = ++serial_[type * 100000 + date.dayOfYear()];
        return QStringLiteral("%1-%2-%3")
            .arg(prefixes.value(type), date.toString(QStringLiteral("yyyyMMdd")))
            .arg(n, 3, 10, QLatin1Char('0'));
    }

    static QString caption(int type) {
        switch (type) {
            case 1:
                return QStringLiteral("销售单");
            case 2:
                return QStringLiteral("销售退货单");
            case 5:
                return QStringLiteral("进货单");
            case 6:
                return QStringLiteral("进货退货单");
            case 15:
                return QStringLiteral("同价调拨单");
            case 21:
                return QStringLiteral("收款单");
            case 17:
                return QStringLiteral("现金费用单");
            case 18:
                return QStringLiteral("一般费用单");
            case 19:
                return QStringLiteral("其它收入单");
            case 23:
                return QStringLiteral("固定资产购置");
            case 24:
                return QStringLiteral("固定资产折旧");
            case 26:
                return QStringLiteral("待摊费用发生");
            case 27:
                return QStringLiteral("待摊费用摊销");
            case 61:
                return QStringLiteral("配送申请单");
            case 62:
                return QStringLiteral("配送单");
            case 63:
                return QStringLiteral("配送验收单");
            case 71:
                return QStringLiteral("赠品合同单");
            default:
                return QStringLiteral("付款单");
        }
    }

    static RecordSet textPacket(const QStringList& fields) {
        RecordSet rs;
        for (const QString& f : fields)
            rs.addField(f, FieldType::Text, 8000);
        return rs;
    }

    ParamList header(int type, const QDate& date, qint64 partner, qint64 into, qint64 out,
                     double total, qint64 payKm, double paid) {
        ParamList p;
        p.setValue(QStringLiteral("date"), date.toString(QStringLiteral("yyyy-MM-dd")));
        p.setValue(QStringLiteral("code"), billCode(type, date));
        p.setValue(QStringLiteral("wldw_id"), partner > 0 ? QString::number(partner) : QString());
        p.setInt(QStringLiteral("jsr_id"), employees_[static_cast<size_t>(random_.below(2))]);
        p.setInt(QStringLiteral("dep_id"),
                 departments_[type == 5 || type == 6 || type == 22 ? 1 : 0]);
        p.setValue(QStringLiteral("IntoStock_id"), into > 0 ? QString::number(into) : QString());
        if (out > 0)
            p.setValue(QStringLiteral("OutStock_id"), QString::number(out));
        p.setValue(QStringLiteral("summery"), QString());
        p.setValue(QStringLiteral("sfkKm_id"), payKm > 0 ? QString::number(payKm) : QString());
        p.setValue(QStringLiteral("sfkTotal"), money(paid));
        p.setValue(QStringLiteral("youhuiTotal"), QStringLiteral("0"));
        p.setValue(QStringLiteral("comment"), QString());
        p.setValue(QStringLiteral("dj_Caption"), caption(type));
        p.setInt(QStringLiteral("djType"), type);
        p.setInt(QStringLiteral("OldBillid"), 0);
        p.setValue(QStringLiteral("total"), money(total));
        return p;
    }

    // Saves a goods bill; the amount with discount is returned through *amount.
    // `source` (when given) is the bill the lines are taken from, line by line.
    qint64 goodsBill(int type, const QDate& date, qint64 partner, int into, int out,
                     const std::vector<Line>& lines, bool paidNow, double* amount = nullptr,
                     qint64 source = 0) {
        QStringList sourceLines;
        if (source > 0) {
            calls_.flush();
            const RecordSet rs = calls_.query(
                QStringLiteral("SELECT orderid FROM djList WHERE id = %1 AND goodsid > 0 ORDER BY "
                               "orderid")
                    .arg(source));
            for (int r = 0; r < rs.rowCount(); ++r)
                sourceLines << rs.at(r, 0).toString();
        }
        RecordSet packet =
            textPacket({QStringLiteral("goodsid"),       QStringLiteral("orderid"),
                        QStringLiteral("goodsCode"),     QStringLiteral("goodsname"),
                        QStringLiteral("IntoStock_id"),  QStringLiteral("goodspc"),
                        QStringLiteral("unitid"),        QStringLiteral("rate"),
                        QStringLiteral("qty"),           QStringLiteral("Price"),
                        QStringLiteral("Total"),         QStringLiteral("discount"),
                        QStringLiteral("discountprice"), QStringLiteral("discounttotal"),
                        QStringLiteral("tax"),           QStringLiteral("Taxtotal"),
                        QStringLiteral("TaxPrice"),      QStringLiteral("taxTotalSum"),
                        QStringLiteral("yftotal"),       QStringLiteral("costPrice"),
                        QStringLiteral("costTotal"),     QStringLiteral("RowType"),
                        QStringLiteral("comment"),       QStringLiteral("s_id"),
                        QStringLiteral("s_orderid")});
        double sum = 0;
        for (const Line& l : lines) {
            const Goods& g = goods_[static_cast<size_t>(l.goods)];
            const int rate = l.unit == 1 ? g.rate : 1;
            const double total = round2(l.qty * l.price);
            const double discountPrice = round2(l.price * l.discount);
            const double net = round2(l.qty * discountPrice);
            sum += net;
            RecordSet::Row row;
            for (const QString& v : {QString::number(g.id),
                                     QString(),
                                     g.code,
                                     g.name,
                                     QStringLiteral("0"),
                                     QStringLiteral("0"),
                                     QString::number(l.unit),
                                     QString::number(rate),
                                     qtyText(l.qty),
                                     money(l.price),
                                     money(total),
                                     QString::number(l.discount, 'f', 2),
                                     money(discountPrice),
                                     money(net),
                                     QStringLiteral("0"),
                                     QStringLiteral("0"),
                                     money(discountPrice),
                                     money(net),
                                     QStringLiteral("0"),
                                     QString(),
                                     QString(),
                                     QStringLiteral("0"),
                                     QString(),
                                     source > 0 ? QString::number(source) : QStringLiteral("0"),
                                     sourceLines.value(packet.rowCount(), QStringLiteral("0"))}) {
                row.append(v);
            }
            packet.appendRow(row);
        }
        // The window's grid keeps a blank row below the lines; it travels along.
        packet.appendRow(RecordSet::Row(packet.fieldCount(), QString()));
        sum = round2(sum);
        RecordSet accounts = textPacket({QStringLiteral("km_id"), QStringLiteral("type"),
                                         QStringLiteral("dbtotal"), QStringLiteral("Lendtotal")});
        const qint64 km = paidNow ? (random_.chance(50) ? cash_ : bank_) : 0;
        if (paidNow) {
            accounts.appendRow(
                {QString::number(km), QStringLiteral("1"), QStringLiteral("0"), money(sum)});
        }
        const qint64 intoId = into >= 0 ? warehouses_[static_cast<size_t>(into)] : 0;
        const qint64 outId = out >= 0 ? warehouses_[static_cast<size_t>(out)] : 0;
        const qint64 id = calls_.saveBill(
            header(type, date, partner, intoId, outId, sum, km, paidNow ? sum : 0.0), packet,
            accounts);
        ++summary_.bills;
        summary_.lines += static_cast<qint64>(lines.size());
        if (amount)
            *amount = sum;
        return id;
    }

    qint64 moneyBill(int type, const QDate& date, qint64 partner, double amount) {
        const qint64 km = random_.chance(40) ? cash_ : bank_;
        ParamList p = header(type, date, partner, 0, 0, amount, 0, 0);
        p.remove(QStringLiteral("IntoStock_id"));
        p.remove(QStringLiteral("sfkKm_id"));
        p.remove(QStringLiteral("sfkTotal"));
        p.setInt(QStringLiteral("hhlx"), 0);
        RecordSet rows = textPacket({QStringLiteral("km_id"), QStringLiteral("orderid"),
                                     QStringLiteral("km_Code"), QStringLiteral("km_Name"),
                                     QStringLiteral("total"), QStringLiteral("rowbeizhu1")});
        rows.appendRow(
            {QString::number(km), QString(), QString(), QString(), money(amount), QString()});
        const RecordSet settled =
            textPacket({QStringLiteral("s_id"), QStringLiteral("djType"),
                        QStringLiteral("billCode"), QStringLiteral("date"),
                        QStringLiteral("totalSum"), QStringLiteral("ye"), QStringLiteral("Total")});
        const qint64 id = calls_.saveBill(p, rows, settled);
        ++summary_.bills;
        return id;
    }

    // A bill of account lines (fees, other income, deferred expenses) or of asset-card lines
    // (card > 0: purchase and depreciation of the card), with money paid or received on the
    // spot through `payKm`; what it does not cover stays with the partner.
    qint64 accountBill(int type, const QDate& date, qint64 partner, qint64 km, double amount,
                       qint64 payKm, double paid, qint64 card = 0) {
        ParamList p = header(type, date, partner, 0, 0, amount, payKm, paid);
        p.remove(QStringLiteral("IntoStock_id"));
        RecordSet rows;
        if (card > 0) {
            rows = textPacket({QStringLiteral("gdzc_id"), QStringLiteral("orderid"),
                               QStringLiteral("gdzc_Code"), QStringLiteral("gdzc_Name"),
                               QStringLiteral("km_id"), QStringLiteral("total"),
                               QStringLiteral("comment")});
            rows.appendRow({QString::number(card), QString(), QString(), QString(),
                             km > 0 ? QString::number(km) : QString(), money(amount), QString()});
        } else {
            rows = textPacket({QStringLiteral("km_id"), QStringLiteral("orderid"),
                               QStringLiteral("km_Code"), QStringLiteral("km_Name"),
                               QStringLiteral("total"), QStringLiteral("comment")});
            rows.appendRow({QString::number(km), QString(), QString(), QString(), money(amount),
                            QString()});
        }
        RecordSet accounts = textPacket({QStringLiteral("km_id"), QStringLiteral("type"),
                                         QStringLiteral("dbtotal"), QStringLiteral("Lendtotal")});
        if (paid != 0) {
            const bool in = type == 19;
            accounts.appendRow({QString::number(payKm), QStringLiteral("1"),
                                in ? money(paid) : QStringLiteral("0"),
                                in ? QStringLiteral("0") : money(paid)});
        }
        const qint64 id = calls_.saveBill(p, rows, accounts);
        ++summary_.bills;
        return id;
    }

    // The office's finances: a delivery van bought on the first day, part paid, depreciated at
    // each month's end over five years to a salvage of 5 %; a year's rent paid in advance and
    // amortised monthly; every month cash expenses, a service invoice owed to a supplier and
    // other income into the bank.
    void financeStart(const QDate& date) {
        ParamList card = record({{"id", QStringLiteral("0")},
                                 {"code", QStringLiteral("GD001")},
                                 {"Name", QStringLiteral("送货车")},
                                 {"BuyDate", date.toString(QStringLiteral("yyyy-MM-dd"))},
                                 {"czl", QStringLiteral("5")},
                                 {"zjys", QStringLiteral("60")}});
        van_ = calls_.proc(QStringLiteral("P_JXC_GDZC_Save"), card);
        const qint64 dealer = suppliers_.front();
        accountBill(23, date, dealer, 0, kVanCost, bank_, 30000, van_);
        payable_[dealer] += kVanCost - 30000;
        accountBill(26, date, 0, accountByCode(QStringLiteral("108")), kRentAdvance, bank_,
                    kRentAdvance);
        rentLeft_ = kRentAdvance;
    }

    void financeMonth(const QDate& date) {
        const double depreciation = round2(kVanCost * 0.95 / 60);
        if (vanDepreciated_ + depreciation <= kVanCost * 0.95 + 0.005) {
            accountBill(24, date, 0, 0, depreciation, 0, 0, van_);
            vanDepreciated_ = round2(vanDepreciated_ + depreciation);
        }
        const double rent = std::min(rentLeft_, round2(kRentAdvance / 12));
        if (rent > 0) {
            accountBill(27, date, 0, 0, rent, 0, 0);
            rentLeft_ = round2(rentLeft_ - rent);
        }
        const qint64 fees = accountByCode(QStringLiteral("402"));
        const double petty = 200 + random_.between(0, 30) * 10;
        accountBill(17, date, 0, fees, petty, cash_, petty);
        const qint64 supplier = random_.pick(suppliers_);
        const double service = 600 + random_.between(0, 40) * 10;
        accountBill(18, date, supplier, fees, service, 0, 0);
        payable_[supplier] += service;
        const double income = 300 + random_.between(0, 20) * 10;
        accountBill(19, date, 0, accountByCode(QStringLiteral("302")), income, bank_, income);
    }

    // A goods of the warehouse with stock, none of `taken`; -1 when there is none.
    int goodsInStock(int warehouse, QSet<int>& taken) {
        std::vector<int>& list = inStock_[static_cast<size_t>(warehouse)];
        for (int attempt = 0; attempt < 12 && !list.empty(); ++attempt) {
            const size_t at = static_cast<size_t>(random_.below(static_cast<int>(list.size())));
            const int g = list[at];
            if (stock(g, warehouse) <= 0) {
                list[at] = list.back();
                list.pop_back();
                continue;
            }
            if (taken.contains(g))
                continue;
            taken.insert(g);
            return g;
        }
        return -1;
    }

    int lineCount() { return random_.between(1, 2 * perBill_ - 1); }

    int anyWarehouse() {
        // The main warehouse does half of the business.
        if (warehouses_.size() == 1 || random_.chance(50))
            return 0;
        return random_.between(1, static_cast<int>(warehouses_.size()) - 1);
    }

    qint64 sale(const QDate& date) {
        const int w = anyWarehouse();
        const qint64 customer = random_.pick(customers_);
        std::vector<Line> lines;
        QSet<int> taken;
        const int n = lineCount();
        for (int i = 0; i < n; ++i) {
            const int gi = goodsInStock(w, taken);
            if (gi < 0)
                break;
            const Goods& g = goods_[static_cast<size_t>(gi)];
            const double have = stock(gi, w);
            Line l{gi, 0, 0, 0};
            if (g.rate > 1 && have >= g.rate && random_.chance(40)) {
                l.unit = 1;
                l.qty = random_.between(1, std::min(3, static_cast<int>(have / g.rate)));
                l.price = round2(g.wholesale * g.rate);
            } else {
                l.qty = random_.between(1, std::min(12, static_cast<int>(have)));
                l.price = random_.chance(30) ? g.retail : g.wholesale;
            }
            if (random_.chance(15))
                l.discount = 0.95;
            lines.push_back(l);
        }
        if (lines.empty())
            return 0;
        const bool paid = random_.chance(40);
        double amount = 0;
        const qint64 id = goodsBill(1, date, customer, w, -1, lines, paid, &amount);
        for (const Line& l : lines) {
            const double base =
                l.qty * (l.unit == 1 ? goods_[static_cast<size_t>(l.goods)].rate : 1);
            addStock(l.goods, w, -base);
            sales_.push_back(
                {l.goods, w, customer, base,
                 round2(l.price * l.discount /
                        (l.unit == 1 ? goods_[static_cast<size_t>(l.goods)].rate : 1))});
        }
        if (!paid)
            receivable_[customer] += amount;
        salesBills_.push_back({id, date});
        return id;
    }

    void purchase(const QDate& date) {
        const int w = anyWarehouse();
        const qint64 supplier = random_.pick(suppliers_);
        std::vector<Line> lines;
        QSet<int> taken;
        const int n = lineCount();
        for (int i = 0; i < n; ++i) {
            const int gi = random_.below(static_cast<int>(goods_.size()));
            if (taken.contains(gi))
                continue;
            taken.insert(gi);
            const Goods& g = goods_[static_cast<size_t>(gi)];
            const double price = round2(g.cost * (0.96 + 0.08 * random_.unit()));
            if (g.rate > 1)
                lines.push_back(
                    {gi, 1, static_cast<double>(random_.between(2, 10)), round2(price * g.rate)});
            else
                lines.push_back({gi, 0, static_cast<double>(random_.between(5, 40)), price});
        }
        const bool paid = random_.chance(30);
        double amount = 0;
        goodsBill(5, date, supplier, w, -1, lines, paid, &amount);
        for (const Line& l : lines) {
            addStock(l.goods, w,
                     l.qty * (l.unit == 1 ? goods_[static_cast<size_t>(l.goods)].rate : 1));
        }
        if (!paid)
            payable_[supplier] += amount;
    }

    void salesReturn(const QDate& date) {
        if (sales_.empty())
            return;
        // A part of a recent sale comes back to the warehouse it left.
        const size_t from = sales_.size() > 200 ? sales_.size() - 200 : 0;
        const SaleLine& sl =
            sales_[from +
                   static_cast<size_t>(random_.below(static_cast<int>(sales_.size() - from)))];
        const double qty = random_.between(1, std::max(1, std::min(3, static_cast<int>(sl.qty))));
        double amount = 0;
        goodsBill(2, date, sl.customer, sl.warehouse, -1, {{sl.goods, 0, qty, sl.price}}, false,
                  &amount);
        addStock(sl.goods, sl.warehouse, qty);
        receivable_[sl.customer] -= amount;
    }

    void purchaseReturn(const QDate& date) {
        const int w = anyWarehouse();
        QSet<int> taken;
        const int gi = goodsInStock(w, taken);
        if (gi < 0)
            return;
        const Goods& g = goods_[static_cast<size_t>(gi)];
        const double qty = random_.between(1, std::min(5, static_cast<int>(stock(gi, w))));
        const qint64 supplier = random_.pick(suppliers_);
        double amount = 0;
        goodsBill(6, date, supplier, w, -1, {{gi, 0, qty, g.cost}}, false, &amount);
        addStock(gi, w, -qty);
        payable_[supplier] -= amount;
    }

    void transfer(const QDate& date) {
        if (warehouses_.size() < 2)
            return;
        const int to = random_.between(1, static_cast<int>(warehouses_.size()) - 1);
        std::vector<Line> lines;
        QSet<int> taken;
        const int n = lineCount();
        for (int i = 0; i < n; ++i) {
            const int gi = goodsInStock(0, taken);
            if (gi < 0)
                break;
            const double have = stock(gi, 0);
            lines.push_back(
                {gi, 0,
                 static_cast<double>(random_.between(1, std::max(1, static_cast<int>(have / 3)))),
                 goods_[static_cast<size_t>(gi)].cost});
        }
        if (lines.empty())
            return;
        goodsBill(15, date, 0, to, 0, lines, false);
        for (const Line& l : lines) {
            addStock(l.goods, 0, -l.qty);
            addStock(l.goods, to, l.qty);
        }
    }

    // A shop asks the main warehouse for goods; the delivery follows the next day and the shop
    // accepts it the day after. A customer is promised gifts.
    void distribution(const QDate& date) {
        if (warehouses_.size() < 2)
            return;
        std::vector<Line> lines;
        QSet<int> taken;
        for (int i = 0; i < 2; ++i) {
            const int gi = goodsInStock(0, taken);
            if (gi < 0)
                break;
            const double have = stock(gi, 0);
            lines.push_back({gi, 0, std::max(1.0, std::floor(have / 4)),
                             goods_[static_cast<size_t>(gi)].cost});
        }
        if (lines.empty())
            return;
        const qint64 request = goodsBill(61, date, 0, 1, 0, lines, false);
        const qint64 delivery =
            goodsBill(62, date.addDays(1), 0, 1, 0, lines, false, nullptr, request);
        goodsBill(63, date.addDays(2), 0, 1, 0, lines, false, nullptr, delivery);
        for (const Line& l : lines) {
            addStock(l.goods, 0, -l.qty);
            addStock(l.goods, 1, l.qty);
        }
        const int gift = lines.front().goods;
        goodsBill(71, date, random_.pick(customers_), 0, -1,
                  {{gift, 0, 2, goods_[static_cast<size_t>(gift)].cost}}, false);
    }

    void settle(const QDate& date, int type, QHash<qint64, double>& balances) {
        // A partner owing (or owed) something pays part or all of it.
        std::vector<qint64> open;
        for (auto it = balances.cbegin(); it != balances.cend(); ++it) {
            if (it.value() >= 100)
                open.push_back(it.key());
        }
        if (open.empty())
            return;
        std::sort(open.begin(), open.end());
        const qint64 partner = random_.pick(open);
        const double owed = balances.value(partner);
        const double amount = random_.chance(50)
                                  ? round2(owed)
                                  : round2(std::floor(owed * (0.3 + 0.5 * random_.unit())));
        if (amount <= 0)
            return;
        moneyBill(type, date, partner, amount);
        balances[partner] -= amount;
    }

    void bills() {
        const QDate end = o_.start.addMonths(o_.months);
        const int days = static_cast<int>(o_.start.daysTo(end));
        const qint64 target = o_.lines > 0 ? o_.lines : static_cast<qint64>(o_.goods) * 10;
        perBill_ =
            static_cast<int>(std::clamp<qint64>(target / (static_cast<qint64>(days) * 8), 3, 40));
        qint64 done = 0;
        for (int day = 0; day < days; ++day) {
            const QDate date = o_.start.addDays(day);
            const qint64 quota = (target - done) / (days - day);
            const qint64 before = summary_.lines;
            int idle = 0;
            int bills = 0;
            while (summary_.lines - before < quota && idle < 50) {
                const qint64 mark = summary_.lines;
                const int r = random_.below(100);
                if (r < 30)
                    purchase(date);
                else if (r < 84)
                    sale(date);
                else if (r < 89)
                    salesReturn(date);
                else if (r < 92)
                    purchaseReturn(date);
                else
                    transfer(date);
                idle = summary_.lines == mark ? idle + 1 : 0;
                ++bills;
            }
            if (day == 0)
                financeStart(date);
            if (date.addDays(1).day() == 1)
                financeMonth(date);
            done += summary_.lines - before;
            // Money comes in and goes out every few days, more with more business.
            const int rounds = std::max(1, bills / 12);
            for (int i = 0; i < rounds; ++i) {
                if (random_.chance(50))
                    settle(date, 21, receivable_);
                if (random_.chance(30))
                    settle(date, 22, payable_);
            }
            if (date.day() == 1 || day == days - 1)
                tell(QStringLiteral("%1 单据 %2 行 %3")
                         .arg(date.toString(QStringLiteral("yyyy-MM")))
                         .arg(summary_.bills)
                         .arg(summary_.lines));
        }
        distribution(end.addDays(-3));
        // One sale of the last month turns out wrong and is reversed in red.
        const QDate lastMonth = end.addMonths(-1);
        for (const auto& [id, date] : salesBills_) {
            if (date >= lastMonth) {
                ParamList p;
                p.setValue(QStringLiteral("isRed"), QStringLiteral("-1"));
                p.setInt(QStringLiteral("billid"), id);
                summary_.redBill = calls_.proc(QStringLiteral("P_JXC_DJ_CopyRed"), p);
                break;
            }
        }
    }

    DemoCalls& calls_;
    const DemoOptions& o_;
    const std::function<void(const QString&)>& progress_;
    Random random_;
    DemoSummary summary_;
    std::vector<qint64> departments_, employees_, warehouses_, customers_, suppliers_;
    std::vector<Goods> goods_;
    QHash<qint64, double> stock_;
    std::vector<std::vector<int>> inStock_;
    QHash<qint64, double> receivable_, payable_;
    std::vector<SaleLine> sales_;
    std::vector<std::pair<qint64, QDate>> salesBills_;
    QHash<int, int> serial_;
    qint64 cash_ = 0, bank_ = 0;
    int perBill_ = 4;
    static constexpr double kVanCost = 120000;
    static constexpr double kRentAdvance = 36000;
    qint64 van_ = 0;
    double vanDepreciated_ = 0, rentLeft_ = 0;
};

}  // namespace

DemoSummary buildDemo(DemoCalls& calls, const DemoOptions& options,
                      const std::function<void(const QString&)>& progress) {
    return Builder(calls, options, progress).run();
}

QStringList checkConsistency(DemoCalls& calls) {
    QStringList faults;
    // Stock: the ledger's rows against the opening rows plus the movements.
    struct Pair {
        double qty = 0;
        double total = 0;
    };
    QHash<QString, Pair> actual, expected;
    auto read = [&](const QString& sql, QHash<QString, Pair>& into) {
        const RecordSet rs = calls.query(sql);
        for (int r = 0; r < rs.rowCount(); ++r) {
            Pair& p = into[rs.at(r, 0).toString() + u'/' + rs.at(r, 1).toString()];
            p.qty += rs.at(r, 2).toDouble();
            p.total += rs.at(r, 3).toDouble();
        }
    };
    read(QStringLiteral("SELECT goodsid, stockid, SUM(qty), SUM(total) FROM baseGoodsStock "
                        "GROUP BY goodsid, stockid"),
         actual);
    read(QStringLiteral("SELECT goodsid, stockid, SUM(qty), SUM(total) FROM iniGoodsStock "
                        "GROUP BY goodsid, stockid"),
         expected);
    read(QStringLiteral("SELECT goodsid, stockid, SUM(qty), SUM(total) FROM djStockDetail WHERE "
                        "dj_state <> 0 GROUP BY goodsid, stockid"),
         expected);
    QSet<QString> keys;
    for (auto it = actual.cbegin(); it != actual.cend(); ++it)
        keys.insert(it.key());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        keys.insert(it.key());
    QStringList sorted = keys.values();
    sorted.sort();
    for (const QString& key : sorted) {
        const Pair a = actual.value(key);
        const Pair e = expected.value(key);
        if (std::fabs(a.qty - e.qty) > 1e-6 || std::fabs(a.total - e.total) > 0.005) {
            faults << QStringLiteral("库存[商品/仓库 %1]：账面 %2 / %3，期初加发生 %4 / %5")
                          .arg(key)
                          .arg(a.qty)
                          .arg(a.total, 0, 'f', 4)
                          .arg(e.qty)
                          .arg(e.total, 0, 'f', 4);
        }
    }

    // Partners: the balances against the opening balances plus the movements.
    const RecordSet moves = calls.query(
        QStringLiteral("SELECT wldw_id, SUM(ysTotal), SUM(yfTotal), SUM(yushouTotal), "
                       "SUM(yufuTotal) FROM djWLDWDetail WHERE dj_state <> 0 GROUP BY wldw_id"));
    QHash<qint64, std::array<double, 4>> moved;
    for (int r = 0; r < moves.rowCount(); ++r) {
        moved.insert(moves.at(r, 0).toLongLong(),
                     {moves.at(r, 1).toDouble(), moves.at(r, 2).toDouble(),
                      moves.at(r, 3).toDouble(), moves.at(r, 4).toDouble()});
    }
    const RecordSet partners = calls.query(
        QStringLiteral("SELECT id, fullname, ystotal, yftotal, yushoutotal, yufutotal, ystotal00, "
                       "yftotal00, yushouTotal00, yufuTotal00 FROM baseWLDW WHERE sonnum = 0 "
                       "ORDER BY id"));
    const char* const names[] = {"应收", "应付", "预收", "预付"};
    for (int r = 0; r < partners.rowCount(); ++r) {
        const std::array<double, 4> m = moved.value(partners.at(r, 0).toLongLong());
        for (int i = 0; i < 4; ++i) {
            const double balance = partners.at(r, 2 + i).toDouble();
            const double want = partners.at(r, 6 + i).toDouble() + m[static_cast<size_t>(i)];
            if (std::fabs(balance - want) > 0.005) {
                faults << QStringLiteral("往来单位[%1]%2：余额 %3，期初加发生 %4")
                              .arg(partners.at(r, 1).toString(), QString::fromUtf8(names[i]))
                              .arg(balance, 0, 'f', 2)
                              .arg(want, 0, 'f', 2);
            }
        }
    }

    // Every posted bill's account lines balance.
    const RecordSet unbalanced = calls.query(QStringLiteral(
        "SELECT d.id, d.code, SUM(k.dbTotal), SUM(k.LendTotal) FROM djIndex AS d JOIN djKmDetail "
        "AS k ON k.id = d.id WHERE d.dj_state = 2 AND k.type = 0 GROUP BY d.id, d.code "
        "HAVING ABS(SUM(k.dbTotal) - SUM(k.LendTotal)) > 0.005"));
    for (int r = 0; r < unbalanced.rowCount(); ++r) {
        faults << QStringLiteral("单据[%1]借方 %2 不等于贷方 %3")
                      .arg(unbalanced.at(r, 1).toString())
                      .arg(unbalanced.at(r, 2).toDouble(), 0, 'f', 2)
                      .arg(unbalanced.at(r, 3).toDouble(), 0, 'f', 2);
    }
    return faults;
}

}  // namespace dyt::demo
