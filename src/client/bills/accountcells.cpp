// AccountCellEntry: keyboard and selection entry of the account cells of a bill's lines.
#include "client/bills/accountcells.h"

#include <QTableView>
#include <QTimer>

#include <utility>

#include "client/bills/frmbillabstract.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"

namespace dyt::client {

AccountCellEntry::AccountCellEntry(TfrmBillAbstract& bill, Fields fields, QString selectionKind,
                                   Hooks hooks)
    : bill_(bill),
      fields_(std::move(fields)),
      kind_(std::move(selectionKind)),
      hooks_(std::move(hooks)) {}

bool AccountCellEntry::isAccountColumn(int column) const {
    const GridDefinition& def = bill_.gridDefinition();
    if (column < 0 || column >= def.columns.size())
        return false;
    const QString f = def.columns.at(column).fieldName;
    return f.compare(fields_.code, Qt::CaseInsensitive) == 0 ||
           f.compare(fields_.name, Qt::CaseInsensitive) == 0;
}

QString AccountCellEntry::text(int row, const QString& field) const {
    const RecordSet& rs = bill_.records();
    const int col = rs.fieldIndex(field);
    return col >= 0 && row >= 0 && row < rs.rowCount() ? rs.at(row, col).toString().trimmed()
                                                       : QString();
}

qint64 AccountCellEntry::accountOf(int row) const {
    return text(row, fields_.id).toLongLong();
}

void AccountCellEntry::remember(qint64 id, const QString& code, const QString& name) {
    texts_.insert(id, {code, name});
}

void AccountCellEntry::rememberLines() {
    for (int r = 0; r < bill_.records().rowCount(); ++r)
        if (accountOf(r) > 0)
            remember(accountOf(r), text(r, fields_.code), text(r, fields_.name));
}

bool AccountCellEntry::choose(int row, const QString& text) {
    if (!hooks_.editable() || row < 0)
        return false;
    try {
        if (const std::optional<BaseChoice> choice = hooks_.select(text)) {
            hooks_.place(row, *choice);
            enterCell(row, fields_.amount);
            return true;
        }
    } catch (const std::exception& e) {
        hooks_.showError(e);
    }
    return false;
}

void AccountCellEntry::restore(int row) {
    RecordSet& rs = bill_.records();
    const qint64 id = accountOf(row);
    const QPair<QString, QString> texts = texts_.value(id);
    const int code = rs.fieldIndex(fields_.code);
    const int name = rs.fieldIndex(fields_.name);
    if (code < 0 || name < 0 || row < 0 || row >= rs.rowCount())
        return;
    rs.setAt(row, code, id > 0 ? texts.first : QString());
    rs.setAt(row, name, id > 0 ? texts.second : QString());
    bill_.dbgvX()->table()->viewport()->update();
}

void AccountCellEntry::noteChange(const QModelIndex& topLeft, const QModelIndex& bottomRight) {
    if (topLeft != bottomRight || !isAccountColumn(topLeft.column()))
        return;
    // A typed code or name is looked up once its editor has closed.
    entryRow_ = bill_.model()->rawRow(topLeft.row());
    entryField_ = bill_.gridDefinition().columns.at(topLeft.column()).fieldName;
    QTimer::singleShot(0, &bill_, [this] { run(); });
}

bool AccountCellEntry::run() {
    const int row = entryRow_;
    entryRow_ = -1;
    if (row < 0 || row >= bill_.records().rowCount())
        return false;
    const QString typed = text(row, entryField_);
    entryField_.clear();
    const qint64 id = accountOf(row);
    if (typed.isEmpty() ||
        (id > 0 && (typed == texts_.value(id).first || typed == texts_.value(id).second))) {
        restore(row);
        return false;
    }
    try {
        // One account of that code (or full name) is taken at once; otherwise the operator
        // picks among those the text finds.
        if (const std::optional<BaseChoice> only = RecordSelection(kind_).exactMatch(typed)) {
            hooks_.place(row, *only);
            enterCell(row, fields_.amount);
            return true;
        }
    } catch (const std::exception& e) {
        hooks_.showError(e);
    }
    if (!choose(row, typed)) {
        restore(row);
        enterCell(row, fields_.code);
    }
    return true;
}

bool AccountCellEntry::entered(const QModelIndex& index) {
    return isAccountColumn(index.column()) && entryRow_ == bill_.model()->rawRow(index.row()) &&
           run();
}

void AccountCellEntry::enterCell(int row, const QString& field) {
    const int col = bill_.gridDefinition().columnIndex(field);
    if (row < 0 || row >= bill_.model()->rowCount() || col < 0)
        return;
    QTableView* table = bill_.dbgvX()->table();
    table->setCurrentIndex(bill_.model()->index(row, col));
    table->setFocus();
}

void AccountCellEntry::walkFrom(const QModelIndex& from) {
    if (hooks_.nextEditable(from))
        return;
    int next = from.row() + 1;
    if (next >= bill_.model()->rowCount()) {
        if (accountOf(bill_.model()->rawRow(from.row())) <= 0)
            return;
        RecordSet& rs = bill_.records();
        rs.appendRow(RecordSet::Row(rs.fieldCount()));
        hooks_.reshow();
        next = bill_.model()->rowCount() - 1;
    }
    enterCell(next, fields_.code);
}

}  // namespace dyt::client
