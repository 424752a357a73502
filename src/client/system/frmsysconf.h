#pragma once
// TfrmSysConf ("用户配置"): the account set's company details, the bill-entry switches and the
// system options. It shows the loaded settings, stores what belongs to the page in front with
// "保存(&S)" and then loads the settings again, so that every window sees the new values.
// Tab walks through the options, Enter saves, Esc closes.

#include "client/common/frmbase.h"

#include <QList>

#include <array>

#include "client/logic/sysconf.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTableWidget;
class QTabWidget;
class QToolButton;

namespace dyt::client {

class TfrmSysConf : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmSysConf(QWidget* owner = nullptr);
    ~TfrmSysConf() override;

    QTabWidget* pages() const { return pages_; }
    QLineEdit* companyEdit(int i) const { return company_[static_cast<std::size_t>(i)]; }
    QTableWidget* grdConf() const { return grdConf_; }
    QCheckBox* chkNegativeStock() const { return chkNegative_; }
    QCheckBox* chkQuickPrint() const { return chkQuickPrint_; }
    QComboBox* cbCost() const { return cbCost_; }
    QRadioButton* rbEveryDays() const { return rbEvery_; }
    QRadioButton* rbOnExit() const { return rbExit_; }
    QSpinBox* spDays() const { return spDays_; }
    QSpinBox* spDot(sysconf::Dot d) const { return dots_[d]; }
    QSpinBox* spBillRows() const { return spRows_; }
    bool modified() const { return modified_; }

    // The values the controls hold, hidden ones included.
    sysconf::Options options() const;

    // "保存(&S)": stores the page in front; on success says so and closes.
    void btnOKClick() override;

protected:
    void FormShow() override;
    bool FormCloseQuery() override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildCompanyPage();
    QWidget* buildSwitchesPage();
    QWidget* buildOptionsPage();
    void fill(const sysconf::Options& o);
    void loadSwitches();
    void pickAccount();
    bool saveOptions();
    bool saveSwitches();
    // Shows "信息保存失败：" with the message; false.
    bool failed(const QString& message);

    QTabWidget* pages_ = nullptr;
    std::array<QLineEdit*, 10> company_{};
    QTableWidget* grdConf_ = nullptr;
    QList<qint64> switchIds_;
    QCheckBox* chkNegative_ = nullptr;
    QCheckBox* chkQuickPrint_ = nullptr;
    QComboBox* cbCost_ = nullptr;
    QComboBox* cbSettle_ = nullptr;
    QWidget* gbRetail_ = nullptr;
    std::array<QRadioButton*, 2> rbRetail_{};
    QRadioButton* rbEvery_ = nullptr;
    QRadioButton* rbExit_ = nullptr;
    QSpinBox* spDays_ = nullptr;
    std::array<QSpinBox*, sysconf::DotCount> dots_{};
    QSpinBox* spRows_ = nullptr;
    QWidget* accountRow_ = nullptr;
    QLineEdit* edAccount_ = nullptr;
    QToolButton* btnAccount_ = nullptr;
    qint64 accountId_ = 0;
    QCheckBox* chkDefaultReceipt_ = nullptr;
    QList<QWidget*> hidden_;
    bool modified_ = false;
    bool filling_ = false;
};

}  // namespace dyt::client
