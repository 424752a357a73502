#include "client/base/frmbaseedit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleValidator>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>

#include "client/base/frmbasegoodsset.h"
#include "client/bills/selectbase.h"
#include "client/common/lookupwidgets.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "common/error.h"
#include "common/pinyin.h"

namespace dyt::client {

bool& baseDataChanged() {
    static bool changed = false;
    return changed;
}

namespace {

const char* const kRecordIdProperty = "RecordId";

QString mainPage() {
    return QStringLiteral("主要信息");
}

bool isZero(const QString& text) {
    return text.trimmed().isEmpty() || text.trimmed().toDouble() == 0.0;
}

}  // namespace

bool& TfrmBaseEdit::autoCodeState() {
    static bool on = true;
    return on;
}

TfrmBaseEdit::TfrmBaseEdit(const base::BaseKind& kind, QWidget* parent)
    : TfrmBaseDialog(parent), kind_(kind) {
    setObjectName(kind.editorClass);
    setWindowTitle(kind.editorTitle);
    lbltitle()->setText(kind.editorTitle);
    auto* box = new QVBoxLayout(contentBox());
    pages_ = new QTabWidget(contentBox());
    pages_->setObjectName(QStringLiteral("pcMain"));
    pages_->setTabBarAutoHide(true);
    box->addWidget(pages_);
    cbAutoCode_ = new QCheckBox(edittext::autoCode(), this);
    cbAutoCode_->setObjectName(QStringLiteral("cbAutoCode"));
    cbAutoCode_->setChecked(autoCodeState());
    connect(cbAutoCode_, &QCheckBox::clicked, this, [this](bool on) {
        if (on && id_ == 0) {
            try {
                fetchAutoCode();
            } catch (const DytError& e) {
                prompter().showError(caption::hint(), e);
            }
        }
    });
}

TfrmBaseEdit::~TfrmBaseEdit() = default;

QWidget* TfrmBaseEdit::page(const QString& title) {
    const QString name = title.isEmpty() ? mainPage() : title;
    if (QWidget* w = pageWidgets_.value(name))
        return w;
    auto* w = new QWidget(pages_);
    w->setObjectName(QStringLiteral("ts") + name);
    auto* grid = new QGridLayout(w);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setHorizontalSpacing(8);
    pages_->addTab(w, name);
    pageWidgets_.insert(name, w);
    return w;
}

QGridLayout* TfrmBaseEdit::pageGrid(const QString& title) {
    return qobject_cast<QGridLayout*>(page(title)->layout());
}

void TfrmBaseEdit::buildPages() {
    for (const base::EditField& f : kind_.fields)
        addField(f);
}

void TfrmBaseEdit::addField(const base::EditField& field) {
    QWidget* p = page(field.page);
    QGridLayout* grid = pageGrid(field.page);
    const QString label = base::fieldLabel(kind_, field);
    QWidget* editor = nullptr;
    switch (field.kind) {
        case base::EditKind::Memo: {
            auto* e = new QPlainTextEdit(p);
            e->setMaximumHeight(field.page.isEmpty() ? 60 : 16777215);
            editor = e;
            break;
        }
        case base::EditKind::Check: {
            auto* c = new QCheckBox(label, p);
            editor = c;
            break;
        }
        case base::EditKind::Date: {
            auto* d = new QDateEdit(p);
            d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
            d->setCalendarPopup(true);
            d->setDate(QDate::currentDate());
            editor = d;
            break;
        }
        case base::EditKind::Combo: {
            auto* c = new QComboBox(p);
            c->addItems(field.items);
            editor = c;
            break;
        }
        case base::EditKind::Picker: {
            auto* e = new QLineEdit(p);
            e->setReadOnly(true);
            e->setProperty(kRecordIdProperty, 0);
            QAction* pick = e->addAction(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                         QLineEdit::TrailingPosition);
            const QString kindName = field.pickKind;
            connect(pick, &QAction::triggered, this, [this, e, kindName] {
                try {
                    if (const auto chosen = selectBase(kindName, QString(), this)) {
                        e->setProperty(kRecordIdProperty, chosen->id);
                        e->setText(chosen->name);
                    }
                } catch (const DytError& err) {
                    prompter().showError(caption::hint(), err);
                }
            });
            editor = e;
            break;
        }
        case base::EditKind::Number: {
            auto* e = new QLineEdit(p);
            auto* v = new QDoubleValidator(e);
            v->setNotation(QDoubleValidator::StandardNotation);
            e->setValidator(v);
            e->setAlignment(Qt::AlignRight);
            editor = e;
            break;
        }
        default:
            editor = new QLineEdit(p);
            break;
    }
    if (field.readOnly)
        setEditorLocked(editor, true);
    editor->setObjectName(QStringLiteral("ed") + field.name);
    editor->setProperty("FieldName", field.name);
    editors_.insert(field.name.toLower(), editor);
    // Two label/editor pairs per line; memos take the whole line, the code starts one.
    const QString lower = field.name.toLower();
    int& slot = slots_[field.page];
    const bool wide = field.kind == base::EditKind::Memo;
    if ((wide || lower == u"code") && slot % 2 == 1)
        ++slot;
    const int row = slot / 2;
    const int col = slot % 2;
    if (field.kind != base::EditKind::Check) {
        auto* l = new QLabel(label + QStringLiteral("："), p);
        l->setBuddy(editor);
        grid->addWidget(l, row, col * 2, wide ? Qt::AlignTop | Qt::AlignRight : Qt::AlignRight);
    }
    grid->addWidget(editor, row, col * 2 + 1, 1, wide ? 3 : 1);
    slot += wide ? 2 : 1;
    if (lower == u"fullname") {
        if (auto* e = qobject_cast<QLineEdit*>(editor))
            connect(e, &QLineEdit::editingFinished, this, [this] { fullNameLeft(); });
    }
    if (lower == u"code" && !kind_.autoCodeKind.isEmpty()) {
        // "自动编号" stands beside the code.
        grid->addWidget(cbAutoCode_, row, 3, Qt::AlignLeft);
        ++slot;
    }
}

const base::EditField* TfrmBaseEdit::fieldDef(const QString& name) const {
    for (const base::EditField& f : kind_.fields) {
        if (f.name.compare(name, Qt::CaseInsensitive) == 0)
            return &f;
    }
    return nullptr;
}

QWidget* TfrmBaseEdit::fieldEditor(const QString& name) const {
    return editors_.value(name.toLower());
}

QString TfrmBaseEdit::fieldValue(const QString& name) const {
    QWidget* w = fieldEditor(name);
    if (!w)
        return {};
    if (w->property(kRecordIdProperty).isValid())
        return QString::number(w->property(kRecordIdProperty).toLongLong());
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text().trimmed();
    if (auto* m = qobject_cast<QPlainTextEdit*>(w))
        return m->toPlainText();
    if (auto* c = qobject_cast<QCheckBox*>(w))
        return c->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    if (auto* d = qobject_cast<QDateEdit*>(w))
        return d->date().toString(QStringLiteral("yyyy-MM-dd"));
    if (auto* box = qobject_cast<QComboBox*>(w))
        return QString::number(std::max(0, box->currentIndex()));
    return {};
}

void TfrmBaseEdit::setFieldValue(const QString& name, const QVariant& value, const QString& shown) {
    QWidget* w = fieldEditor(name);
    if (!w)
        return;
    const base::EditField* def = fieldDef(name);
    if (w->property(kRecordIdProperty).isValid()) {
        w->setProperty(kRecordIdProperty, value.toLongLong());
        if (auto* e = qobject_cast<QLineEdit*>(w))
            e->setText(shown);
        return;
    }
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        QString text = value.toString();
        if (def && def->kind == base::EditKind::Days && value.toLongLong() == 0)
            text.clear();
        if (def && def->kind == base::EditKind::Number && !text.isEmpty())
            text = QString::number(value.toDouble(), 'g', 15);
        e->setText(text);
    } else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
        m->setPlainText(value.toString());
    } else if (auto* c = qobject_cast<QCheckBox*>(w)) {
        c->setChecked(value.toInt() != 0);
    } else if (auto* d = qobject_cast<QDateEdit*>(w)) {
        const QDate date =
            QDate::fromString(value.toString().left(10), QStringLiteral("yyyy-MM-dd"));
        if (date.isValid())
            d->setDate(date);
    } else if (auto* box = qobject_cast<QComboBox*>(w)) {
        box->setCurrentIndex(std::clamp(value.toInt(), 0, std::max(0, box->count() - 1)));
    }
}

void TfrmBaseEdit::fillFrom(const RecordSet& rows) {
    if (rows.currentRow() < 0)
        return;
    for (const base::EditField& f : kind_.fields) {
        const int i = rows.fieldIndex(f.name);
        if (i < 0)
            continue;
        QString shown;
        if (!f.showField.isEmpty() && rows.hasField(f.showField))
            shown = rows.text(f.showField);
        setFieldValue(f.name, rows.value(i), shown);
    }
}

void TfrmBaseEdit::setEditorLocked(QWidget* editor, bool locked) {
    if (auto* e = qobject_cast<QLineEdit*>(editor))
        e->setReadOnly(locked);
    else if (auto* m = qobject_cast<QPlainTextEdit*>(editor))
        m->setReadOnly(locked);
    else
        editor->setEnabled(!locked);
}

void TfrmBaseEdit::applyLocks() {
    for (const base::EditField& f : kind_.fields) {
        QWidget* w = fieldEditor(f.name);
        if (!w || f.readOnly || (!f.lockedWhenOpened && f.lockField.isEmpty()))
            continue;
        bool locked = f.lockedWhenOpened && settings().IsOpen != 0;
        if (!f.lockField.isEmpty() && loaded_.currentRow() >= 0 && loaded_.hasField(f.lockField))
            locked = locked || loaded_.text(f.lockField).toDouble() != 0;
        setEditorLocked(w, locked);
    }
}

void TfrmBaseEdit::setup(const EditorRequest& request) {
    id_ = request.id;
    parentId_ = request.parentId;
    buildPages();
    if (kind_.autoCodeKind.isEmpty()) {
        cbAutoCode_->setChecked(false);
        cbAutoCode_->hide();
    }
    if (id_ > 0) {
        loadRecord(id_);
        cbAutoCode_->setEnabled(false);
    } else if (request.source) {
        fillSource(*request.source);
        setFieldValue(QStringLiteral("code"), QString());
        // What the bills keep (shown only, or locked once they move it) is not copied.
        for (const base::EditField& f : kind_.fields)
            if (f.readOnly || !f.lockField.isEmpty())
                setFieldValue(f.name, QVariant(0));
        if (cbAutoCode_->isChecked())
            fetchAutoCode();
    } else if (cbAutoCode_->isChecked()) {
        fetchAutoCode();
    }
    applyLocks();
    if (QWidget* first = fieldEditor(QStringLiteral("code")))
        first->setFocus();
}

void TfrmBaseEdit::loadRecord(qint64 id) {
    RecordSet rows;
    if (kind_.listSql.isEmpty()) {
        ParamList params;
        params.setValue(QStringLiteral("QueryType"), kind_.queryType);
        params.setValue(kind_.editorKey, QStringLiteral(";id=") + QString::number(id));
        dmMain()->ExecProcQuery(kind_.listProcedure, params, &rows);
    } else {
        dmMain()->ExecQuery(base::copySourceSql(kind_, id), &rows);
    }
    rows.first();
    loaded_ = rows;
    fillFrom(rows);
    if (kind_.kindCode == u"WLDW") {
        RecordSet type;
        dmMain()->ExecQuery(
            QStringLiteral("select type from basewldw where id = ") + QString::number(id), &type);
        if (type.recordCount() > 0)
            setFieldValue(QStringLiteral("type"), type.value(0));
    }
}

void TfrmBaseEdit::fetchAutoCode() {
    RecordSet rows;
    dmMain()->ExecQuery(base::autoCodeSql(kind_, parentId_), &rows);
    // The one column of the answer is the code.
    if (rows.recordCount() > 0 && rows.fieldCount() > 0)
        setFieldValue(QStringLiteral("code"), rows.value(0).toString().trimmed());
}

void TfrmBaseEdit::fullNameLeft() {
    setFieldValue(QStringLiteral("pym"), GetPinYinLeader(fieldValue(QStringLiteral("fullname"))));
}

void TfrmBaseEdit::failIf(const QString& name, bool failed, const QString& message) {
    if (!failed)
        return;
    QWidget* w = fieldEditor(name);
    // The field's page comes to the front so that the focus can reach it.
    for (QWidget* p = w; p; p = p->parentWidget()) {
        const int index = pages_->indexOf(p);
        if (index >= 0) {
            pages_->setCurrentIndex(index);
            break;
        }
    }
    FailIf(w, false, message);
}

double TfrmBaseEdit::numberOf(const QString& name) const {
    return fieldValue(name).toDouble();
}

void TfrmBaseEdit::checkFields() {
    for (const QString& n : {QStringLiteral("code"), kind_.nameField}) {
        const base::EditField* def = fieldDef(n);
        if (!def)
            continue;
        failIf(n, fieldValue(n).isEmpty(), edittext::enter() + base::fieldLabel(kind_, *def));
    }
    if (kind_.kindCode == u"SP") {
        const double lower = numberOf(QStringLiteral("warnDown"));
        const double upper = numberOf(QStringLiteral("warnUP"));
        failIf(QStringLiteral("warnDown"), lower < 0, edittext::lowerBelowZero());
        failIf(QStringLiteral("warnUP"), upper < 0, edittext::upperBelowZero());
        failIf(QStringLiteral("warnUP"), lower > upper, edittext::lowerAboveUpper());
    } else if (kind_.kindCode == u"WLDW") {
        for (const char* name : {"ys_xyd", "yf_xyd"}) {
            const QString n = QLatin1String(name);
            failIf(n, numberOf(n) < 0,
                   base::fieldLabel(kind_, *fieldDef(n)) + edittext::notBelowZero());
        }
        failIf(QStringLiteral("yushouTotal00"),
               !isZero(fieldValue(QStringLiteral("yushouTotal00"))) &&
                   !isZero(fieldValue(QStringLiteral("yufuTotal00"))),
               edittext::advancesBoth());
        failIf(QStringLiteral("ystotal00"),
               !isZero(fieldValue(QStringLiteral("ystotal00"))) &&
                   !isZero(fieldValue(QStringLiteral("yftotal00"))),
               edittext::balancesBoth());
        for (const char* name : {"ysDays", "yfDays"}) {
            const QString n = QLatin1String(name);
            const QString text = fieldValue(n);
            bool ok = true;
            const qint64 days = text.toLongLong(&ok);
            failIf(n, !text.isEmpty() && (!ok || days < 1),
                   base::fieldLabel(kind_, *fieldDef(n)) + edittext::positiveInteger());
        }
    }
}

ParamList TfrmBaseEdit::collect() const {
    ParamList params;
    for (const base::EditField& f : kind_.fields) {
        QString value = fieldValue(f.name);
        if ((f.kind == base::EditKind::Days || f.kind == base::EditKind::Number) && value.isEmpty())
            value = QStringLiteral("0");
        // A parameter line holds no line break: the lines of a remark travel joined by blanks.
        value.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        value.replace(QLatin1Char('\n'), QLatin1Char(' '))
            .replace(QLatin1Char('\r'), QLatin1Char(' '));
        params.setValue(f.name, value);
    }
    params.setValue(QStringLiteral("id"), QString::number(id_));
    params.setValue(QStringLiteral("par_id"), QString::number(parentId_));
    if (kind_.sendsOperator)
        params.setValue(QStringLiteral("czy_id"), QString::number(loginedUser().UserId));
    return params;
}

void TfrmBaseEdit::saveParts(qint64 id) {
    if (kind_.kindCode != u"WLDW")
        return;
    // A partner's opening receivable, payable and advances are opening balances of the ledger:
    // they go through the opening-balance procedure, and only when they changed.
    static const char* const kOpening[][2] = {{"ystotal00", "ysTotal"},
                                              {"yftotal00", "yfTotal"},
                                              {"yushouTotal00", "yuShouTotal"},
                                              {"yufuTotal00", "yufuTotal"}};
    ParamList params;
    bool changed = false;
    for (const auto& pair : kOpening) {
        const QString field = QLatin1String(pair[0]);
        const QString text = fieldValue(field);
        const int f = loaded_.fieldIndex(field);
        const double old = f < 0 || loaded_.currentRow() < 0 ? 0.0 : loaded_.value(f).toDouble();
        if (std::abs(text.toDouble() - old) > 1e-9)
            changed = true;
        params.setValue(QLatin1String(pair[1]), text.isEmpty() ? QStringLiteral("0") : text);
    }
    if (!changed)
        return;
    params.setValue(QStringLiteral("id"), QString::number(id));
    dmMain()->ExecProc(QStringLiteral("P_JXC_INI_baseWLDW"), params);
}

void TfrmBaseEdit::fillSource(const RecordSet& source) {
    fillFrom(source);
}

bool TfrmBaseEdit::save() {
    try {
        checkFields();
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
        return false;
    }
    try {
        ParamList params = collect();
        const int result = dmMain()->ExecProc(kind_.saveProcedure, params);
        if (result > 0)
            id_ = result;
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
        return false;
    }
    try {
        saveParts(id_);
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
        return false;
    }
    baseDataChanged() = true;
    if (!kind_.autoCodeKind.isEmpty())
        autoCodeState() = cbAutoCode_->isChecked();
    return true;
}

void TfrmBaseEdit::btnOKClick() {
    btnOK()->setFocus();
    if (save())
        TfrmBaseDialog::btnOKClick();
}

TfrmBaseEdit* createBaseEditor(const base::BaseKind& kind, QWidget* parent) {
    if (kind.kindCode == u"SP")
        return new TfrmBaseGoodsSet(parent);
    return new TfrmBaseEdit(kind, parent);
}

bool runBaseEditor(const base::BaseKind& kind, const EditorRequest& request, QWidget* parent) {
    std::unique_ptr<TfrmBaseEdit> editor(createBaseEditor(kind, parent));
    editor->setWindowFlag(Qt::Window, true);
    try {
        editor->setup(request);
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
        return false;
    }
    return editor->exec() == 1;
}

}  // namespace dyt::client
