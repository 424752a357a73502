// dyt-pictures: draws every picture the client loads from its "images" folder and writes them
// into the folder given as the only argument. The build runs it so that the pictures lie beside
// the programs; the same program and fonts always give the same files.
//
//   dyt-pictures <folder>

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

#include "pictures/artwork.h"

using namespace dyt::pictures;

namespace {

// Every bill kind's caption: the tiles of the bill pages and of the common functions.
const char* const kBillCaptions[] = {
    "销售单",
    "销售退货单",
    "销售换货单",
    "销售订单",
    "进货单",
    "进货退货单",
    "进货换货单",
    "进货订单",
    "商品拆装单",
    "其它出库单",
    "其它入库单",
    "报损单",
    "报溢单",
    "成本调价单",
    "同价调拨单",
    "变价调拨单",
    "现金费用单",
    "一般费用单",
    "其它收入单",
    "提现存现转账",
    "收款单",
    "付款单",
    "固定资产购置",
    "固定资产折旧",
    "固定资产变卖",
    "待摊费用发生",
    "待摊费用摊销",
    "调账：应收款减少",
    "调账：应收款增加",
    "调账：应付款增加",
    "调账：应付款减少",
    "调账：资金减少",
    "调账：资金增加",
    "会计凭证",
    "借进单",
    "借进还出单",
    "借转进货单",
    "借出单",
    "借出还回单",
    "借转销售单",
    "委托发货单",
    "委托结算单",
    "受托收货单",
    "受托结算单",
    "委托退货单",
    "受托退货单",
    "委托调价单",
    "受托调价单",
    "委外加工领料单",
    "委外加工退料单",
    "委外加工完工单",
    "仓库入库单",
    "仓库出库单",
    "仓库调拨单",
    "获赠单",
    "赠送单",
    "配送申请单",
    "配送单",
    "配送验收单",
    "询价单",
    "报价单",
    "劳务费用单",
    "进货开票[按单据]",
    "进货开票[按商品]",
    "销售开票[按单据]",
    "销售开票[按商品]",
    "赠品合同单",
    // Other functions whose codes start with 20 (they may be pinned as common functions).
    "业务草稿",
    "经营历程",
};

// The system-maintenance tiles, and the menu names of the same functions (the common-functions
// page names its tile pictures after the menu).
const char* const kSystemCaptions[] = {
    "用户配置", "用户及权限设置", "修改密码", "数据备份", "数据恢复",
    "联系我们", "操作员授权",     "账套备份", "账套恢复",
};

struct Category {
    const char* name;
    Glyph glyph;
    QColor colour;
    PageKind kind;
    const char* subtitle;
    QStringList flow;
    const char* tip;
};

QString u(const char* text) {
    return QString::fromUtf8(text);
}

QList<Category> categories() {
    return {
        {"常用功能",
         Glyph::Star,
         colour::coral,
         PageKind::Common,
         "您最常用的功能，按使用次数排列",
         {},
         "在菜单“系统维护 → 常用功能设置”中可以挑选最多 21 个常用功能。"},
        {"采购管理",
         Glyph::Cart,
         colour::green,
         PageKind::Bills,
         "向供应商进货、退货，并结清货款",
         {u("进货入库"), u("退货出库"), u("付款结算")},
         "点击上方图标开始录入单据；右侧是采购的统计与分析报表。"},
        {"销售管理",
         Glyph::Bag,
         colour::blue,
         PageKind::Bills,
         "向客户销售、处理退货，并收回货款",
         {u("销售出库"), u("退货入库"), u("收款结算")},
         "点击上方图标开始录入单据；右侧是销售的统计与分析报表。"},
        {"仓库管理",
         Glyph::Warehouse,
         colour::purple,
         PageKind::Bills,
         "库存的损溢、拆装、调拨与成本调整",
         {u("盘点核对"), u("损溢调整"), u("调拨调价")},
         "点击上方图标开始录入单据；右侧是库存状况与仓库报表。"},
        {"财务管理",
         Glyph::Wallet,
         colour::orange,
         PageKind::Bills,
         "收付款、费用与资金往来",
         {u("收款付款"), u("费用收入"), u("资金调度")},
         "点击上方图标开始录入单据；右侧是往来与财务报表。"},
        {"系统维护",
         Glyph::Tools,
         colour::slate,
         PageKind::Maintenance,
         "用户、权限、密码与账套数据的安全",
         {},
         "建议每天下班前做一次数据备份，备份文件请另存一份到其它电脑或移动硬盘。"},
        {"产品升级",
         Glyph::Cloud,
         colour::cyan,
         PageKind::Upgrade,
         "保持最新版本，获得更多功能与更好的体验",
         {u("备份账套"), u("下载新版"), u("安装升级")},
         ""},
    };
}

bool save(const QImage& image, const QDir& dir, const QString& name, int* count) {
    const QString path = dir.filePath(name);
    const bool bmp = name.endsWith(QStringLiteral(".bmp"));
    if (!image.save(path, bmp ? "BMP" : "JPG", bmp ? -1 : 95)) {
        std::fprintf(stderr, "dyt-pictures: cannot write %s\n", qPrintable(path));
        return false;
    }
    ++*count;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: dyt-pictures <folder>\n");
        return 2;
    }
    const QDir dir(args.at(1));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "dyt-pictures: cannot create %s\n", qPrintable(dir.path()));
        return 1;
    }
    const QFontInfo font(QFont(QStringLiteral("Noto Sans CJK SC")));
    if (!font.family().contains(QStringLiteral("Noto Sans CJK"))) {
        std::fprintf(stderr, "dyt-pictures: Noto Sans CJK is not installed, using %s\n",
                     qPrintable(font.family()));
    }

    int count = 0;
    bool ok = true;
    for (const Category& c : categories()) {
        const QString name = u(c.name);
        ok &= save(categoryButton(name, c.glyph, c.colour, false), dir,
                   name + QStringLiteral("1.jpg"), &count);
        ok &= save(categoryButton(name, c.glyph, c.colour, true), dir,
                   name + QStringLiteral("2.jpg"), &count);
        ok &= save(pageBackground(c.kind, name, u(c.subtitle), c.flow, u(c.tip), c.glyph, c.colour),
                   dir, name + QStringLiteral("背景.jpg"), &count);
    }
    for (const char* caption : kBillCaptions)
        ok &= save(tile(u(caption), tileStyle(u(caption))), dir,
                   u(caption) + QStringLiteral(".jpg"), &count);
    for (const char* caption : kSystemCaptions)
        ok &= save(tile(u(caption), tileStyle(u(caption))), dir,
                   u(caption) + QStringLiteral(".jpg"), &count);
    ok &= save(headerLeft(), dir, QStringLiteral("抬头左.jpg"), &count);
    ok &= save(headerMiddle(), dir, QStringLiteral("抬头中.jpg"), &count);
    ok &= save(headerRight(), dir, QStringLiteral("抬头右.jpg"), &count);
    ok &= save(splash(), dir, QStringLiteral("dytv1Splash.jpg"), &count);
    ok &= save(loginBackground(), dir, QStringLiteral("comLogin.jpg"), &count);
    ok &= save(buttonGlyph(), dir, QStringLiteral("1.bmp"), &count);
    QTextStream(stdout) << "dyt-pictures: " << count << " pictures in " << dir.path() << '\n';
    return ok ? 0 : 1;
}
