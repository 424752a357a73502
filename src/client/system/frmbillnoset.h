#pragma once
// TfrmBillNoSet ("单据编号规则及样式"): the numbering switch and its four rules (sysData
// 208042000..208042004), the number format of each bill kind (sysDjb.SNFormat, built from eleven
// pieces), the presets, the sample number, "规则应用到所有单据" and the counter reset. The texts
// sent to the server are built by the functions of namespace billnoset, apart from the widgets.

#include "client/common/frmbase.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include "client/logic/fixedtext.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;

namespace dyt {
class RecordSet;
}

namespace dyt::client {

namespace billnoset {

inline constexpr int kPieces = 11;
inline constexpr int kPresets = 5;

// The bill kinds of the list: the numbers of the bill-kind table in its order but for the
// stocktake, which has no sysDjb row (sysDjb rows that are groups drop out through the query's
// own filter). The rules stay keyed by these numbers.
QList<int> defaultKinds();
QString kindsSql(const QList<int>& kinds);
QString settingsSql();
QString kindSql(int kindId);

// The switch and the four rules.
struct Settings {
    bool autoSN = false;
    int rule1 = 0;       // 0 所有单据连续编号, 1 一种单据连续编号
    int rule2 = 0;       // 0 .. 2
    int rule3 = 0;       // 0 yearly, 1 monthly, 2 daily
    bool rule4 = false;  // machine number in front

    // Rows of settingsSql() in id order fill the five values; throws DytError without sysValue.
    void load(RecordSet& rows);
};

QStringList patternItems();
QStringList separatorItems();
QStringList presetNames();
// The pieces of preset `index` (0..4) for the prefix; throws DytError for another index.
QStringList presetPieces(int index, const QString& prefix);
// Preset five switches "规则四" on.
bool presetSetsMachinePrefix(int index);

// The format: the machine number in double quotes and "-" first when `machineNumber` is not
// empty, then the non-empty pieces, all joined by CR.
QString composeFormat(const QStringList& pieces, const QString& machineNumber);
// The pieces of a stored format (split at CR and LF) without the leading machine-number piece.
QStringList splitFormat(const QString& snFormat);
// The sample: the format applied to the date at noon with counter 1.
QString sampleNumber(const QString& snFormat, const QDate& date);

// A text in single quotes with inner quotes doubled.
QString quoted(const QString& text);
QString saveSql(const Settings& settings, int kindId, const QString& prefix,
                const QString& snFormat);
QString applyToAllSql(int kindId, const QString& prefix, const QString& snFormat);
inline constexpr FixedText resetCountersSql{
    u" update sysbillNo set yearMaxNo=0, monthMaxNo=0, dayMaxNo=0 "};

}  // namespace billnoset

class TfrmBillNoSet : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmBillNoSet(QWidget* owner = nullptr);
    ~TfrmBillNoSet() override;

    // The commands.
    void selectKind(int row);     // the list of kinds; asks to save unsaved changes first
    void applyPreset(int index);  // "常用样式"
    bool Save();                  // "保存(&O)"; true when the server took it
    bool applyToAll();            // "规则应用到所有单据"
    bool resetCounters();         // "编号计数器复位"
    void btnOKClick() override;

    // State for the window and its tests.
    billnoset::Settings settings() const;
    QStringList pieces() const;
    QString format() const;
    QString sampleText() const;
    int currentKind() const { return kindId_; }
    bool modified() const { return modified_; }
    // Saving needs the rules and a kind read from the server: a save after a failed read would
    // overwrite the account set's rules with the defaults.
    bool canSave() const { return settingsLoaded_ && kindId_ >= 0; }
    QListWidget* kindList() const { return lbKinds_; }
    QComboBox* piece(int i) const { return pieces_.at(i); }
    QLineEdit* machineEdit() const { return edMachine_; }
    QCheckBox* autoBox() const { return cbAuto_; }
    QComboBox* ruleBox(int i) const { return rules_[i]; }
    QCheckBox* rule4Box() const { return cbRule4_; }
    QTabWidget* pages() const { return pages_; }

protected:
    bool FormCloseQuery() override;

private:
    void loadKinds();
    void loadSettings();
    void loadKind(int kindId);
    void changed();
    void refreshSample();
    bool askSaveChanges();

    bool loading_ = false;
    bool settingsLoaded_ = false;
    bool modified_ = false;
    int kindId_ = -1;
    QList<int> kindIds_;
    QTabWidget* pages_ = nullptr;
    QListWidget* lbKinds_ = nullptr;
    QCheckBox* cbAuto_ = nullptr;
    QComboBox* rules_[3] = {nullptr, nullptr, nullptr};
    QCheckBox* cbRule4_ = nullptr;
    QLineEdit* edMachine_ = nullptr;
    QList<QComboBox*> pieces_;
    QLabel* lblSample_ = nullptr;
};

}  // namespace dyt::client
