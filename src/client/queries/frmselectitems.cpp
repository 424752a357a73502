#include "client/queries/frmselectitems.h"

#include <algorithm>

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "client/bills/selectbase.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/settings.h"
#include "common/condition.h"
#include "common/error.h"
#include "common/recordset.h"

namespace dyt::client {

namespace {

PickerSelector defaultSelector() {
    return [](const QString& kindName, const QString& text,
              QWidget* parent) -> std::optional<PickerChoice> {
        const std::optional<BaseChoice> c = selectBase(kindName, text, parent);
        if (!c)
            return std::nullopt;
        return PickerChoice{c->id, c->name};
    };
}

GroupSelector defaultGroupSelector() {
    return [](const QString& kindName, QWidget* parent) {
        QList<PickerChoice> out;
        while (const std::optional<BaseChoice> c = selectBase(kindName, QString(), parent)) {
            const bool known = std::any_of(out.cbegin(), out.cend(),
                                           [&](const PickerChoice& p) { return p.id == c->id; });
            if (!known)
                out.append(PickerChoice{c->id, c->name});
        }
        return out;
    };
}

QDateEdit* newDateEdit(QWidget* parent, const QString& name) {
    auto* e = new QDateEdit(parent);
    e->setObjectName(name);
    e->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    e->setCalendarPopup(true);
    return e;
}

}  // namespace

PickerSelector& pickerSelector() {
    static PickerSelector s = defaultSelector();
    return s;
}

void resetPickerSelector() {
    pickerSelector() = defaultSelector();
}

std::optional<PickerChoice> pickRecord(PickerKind kind, const QString& typed,
                                       const QString& current, QWidget* parent) {
    const QString text = typed.trimmed();
    try {
        return pickerSelector()(pickerKindName(kind), text == current ? QString() : text, parent);
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
        return std::nullopt;
    }
}

GroupSelector& groupSelector() {
    static GroupSelector s = defaultGroupSelector();
    return s;
}

void resetGroupSelector() {
    groupSelector() = defaultGroupSelector();
}

QString copyRightsOperatorsSql(qint64 id) {
    return QStringLiteral(
               "  SELECT a.*,b.code,b.fullname FROM sysuser AS a,baseZY AS b  WHERE a.id = b.id "
               "AND a.id <> 1 AND a.id <> ") +
           QString::number(id);
}

// The controls of one page.
struct TfrmSelectItems::PageWidgets {
    QWidget* page = nullptr;
    QDateEdit* begin = nullptr;
    QDateEdit* end = nullptr;
    QDateEdit* begin2 = nullptr;
    QDateEdit* end2 = nullptr;
    QCheckBox* keep = nullptr;
    QList<QLineEdit*> pickers;
    QList<QCheckBox*> boxes;
    // One control per extra condition: a button group, a spin box, a date edit or a line edit.
    QList<QButtonGroup*> radios;
    QList<QWidget*> extras;
    // Group editors.
    QListWidget* groups = nullptr;
    QPushButton* addGroup = nullptr;
    QPushButton* deleteGroup = nullptr;
    // The operator list.
    QTreeWidget* operators = nullptr;
};

TfrmSelectItems::TfrmSelectItems(const QString& dialogClass, QWidget* parent)
    : TfrmBaseDialog(parent) {
    const QueryDialog* d = findQueryDialog(dialogClass);
    if (!d)
        throw DytError(QStringLiteral("未知的查询条件窗口[%1]").arg(dialogClass));
    def_ = *d;
    setObjectName(def_.className);
    setWindowTitle(query::text::dialogCaption());
    lbltitle()->setText(query::text::dialogCaption());
    auto* layout = new QVBoxLayout(contentBox());
    stack_ = new QStackedWidget(contentBox());
    stack_->setObjectName(QStringLiteral("pcSelect"));
    layout->addWidget(stack_);
    for (int i = 0; i < def_.pages.size(); ++i) {
        pages_.append(nullptr);
        // Pages are built when chosen; the stack keeps their places.
        auto* placeholder = new QWidget(stack_);
        stack_->addWidget(placeholder);
    }
}

TfrmSelectItems::~TfrmSelectItems() {
    qDeleteAll(pages_);
}

const QueryDialogPage& TfrmSelectItems::page() const {
    if (page_ < 0)
        throw DytError(QStringLiteral("查询条件窗口没有选择页面"));
    return def_.pages[page_];
}

TfrmSelectItems::PageWidgets& TfrmSelectItems::widgets() const {
    if (page_ < 0 || !pages_[page_])
        throw DytError(QStringLiteral("查询条件窗口没有选择页面"));
    return *pages_[page_];
}

void TfrmSelectItems::selectPage(const QString& caption) {
    const int i = def_.pageIndex(caption);
    if (i < 0)
        throw DytError(QStringLiteral("查询条件窗口[%1]没有页面[%2]").arg(def_.className, caption));
    selectPage(i);
}

void TfrmSelectItems::selectPage(int index) {
    if (index < 0 || index >= def_.pages.size())
        throw DytError(QStringLiteral("查询条件窗口[%1]没有第%2页").arg(def_.className).arg(index));
    if (!pages_[index])
        buildPage(index);
    page_ = index;
    stack_->setCurrentWidget(pages_[index]->page);
    const QueryDialogPage& p = def_.pages[index];
    const QString title =
        p.kind == PageKind::OperatorList ? p.caption : query::text::dialogCaption();
    setWindowTitle(title);
    lbltitle()->setText(title);
    resize(p.width, p.height);
    choices_ = QList<PickerChoice>(p.pickers.size());
    for (QLineEdit* e : pages_[index]->pickers)
        e->clear();
    groups_.clear();
    refreshGroups();
    loadSharedDates();
}

void TfrmSelectItems::loadSharedDates() {
    const query::QueryDates& shared = query::sharedQueryDates();
    PageWidgets& w = widgets();
    if (w.begin) {
        w.begin->setDate(shared.begin);
        w.end->setDate(shared.end);
        w.keep->setChecked(shared.keep);
        w.keep->show();
    }
    if (w.begin2) {
        w.begin2->setDate(shared.begin.addYears(-1));
        w.end2->setDate(shared.end.addYears(-1));
    }
}

void TfrmSelectItems::buildPage(int index) {
    const QueryDialogPage& p = def_.pages[index];
    auto* w = new PageWidgets;
    pages_[index] = w;
    w->page = new QWidget(stack_);
    w->page->setObjectName(QStringLiteral("ts%1").arg(index));
    w->page->setWindowTitle(p.caption);
    QWidget* old = stack_->widget(index);
    stack_->insertWidget(index, w->page);
    stack_->removeWidget(old);
    delete old;
    auto* grid = new QGridLayout(w->page);
    int row = 0;
    auto* caption = new QLabel(p.caption, w->page);
    caption->setObjectName(QStringLiteral("lblPage"));
    grid->addWidget(caption, row++, 0, 1, 3);
    if (p.dates) {
        w->begin = newDateEdit(w->page, QStringLiteral("deBegin"));
        w->end = newDateEdit(w->page, QStringLiteral("deEnd"));
        grid->addWidget(new QLabel(QStringLiteral("开始时间"), w->page), row, 0);
        grid->addWidget(w->begin, row++, 1, 1, 2);
        grid->addWidget(new QLabel(QStringLiteral("结束时间"), w->page), row, 0);
        grid->addWidget(w->end, row++, 1, 1, 2);
        if (p.secondDates) {
            w->begin2 = newDateEdit(w->page, QStringLiteral("deBegin2"));
            w->end2 = newDateEdit(w->page, QStringLiteral("deEnd2"));
            grid->addWidget(new QLabel(QStringLiteral("对比开始时间"), w->page), row, 0);
            grid->addWidget(w->begin2, row++, 1, 1, 2);
            grid->addWidget(new QLabel(QStringLiteral("对比结束时间"), w->page), row, 0);
            grid->addWidget(w->end2, row++, 1, 1, 2);
        }
        w->keep = new QCheckBox(query::text::keepDates(), w->page);
        w->keep->setObjectName(QStringLiteral("cbSaveDate"));
        grid->addWidget(w->keep, row++, 1, 1, 2);
    }
    for (int i = 0; i < p.pickers.size(); ++i) {
        const QueryPicker& k = p.pickers[i];
        auto* edit = new QLineEdit(w->page);
        edit->setObjectName(QStringLiteral("edPicker%1").arg(i));
        auto* button = new QToolButton(w->page);
        button->setText(QStringLiteral("..."));
        button->setObjectName(QStringLiteral("btnPicker%1").arg(i));
        grid->addWidget(new QLabel(k.label, w->page), row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(button, row++, 2);
        w->pickers.append(edit);
        connect(button, &QToolButton::clicked, this, [this, i] { choosePicker(i); });
        connect(edit, &QLineEdit::returnPressed, this, [this, i] { choosePicker(i); });
        // Emptying the text lets go of the record.
        connect(edit, &QLineEdit::textEdited, this, [this, i](const QString& t) {
            if (t.trimmed().isEmpty() && i < choices_.size())
                choices_[i] = PickerChoice{};
        });
    }
    for (const QueryExtra& x : p.extras) {
        QWidget* control = nullptr;
        switch (x.kind) {
            case ExtraKind::Radio: {
                auto* box = new QGroupBox(x.caption, w->page);
                auto* l = new QHBoxLayout(box);
                auto* group = new QButtonGroup(box);
                for (int i = 0; i < x.items.size(); ++i) {
                    auto* r = new QRadioButton(x.items[i], box);
                    r->setChecked(i == 0);
                    group->addButton(r, i);
                    l->addWidget(r);
                }
                w->radios.append(group);
                grid->addWidget(box, row++, 0, 1, 3);
                control = box;
                break;
            }
            case ExtraKind::Days:
            case ExtraKind::Number: {
                auto* spin = new QSpinBox(w->page);
                spin->setRange(-99999, 99999);
                spin->setValue(x.kind == ExtraKind::Days ? 30 : 1);
                control = spin;
                break;
            }
            case ExtraKind::Date: {
                auto* d = newDateEdit(w->page, QStringLiteral("deExtra"));
                d->setDate(settings().LoginDate.isValid() ? settings().LoginDate
                                                          : QDate::currentDate());
                control = d;
                break;
            }
            case ExtraKind::Text:
                control = new QLineEdit(w->page);
                break;
        }
        control->setObjectName(QStringLiteral("ex_") + x.key);
        if (x.kind != ExtraKind::Radio) {
            w->radios.append(nullptr);
            grid->addWidget(new QLabel(x.caption, w->page), row, 0);
            grid->addWidget(control, row++, 1, 1, 2);
        }
        w->extras.append(control);
    }
    if (p.kind == PageKind::Groups) {
        auto* box = new QGroupBox(query::text::groupsCaption(), w->page);
        box->setObjectName(QStringLiteral("gbGroups"));
        auto* l = new QGridLayout(box);
        w->groups = new QListWidget(box);
        w->groups->setObjectName(QStringLiteral("lbGroups"));
        w->addGroup = new QPushButton(query::text::addGroup(), box);
        w->addGroup->setObjectName(QStringLiteral("btnAddGroup"));
        w->deleteGroup = new QPushButton(query::text::deleteGroup(), box);
        w->deleteGroup->setObjectName(QStringLiteral("btnDelGroup"));
        l->addWidget(w->groups, 0, 0, 3, 1);
        l->addWidget(w->addGroup, 0, 1);
        l->addWidget(w->deleteGroup, 1, 1);
        l->setRowStretch(2, 1);
        connect(w->addGroup, &QPushButton::clicked, this, &TfrmSelectItems::addGroupClick);
        connect(w->deleteGroup, &QPushButton::clicked, this, &TfrmSelectItems::deleteGroupClick);
        grid->addWidget(box, row, 0, 1, 3);
        grid->setRowStretch(row++, 1);
    }
    if (p.kind == PageKind::OperatorList) {
        w->operators = new QTreeWidget(w->page);
        w->operators->setObjectName(QStringLiteral("lvOperators"));
        w->operators->setRootIsDecorated(false);
        w->operators->setHeaderLabels({query::text::operatorCode(), query::text::operatorName()});
        connect(w->operators, &QTreeWidget::itemDoubleClicked, this, [this] { btnOKClick(); });
        grid->addWidget(w->operators, row, 0, 1, 3);
        grid->setRowStretch(row++, 1);
    }
    if (!p.billBoxes.isEmpty()) {
        auto* box = new QGroupBox(QStringLiteral("选择单据"), w->page);
        box->setObjectName(QStringLiteral("gbBillType"));
        auto* l = new QGridLayout(box);
        for (int i = 0; i < p.billBoxes.size(); ++i) {
            auto* c = new QCheckBox(p.billBoxes[i].caption, box);
            c->setObjectName(QStringLiteral("cbBill%1").arg(p.billBoxes[i].djType));
            c->setChecked(true);
            l->addWidget(c, i / 3, i % 3);
            w->boxes.append(c);
        }
        grid->addWidget(box, row++, 0, 1, 3);
    }
    grid->setRowStretch(row, 1);
}

QDateEdit* TfrmSelectItems::beginEdit() const {
    return widgets().begin;
}
QDateEdit* TfrmSelectItems::endEdit() const {
    return widgets().end;
}
QCheckBox* TfrmSelectItems::keepDatesBox() const {
    return widgets().keep;
}
QList<QLineEdit*> TfrmSelectItems::pickerEdits() const {
    return widgets().pickers;
}
QList<QCheckBox*> TfrmSelectItems::billBoxes() const {
    return widgets().boxes;
}

QListWidget* TfrmSelectItems::groupList() const {
    return widgets().groups;
}
QPushButton* TfrmSelectItems::addGroupButton() const {
    return widgets().addGroup;
}
QPushButton* TfrmSelectItems::deleteGroupButton() const {
    return widgets().deleteGroup;
}
QTreeWidget* TfrmSelectItems::operatorList() const {
    return widgets().operators;
}

void TfrmSelectItems::refreshGroups() {
    QListWidget* list = page_ >= 0 && pages_[page_] ? pages_[page_]->groups : nullptr;
    if (!list)
        return;
    const int current = list->currentRow();
    list->clear();
    for (int i = 0; i < groups_.size(); ++i)
        list->addItem(query::groupLabel(i + 1, groups_[i]));
    if (!groups_.isEmpty())
        list->setCurrentRow(std::clamp(current, 0, static_cast<int>(groups_.size()) - 1));
}

void TfrmSelectItems::addGroupClick() {
    const QueryDialogPage& p = page();
    if (p.kind != PageKind::Groups)
        return;
    try {
        const QList<PickerChoice> chosen = groupSelector()
                                               ? groupSelector()(pickerKindName(p.groupKind), this)
                                               : QList<PickerChoice>();
        query::RecordGroup group;
        for (const PickerChoice& c : chosen) {
            if (c.id < 1)
                continue;
            for (int g = 0; g < groups_.size(); ++g) {
                for (const query::PickedRecord& r : groups_[g]) {
                    if (r.id == c.id)
                        throw DytError(query::text::alreadyGrouped(c.name, g + 1));
                }
            }
            const bool twice =
                std::any_of(group.cbegin(), group.cend(),
                            [&](const query::PickedRecord& r) { return r.id == c.id; });
            if (!twice)
                group.append(query::PickedRecord{p.groupKind, c.id, c.name});
        }
        if (group.isEmpty())
            return;
        groups_.append(group);
        refreshGroups();
        widgets().groups->setCurrentRow(static_cast<int>(groups_.size()) - 1);
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
    }
}

void TfrmSelectItems::deleteGroupClick() {
    if (page().kind != PageKind::Groups)
        return;
    const int current = widgets().groups->currentRow();
    if (current < 0 || current >= groups_.size()) {
        prompter().showError(caption::hint(), query::text::noGroupChosen());
        return;
    }
    groups_.removeAt(current);
    refreshGroups();
}

bool TfrmSelectItems::loadOperators(qint64 chosenOperator) {
    QTreeWidget* list = widgets().operators;
    if (!list)
        throw DytError(QStringLiteral("查询条件窗口[%1]没有操作员列表").arg(def_.className));
    TdmMain* dm = &dataModule();
    RecordSet rows;
    dm->ExecQuery(copyRightsOperatorsSql(chosenOperator), &rows);
    list->clear();
    for (int i = 0; i < rows.rowCount(); ++i) {
        rows.setRecNo(i);
        auto* item = new QTreeWidgetItem(
            list, {rows.text(QStringLiteral("code")), rows.text(QStringLiteral("fullname"))});
        item->setData(0, Qt::UserRole, rows.integer(QStringLiteral("id")));
    }
    if (list->topLevelItemCount() == 0) {
        prompter().showError(caption::hint(), query::text::noOperatorToCopy());
        return false;
    }
    list->setCurrentItem(list->topLevelItem(0));
    return true;
}

void TfrmSelectItems::setPicker(PickerRole role, qint64 id, const QString& name) {
    const QueryDialogPage& p = page();
    for (int i = 0; i < p.pickers.size(); ++i) {
        if (p.pickers[i].role != role)
            continue;
        choices_[i] = PickerChoice{id >= 1 ? id : 0, id >= 1 ? name : QString()};
        widgets().pickers[i]->setText(choices_[i].name);
        return;
    }
}

PickerChoice TfrmSelectItems::picker(PickerRole role) const {
    const QueryDialogPage& p = page();
    for (int i = 0; i < p.pickers.size(); ++i) {
        if (p.pickers[i].role == role)
            return choices_.value(i);
    }
    return {};
}

void TfrmSelectItems::choosePicker(int index) {
    const QueryDialogPage& p = page();
    if (index < 0 || index >= p.pickers.size())
        return;
    QLineEdit* edit = widgets().pickers[index];
    // The typed text searches, unless it is still the chosen name.
    const QString text = edit->text() == choices_[index].name ? QString() : edit->text();
    try {
        const std::optional<PickerChoice> c =
            pickerSelector() ? pickerSelector()(pickerKindName(p.pickers[index].kind), text, this)
                             : std::nullopt;
        if (!c)
            return;
        choices_[index] = *c;
        edit->setText(c->name);
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
    }
}

query::QueryConditions TfrmSelectItems::compose() const {
    const QueryDialogPage& p = page();
    const PageWidgets& w = widgets();
    query::QueryConditions c;
    c.dates = p.dates;
    c.secondDates = p.secondDates;
    if (w.begin) {
        c.begin = w.begin->date();
        c.end = w.end->date();
        query::checkDateRange(c.begin, c.end);
    }
    if (w.begin2) {
        c.begin2 = w.begin2->date();
        c.end2 = w.end2->date();
        query::checkDateRange(c.begin2, c.end2);
    }
    for (int i = 0; i < p.extras.size(); ++i) {
        const QueryExtra& x = p.extras[i];
        QString value;
        if (x.kind == ExtraKind::Radio) {
            value = QString::number(std::max(0, w.radios[i]->checkedId()));
        } else if (auto* spin = qobject_cast<QSpinBox*>(w.extras[i])) {
            if (x.caption == QStringLiteral("需求量天数") && spin->value() <= 0)
                throw DytError(query::text::badDemandDays());
            value = QString::number(spin->value());
        } else if (auto* date = qobject_cast<QDateEdit*>(w.extras[i])) {
            value = query::dateText(date->date());
        } else if (auto* line = qobject_cast<QLineEdit*>(w.extras[i])) {
            value = line->text();
        }
        c.extraFilter += conditionSegment(x.key, value);
    }
    if (p.kind == PageKind::Groups) {
        if (groups_.isEmpty())
            throw DytError(query::text::noGroups());
        c.groupKind = p.groupKind;
        c.groups = groups_;
    }
    if (p.kind == PageKind::OperatorList) {
        const QTreeWidgetItem* item = w.operators->currentItem();
        if (!item)
            throw DytError(query::text::noOperatorChosen());
        c.operatorId = item->data(0, Qt::UserRole).toLongLong();
    }
    QList<bool> ticked;
    for (const QCheckBox* b : w.boxes)
        ticked.append(b->isChecked());
    c.billTypes = query::pageBillTypes(p, ticked);
    for (int i = 0; i < p.pickers.size(); ++i) {
        const QueryPicker& k = p.pickers[i];
        const int role = static_cast<int>(k.role);
        if (c.strings.contains(role))
            continue;  // the first picker of a role counts
        c.picked.insert(role, query::PickedRecord{k.kind, choices_[i].id, choices_[i].name});
        if (k.role == PickerRole::Extra) {
            c.extraFilter += conditionSegment(
                k.key, choices_[i].id >= 1 ? QString::number(choices_[i].id) : QString());
            c.strings.insert(role, QString());
        } else {
            c.strings.insert(role, query::pickerCondition(choices_[i].id));
        }
    }
    return c;
}

bool TfrmSelectItems::accept() {
    try {
        query::QueryConditions c = compose();
        const PageWidgets& w = widgets();
        if (w.keep) {
            query::QueryDates& shared = query::sharedQueryDates();
            if (w.keep->isChecked()) {
                shared.begin = c.begin;
                shared.end = c.end;
            }
            shared.keep = w.keep->isChecked();
        }
        result_ = std::move(c);
        return true;
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
        return false;
    }
}

void TfrmSelectItems::btnOKClick() {
    if (accept())
        TfrmBaseDialog::btnOKClick();
}

void TfrmSelectItems::FormShow() {
    TfrmBaseDialog::FormShow();
    if (page_ >= 0) {
        resize(def_.pages[page_].width, def_.pages[page_].height);
        loadSharedDates();
    }
}

}  // namespace dyt::client
