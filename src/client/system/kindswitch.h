#pragma once
// The bill-kind list of the settings windows that edit one kind at a time: choosing another row
// first asks to save the shown kind's changes; when they cannot be saved the list goes back to the
// shown kind and its changes stay on display.
#include <QList>
#include <QListWidget>
#include <QSignalBlocker>

#include "common/recordset.h"

namespace dyt::client {

template <typename AskSave, typename Load>
void switchKind(QListWidget* list, const QList<int>& ids, int shown, int row, AskSave askSave,
                Load load) {
    if (row < 0 || row >= ids.size() || ids.at(row) == shown)
        return;
    if (!askSave()) {
        const QSignalBlocker block(list);
        list->setCurrentRow(static_cast<int>(ids.indexOf(shown)));
        return;
    }
    if (list->currentRow() != row) {
        const QSignalBlocker block(list);
        list->setCurrentRow(row);
    }
    load(ids.at(row));
}

// Fills the list with the kinds' names ("fullname") and ids with their ids ("id"), in the rows'
// order, without signalling a choice.
inline void fillKinds(QListWidget* list, QList<int>& ids, RecordSet& rows) {
    const QSignalBlocker block(list);
    for (rows.first(); !rows.eof(); rows.next()) {
        ids.append(static_cast<int>(rows.integer(QStringLiteral("id"))));
        list->addItem(rows.text(QStringLiteral("fullname")));
    }
}

}  // namespace dyt::client
