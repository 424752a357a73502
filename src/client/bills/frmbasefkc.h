#pragma once
// TfrmBaseFKC ("负库存"): the modal list of goods that go below zero stock with this bill, in the
// real or the virtual (stock plus open orders) sense. "继续" closes with OK, anything else with
// cancel.

#include <QString>

#include "client/bills/warnlist.h"
#include "client/logic/fixedtext.h"
#include "common/recordset.h"

namespace dyt::client {

enum class FkcMode { Real, Virtual };

namespace fkctext {
inline constexpr FixedText title{u"负库存"};
QString caption(FkcMode mode);  // "负库存" / "虚拟负库存"
QString question(FkcMode mode);  // "以下商品已出现负库存，是否继续？" / "…虚拟负库存…"
}  // namespace fkctext

class TfrmBaseFKC : public TWarnListDialog {
    Q_OBJECT

public:
    TfrmBaseFKC(FkcMode mode, const QString& sql, QWidget* parent = nullptr);
    TfrmBaseFKC(FkcMode mode, const RecordSet& rows, QWidget* parent = nullptr);
    ~TfrmBaseFKC() override;

    // The entry point of a bill at save time: with no row true at once, else the list is shown
    // modally and true comes back only on "继续".
    static bool checkAndShow(FkcMode mode, const QString& sql, QWidget* parent = nullptr);
    static bool checkAndShow(FkcMode mode, const RecordSet& rows, QWidget* parent = nullptr);

    FkcMode mode() const { return mode_; }

private:
    FkcMode mode_;
};

}  // namespace dyt::client
