#pragma once
// TfrmSelectBase: the record selection of the header fields (supplier, employee, warehouse,
// account …). Called with a kind name and a filter text; lists the matching base records and
// returns the id and name of the one picked.
//
// Each kind is a row of data (BaseKindInfo): its rows come either from P_JXC_Get_Base with a
// query type and a condition line, or from an SQL text of its own. The operator's text narrows
// the rows by pinyin initials, code or full name while it is typed: for SQL kinds as a LIKE
// pattern in which the text is quoted and its "%", "_" and "\" escaped, so that it finds exactly
// what it says, asked of the server each time; for procedure kinds on the rows received once.

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

#include "client/bills/selectwindow.h"
#include "client/logic/gridcolumn.h"
#include "common/paramlist.h"
#include "common/recordset.h"

class QLineEdit;

namespace dyt {
class GridView;
class RecordSetModel;
}  // namespace dyt

namespace dyt::client {

struct BaseKindInfo {
    QString name;   // the kind name the bills pass ("zhiyuan", "gys", …)
    QString title;  // window title
    // Procedure source (queryType not empty): P_JXC_Get_Base with QueryType and the condition
    // line filterLine = ";czy_id=" + operator + extraCondition.
    QString queryType;
    QString filterLine;
    QString extraCondition;
    // SQL source: the text up to its WHERE conditions, and an ORDER BY put after the pattern.
    QString sql;
    QString orderBy;
    // The columns the pattern looks at: lower-cased pinyin and code, then the name as it is.
    QString pymColumn;
    QString codeColumn;
    QString nameColumn;
    // Fields of the rows returned.
    QString idField;
    QString codeField;
    QString nameField;
};

// Every kind name of the record selection; nullopt for an unknown name.
std::optional<BaseKindInfo> FindBaseKind(const QString& name);
QStringList baseKindNames();

// The LIKE operand that finds the text anywhere: an SQL string literal with "%" around the text,
// its "%", "_" and "\" escaped with "\" and its quotes doubled. Use with " escape '\'".
QString sqlContainsLiteral(const QString& text);
// " and ((Lower(pym) like '%…%' escape '\') or (Lower(code) like … ) or (fullname like … ))"
// for the kind's columns; empty for an empty text.
QString baseFilterCondition(const BaseKindInfo& kind, const QString& text);

struct BaseChoice {
    qint64 id = 0;
    QString code;
    QString name;
};

class RecordSelection {
public:
    // Throws DytError ("未知的选择类型[x]") for an unknown kind name.
    explicit RecordSelection(const QString& kindName);
    const BaseKindInfo& kind() const { return kind_; }

    // The SQL text of an SQL kind for the filter text (empty for a procedure kind).
    QString sqlText(const QString& text) const;
    // The parameter lines of a procedure kind.
    ParamList procParams() const;
    // Loads the rows for the text: SQL kinds ask the server each time, procedure kinds once and
    // filter the rows received.
    void load(const QString& text);
    RecordSet& rows() { return rows_; }
    // The choice of a row; nullopt for a row out of range.
    std::optional<BaseChoice> choice(int row) const;
    // Loads the rows for the text and answers the one record whose code (in any letter case) or
    // full name is the text; nullopt when none or several are.
    std::optional<BaseChoice> exactMatch(const QString& text);

private:
    BaseKindInfo kind_;
    RecordSet rows_;
    RecordSet received_;  // procedure kinds: every row the server gave
    bool hasReceived_ = false;
};

class TfrmSelectBase : public TfrmSelectWindow {
    Q_OBJECT
public:
    TfrmSelectBase(const QString& kindName, const QString& filterText, QWidget* parent = nullptr);
    ~TfrmSelectBase() override;

    RecordSelection& selection() { return selection_; }
    GridView* grid() const { return grid_; }
    std::optional<BaseChoice> chosen() const { return chosen_; }

    // "确定": the row the typed text leaves current; "请选择…" when there is none.
    void okClick();

    // One layout per kind: "TfrmSelectBase_grdBase_" + the kind name.
    QString layoutKey() const override;

protected:
    // Closing with a choice stores the grid layout.
    void done(bool accepted) override;
    void applySearch(const QString& text) override;
    void chooseCurrent() override;
    bool chooseSingle() override;

private:
    void refresh();
    void choose(int viewRow);

    RecordSelection selection_;
    GridDefinition def_;
    RecordSetModel* model_ = nullptr;
    GridView* grid_ = nullptr;
    QLineEdit* edFilter_ = nullptr;
    std::optional<BaseChoice> chosen_;
};

// Shows the record selection for the kind and text; the choice, or nullopt when cancelled.
std::optional<BaseChoice> selectBase(const QString& kindName, const QString& filterText,
                                     QWidget* parent = nullptr);

}  // namespace dyt::client
