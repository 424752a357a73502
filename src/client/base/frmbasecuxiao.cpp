#include "client/base/frmbasecuxiao.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTableView>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

#include "client/bills/selectbase.h"
#include "client/bills/selectgoods.h"
#include "client/common/griddelegate.h"
#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "common/currency.h"
#include "common/error.h"
#include "common/formatting.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace {

const QString kDateFormat = u"yyyy-MM-dd"_s;
constexpr int kSalesBill = 1;  // the goods offered are those a sales bill may sell

QString functionCode() {
    return QString::number(promo::kFunctionCode);
}

QDateEdit* dateEdit(QWidget* owner, const char* name) {
    auto* d = new QDateEdit(QDate::currentDate(), owner);
    d->setObjectName(QLatin1String(name));
    d->setDisplayFormat(kDateFormat);
    d->setCalendarPopup(true);
    return d;
}

QLineEdit* lineEdit(QWidget* owner, const char* name) {
    auto* e = new QLineEdit(owner);
    e->setObjectName(QLatin1String(name));
    return e;
}

// Enter in a partner field opens the selection of partners with the text; an empty text clears
// the choice (the list shows `allText` for it).
void makePartnerField(QWidget* owner, PickedRecord& r, const char* name, const QString& allText,
                      const std::function<void()>& changed) {
    r.edit = lineEdit(owner, name);
    r.edit->setPlaceholderText(allText);
    QObject::connect(r.edit, &QLineEdit::returnPressed, owner, [owner, &r, changed] {
        const QString text = r.edit->text().trimmed();
        if (text.isEmpty() || (r.id > 0 && text == r.name)) {
            if (text.isEmpty()) {
                r.id = 0;
                r.name.clear();
            }
            changed();
            return;
        }
        try {
            const std::optional<BaseChoice> choice = selectBase(u"wldw"_s, text, owner);
            if (choice) {
                r.id = choice->id;
                r.name = choice->name;
            }
        } catch (const DytError& e) {
            prompter().showError(caption::hint(), e);
        }
        r.edit->setText(r.name);
        changed();
    });
}

// The goods the selection hands over for the text.
QList<PickedGoods> selectGoods(const QString& text, qint64 partnerId, QWidget* parent) {
    QList<PickedGoods> picked;
    GoodsTarget target;
    target.lineOf = [&picked](qint64 goods, qint64) {
        for (int i = 0; i < picked.size(); ++i)
            if (picked.at(i).id == goods)
                return i + 1;
        return 0;
    };
    target.add = [&picked](const SelectedGoods& g) { picked.append({g.goodsId, g.code, g.name}); };
    selectGoodsByText(target, kSalesBill, partnerId, 0, 0, text.trimmed(), selecttext::title(),
                      false, parent);
    return picked;
}

double numberOf(QLineEdit* edit, const QString& caption) {
    const QString t = edit->text().trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
        edit->setFocus();
        throw DytError(caption + u"必须是数字"_s);
    }
    return v;
}

// A figure as the fields show it: no trailing zeros.
QString numberText(double v) {
    return Currency::fromDouble(v).toString();
}

[[noreturn]] void failAt(QWidget* control, const QString& message) {
    if (control)
        control->setFocus();
    throw DytError(message);
}

}  // namespace

// ---- the list -------------------------------------------------------------------------------

TfrmBaseCUXiao::TfrmBaseCUXiao(QWidget* parent) : TfrmXAbstract(parent) {
    setObjectName(u"TfrmBaseCUXiao"_s);
    setTitle(promo::text::listTitle());
    QToolBar* bar = toolBar();
    auto add = [&](const char* name, const QString& text, bool (TfrmBaseCUXiao::*handler)()) {
        auto* a = new QAction(text, this);
        a->setObjectName(QLatin1String(name));
        bar->insertAction(btnPrint(), a);
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };
    btnAdd_ = add("btnAdd", promo::text::add(), &TfrmBaseCUXiao::btnAddClick);
    btnEntry_ = add("btnEntry", promo::text::entryTitle(), &TfrmBaseCUXiao::btnEntryClick);
    btnUpdate_ = add("btnUpdate", promo::text::edit(), &TfrmBaseCUXiao::btnUpdateClick);
    btnDel_ = add("btnDel", promo::text::remove(), &TfrmBaseCUXiao::btnDelClick);
    btnStop_ = add("btnStop", promo::text::stop(), &TfrmBaseCUXiao::btnStopClick);

    makePartnerField(this, partner_, "edPartner", promo::text::allPartners(),
                     [this] { run([this] { loadList(); }); });
    addHeaderField(promo::text::partner(), partner_.edit);
    goods_.edit = lineEdit(this, "edGoods");
    goods_.edit->setPlaceholderText(promo::text::allGoods());
    connect(goods_.edit, &QLineEdit::returnPressed, this, [this] {
        const QString text = goods_.edit->text().trimmed();
        if (text.isEmpty()) {
            goods_.id = 0;
            goods_.name.clear();
        } else if (goods_.id <= 0 || text != goods_.name) {
            try {
                const QList<PickedGoods> picked = selectGoods(text, 0, this);
                if (!picked.isEmpty()) {
                    goods_.id = picked.first().id;
                    goods_.name = picked.first().name;
                }
            } catch (const DytError& e) {
                showError(e);
            }
            goods_.edit->setText(goods_.name);
        }
        run([this] { loadList(); });
    });
    addHeaderField(promo::text::goods(), goods_.edit);
    cbStopped_ = new QCheckBox(promo::text::includeStopped(), this);
    cbStopped_->setObjectName(u"cbIncludeStopped"_s);
    addHeaderField(promo::text::includeStopped(), cbStopped_);
    connect(cbStopped_, &QCheckBox::clicked, this, [this] { run([this] { loadList(); }); });

    tvCategory()->hide();
    QTableView* table = dbgvX()->table();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(table, &QTableView::doubleClicked, this, [this] { btnUpdateClick(); });
    bindGridKey(Qt::Key_Return, [this] { return btnUpdateClick(); });
    bindGridKey(Qt::Key_Delete, [this] { return btnDelClick(); });

    const struct {
        const char* caption;
        const char* field;
        int width;
    } columns[] = {
        {"促销协议名称", "name", 120}, {"促销客户", "khName", 120},
        {"商品编号", "goodsCode", 80}, {"商品名称", "goodsName", 120},
        {"开始日期", "BeginDate", 80}, {"结束日期", "EndDate", 80},
        {"买赠促销", "mzsm", 90},      {"[%NUM%P%]促销价格", "cxPrice", 80},
        {"备注", "comment", 120},      {"状态", "stopName", 60},
    };
    for (const auto& c : columns)
        addColumn(QString::fromUtf8(c.caption), QString::fromLatin1(c.field), false, c.width);
}

TfrmBaseCUXiao::~TfrmBaseCUXiao() = default;

QString TfrmBaseCUXiao::layoutKey() const {
    return u"TfrmBaseCUXiao_dbgvX"_s;
}

void TfrmBaseCUXiao::FormCreate() {
    TfrmXAbstract::FormCreate();
    applyRights();
    run([this] { loadList(); });
}

void TfrmBaseCUXiao::applyRights() {
    const QString menu = functionCode();
    const bool canAdd = checkPurview(menu, u"01"_s, promo::text::add(), false);
    btnAdd_->setVisible(canAdd);
    btnEntry_->setVisible(canAdd);
    const bool canEdit = checkPurview(menu, u"02"_s, promo::text::edit(), false);
    btnUpdate_->setVisible(canEdit);
    btnStop_->setVisible(canEdit);
    btnDel_->setVisible(checkPurview(menu, u"03"_s, promo::text::remove(), false));
    btnPrint()->setVisible(checkPurview(menu, u"04"_s, promo::text::print(), false));
}

void TfrmBaseCUXiao::run(const std::function<void()>& action) {
    try {
        action();
    } catch (const DytError& e) {
        showError(e);
    }
}

void TfrmBaseCUXiao::refreshData() {
    run([this] { loadList(); });
}

void TfrmBaseCUXiao::loadList() {
    ParamList params =
        promo::listParams(loginedUser().UserId, partner_.id, goods_.id, cbStopped_->isChecked());
    RecordSet rows;
    dataModule().ExecProcQuery(promo::text::listProcedure(), params, &rows);
    const int focus = focusedRow();
    loadRecords([&rows](RecordSet& target) { target = std::move(rows); });
    const int count = model()->rowCount();
    setFocusedRow(count == 0 ? -1 : std::clamp(focus, 0, count - 1));
}

QList<qint64> TfrmBaseCUXiao::chosenIds() const {
    QList<int> rows;
    if (QItemSelectionModel* sel = dbgvX()->table()->selectionModel()) {
        for (const QModelIndex& i : sel->selectedRows())
            rows.append(i.row());
    }
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty() && focusedRow() >= 0)
        rows.append(focusedRow());
    QList<qint64> ids;
    const int idField = records().fieldIndex(u"id"_s);
    for (int r : rows) {
        if (idField >= 0 && r >= 0 && r < model()->rowCount())
            ids.append(records().at(model()->rawRow(r), idField).toLongLong());
    }
    return ids;
}

bool TfrmBaseCUXiao::btnAddClick() {
    if (!btnAdd_->isVisible())
        return false;
    TfrmBaseCuXiaoSet editor(this);
    editor.setup(0);
    if (editor.exec() != 1)
        return false;
    refreshData();
    return true;
}

bool TfrmBaseCUXiao::btnEntryClick() {
    if (!btnEntry_->isVisible())
        return false;
    auto* entry = new TfrmBillCuXiao(this);
    entry->setWindowFlag(Qt::Window, true);
    entry->setAttribute(Qt::WA_DeleteOnClose);
    connect(entry, &QObject::destroyed, this, [this] { refreshData(); });
    entry->show();
    return true;
}

bool TfrmBaseCUXiao::btnUpdateClick() {
    if (!btnUpdate_->isVisible())
        return false;
    const QList<qint64> ids = chosenIds();
    if (ids.isEmpty())
        return false;
    TfrmBaseCuXiaoSet editor(this);
    try {
        editor.setup(ids.first());
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    if (editor.exec() != 1)
        return false;
    refreshData();
    return true;
}

bool TfrmBaseCUXiao::btnDelClick() {
    if (!btnDel_->isVisible())
        return false;
    const QList<qint64> ids = chosenIds();
    if (ids.isEmpty() ||
        !prompter().confirm(caption::hint(), promo::text::confirmDelete(), buttons::okCancel()))
        return false;
    bool done = false;
    run([&] {
        for (qint64 id : ids) {
            ParamList p = promo::deleteParams(id);
            dataModule().ExecProc(promo::text::procedure(), p, true);
        }
        done = true;
    });
    refreshData();
    return done;
}

bool TfrmBaseCUXiao::btnStopClick() {
    if (!btnStop_->isVisible())
        return false;
    const QList<qint64> ids = chosenIds();
    if (ids.isEmpty())
        return false;
    bool done = false;
    run([&] {
        dataModule().ExecUpdate(promo::toggleStopSql(ids));
        done = true;
    });
    refreshData();
    return done;
}

// ---- the editor -----------------------------------------------------------------------------

TfrmBaseCuXiaoSet::TfrmBaseCuXiaoSet(QWidget* parent) : TfrmBaseDialog(parent) {
    setObjectName(u"TfrmBaseCuXiaoSet"_s);
    setWindowTitle(promo::text::editorTitle());
    lbltitle()->setText(promo::text::editorTitle());
    buildControls();
}

TfrmBaseCuXiaoSet::~TfrmBaseCuXiaoSet() = default;

void TfrmBaseCuXiaoSet::buildControls() {
    auto* form = new QFormLayout(contentBox());
    edName_ = lineEdit(this, "edName");
    form->addRow(promo::text::name() + u'：', edName_);
    makePartnerField(this, partner_, "edPartner", QString(), [] {});
    form->addRow(promo::text::partner() + u'：', partner_.edit);
    edGoods_ = lineEdit(this, "edGoods");
    connect(edGoods_, &QLineEdit::returnPressed, this, [this] { pickGoods(); });
    form->addRow(promo::text::goods() + u'：', edGoods_);
    deBegin_ = dateEdit(this, "deBegin");
    deEnd_ = dateEdit(this, "deEnd");
    form->addRow(promo::text::beginDate() + u'：', deBegin_);
    form->addRow(promo::text::endDate() + u'：', deEnd_);
    cbGift_ = new QCheckBox(promo::text::giftMode(), this);
    cbGift_->setObjectName(u"cbGift"_s);
    cbPrice_ = new QCheckBox(promo::text::priceMode(), this);
    cbPrice_->setObjectName(u"cbPrice"_s);
    form->addRow(promo::text::mode() + u'：', cbGift_);
    form->addRow(QString(), cbPrice_);
    edBuy_ = lineEdit(this, "edBuy");
    edGive_ = lineEdit(this, "edGive");
    edGiftText_ = lineEdit(this, "edGiftText");
    edPrice_ = lineEdit(this, "edPrice");
    edComment_ = lineEdit(this, "edComment");
    form->addRow(promo::text::buyQty() + u'：', edBuy_);
    form->addRow(promo::text::giveQty() + u'：', edGive_);
    form->addRow(promo::text::giftText() + u'：', edGiftText_);
    form->addRow(promo::text::price() + u'：', edPrice_);
    form->addRow(promo::text::comment() + u'：', edComment_);
    connect(edBuy_, &QLineEdit::editingFinished, this, [this] { refreshGiftText(); });
    connect(edGive_, &QLineEdit::editingFinished, this, [this] { refreshGiftText(); });
    // Enter walks on from field to field; on the last it is "确定(&O)".
    const QList<QWidget*> order = {edName_, partner_.edit, edGoods_, deBegin_,
                                   deEnd_,  cbGift_,       cbPrice_, edBuy_,
                                   edGive_, edGiftText_,   edPrice_, edComment_};
    for (int i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order.at(i), order.at(i + 1));
}

void TfrmBaseCuXiaoSet::refreshGiftText() {
    const QString text = edGiftText_->text().trimmed();
    if (!text.isEmpty() && text != shownGiftText_)
        return;  // the operator's own words stay
    bool okBuy = false, okGive = false;
    const double buy = edBuy_->text().trimmed().toDouble(&okBuy);
    const double give = edGive_->text().trimmed().toDouble(&okGive);
    if (!okBuy || !okGive || buy <= 0 || give <= 0)
        return;
    shownGiftText_ = promo::text::defaultGiftText(std::llround(buy), std::llround(give));
    edGiftText_->setText(shownGiftText_);
}

void TfrmBaseCuXiaoSet::setup(qint64 id) {
    id_ = id;
    goodsList_.clear();
    if (id <= 0) {
        deBegin_->setDate(QDate::currentDate());
        deEnd_->setDate(QDate::currentDate());
        return;
    }
    ParamList p = promo::recordParams(id);
    RecordSet rs;
    dataModule().ExecProcQuery(promo::text::listProcedure(), p, &rs);
    if (rs.rowCount() == 0)
        throw DytError(u"促销协议[%1]不存在或已被删除"_s.arg(id));
    rs.first();
    edName_->setText(rs.text(u"name"_s));
    partner_.id = static_cast<qint64>(rs.number(u"khid"_s));
    partner_.name = rs.text(u"khName"_s);
    partner_.edit->setText(partner_.name);
    goodsList_.append(
        {qint64(rs.number(u"goodsid"_s)), rs.text(u"goodsCode"_s), rs.text(u"goodsName"_s)});
    edGoods_->setText(goodsList_.first().name);
    deBegin_->setDate(QDate::fromString(rs.text(u"BeginDate"_s).left(10), kDateFormat));
    deEnd_->setDate(QDate::fromString(rs.text(u"EndDate"_s).left(10), kDateFormat));
    cbGift_->setChecked(rs.number(u"ismzcx"_s) == 1);
    cbPrice_->setChecked(rs.number(u"isjgcx"_s) == 1);
    edBuy_->setText(numberText(rs.number(u"gmsl"_s)));
    edGive_->setText(numberText(rs.number(u"zssl"_s)));
    edGiftText_->setText(rs.text(u"mzsm"_s));
    // Words the system wrote follow the quantities; the operator's own stay.
    const QString rule = promo::text::defaultGiftText(std::llround(rs.number(u"gmsl"_s)),
                                                      std::llround(rs.number(u"zssl"_s)));
    shownGiftText_ = rs.text(u"mzsm"_s) == rule ? rule : QString();
    edPrice_->setText(numberText(rs.number(u"cxPrice"_s)));
    edComment_->setText(rs.text(u"comment"_s));
}

bool TfrmBaseCuXiaoSet::pickGoods() {
    const QString text = edGoods_->text().trimmed();
    QList<PickedGoods> picked;
    try {
        picked = selectGoods(text, partner_.id, this);
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
    }
    if (!picked.isEmpty()) {
        // A saved agreement stays with one goods; a new one takes every goods picked.
        goodsList_ = id_ > 0 ? QList<PickedGoods>{picked.first()} : picked;
    }
    QStringList names;
    for (const PickedGoods& g : goodsList_)
        names << g.name;
    edGoods_->setText(names.join(u'，'));
    return !picked.isEmpty();
}

promo::Agreement TfrmBaseCuXiaoSet::agreementFor(const PickedGoods& g) const {
    promo::Agreement a;
    a.id = id_;
    a.name = edName_->text().trimmed();
    a.partnerId = partner_.id;
    a.goodsId = g.id;
    a.begin = deBegin_->date().toString(kDateFormat);
    a.end = deEnd_->date().toString(kDateFormat);
    a.gift = cbGift_->isChecked();
    a.price = cbPrice_->isChecked();
    a.giftText = edGiftText_->text().trimmed();
    a.comment = edComment_->text().trimmed();
    return a;
}

void TfrmBaseCuXiaoSet::btnOKClick() {
    btnOK()->setFocus();  // a field being edited is taken first
    // The focus may not move while the window is not active; the words follow the quantities
    // all the same.
    refreshGiftText();
    try {
        if (edName_->text().trimmed().isEmpty())
            failAt(edName_, promo::text::enter(promo::text::name()));
        if (partner_.id <= 0 || partner_.edit->text().trimmed() != partner_.name)
            failAt(partner_.edit, promo::text::choose(promo::text::partner()));
        if (goodsList_.isEmpty())
            failAt(edGoods_, promo::text::choose(promo::text::goods()));
        promo::Agreement first = agreementFor(goodsList_.first());
        first.buy = numberOf(edBuy_, promo::text::buyQty());
        first.give = numberOf(edGive_, promo::text::giveQty());
        first.promotionPrice = numberOf(edPrice_, promo::text::price());
        if (const auto error = promo::editorError(first)) {
            QWidget* at = *error == promo::text::beginAfterEnd()   ? static_cast<QWidget*>(deBegin_)
                          : *error == promo::text::noMode()        ? static_cast<QWidget*>(cbGift_)
                          : *error == promo::text::priceNegative() ? static_cast<QWidget*>(edPrice_)
                                                                   : static_cast<QWidget*>(edBuy_);
            failAt(at, *error);
        }
        // One agreement per goods; a goods saved leaves the list, so that a second try after a
        // refusal does not save it twice.
        while (!goodsList_.isEmpty()) {
            promo::Agreement a = agreementFor(goodsList_.first());
            a.buy = first.buy;
            a.give = first.give;
            a.promotionPrice = first.promotionPrice;
            ParamList p = promo::saveParams(a);
            dataModule().ExecProc(promo::text::procedure(), p, true);
            if (id_ <= 0)
                goodsList_.removeFirst();
            else
                break;
        }
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
        return;
    }
    settings().HasPromotions = true;
    TfrmBaseDialog::btnOKClick();
}

// ---- the entry window -----------------------------------------------------------------------

TfrmBillCuXiao::TfrmBillCuXiao(QWidget* parent) : TfrmXAbstract(parent) {
    setObjectName(u"TfrmBillCuXiao"_s);
    setTitle(promo::text::entryTitle());
    buildControls();
    buildColumns();
    RecordSet& rs = records();
    rs.addField(u"goodsid"_s, FieldType::Integer);
    rs.addField(u"goodsCode"_s, FieldType::Text, 50);
    rs.addField(u"goodsname"_s, FieldType::Text, 100);
    rs.addField(u"barcode"_s, FieldType::Text, 50);
    rs.addField(u"gmsl"_s, FieldType::Float);
    rs.addField(u"zssl"_s, FieldType::Float);
    rs.addField(u"mzsm"_s, FieldType::Text, 100);
    rs.addField(u"cxPrice"_s, FieldType::Float);
    showRecords();
    connect(model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& index) { cellChanged(index); });
    QTableView* table = dbgvX()->table();
    table->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                           QAbstractItemView::EditKeyPressed);
    table->installEventFilter(this);
    if (auto* delegate = qobject_cast<GridItemDelegate*>(table->itemDelegate()))
        connect(delegate, &GridItemDelegate::editorReturned, this,
                [this](const QModelIndex& index) { walkFrom(index); });
}

TfrmBillCuXiao::~TfrmBillCuXiao() = default;

void TfrmBillCuXiao::buildControls() {
    tvCategory()->hide();
    btnSave_ = new QAction(u"保存"_s, this);
    btnSave_->setObjectName(u"btnSave"_s);
    btnSave_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    btnSave_->setShortcutContext(Qt::WindowShortcut);
    toolBar()->insertAction(btnPrint(), btnSave_);
    addAction(btnSave_);
    connect(btnSave_, &QAction::triggered, this, [this] { btnSaveClick(); });

    makePartnerField(this, partner_, "edPartner", QString(), [this] {
        if (partner_.id > 0)
            edName_->setFocus();
    });
    addHeaderField(promo::text::partner(), partner_.edit);
    edName_ = lineEdit(this, "edName");
    addHeaderField(promo::text::name(), edName_);
    deBegin_ = dateEdit(this, "deBegin");
    addHeaderField(promo::text::beginDate(), deBegin_);
    deEnd_ = dateEdit(this, "deEnd");
    addHeaderField(promo::text::endDate(), deEnd_);
    cbMode_ = new QComboBox(this);
    cbMode_->setObjectName(u"cbMode"_s);
    cbMode_->addItems({promo::text::giftMode(), promo::text::priceMode()});
    addHeaderField(promo::text::mode(), cbMode_);
    connect(cbMode_, &QComboBox::currentIndexChanged, this, [this](int i) { modeChanged(i); });
    edComment_ = lineEdit(this, "edComment");
    addHeaderField(promo::text::comment(), edComment_);
    const QStringList free = promo::text::userFields();
    for (int i = 0; i < free.size(); ++i) {
        QLineEdit* e =
            lineEdit(this, QStringLiteral("edZiDingYi%1").arg(i + 1).toLatin1().constData());
        userFields_.append(e);
        addHeaderField(free.at(i), e);
    }
    edGoods_ = lineEdit(this, "edGoods");
    addHeaderField(promo::text::goods(), edGoods_);
    connect(edGoods_, &QLineEdit::returnPressed, this, [this] {
        if (addGoodsText(edGoods_->text()))
            edGoods_->clear();
    });
    connect(edName_, &QLineEdit::returnPressed, this, [this] { deBegin_->setFocus(); });
}

void TfrmBillCuXiao::buildColumns() {
    gridDefinition().columns.clear();
    const bool gift = mode() == promo::Mode::Gift;
    const struct {
        const char* caption;
        const char* field;
        bool editable;
        bool shown;
    } columns[] = {
        {"商品编号", "goodsCode", false, true},        {"商品名称", "goodsname", false, true},
        {"[%F%]条码", "barcode", false, true},         {"[%NUM%P%]购买数量", "gmsl", true, gift},
        {"[%NUM%P%]赠送数量", "zssl", true, gift},     {"[]买赠说明", "mzsm", true, gift},
        {"[%NUM%P%]促销价格", "cxPrice", true, !gift}, {"商品ID", "goodsid", false, false},
    };
    for (const auto& c : columns) {
        GridColumn& column = addColumn(QString::fromUtf8(c.caption), QString::fromLatin1(c.field),
                                       c.editable, c.shown ? 90 : 0);
        if (!c.shown)
            column.visible = false;
    }
}

promo::Mode TfrmBillCuXiao::mode() const {
    return cbMode_ && cbMode_->currentIndex() == 1 ? promo::Mode::Price : promo::Mode::Gift;
}

QList<int> TfrmBillCuXiao::goodsRows() const {
    QList<int> rows;
    const int f = records().fieldIndex(u"goodsid"_s);
    for (int r = 0; r < records().rowCount(); ++r)
        if (records().at(r, f).toLongLong() > 0)
            rows.append(r);
    return rows;
}

void TfrmBillCuXiao::modeChanged(int index) {
    if (index == shownMode_)
        return;
    if (!goodsRows().isEmpty() &&
        !prompter().confirm(caption::hint(), promo::text::modeChange(), buttons::yesNo())) {
        const QSignalBlocker block(cbMode_);
        cbMode_->setCurrentIndex(shownMode_);
        return;
    }
    shownMode_ = index;
    records().clearRows();
    buildColumns();
    showRecords();
}

bool TfrmBillCuXiao::addGoodsText(const QString& text) {
    if (text.trimmed().isEmpty())
        return false;
    QList<PickedGoods> picked;
    try {
        picked = selectGoods(text, partner_.id, this);
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    if (picked.isEmpty())
        return false;
    RecordSet& rs = records();
    int first = -1;
    filling_ = true;
    for (const PickedGoods& g : picked) {
        RecordSet::Row row(rs.fieldCount());
        row[rs.fieldIndex(u"goodsid"_s)] = g.id;
        row[rs.fieldIndex(u"goodsCode"_s)] = g.code;
        row[rs.fieldIndex(u"goodsname"_s)] = g.name;
        row[rs.fieldIndex(u"gmsl"_s)] = 0.0;
        row[rs.fieldIndex(u"zssl"_s)] = 0.0;
        row[rs.fieldIndex(u"cxPrice"_s)] = 0.0;
        rs.appendRow(row);
        if (first < 0)
            first = rs.rowCount() - 1;
    }
    showRecords();
    filling_ = false;
    // The cursor goes to the first figure of the first line added.
    const QString field = mode() == promo::Mode::Gift ? u"gmsl"_s : u"cxPrice"_s;
    const auto& columns = gridDefinition().columns;
    for (int c = 0; c < columns.size(); ++c) {
        if (columns.at(c).fieldName == field) {
            QTableView* table = dbgvX()->table();
            table->setCurrentIndex(model()->index(first, c));
            table->setFocus();
        }
    }
    return true;
}

void TfrmBillCuXiao::cellChanged(const QModelIndex& index) {
    if (filling_ || !index.isValid())
        return;
    const auto& columns = gridDefinition().columns;
    if (index.column() < 0 || index.column() >= columns.size())
        return;
    const QString field = columns.at(index.column()).fieldName;
    if (field != u"gmsl"_s && field != u"zssl"_s)
        return;
    // The rule's words follow the quantities until the operator writes his own.
    RecordSet& rs = records();
    const int row = model()->rawRow(index.row());
    const double buy = rs.at(row, rs.fieldIndex(u"gmsl"_s)).toDouble();
    const double give = rs.at(row, rs.fieldIndex(u"zssl"_s)).toDouble();
    const int textField = rs.fieldIndex(u"mzsm"_s);
    const QString text = rs.at(row, textField).toString().trimmed();
    if (buy <= 0 || give <= 0 || (!text.isEmpty() && !text.startsWith(u"买 "_s)))
        return;
    filling_ = true;
    rs.setAt(row, textField, promo::text::defaultGiftText(std::llround(buy), std::llround(give)));
    filling_ = false;
    dbgvX()->table()->viewport()->update();
}

void TfrmBillCuXiao::walkFrom(const QModelIndex& at) {
    // Enter in the lines walks to the next figure of the line, then to the goods field for the
    // next goods.
    QTableView* table = dbgvX()->table();
    const auto& columns = gridDefinition().columns;
    for (int c = at.column() + 1; at.isValid() && c < columns.size(); ++c) {
        if (columns.at(c).editable && columns.at(c).visible) {
            table->setCurrentIndex(model()->index(at.row(), c));
            return;
        }
    }
    edGoods_->setFocus();
}

bool TfrmBillCuXiao::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dbgvX()->table() && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier) {
            walkFrom(dbgvX()->table()->currentIndex());
            return true;
        }
    }
    return TfrmXAbstract::eventFilter(watched, event);
}

void TfrmBillCuXiao::checkBeforeSave() {
    if (partner_.id <= 0 || partner_.edit->text().trimmed() != partner_.name)
        failAt(partner_.edit, promo::text::headerEmpty(promo::text::partner()));
    if (edName_->text().trimmed().isEmpty())
        failAt(edName_, promo::text::headerEmpty(promo::text::name()));
    if (deBegin_->date() > deEnd_->date())
        failAt(deBegin_, promo::text::beginAfterEnd());
    const QList<int> rows = goodsRows();
    if (rows.isEmpty())
        failAt(edGoods_, promo::text::noLines());
    const RecordSet& rs = records();
    for (int i = 0; i < rows.size(); ++i) {
        const int r = rows.at(i);
        if (const auto error =
                promo::lineError(mode(), i + 1, rs.at(r, rs.fieldIndex(u"gmsl"_s)).toDouble(),
                                 rs.at(r, rs.fieldIndex(u"zssl"_s)).toDouble(),
                                 rs.at(r, rs.fieldIndex(u"cxPrice"_s)).toDouble()))
            throw DytError(*error);
    }
}

// The lines in grid order: a line that overlaps a running agreement of the same kind is skipped
// when the operator says so; anything else stops the pass. Saved lines leave the grid. Returns
// the number saved; -1 when the operator stopped the pass.
int TfrmBillCuXiao::saveLines() {
    RecordSet& rs = records();
    const promo::Mode m = mode();
    const QString begin = deBegin_->date().toString(kDateFormat);
    const QString end = deEnd_->date().toString(kDateFormat);
    const QList<int> rows = goodsRows();
    QList<int> saved;
    int result = 0;
    prompter().showProgress(promo::text::saving());
    try {
        for (int i = 0; i < rows.size(); ++i) {
            const int r = rows.at(i);
            const auto value = [&](const QString& f) { return rs.at(r, rs.fieldIndex(f)); };
            const qint64 goods = value(u"goodsid"_s).toLongLong();
            RecordSet found;
            dataModule().ExecQuery(promo::overlapSql(m, partner_.id, goods, begin, end), &found);
            if (found.rowCount() > 0) {
                const int answer =
                    prompter().ask(caption::hint(),
                                   promo::text::lineExists(i + 1, value(u"goodsname"_s).toString()),
                                   buttons::yesNo());
                if (answer == 0)
                    continue;
                result = -1;
                break;
            }
            promo::Agreement a;
            a.name = edName_->text();
            a.partnerId = partner_.id;
            a.goodsId = goods;
            a.begin = begin;
            a.end = end;
            a.gift = m == promo::Mode::Gift;
            a.price = m == promo::Mode::Price;
            if (a.gift) {
                a.buy = value(u"gmsl"_s).toDouble();
                a.give = value(u"zssl"_s).toDouble();
                a.giftText = value(u"mzsm"_s).toString();
            } else {
                a.promotionPrice = value(u"cxPrice"_s).toDouble();
            }
            a.comment = edComment_->text();
            for (int f = 0; f < userFields_.size() && f < 10; ++f)
                a.userFields[f] = userFields_.at(f)->text();
            ParamList p = promo::saveParams(a);
            dataModule().ExecProc(promo::text::procedure(), p, true);
            saved.append(r);
        }
    } catch (...) {
        prompter().hideProgress();
        for (auto it = saved.crbegin(); it != saved.crend(); ++it)
            rs.removeRow(*it);
        showRecords();
        if (!saved.isEmpty())
            settings().HasPromotions = true;
        throw;
    }
    prompter().hideProgress();
    for (auto it = saved.crbegin(); it != saved.crend(); ++it)
        rs.removeRow(*it);
    if (!saved.isEmpty())
        settings().HasPromotions = true;
    showRecords();
    return result < 0 ? -1 : static_cast<int>(saved.size());
}

bool TfrmBillCuXiao::btnSaveClick() {
    int before = 0;
    try {
        checkBeforeSave();
        before = static_cast<int>(goodsRows().size());
        const int saved = saveLines();
        if (saved < 0 || saved < before) {
            const int count = saved < 0 ? before - static_cast<int>(goodsRows().size()) : saved;
            prompter().message(caption::hint(), promo::text::savedCount(count));
            return false;
        }
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    prompter().message(caption::hint(), promo::text::saved());
    return true;
}

void TfrmBillCuXiao::clearLines() {
    records().clearRows();
    showRecords();
}

void TfrmBillCuXiao::btnPrintClick() {
    if (!prompter().confirm(caption::hint(), promo::text::postBeforePrint(), buttons::yesNo()))
        return;
    // The lines are printed as they were entered, once all of them are saved.
    const RecordSet lines = records();
    if (!btnSaveClick())
        return;
    records() = lines;
    showRecords();
    try {
        RunPrint(printMode());
    } catch (const DytError& e) {
        showError(e);
    }
    clearLines();
}

}  // namespace dyt::client
