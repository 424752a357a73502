#pragma once
// TfrmSelectItems and its siblings: the condition dialogs of the query windows. One class serves
// every dialog of the family; its pages are built from the dialog's data (pickers, dates,
// bill-type boxes, extra conditions). A query window creates its dialog once, selects its own
// page and shows it for every query; after OK it reads the dates, the picked records and the
// composed strings.

#include <QDate>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

#include "client/common/frmbase.h"
#include "client/logic/queryconditions.h"
#include "protocol/querydescriptors.h"

class QCheckBox;
class QDateEdit;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QSpinBox;
class QStackedWidget;
class QButtonGroup;

namespace dyt::client {

// The record picked in a selection window.
struct PickerChoice {
    qint64 id = 0;
    QString name;
};

// Opens the selection window of a base-data kind ("wldw", "cangku" …) with the typed text;
// the choice, or nullopt when cancelled. The default runs the record selection; tests replace it.
using PickerSelector = std::function<std::optional<PickerChoice>(
    const QString& kindName, const QString& text, QWidget* parent)>;
PickerSelector& pickerSelector();
void resetPickerSelector();
// The picker of a window's record field: the selection of that kind with the text typed there
// (none while the field still shows the current record); nullopt when cancelled or when the
// selection fails (the error shown).
std::optional<PickerChoice> pickRecord(PickerKind kind, const QString& typed,
                                       const QString& current, QWidget* parent);

// Chooses the members of a new group of a group editor ("wldw" or "cangku"): the default opens
// the record selection again after every pick until the operator cancels, and hands back the
// records picked (each once) in order; tests replace it.
using GroupSelector = std::function<QList<PickerChoice>(const QString& kindName, QWidget* parent)>;
GroupSelector& groupSelector();
void resetGroupSelector();

// The SQL text that lists the operators whose rights may be copied onto the operator `id`.
QString copyRightsOperatorsSql(qint64 id);

class TfrmSelectItems : public TfrmBaseDialog {
    Q_OBJECT
public:
    // Throws DytError for an unknown dialog class.
    explicit TfrmSelectItems(const QString& dialogClass, QWidget* parent = nullptr);
    ~TfrmSelectItems() override;

    const QueryDialog& definition() const { return def_; }
    // Shows only this page (hides the others), sets the caption "查询条件" and the page's size,
    // and takes the shared query dates and keep-dates flag. Throws DytError for a bad page.
    void selectPage(int index);
    void selectPage(const QString& caption);
    int pageIndex() const { return page_; }
    // Sets the page's dates and the "保存时间条件" box from the shared query dates (every show).
    void loadSharedDates();
    const QueryDialogPage& page() const;

    // --- the page's controls
    QDateEdit* beginEdit() const;
    QDateEdit* endEdit() const;
    QCheckBox* keepDatesBox() const;
    // The picker edits in page order.
    QList<QLineEdit*> pickerEdits() const;
    QList<QCheckBox*> billBoxes() const;

    // --- pickers: set by the selection windows, or directly
    void setPicker(PickerRole role, qint64 id, const QString& name);
    PickerChoice picker(PickerRole role) const;
    // Opens the selection window of the picker at that index (page order).
    void choosePicker(int index);

    // --- group editors (pages of kind Groups)
    // "新增组": the members come from the group selector; a group of no member adds nothing, a
    // member already in a group refuses the whole new group with "[name]已经在第n组中！".
    void addGroupClick();
    // "删除组": removes the current group (refused with "请选择要删除的组！" when there is none);
    // the groups after it move up one number.
    void deleteGroupClick();
    const QList<query::RecordGroup>& groups() const { return groups_; }
    QListWidget* groupList() const;
    QPushButton* addGroupButton() const;
    QPushButton* deleteGroupButton() const;

    // --- the operator list (page of kind OperatorList)
    // Lists the operators other than the administrator and `chosenOperator` (their id, code and
    // full name) from the server. False, after "没有可复制的操作员！", when there is none.
    bool loadOperators(qint64 chosenOperator);
    QTreeWidget* operatorList() const;
    // The operator of the last OK (0 before).
    qint64 chosenOperator() const { return result_.operatorId; }

    // --- the result of the last OK
    const query::QueryConditions& conditions() const { return result_; }

    // The OK rules: dates in order, bill types chosen, extra values valid; saves the dates when
    // asked; composes the strings; closes with OK. A refusal shows its message and stays open.
    void btnOKClick() override;
    // The same without closing: true when the entries pass (tests and the window's own use).
    bool accept();

protected:
    void FormShow() override;

private:
    struct PageWidgets;
    void buildPage(int index);
    PageWidgets& widgets() const;
    query::QueryConditions compose() const;

    QueryDialog def_;
    int page_ = -1;
    QStackedWidget* stack_ = nullptr;
    QList<PageWidgets*> pages_;
    void refreshGroups();
    QList<PickerChoice> choices_;  // per picker of the current page
    QList<query::RecordGroup> groups_;
    query::QueryConditions result_;
};

}  // namespace dyt::client
