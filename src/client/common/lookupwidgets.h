#pragma once
// The lookups that fill or check widgets: the bill-type and date-preset drop-down lists and the
// input check FailIf.

#include <QDate>
#include <QString>

#include "client/logic/lookups.h"

class QComboBox;
class QDateEdit;
class QWidget;

namespace dyt::client {

// Fills a drop-down list with the bill types that have bills: "[全部单据]" (id 0) first unless
// withoutAll, then each type's caption carrying its djType; the first entry is selected.
void FillBillTypes(QComboBox* combo, bool withoutAll);

// Fills the list with the date presets; each entry carries its number.
void FillDatePresets(QComboBox* combo);
// Sets the two date edits from the selected preset; no selection or number 0 changes nothing.
// Returns true when it set them.
bool ApplyDatePreset(const QComboBox* combo, QDateEdit* beginEdit, QDateEdit* endEdit,
                     const QDate& today = QDate::currentDate());

// When condition is false: focuses the control when it can take the focus and raises the
// message as an error. Nothing happens when the condition holds.
void FailIf(QWidget* control, bool condition, const QString& message);

}  // namespace dyt::client
