#include "client/queries/frmininput.h"

#include <QDate>
#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/logic/openingbalance.h"
#include "client/logic/prompter.h"
#include "client/logic/settings.h"
#include "client/queries/frmselectitems.h"
#include "common/formatting.h"

namespace dyt::client {

namespace {

bool readNumber(const QString& text, double* value) {
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        *value = 0;
        return true;
    }
    bool ok = false;
    *value = t.toDouble(&ok);
    return ok;
}

}  // namespace

TfrmIniInput::TfrmIniInput(const QString& title, const QString& heading, const QList<Field>& fields,
                           QWidget* parent)
    : TfrmBaseDialog(parent), fields_(fields) {
    setObjectName(QStringLiteral("TfrmIniInput"));
    setWindowTitle(title);
    lbltitle()->setText(title);
    auto* outer = new QVBoxLayout(contentBox());
    lblHeading_ = new QLabel(heading, contentBox());
    lblHeading_->setObjectName(QStringLiteral("lblHeading"));
    outer->addWidget(lblHeading_);
    auto* form = new QFormLayout;
    outer->addLayout(form);
    for (const Field& f : fields_) {
        auto* e = new QLineEdit(f.value, contentBox());
        e->setObjectName(QStringLiteral("ed") + f.key);
        e->setMinimumWidth(160);
        if (f.kind == Kind::Computed) {
            e->setReadOnly(true);
            e->setFocusPolicy(Qt::NoFocus);
        } else {
            e->installEventFilter(this);
            connect(e, &QLineEdit::textChanged, this, [this] { recompute(); });
        }
        if (f.kind == Kind::Number || f.kind == Kind::Computed)
            e->setAlignment(Qt::AlignRight);
        if (f.kind == Kind::Date)
            e->setPlaceholderText(QStringLiteral("yyyy-mm-dd"));
        form->addRow(f.caption, e);
        editors_.append(e);
    }
    btnExit()->setText(QStringLiteral("取消(&C)"));
    resize(320, 120 + 32 * static_cast<int>(fields_.size()));
}

void TfrmIniInput::setComputation(const QString& key,
                                  std::function<QString(const TfrmIniInput&)> compute) {
    computedKey_ = key;
    compute_ = std::move(compute);
    recompute();
}

int TfrmIniInput::fieldIndex(const QString& key) const {
    for (int i = 0; i < fields_.size(); ++i) {
        if (fields_[i].key.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QLineEdit* TfrmIniInput::editor(const QString& key) const {
    const int i = fieldIndex(key);
    return i < 0 ? nullptr : editors_[i];
}

qint64 TfrmIniInput::id(const QString& key) const {
    const int i = fieldIndex(key);
    return i < 0 || fields_[i].kind != Kind::Pick ? 0 : fields_[i].id;
}

bool TfrmIniInput::pick(int index, bool always) {
    Field& f = fields_[index];
    QLineEdit* e = editors_[index];
    const QString typed = e->text().trimmed();
    if (!always && typed == f.value)
        return true;
    if (typed.isEmpty() && !always) {
        f.id = 0;
        f.value.clear();
        return true;
    }
    const std::optional<PickerChoice> c = pickRecord(f.picker, typed, f.value, this);
    if (!c) {
        e->setText(f.value);
        return false;
    }
    f.id = c->id;
    f.value = c->name;
    e->setText(c->name);
    return true;
}

QString TfrmIniInput::text(const QString& key) const {
    const QLineEdit* e = editor(key);
    return e ? e->text().trimmed() : QString();
}

double TfrmIniInput::number(const QString& key) const {
    double v = 0;
    return readNumber(text(key), &v) ? v : 0;
}

void TfrmIniInput::recompute() {
    if (!compute_)
        return;
    if (QLineEdit* e = editor(computedKey_))
        e->setText(compute_(*this));
}

bool TfrmIniInput::valid(const Field& f, QLineEdit* edit) const {
    const QString t = edit->text().trimmed();
    double v = 0;
    switch (f.kind) {
        case Kind::Number:
            return readNumber(t, &v);
        case Kind::Date:
            return t.isEmpty() || QDate::fromString(t, QStringLiteral("yyyy-MM-dd")).isValid();
        case Kind::Pick:
            return t.isEmpty() || t == f.value;
        case Kind::Text:
        case Kind::Computed:
            break;
    }
    return true;
}

void TfrmIniInput::btnOKClick() {
    for (int i = 0; i < fields_.size(); ++i) {
        if (fields_[i].kind == Kind::Pick && !pick(i, false)) {
            editors_[i]->setFocus(Qt::OtherFocusReason);
            return;
        }
        if (valid(fields_[i], editors_[i]))
            continue;
        prompter().message(caption::hint(), fields_[i].kind == Kind::Date
                                                ? opening::text::badDate()
                                                : opening::text::badNumber());
        editors_[i]->setFocus(Qt::OtherFocusReason);
        editors_[i]->selectAll();
        return;
    }
    TfrmBaseDialog::btnOKClick();
}

void TfrmIniInput::showEvent(QShowEvent* event) {
    TfrmBaseDialog::showEvent(event);
    for (QLineEdit* e : editors_) {
        if (!e->isReadOnly()) {
            e->setFocus(Qt::OtherFocusReason);
            e->selectAll();
            break;
        }
    }
}

bool TfrmIniInput::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int at = static_cast<int>(editors_.indexOf(static_cast<QLineEdit*>(watched)));
        const bool picks = at >= 0 && fields_[at].kind == Kind::Pick;
        if (picks && key->key() == Qt::Key_F2) {
            pick(at, true);
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (picks && !pick(at, false))
                return true;
            // The next field that takes input, or OK after the last.
            for (int i = at + 1; at >= 0 && i < editors_.size(); ++i) {
                if (!editors_[i]->isReadOnly()) {
                    editors_[i]->setFocus(Qt::TabFocusReason);
                    editors_[i]->selectAll();
                    return true;
                }
            }
            btnOKClick();
            return true;
        }
    }
    return TfrmBaseDialog::eventFilter(watched, event);
}

void TfrmIniInput::computeUnitPrice() {
    setComputation(QStringLiteral("price"), [](const TfrmIniInput& d) {
        return floatToStr(opening::unitPrice(d.number(QStringLiteral("qty")),
                                             d.number(QStringLiteral("total")),
                                             settings().PriceDot));
    });
}

}  // namespace dyt::client
