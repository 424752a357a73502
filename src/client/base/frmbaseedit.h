#pragma once
// The record editors of the base-data kinds: one data-driven editor (TfrmBaseZYSet,
// TfrmBaseCKSet, TfrmBaseBMSet, TfrmBaseWldwSet, TfrmBaseDiQuSet, TfrmBaseZhaiYaoSet,
// TfrmBasekMSet) that builds its pages from the kind's editor fields, loads the record, fetches
// automatic codes, fills the pinyin code on leaving the full name, checks the entries in order and
// sends them to the kind's save procedure. The goods editor (frmbasegoodsset.h) extends it.

#include <QHash>
#include <QString>

#include "client/base/basekinds.h"
#include "client/base/frmbaselist.h"
#include "client/common/frmbase.h"
#include "client/logic/fixedtext.h"
#include "common/recordset.h"

class QCheckBox;
class QGridLayout;
class QTabWidget;

namespace dyt::client {

namespace edittext {
inline constexpr FixedText enter{u"请输入"};
inline constexpr FixedText autoCode{u"自动编号"};
inline constexpr FixedText lowerBelowZero{u"库存下限不能小于0"};
inline constexpr FixedText upperBelowZero{u"库存上限不能小于0"};
inline constexpr FixedText lowerAboveUpper{u"库存上限必须大于库存下限"};
inline constexpr FixedText notBelowZero{u"不能小于 0"};
inline constexpr FixedText advancesBoth{u"不能同时录入期初预收和期初预付！"};
inline constexpr FixedText balancesBoth{u"不能同时录入期初应收和期初应付！"};
inline constexpr FixedText positiveInteger{u"必须是正整数"};
}  // namespace edittext

// The client's base-data-changed flag: set by every save, read (and cleared) by the local cache.
bool& baseDataChanged();

class TfrmBaseEdit : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmBaseEdit(const base::BaseKind& kind, QWidget* parent = nullptr);
    ~TfrmBaseEdit() override;

    const base::BaseKind& kind() const { return kind_; }
    // Loads what the request asks for: the record (id > 0), the copy source, or a new record with
    // an automatic code when "自动编号" is ticked.
    virtual void setup(const EditorRequest& request);

    // --- fields by name (letter case ignored)
    QWidget* fieldEditor(const QString& name) const;
    QString fieldValue(const QString& name) const;
    void setFieldValue(const QString& name, const QVariant& value, const QString& shown = {});
    QCheckBox* cbAutoCode() const { return cbAutoCode_; }
    QTabWidget* pages() const { return pages_; }
    qint64 recordId() const { return id_; }
    qint64 parentId() const { return parentId_; }

    // Leaving the full name: the pinyin code from it (and, in the goods editor, the short name).
    virtual void fullNameLeft();
    // Fetches the next code into the code field.
    void fetchAutoCode();
    // Checks and saves; messages are shown. True when the record and its parts were saved.
    bool save();
    void btnOKClick() override;

    // The "自动编号" state, kept for the login across editors.
    static bool& autoCodeState();

protected:
    // The pages and their fields.
    virtual void buildPages();
    QWidget* page(const QString& title);
    QGridLayout* pageGrid(const QString& title);
    // Adds one field's label and editor to its page.
    void addField(const base::EditField& field);
    // The checks in order; a failure focuses its field and throws the message.
    virtual void checkFields();
    // The parameter lines of the save.
    virtual ParamList collect() const;
    // After the record was saved (id of the record): units, picture.
    virtual void saveParts(qint64 id);
    virtual void loadRecord(qint64 id);
    // Copy add: the fields of the source record (its current row).
    virtual void fillSource(const RecordSet& source);
    // Fills the editors from the current row by field name.
    void fillFrom(const RecordSet& rows);
    const base::EditField* fieldDef(const QString& name) const;
    void failIf(const QString& name, bool failed, const QString& message);
    double numberOf(const QString& name) const;

    RecordSet loaded_;  // the record as loaded for editing

private:
    static void setEditorLocked(QWidget* editor, bool locked);
    // Read-only fields, and those the opened account set or the loaded record lock.
    void applyLocks();

    const base::BaseKind& kind_;
    QTabWidget* pages_ = nullptr;
    QHash<QString, QWidget*> pageWidgets_;
    QHash<QString, QWidget*> editors_;  // lower-case name -> editor
    QHash<QString, int> slots_;         // page -> half lines used
    QCheckBox* cbAutoCode_ = nullptr;
    qint64 id_ = 0;
    qint64 parentId_ = 0;
};

// Creates the kind's editor (the goods editor for goods).
TfrmBaseEdit* createBaseEditor(const base::BaseKind& kind, QWidget* parent);
// Creates, sets up and shows the editor modally; true when it saved.
bool runBaseEditor(const base::BaseKind& kind, const EditorRequest& request, QWidget* parent);

}  // namespace dyt::client
