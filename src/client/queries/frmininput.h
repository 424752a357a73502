#pragma once
// TfrmIniInput: the small dialog in which one opening row is set: a heading (the goods, partner
// or account it is for) and a few fields, numbers, texts or dates. Enter goes from field to
// field and, on the last one, takes the dialog; a figure computed from the others (the unit
// price) follows every change and cannot be typed.

#include <QList>
#include <QString>

#include <functional>

#include "client/common/frmbase.h"
#include "protocol/querydescriptors.h"

class QLabel;
class QLineEdit;

namespace dyt::client {

class TfrmIniInput : public TfrmBaseDialog {
    Q_OBJECT
public:
    // Pick: a base record chosen in its selection window (F2, or Enter after typing), the
    // field shows its name and keeps its id.
    enum class Kind { Number, Text, Date, Computed, Pick };
    struct Field {
        QString key;
        QString caption;
        Kind kind = Kind::Number;
        QString value;
        PickerKind picker = PickerKind::Employee;
        qint64 id = 0;
    };

    TfrmIniInput(const QString& title, const QString& heading, const QList<Field>& fields,
                 QWidget* parent = nullptr);

    // The value of a computed field from the dialog's current values.
    void setComputation(const QString& key, std::function<QString(const TfrmIniInput&)> compute);
    // The field "price" follows "total" ÷ "qty" at the account set's price decimals.
    void computeUnitPrice();
    QLineEdit* editor(const QString& key) const;
    QString text(const QString& key) const;
    // The id of a Pick field (0 when none or cleared).
    qint64 id(const QString& key) const;
    // A number field's value (0 for an empty one); only valid after an accepted dialog.
    double number(const QString& key) const;

    // OK checks the numbers and dates first; a wrong one is named and keeps the dialog open.
    void btnOKClick() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void recompute();
    bool valid(const Field& f, QLineEdit* edit) const;
    int fieldIndex(const QString& key) const;
    // Opens the selection of a Pick field with its typed text; false when cancelled.
    bool pick(int index, bool always);

    QList<Field> fields_;
    QList<QLineEdit*> editors_;
    QLabel* lblHeading_ = nullptr;
    QString computedKey_;
    std::function<QString(const TfrmIniInput&)> compute_;
};

}  // namespace dyt::client
