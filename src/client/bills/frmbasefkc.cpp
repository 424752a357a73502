// The negative stock warning list.
#include "client/bills/frmbasefkc.h"

namespace dyt::client {

namespace fkctext {
QString caption(FkcMode mode) {
    return mode == FkcMode::Real ? QStringLiteral("负库存") : QStringLiteral("虚拟负库存");
}
QString question(FkcMode mode) {
    return mode == FkcMode::Real ? QStringLiteral("以下商品已出现负库存，是否继续？")
                                 : QStringLiteral("以下商品已出现虚拟负库存，是否继续？");
}
}  // namespace fkctext

namespace {
WarnListLook fkcLook(FkcMode mode) {
    WarnListLook look;
    look.objectName = QStringLiteral("TfrmBaseFKC");
    look.caption = fkctext::caption(mode);
    look.question = fkctext::question(mode);
    look.canContinue = true;
    GridDefinition& def = look.columns;
    warnlist::initDefinition(def);
    warnlist::addHidden(def, QStringLiteral("sp_id"));
    warnlist::addColumn(def, QStringLiteral("行号"), QStringLiteral("row"), 50);
    struct Col {
        const char* caption;
        const char* field;
    };
    const QList<Col> real = {{"[%SUM%Q%]实际库存数量", "Qty"},
                             {"[]库存辅助数量", "fzQty"},
                             {"[%SUM%Q%]负库存数量", "fkcQty"},
                             {"[]负库存辅助数量", "fkcfzQty"}};
    const QList<Col> virt = {
        {"[%SUM%Q%]实际库存数量", "kcQty"},    {"[%SUM%Q%]实际负库存数量", "Qty"},
        {"[]实际负库存辅助数量", "fzQty"},     {"[%SUM%Q%]虚拟库存", "xnkcQty"},
        {"[%SUM%Q%]虚拟负库存数量", "fkcQty"}, {"[]虚拟负库存辅助数量", "fkcfzQty"}};
    for (const Col& c : mode == FkcMode::Real ? real : virt) {
        warnlist::addColumn(def, QString::fromUtf8(c.caption), QString::fromLatin1(c.field), 90);
    }
    return look;
}
}  // namespace

TfrmBaseFKC::TfrmBaseFKC(FkcMode mode, const QString& sql, QWidget* parent)
    : TWarnListDialog(fkcLook(mode), sql, parent), mode_(mode) {}

TfrmBaseFKC::TfrmBaseFKC(FkcMode mode, const RecordSet& rows, QWidget* parent)
    : TWarnListDialog(fkcLook(mode), rows, parent), mode_(mode) {}

TfrmBaseFKC::~TfrmBaseFKC() = default;

bool TfrmBaseFKC::checkAndShow(FkcMode mode, const QString& sql, QWidget* parent) {
    TfrmBaseFKC w(mode, sql, parent);
    return w.execWhenRows();
}

bool TfrmBaseFKC::checkAndShow(FkcMode mode, const RecordSet& rows, QWidget* parent) {
    if (rows.recordCount() == 0)
        return true;
    TfrmBaseFKC w(mode, rows, parent);
    return w.execWhenRows();
}

}  // namespace dyt::client
