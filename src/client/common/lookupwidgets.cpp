#include "client/common/lookupwidgets.h"

#include <QComboBox>
#include <QDateEdit>
#include <QWidget>

#include "client/logic/dmmain.h"
#include "common/error.h"
#include "common/recordset.h"

namespace dyt::client {

void FillBillTypes(QComboBox* combo, bool withoutAll) {
    if (!combo)
        throw DytError(QStringLiteral("FillBillTypes: 没有给出下拉列表"));
    RecordSet rs;
    dataModule().ExecQuery(billTypesSql(), &rs);
    combo->clear();
    if (!withoutAll)
        combo->addItem(QStringLiteral("[全部单据]"), 0);
    for (rs.first(); !rs.eof(); rs.next()) {
        combo->addItem(rs.text(QStringLiteral("fullname")),
                       static_cast<int>(rs.integer(QStringLiteral("id"))));
    }
    if (combo->count() > 0)
        combo->setCurrentIndex(0);
}

void FillDatePresets(QComboBox* combo) {
    if (!combo)
        throw DytError(QStringLiteral("FillDatePresets: 没有给出下拉列表"));
    combo->clear();
    const QStringList texts = datePresetTexts();
    for (int i = 0; i < texts.size(); ++i)
        combo->addItem(texts.at(i), i + 1);
}

bool ApplyDatePreset(const QComboBox* combo, QDateEdit* beginEdit, QDateEdit* endEdit,
                     const QDate& today) {
    if (!combo || combo->currentIndex() < 0)
        return false;
    const int preset = combo->currentData().toInt();
    QDate begin, end;
    if (!datePresetRange(preset, today, &begin, &end))
        return false;
    if (beginEdit)
        beginEdit->setDate(begin);
    if (endEdit)
        endEdit->setDate(end);
    return true;
}

void FailIf(QWidget* control, bool condition, const QString& message) {
    if (condition)
        return;
    if (control && control->isEnabled() && control->isVisible() &&
        control->focusPolicy() != Qt::NoFocus) {
        control->setFocus();
    }
    throw DytError(message);
}

}  // namespace dyt::client
