#pragma once
// AccountCellEntry: the account cells of a bill whose lines are accounts (the receipt and payment
// bill, the account-lines bills). The code and name cells take a typed code or name: one account
// of that code (or full name) is taken at once, otherwise the record selection opens with the
// text; nothing chosen, Escape or unchanged text puts the line's account back. The window owns
// one and tells it its fields, its selection kind and how a chosen account goes into a line.

#include <QHash>
#include <QPair>
#include <QString>

#include <exception>
#include <functional>
#include <optional>

#include "client/bills/selectbase.h"

class QModelIndex;

namespace dyt::client {

class TfrmBillAbstract;

class AccountCellEntry {
public:
    // The fields of the lines: the account's id, code and name, and the first amount, which a
    // chosen account enters.
    struct Fields {
        QString id;
        QString code;
        QString name;
        QString amount;
    };
    // What the window does for the cells.
    struct Hooks {
        std::function<bool()> editable;
        // The record selection narrowed by the text; nothing when cancelled.
        std::function<std::optional<BaseChoice>(const QString& text)> select;
        // Puts the chosen account into the line.
        std::function<void(int row, const BaseChoice& choice)> place;
        std::function<void(const std::exception& error)> showError;
        // The next editable cell after `from` on its line; false when there is none.
        std::function<bool(const QModelIndex& from)> nextEditable;
        // Shows records() again after rows were added.
        std::function<void()> reshow;
    };

    AccountCellEntry(TfrmBillAbstract& bill, Fields fields, QString selectionKind, Hooks hooks);

    const Fields& fields() const { return fields_; }
    bool isAccountColumn(int column) const;
    // The account of the raw row; 0 for none.
    qint64 accountOf(int row) const;
    // The trimmed text of a field of the raw row.
    QString text(int row, const QString& field) const;

    // Code and name of the accounts shown, to put back a cell typed over in vain.
    void remember(qint64 id, const QString& code, const QString& name);
    // Remembers the accounts of all lines (after the lines were loaded).
    void rememberLines();
    void forget() { texts_.clear(); }

    // The selection for a raw row, narrowed by the text; the amount cell follows a choice.
    bool choose(int row, const QString& text);
    // The row's account cells show its account again (empty without one).
    void restore(int row);
    // A model change: a single account cell edited is looked up once its editor has closed.
    void noteChange(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    // A code or name typed into an account cell: taken when one account has it, else the
    // selection; nothing chosen puts the row's account back. False when there was nothing to
    // look up.
    bool run();
    // Enter from an editor: runs the look-up of a cell just typed into; true when it did.
    bool entered(const QModelIndex& index);
    // Puts the cursor on the field of the view row.
    void enterCell(int row, const QString& field);
    // Enter's way on from a cell: the next editable cell, else the next line's account (a line
    // with an account opens one after the last).
    void walkFrom(const QModelIndex& from);

private:
    TfrmBillAbstract& bill_;
    Fields fields_;
    QString kind_;
    Hooks hooks_;
    QHash<qint64, QPair<QString, QString>> texts_;
    int entryRow_ = -1;
    QString entryField_;
};

}  // namespace dyt::client
