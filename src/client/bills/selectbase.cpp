// The record selection: its kinds, the filter pattern and the window.
#include "client/bills/selectbase.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "client/bills/selectionservices.h"
#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/lookups.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/session.h"
#include "common/condition.h"
#include "common/error.h"

namespace dyt::client {

namespace {

// Kinds served by P_JXC_Get_Base.
BaseKindInfo procKind(const char* name, const char* title, const char* queryType,
                      const char* filterLine, const char* extra = "") {
    BaseKindInfo k;
    k.name = QString::fromLatin1(name);
    k.title = QString::fromUtf8(title);
    k.queryType = QString::fromLatin1(queryType);
    k.filterLine = QString::fromLatin1(filterLine);
    k.extraCondition = QString::fromLatin1(extra);
    k.pymColumn = QStringLiteral("pym");
    k.codeColumn = QStringLiteral("code");
    k.nameColumn = QStringLiteral("fullname");
    k.idField = QStringLiteral("id");
    k.codeField = QStringLiteral("code");
    k.nameField = QStringLiteral("fullname");
    return k;
}

// Kinds read with an SQL text of the base tree shape (id, code, fullname, pym).
BaseKindInfo sqlKind(const char* name, const char* title, const QString& sql,
                     const QString& orderBy = QString()) {
    BaseKindInfo k = procKind(name, title, "", "");
    k.sql = sql;
    k.orderBy = orderBy;
    return k;
}

// Kinds with only code and Name (fixed assets and their lists, currencies).
BaseKindInfo namedKind(const char* name, const char* title, const QString& sql,
                       const QString& idField, const QString& orderBy = QString()) {
    BaseKindInfo k = sqlKind(name, title, sql, orderBy);
    k.pymColumn.clear();
    k.nameColumn = QStringLiteral("Name");
    k.idField = idField;
    k.nameField = QStringLiteral("Name");
    return k;
}

// Payment and receipt accounts: the cash and bank roles (type 1) of sysSubjectInterface.
BaseKindInfo accountKind(const char* name, const char* title) {
    BaseKindInfo k = sqlKind(name, title,
                             QStringLiteral("SELECT a.*,b.code as kmcode,b.fullname as kmName FROM "
                                            "sysSubjectInterface AS a,baseKM AS b WHERE a.km_id = "
                                            "b.id and a.type = ") +
                                 QString::number(1));
    k.pymColumn = QStringLiteral("b.pym");
    k.codeColumn = QStringLiteral("b.code");
    k.nameColumn = QStringLiteral("b.fullname");
    k.idField = QStringLiteral("km_id");
    k.codeField = QStringLiteral("kmcode");
    k.nameField = QStringLiteral("kmName");
    return k;
}

QString fixedAssets(int baseInfo) {
    return QStringLiteral(
               "Select [id],[code],[Name] From GDZCDetail  where [Del]<>1 and "
               "IsBaseInfo = ") +
           QString::number(baseInfo) + u' ';
}

// The leaf accounts (no category) that are not deleted, narrowed by a condition.
QString leafAccounts(const QString& condition) {
    return QStringLiteral("select * from baseKM where sonnum = 0 and isnull(del,0) = 0 and ") +
           condition + u' ';
}

const QList<BaseKindInfo>& kinds() {
    const QString kByCode = QStringLiteral(" order by code");
    static const QList<BaseKindInfo> all = {
        procKind("sp", "商品", "SP", "goodsStr", ";isList=1"),
        sqlKind("pp", "品牌", QStringLiteral("select * from basePP where 1=1 ")),
        procKind("zhiyuan", "职员", "ZY", "ZYStr"),
        procKind("caozuoyuan", "操作员", "CZY", "ZYStr"),
        procKind("wldw", "往来单位", "WLDW", "WLDWStr", ";isList=1"),
        procKind("gys", "供应商", "WLDW", "WLDWStr", ";isList=1;dwtype=1"),
        procKind("client", "客户", "WLDW", "WLDWStr", ";isList=1;dwtype=2"),
        procKind("cangku", "仓库", "CK", "CKStr"),
        procKind("bumen", "部门", "BM", "BMStr"),
        sqlKind("area", "地区", QStringLiteral("select * from baseDQ where 1=1")),
        sqlKind("empleveal", "职员级别", QStringLiteral("select * from baseZYJB where 1=1")),
        accountKind("fkkm", "付款账户"),
        accountKind("skkm", "收款账户"),
        sqlKind("djtype", "单据类型", QStringLiteral("select * from sysdjb where 1=1 ")),
        namedKind("wb", "币种", QStringLiteral("select * from T_base_currency where deleted = 0 "),
                  QStringLiteral("moneyId"), QStringLiteral(" order by moneyId")),
        procKind("xm", "项目", "XM", "xmStr"),
        sqlKind("unit", "计量单位", QStringLiteral("select * from T_base_unit where 1=1")),
        sqlKind("goodshs", "成本核算方法", QStringLiteral("select * from baseGoodsHS where 1=1")),
        sqlKind("zytc", "职员提成方案",
                QStringLiteral(" select * from basetcIndex where tclxid = ") + QString::number(1)),
        sqlKind("sptc", "商品提成方案",
                QStringLiteral(" select * from basetcIndex where tclxid = ") + QString::number(2)),
        sqlKind("zhaiyao", "摘要", QStringLiteral("select * from baseZhaiYao where  del = 0 ")),
        sqlKind("jiesuan", "结算方式", QStringLiteral("SELECT * FROM baseJSFS WHERE del = 0 ")),
        // The accounts of the account-lines bills: leaf accounts only, a category takes no
        // money.
        sqlKind("fykm", "费用科目", leafAccounts(QStringLiteral("kmType = 4 and sysrow = 0")),
                kByCode),
        sqlKind("srkm", "收入科目", leafAccounts(QStringLiteral("kmType = 3 and sysrow = 0")),
                kByCode),
        sqlKind("dtkm", "待摊费用科目",
                leafAccounts(QStringLiteral("(par_jl like '1,13,%' or (kmType = 4 and (sysrow "
                                            "= 0 or id = 32)))")),
                kByCode),
        sqlKind("kmleaf", "会计科目", leafAccounts(QStringLiteral("1=1")), kByCode),
        namedKind("gdzc", "固定资产", fixedAssets(0), QStringLiteral("id")),
        namedKind("gdzclb", "固定资产类别", fixedAssets(1), QStringLiteral("id")),
        namedKind("gdzczjfs", "折旧方式", fixedAssets(2), QStringLiteral("id")),
        namedKind("gdzcjsfs", "固定资产结算方式", fixedAssets(3), QStringLiteral("id")),
        namedKind("gdzcsyzk", "使用状况", fixedAssets(4), QStringLiteral("id")),
    };
    return all;
}

bool containsText(const RecordSet& rs, int row, const QString& field, const QString& text) {
    const int f = rs.fieldIndex(field);
    return f >= 0 && rs.at(row, f).toString().contains(text, Qt::CaseInsensitive);
}

}  // namespace

std::optional<BaseKindInfo> FindBaseKind(const QString& name) {
    for (const BaseKindInfo& k : kinds()) {
        if (k.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return k;
    }
    return std::nullopt;
}

QStringList baseKindNames() {
    QStringList out;
    for (const BaseKindInfo& k : kinds())
        out.append(k.name);
    return out;
}

QString sqlContainsLiteral(const QString& text) {
    QString escaped;
    for (const QChar c : text) {
        if (c == u'\\' || c == u'%' || c == u'_')
            escaped += u'\\';
        escaped += c;
    }
    return quotedStr(u'%' + escaped + u'%');
}

QString baseFilterCondition(const BaseKindInfo& kind, const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    const QString lower = sqlContainsLiteral(t.toLower()) + QStringLiteral(" escape '\\'");
    const QString exact = sqlContainsLiteral(t) + QStringLiteral(" escape '\\'");
    QStringList parts;
    if (!kind.pymColumn.isEmpty())
        parts << QStringLiteral("(Lower(%1) like %2)").arg(kind.pymColumn, lower);
    if (!kind.codeColumn.isEmpty())
        parts << QStringLiteral("(Lower(%1) like %2)").arg(kind.codeColumn, lower);
    if (!kind.nameColumn.isEmpty())
        parts << QStringLiteral("(%1 like %2)").arg(kind.nameColumn, exact);
    return QStringLiteral(" and (") + parts.join(QStringLiteral(" or ")) + u')';
}

RecordSelection::RecordSelection(const QString& kindName) {
    const auto k = FindBaseKind(kindName);
    if (!k)
        throw DytError(QStringLiteral("未知的选择类型[%1]").arg(kindName));
    kind_ = *k;
}

QString RecordSelection::sqlText(const QString& text) const {
    if (kind_.sql.isEmpty())
        return {};
    return kind_.sql + baseFilterCondition(kind_, text) + kind_.orderBy;
}

ParamList RecordSelection::procParams() const {
    ParamList p;
    p.setValue(QStringLiteral("QueryType"), kind_.queryType);
    p.setValue(kind_.filterLine,
               conditionSegment(QStringLiteral("czy_id"), QString::number(loginedUser().UserId)) +
                   kind_.extraCondition);
    return p;
}

void RecordSelection::load(const QString& text) {
    RecordSet fresh;
    if (!kind_.sql.isEmpty()) {
        dataModule().ExecQuery(sqlText(text), &fresh);
    } else {
        if (!hasReceived_) {
            ParamList p = procParams();
            RecordSet all;
            dataModule().ExecProcQuery(QStringLiteral("P_JXC_Get_Base"), p, &all);
            received_ = std::move(all);
            hasReceived_ = true;
        }
        const QString t = text.trimmed();
        fresh.copyStructure(received_);
        for (int r = 0; r < received_.rowCount(); ++r) {
            if (t.isEmpty() || containsText(received_, r, QStringLiteral("pym"), t) ||
                containsText(received_, r, kind_.codeField, t) ||
                containsText(received_, r, kind_.nameField, t)) {
                fresh.appendRow(received_.row(r));
            }
        }
    }
    rows_ = std::move(fresh);
    rows_.first();
}

std::optional<BaseChoice> RecordSelection::choice(int row) const {
    if (row < 0 || row >= rows_.rowCount())
        return std::nullopt;
    const auto value = [&](const QString& field) {
        const int f = rows_.fieldIndex(field);
        return f >= 0 ? rows_.at(row, f) : QVariant();
    };
    return BaseChoice{value(kind_.idField).toLongLong(), value(kind_.codeField).toString(),
                      value(kind_.nameField).toString()};
}

std::optional<BaseChoice> RecordSelection::exactMatch(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    load(t);
    std::optional<BaseChoice> only;
    int matches = 0;
    for (int r = 0; r < rows_.rowCount(); ++r) {
        const std::optional<BaseChoice> c = choice(r);
        if (c && (c->code.compare(t, Qt::CaseInsensitive) == 0 || c->name == t)) {
            only = c;
            ++matches;
        }
    }
    return matches == 1 ? only : std::nullopt;
}

// ---------------------------------------------------------------- the window

TfrmSelectBase::TfrmSelectBase(const QString& kindName, const QString& filterText, QWidget* parent)
    : TfrmSelectWindow(parent), selection_(kindName) {
    setObjectName(QStringLiteral("TfrmSelectBase"));
    setWindowTitle(QStringLiteral("选择") + selection_.kind().title);
    resize(520, 420);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("查找："), this));
    edFilter_ = new QLineEdit(filterText, this);
    edFilter_->setObjectName(QStringLiteral("edFilter"));
    top->addWidget(edFilter_, 1);

    grid_ = new GridView(this);
    grid_->setObjectName(QStringLiteral("grdBase"));
    setLayoutGrid(grid_);
    setSearchBox(edFilter_);
    model_ = new RecordSetModel(this);

    auto* ok = new QPushButton(QStringLiteral("确定(&O)"), this);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, [this] { okClick(); });
    auto* cancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);
    applySearch(filterText);
}

TfrmSelectBase::~TfrmSelectBase() {
    // The view and the model read the grid description and the rows held by this window's
    // members: they go first, before the window deletes its children.
    delete grid_;
    delete model_;
}

void TfrmSelectBase::applySearch(const QString& text) {
    try {
        selection_.load(text);
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e.message());
    }
    refresh();
}

void TfrmSelectBase::refresh() {
    RecordSet& rs = selection_.rows();
    def_ = GridDefinition();
    const BaseKindInfo& k = selection_.kind();
    if (rs.fieldIndex(k.codeField) >= 0)
        AddGridColumn(def_, QStringLiteral("编号"), k.codeField, false, 100);
    if (rs.fieldIndex(k.nameField) >= 0)
        AddGridColumn(def_, QStringLiteral("名称"), k.nameField, false, 220);
    if (rs.fieldIndex(QStringLiteral("pym")) >= 0)
        AddGridColumn(def_, QStringLiteral("拼音码"), QStringLiteral("pym"), false, 90);
    showRows(model_, &rs, &def_);
}

void TfrmSelectBase::okClick() {
    // A text typed but not yet applied decides first: never a row the text does not leave.
    keys().applyPending();
    chooseCurrent();
}

void TfrmSelectBase::chooseCurrent() {
    const QModelIndex cur = grid_->table()->currentIndex();
    choose(cur.isValid() ? cur.row() : -1);
}

bool TfrmSelectBase::chooseSingle() {
    if (model_->rowCount() != 1)
        return false;
    choose(0);
    return true;
}

void TfrmSelectBase::choose(int viewRow) {
    chosen_ = viewRow >= 0 && model_->records() ? selection_.choice(model_->rawRow(viewRow))
                                                : std::nullopt;
    if (!chosen_) {
        prompter().message(caption::hint(), QStringLiteral("请选择") + selection_.kind().title);
        return;
    }
    accept();
}

QString TfrmSelectBase::layoutKey() const {
    return TfrmSelectWindow::layoutKey() + QLatin1Char('_') + selection_.kind().name;
}

void TfrmSelectBase::done(bool accepted) {
    if (accepted)
        saveLayout();
    TfrmSelectWindow::done(accepted);
}

std::optional<BaseChoice> selectBase(const QString& kindName, const QString& filterText,
                                     QWidget* parent) {
    TfrmSelectBase window(kindName, filterText, parent);
    if (window.exec() != 1)
        return std::nullopt;
    return window.chosen();
}

}  // namespace dyt::client
