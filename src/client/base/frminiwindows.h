#pragma once
// The opening-balance windows. The goods windows are the stock status report's frame over the
// opening figures: TfrmIniGoodsStock "期初库存商品" per warehouse, and one window for the five
// kinds of goods held by or for partners (TfrmIniJJSP, TfrmIniJCSP, TfrmIniWTSP, TfrmIniSTSP,
// TfrmIniWWSP) per partner. TfrmIniYSYF "期初应收应付" lists the partners with their opening
// receivables, payables and advances; TfrmIniKmData "期初财务数据" the accounts with their
// opening amounts, on pages, and for the finance reports their current balances. "修改" (Enter,
// F2, double-click) sets the focused row; a category row goes down one level instead.

#include <QHash>
#include <QList>
#include <QString>

#include "client/common/frmxabstract.h"
#include "client/logic/openingbalance.h"
#include "client/queries/frmqkczkb.h"
#include "client/queries/frmquery.h"

class QLineEdit;
class QTabBar;

namespace dyt::client {

// What the goods windows share: "修改", the opened check, the first query on showing.
class TfrmIniGoods : public TfrmQKCZKB {
    Q_OBJECT
public:
    QAction* btnModify() const { return btnModify_; }  // "修改"
    // "修改": goes down into a category, else sets the goods row after the checks.
    void btnModifyClick();
    bool runQuery(bool showDialog, const QString& quickText = QString()) override;

protected:
    TfrmIniGoods(const QueryDescriptor& descriptor, QWidget* parent);
    void showEvent(QShowEvent* event) override;
    void activateRow() override;
    // Whether one warehouse (or partner) is chosen, the refusal when not, and the picker.
    virtual bool pickerChosen() const = 0;
    virtual QString allChosenText() const = 0;
    virtual QWidget* picker() const = 0;
    // Sets the focused goods row (the checks passed).
    virtual void editGoodsRow() = 0;
    // Saves through the procedure and queries the level again; false (shown) on a refusal.
    bool saveRow(const QString& procedure, ParamList params);
    // The level again, with the cursor where it is.
    void requery();
    QVariant rowValue(const char* field) const { return focusedValue(QLatin1String(field)); }

private:
    QAction* btnModify_ = nullptr;
    bool queried_ = false;
};

class TfrmIniGoodsStock : public TfrmIniGoods {
    Q_OBJECT
public:
    explicit TfrmIniGoodsStock(QWidget* parent = nullptr);

protected:
    ParamList queryParams(const stockstatus::Request& request) const override;
    bool pickerChosen() const override;
    QString allChosenText() const override;
    QWidget* picker() const override;
    void editGoodsRow() override;
};

class TfrmIniGoodsOther : public TfrmIniGoods {
    Q_OBJECT
public:
    // Throws DytError for a class outside the table of kinds.
    explicit TfrmIniGoodsOther(const QString& className, QWidget* parent = nullptr);
    const opening::PartnerGoodsKind& kind() const { return kind_; }
    QLineEdit* edPartner() const { return edPartner_; }  // "请选择单位"
    QString partnerId() const { return partnerId_; }
    void setPartner(const QString& id, const QString& name);
    // The picker's button: the selection of partners with the typed text.
    void choosePartner();

protected:
    ParamList queryParams(const stockstatus::Request& request) const override;
    bool pickerChosen() const override;
    QString allChosenText() const override;
    QWidget* picker() const override;
    void editGoodsRow() override;

private:
    void showPartner();

    const opening::PartnerGoodsKind& kind_;
    QLineEdit* edPartner_ = nullptr;
    QString partnerId_;
    QString partnerName_;
};

class TfrmIniYSYF : public TfrmQueryWindow {
    Q_OBJECT
public:
    explicit TfrmIniYSYF(QWidget* parent = nullptr);
    QAction* btnModify() const { return btnModify_; }
    QLineEdit* edSearch() const { return edSearch_; }  // "快速查找单位(Tab)"
    bool runQuery(bool showDialog, const QString& quickText = QString()) override;
    void btnModifyClick();

protected:
    void showEvent(QShowEvent* event) override;
    void activateRow() override;

private:
    QAction* btnModify_ = nullptr;
    QLineEdit* edSearch_ = nullptr;
    QString searchText_;  // the search the rows shown came from
    bool queried_ = false;
};

class TfrmIniKmData : public TfrmXAbstract {
    Q_OBJECT
public:
    explicit TfrmIniKmData(QWidget* parent = nullptr);
    QTabBar* tabPages() const { return tabs_; }
    QLabel* lblPath() const { return lblPath_; }
    QAction* btnModify() const { return btnModify_; }
    opening::AccountPage page() const { return page_; }
    bool balanceView() const { return balance_; }
    // The page's first level, or the level below the focused category.
    void selectPage(opening::AccountPage page);
    bool query();
    void btnDownLevelClick();
    void btnUpLevelClick();
    void btnModifyClick();
    void btnExitClick() override;
    void refreshData() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool loadRoles();
    QVariant rowValue(const char* field) const;
    void showPath();

    QTabBar* tabs_ = nullptr;
    QLabel* lblPath_ = nullptr;
    QAction* btnModify_ = nullptr;
    opening::AccountPage page_ = opening::AccountPage::All;
    bool balance_ = false;
    bool shown_ = false;
    QList<qint64> levels_;  // the categories gone down into, from the page's first level
    QList<int> rowsAbove_;  // the focused row of each level above
    QHash<QString, qint64> roles_;
};

}  // namespace dyt::client
