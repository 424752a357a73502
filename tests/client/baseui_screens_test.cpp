// Pictures of the goods list with its category tree and of the goods editor, for review.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include "baseui_support.h"
#include "client/base/frmbasegoodsset.h"
#include "client/common/recordsetmodel.h"

namespace dyt::test {
namespace {

class BaseScreens : public BaseUiFixture {};

RecordSet goodsLevel() {
    const QStringList extra = {QStringLiteral("name"),     QStringLiteral("pym"),
                               QStringLiteral("gg"),       QStringLiteral("unitName"),
                               QStringLiteral("barcode"),  QStringLiteral("LSprice"),
                               QStringLiteral("stopName"), QStringLiteral("YouWuTuPian")};
    return baseRows({{10, 3, QStringLiteral("0101"), QStringLiteral("碳酸饮料"), 2, 3,
                      QStringLiteral("3,10,"), QStringLiteral("食品>碳酸饮料")},
                     {11, 0, QStringLiteral("010201"), QStringLiteral("可口可乐330ml"), 2, 3,
                      QStringLiteral("3,11,"), QStringLiteral("食品>可口可乐330ml")},
                     {12, 0, QStringLiteral("010202"), QStringLiteral("雪碧500ml"), 2, 3,
                      QStringLiteral("3,12,"), QStringLiteral("食品>雪碧500ml")},
                     {13, 0, QStringLiteral("010203"), QStringLiteral("康师傅红烧牛肉面"), 2, 3,
                      QStringLiteral("3,13,"), QStringLiteral("食品>康师傅红烧牛肉面")}},
                    extra,
                    {{QStringLiteral("碳酸饮料"), QStringLiteral("TSYL"), QString(), QString(),
                      QString(), QString(), QStringLiteral("正常"), QStringLiteral("无")},
                     {QStringLiteral("可乐"), QStringLiteral("KKKL330ML"), QStringLiteral("330ml"),
                      QStringLiteral("听"), QStringLiteral("6901939621608"), QStringLiteral("3.5"),
                      QStringLiteral("正常"), QStringLiteral("有")},
                     {QStringLiteral("雪碧"), QStringLiteral("XB500ML"), QStringLiteral("500ml"),
                      QStringLiteral("瓶"), QStringLiteral("6901939691601"), QStringLiteral("4"),
                      QStringLiteral("正常"), QStringLiteral("无")},
                     {QStringLiteral("红烧牛肉面"), QStringLiteral("KSFHSNRM"),
                      QStringLiteral("105g"), QStringLiteral("袋"), QStringLiteral("6920152400012"),
                      QStringLiteral("4.5"), QStringLiteral("停用"), QStringLiteral("无")}});
}

RecordSet goodsTree() {
    return baseRows(
        {{3, 4, QStringLiteral("01"), QStringLiteral("食品"), 1, 0, QStringLiteral("3,"), {}},
         {10,
          3,
          QStringLiteral("0101"),
          QStringLiteral("碳酸饮料"),
          2,
          3,
          QStringLiteral("3,10,"),
          {}},
         {4, 2, QStringLiteral("02"), QStringLiteral("日用品"), 1, 0, QStringLiteral("4,"), {}},
         {5,
          1,
          QStringLiteral("0201"),
          QStringLiteral("洗涤用品"),
          2,
          4,
          QStringLiteral("4,5,"),
          {}}});
}

TEST_F(BaseScreens, GoodsListWithItsTree) {
    client::loginedUser().UserId = 1;  // every button and column
    client::TfrmBaseList w(client::base::kindByCode(QStringLiteral("SP")));
    w.setTag(1001);
    answerProc(goodsLevel());
    answerProc(goodsTree());
    w.resize(1180, 560);
    w.show();
    QApplication::processEvents();
    ASSERT_EQ(4, w.model()->rowCount());
    EXPECT_EQ(2, w.tvCategory()->topLevelItemCount());
    EXPECT_TRUE(w.tvCategory()->isVisible());
    w.setFocusedRow(1);
    QApplication::processEvents();
    EXPECT_EQ(QStringLiteral("分类路径：食品>可口可乐330ml"), w.lbPath()->text());
    const QString path = saveScreenshot(&w, QStringLiteral("base_goods_list"));
    EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    w.close();
}

TEST_F(BaseScreens, GoodsEditor) {
    client::TfrmBaseEdit::autoCodeState() = false;
    client::TfrmBaseGoodsSet e;
    e.setup(client::EditorRequest{0, 3, nullptr});
    for (const auto& [name, value] :
         QList<QPair<const char*, const char*>>{{"code", "010204"},
                                                {"fullname", "芬达橙味汽水500ml"},
                                                {"gg", "500ml"},
                                                {"xh", "PET"},
                                                {"addr", "上海"},
                                                {"warnDown", "10"},
                                                {"warnUP", "200"}}) {
        qobject_cast<QLineEdit*>(e.fieldEditor(QLatin1String(name)))
            ->setText(QString::fromUtf8(value));
    }
    e.fullNameLeft();
    e.unitGrid()->item(0, client::kUnitName)->setText(QStringLiteral("瓶"));
    e.unitGrid()->item(0, client::kUnitPrice)->setText(QStringLiteral("4.00"));
    e.unitGrid()->item(1, client::kUnitName)->setText(QStringLiteral("箱"));
    e.unitGrid()->item(1, client::kUnitRate)->setText(QStringLiteral("24"));
    e.unitGrid()->item(1, client::kUnitPrice)->setText(QStringLiteral("90.00"));
    e.show();
    QApplication::processEvents();
    EXPECT_EQ(QStringLiteral("FDCWQS500ML"), e.fieldValue(QStringLiteral("pym")));
    saveScreenshot(&e, QStringLiteral("base_goods_editor"));
    e.pages()->setCurrentIndex(1);
    QApplication::processEvents();
    const QString path = saveScreenshot(&e, QStringLiteral("base_goods_editor_prices"));
    EXPECT_TRUE(QFileInfo::exists(path));
    client::TfrmBaseEdit::autoCodeState() = true;
    e.close();
}

}  // namespace
}  // namespace dyt::test
