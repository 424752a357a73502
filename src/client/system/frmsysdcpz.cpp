#include "client/system/frmsysdcpz.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSaveFile>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include <utility>

#include "client/bills/billkinds.h"
#include "client/common/gridexport.h"
#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "common/error.h"

namespace dyt::client {

namespace {

QStringList yesNoButtons() {
    return {QStringLiteral("是(&Y)"), QStringLiteral("否(&N)")};
}

QAction* toolAction(TfrmXAbstract* w, const QString& text, const char* name) {
    auto* a = new QAction(text, w);
    a->setObjectName(QLatin1String(name));
    w->toolBar()->insertAction(w->btnPrint(), a);
    return a;
}

// The date range dialog "制单日期": this month up to today unless the window asked before.
bool askDateRange(QWidget* parent, QDate* begin, QDate* end) {
    QDialog dialog(parent);
    dialog.setWindowTitle(voucher::dateTitle());
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(voucher::datePrompt(), &dialog));
    auto* form = new QFormLayout;
    auto* from = new QDateEdit(*begin, &dialog);
    auto* to = new QDateEdit(*end, &dialog);
    from->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    to->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    from->setCalendarPopup(true);
    to->setCalendarPopup(true);
    form->addRow(QStringLiteral("开始日期："), from);
    form->addRow(QStringLiteral("结束日期："), to);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("确定(&O)"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消(&C)"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *begin = from->date();
    *end = to->date();
    return true;
}

}  // namespace

// --- TfrmSysJBXXCWPZ

TfrmSysJBXXCWPZ::TfrmSysJBXXCWPZ(QWidget* parent) : TfrmXAbstract(parent) {
    setObjectName(QStringLiteral("TfrmSysJBXXCWPZ"));
    kind_ = &financeaccounts::kindOf(0);
    btnSave_ = toolAction(this, financeaccounts::saveButton(), "btnBillSave");
    btnSave_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    btnSave_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(btnSave_);
    connect(btnSave_, &QAction::triggered, this, [this] { Save(); });
    gbCondition()->hide();
}

void TfrmSysJBXXCWPZ::showEvent(QShowEvent* event) {
    TfrmXAbstract::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    // The function code chooses the kind.
    kind_ = &financeaccounts::kindOf(tag());
    setTitle(kind_->title);
    GridColumn& id = addColumn(QStringLiteral("id"), QStringLiteral("id"), false, 0);
    id.visible = false;
    addColumn(kind_->codeCaption, QStringLiteral("code"), false, 100);
    addColumn(kind_->nameCaption, QStringLiteral("fullname"), false, 200);
    addColumn(financeaccounts::codeColumn(), QStringLiteral("kmcode"), true, 160);
    refreshData();
    dbgvX()->table()->setFocus();
}

void TfrmSysJBXXCWPZ::refreshData() {
    try {
        RecordSet rows;
        dataModule().ExecQuery(financeaccounts::listSql(*kind_), &rows);
        stored_.clear();
        const int id = rows.fieldIndex(QStringLiteral("id"));
        const int code = rows.fieldIndex(QStringLiteral("kmcode"));
        for (int r = 0; r < rows.rowCount(); ++r)
            stored_.insert(rows.at(r, id).toLongLong(), rows.at(r, code).toString().trimmed());
        records() = std::move(rows);
    } catch (const DytError& e) {
        showError(e);
    }
    showRecords();
    if (model()->rowCount() > 0) {
        setFocusedRow(0);
        dbgvX()->table()->setCurrentIndex(
            model()->index(0, gridDefinition().columnIndex(QStringLiteral("kmcode"))));
    }
}

bool TfrmSysJBXXCWPZ::modified() const {
    const RecordSet& rs = records();
    const int id = rs.fieldIndex(QStringLiteral("id"));
    const int code = rs.fieldIndex(QStringLiteral("kmcode"));
    for (int r = 0; id >= 0 && code >= 0 && r < rs.rowCount(); ++r) {
        if (stored_.value(rs.at(r, id).toLongLong()) != rs.at(r, code).toString().trimmed())
            return true;
    }
    return false;
}

bool TfrmSysJBXXCWPZ::Save() {
    dbgvX()->table()->setFocus();  // a code still being typed counts
    RecordSet& rs = records();
    const int id = rs.fieldIndex(QStringLiteral("id"));
    const int code = rs.fieldIndex(QStringLiteral("kmcode"));
    if (id < 0 || code < 0)
        return false;
    try {
        TdmMain& dm = dataModule();
        for (int r = 0; r < rs.rowCount(); ++r) {
            const qint64 record = rs.at(r, id).toLongLong();
            const QString value = rs.at(r, code).toString().trimmed();
            if (stored_.value(record) == value)
                continue;
            ParamList p = financeaccounts::saveParams(*kind_, record, value);
            dm.ExecProc(financeaccounts::procedure(), p);
            stored_.insert(record, value);
        }
    } catch (const DytError& e) {
        // What was stored stays; the refused code stays in the grid to be put right.
        showError(e);
        return false;
    }
    prompter().message(caption::hint(), financeaccounts::saved());
    return true;
}

void TfrmSysJBXXCWPZ::closeEvent(QCloseEvent* event) {
    if (shown_ && !queryOnly() && modified()) {
        const int answer =
            prompter().ask(caption::hint(), financeaccounts::askSave(), yesNoButtons(), 0);
        if (answer < 0 || (answer == 0 && !Save())) {
            event->ignore();
            return;
        }
    }
    TfrmXAbstract::closeEvent(event);
}

// --- TfrmSysDCPZ

TfrmSysDCPZ::DateRangeAsker& TfrmSysDCPZ::dateRangeAsker() {
    static DateRangeAsker asker = askDateRange;
    return asker;
}

std::function<void(QWidget*)>& TfrmSysDCPZ::billHost() {
    static std::function<void(QWidget*)> host = [](QWidget* w) { w->show(); };
    return host;
}

TfrmSysDCPZ::TfrmSysDCPZ(QWidget* parent) : TfrmXAbstract(parent) {
    setObjectName(QStringLiteral("TfrmSysDCPZ"));
    setTitle(voucher::title());
    buildControls();
}

TfrmSysDCPZ::~TfrmSysDCPZ() {
    linesGrid_->setModel(nullptr);
}

void TfrmSysDCPZ::buildControls() {
    auto* box = new QWidget(panBillTitle());
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    lblQueryTime_ = new QLabel(box);
    lblQueryTime_->setObjectName(QStringLiteral("lblQueryTime"));
    row->addWidget(lblQueryTime_);
    cbSummary_ = new QCheckBox(voucher::summaryBox(), box);
    cbSummary_->setObjectName(QStringLiteral("cbSummary"));
    row->addWidget(cbSummary_);
    auto* label = new QLabel(voucher::captionLabel() + QStringLiteral("："), box);
    edCaption_ = new QLineEdit(box);
    edCaption_->setObjectName(QStringLiteral("edCaption"));
    edCaption_->setEnabled(false);
    edCaption_->setMinimumWidth(200);
    label->setBuddy(edCaption_);
    row->addWidget(label);
    row->addWidget(edCaption_);
    row->addStretch(1);
    panBillTitle()->layout()->addWidget(box);
    connect(cbSummary_, &QCheckBox::toggled, this, [this](bool on) { summaryToggled(on); });

    btnQuery_ = toolAction(this, voucher::queryButton(), "btnQuery");
    btnSelectAll_ = toolAction(this, voucher::selectAll(), "btnSelectAll");
    btnSelectNone_ = toolAction(this, voucher::selectNone(), "btnSelectNone");
    btnBill_ = toolAction(this, voucher::viewBill(), "btnBill");
    btnExport_ = toolAction(this, voucher::exportButton(), "btnExport");
    const std::pair<QAction*, QKeyCombination> keys[] = {{btnQuery_, Qt::Key_F3},
                                                         {btnSelectAll_, Qt::CTRL | Qt::Key_A},
                                                         {btnSelectNone_, Qt::CTRL | Qt::Key_N},
                                                         {btnExport_, Qt::CTRL | Qt::Key_E}};
    for (const auto& [action, key] : keys) {
        action->setShortcut(QKeySequence(key));
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    connect(btnQuery_, &QAction::triggered, this, [this] { btnQueryClick(); });
    connect(btnSelectAll_, &QAction::triggered, this, [this] { selectAll(true); });
    connect(btnSelectNone_, &QAction::triggered, this, [this] { selectAll(false); });
    connect(btnBill_, &QAction::triggered, this, [this] { btnBillClick(); });
    connect(btnExport_, &QAction::triggered, this, [this] { btnExportClick(); });

    // The bills.
    addColumn(QStringLiteral("[&CHK]选择"), QStringLiteral("isSelect"), true, 40);
    addColumn(QStringLiteral("单据编号"), QStringLiteral("code"), false, 130);
    addColumn(QStringLiteral("录单日期"), QStringLiteral("date"), false, 80);
    addColumn(QStringLiteral("单据类型"), QStringLiteral("dj_Caption"), false, 80);
    addColumn(QStringLiteral("单位编号"), QStringLiteral("wldw_code"), false, 80);
    addColumn(QStringLiteral("单位全名"), QStringLiteral("wldw_name"), false, 140);
    addColumn(QStringLiteral("经手人编号"), QStringLiteral("jsr_code"), false, 70);
    addColumn(QStringLiteral("经手人全名"), QStringLiteral("jsr_name"), false, 80);
    addColumn(QStringLiteral("部门"), QStringLiteral("bm_Name"), false, 80);
    addColumn(QStringLiteral("制单人"), QStringLiteral("rec_Name"), false, 70);
    addColumn(QStringLiteral("过账人"), QStringLiteral("post_Name"), false, 70);
    addColumn(QStringLiteral("过账时间"), QStringLiteral("postDateTime"), false, 130);
    addColumn(QStringLiteral("[%SUM%M%]金额"), QStringLiteral("total"), false, 90);
    addColumn(QStringLiteral("摘要"), QStringLiteral("summery"), false, 120);
    addColumn(QStringLiteral("附加说明"), QStringLiteral("comment"), false, 120);
    addColumn(QStringLiteral("导出记录"), QStringLiteral("pz_Caption"), false, 100);
    for (const char* hidden : {"id", "djType"}) {
        GridColumn& c = addColumn(QLatin1String(hidden), QLatin1String(hidden), false, 0);
        c.visible = false;
    }

    // The voucher lines.
    linesDef_.context = gridDefinition().context;
    const struct {
        const char* caption;
        const char* field;
        int width;
    } lineColumns[] = {
        {"凭证日期", "date", 80},
        {"凭证说明", "comment", 180},
        {"科目编号", "kmcode", 90},
        {"[%SUM%M%]借方金额", "dbTotal", 90},
        {"[%SUM%M%]贷方金额", "LendTotal", 90},
        {"往来单位", "wldwCode", 80},
        {"经手人", "jsr_name", 70},
        {"部门", "bm_name", 70},
        {"[%Q%]借方数量", "dbQty", 80},
        {"[%Q%]贷方数量", "LendQty", 80},
        {"摘要", "summery", 120},
    };
    for (const auto& c : lineColumns) {
        AddGridColumn(linesDef_, QString::fromUtf8(c.caption), QLatin1String(c.field), false,
                      c.width);
    }
    linesGrid_ = new GridView(this);
    linesGrid_->setObjectName(QStringLiteral("dbgvLines"));
    linesModel_ = new RecordSetModel(this);
    linesGrid_->setModel(linesModel_);
    static_cast<QVBoxLayout*>(layout())->addWidget(linesGrid_, 1);

    records().addField(QStringLiteral("isSelect"), FieldType::Boolean);
    for (const char* f :
         {"code", "date", "dj_Caption", "wldw_code", "wldw_name", "jsr_code", "jsr_name", "bm_Name",
          "rec_Name", "post_Name", "postDateTime", "summery", "comment", "pz_Caption"})
        records().addField(QLatin1String(f), FieldType::Text, 100);
    records().addField(QStringLiteral("total"), FieldType::Currency);
    records().addField(QStringLiteral("id"), FieldType::Integer);
    records().addField(QStringLiteral("djType"), FieldType::Integer);
    lines_.addField(QStringLiteral("date"), FieldType::Text, 10);
    for (const char* f :
         {"comment", "kmcode", "rec_name", "wldwCode", "jsr_name", "bm_name", "summery"})
        lines_.addField(QLatin1String(f), FieldType::Text, 100);
    for (const char* f : {"dbTotal", "LendTotal"})
        lines_.addField(QLatin1String(f), FieldType::Currency);
    for (const char* f : {"dbQty", "LendQty"})
        lines_.addField(QLatin1String(f), FieldType::Float);
    showRecords();
    linesModel_->setSource(&lines_, &linesDef_);
    linesGrid_->applyColumns();

    connect(model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to) {
                const int check = gridDefinition().columnIndex(QStringLiteral("isSelect"));
                if (!loading_ && check >= from.column() && check <= to.column())
                    loadLines();
            });
    connect(dbgvX()->table(), &QTableView::doubleClicked, this, [this] { btnBillClick(); });
}

void TfrmSysDCPZ::showEvent(QShowEvent* event) {
    TfrmXAbstract::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    btnPrint()->setVisible(checkPurview(QString::number(voucher::kFunctionCode),
                                        QStringLiteral("02"), QString(), false));
    dbgvX()->table()->setFocus();
}

void TfrmSysDCPZ::summaryToggled(bool on) {
    edCaption_->setEnabled(on);
    edCaption_->setText(on ? voucher::summaryCaption(QDateTime::currentDateTime()) : QString());
    loadLines();
}

void TfrmSysDCPZ::btnQueryClick() {
    const QDate today =
        settings().LoginDate.isValid() ? settings().LoginDate : QDate::currentDate();
    QDate begin = begin_.isValid() ? begin_ : QDate(today.year(), today.month(), 1);
    QDate end = end_.isValid() ? end_ : today;
    if (!dateRangeAsker() || !dateRangeAsker()(this, &begin, &end))
        return;
    query(begin, end);
}

void TfrmSysDCPZ::query(const QDate& begin, const QDate& end) {
    if (begin > end) {
        prompter().message(caption::hint(), QStringLiteral("开始日期不能大于结束日期！"));
        return;
    }
    begin_ = begin;
    end_ = end;
    lblQueryTime_->setText(voucher::queryTime() + begin.toString(QStringLiteral("yyyy-MM-dd")) +
                           voucher::to() + end.toString(QStringLiteral("yyyy-MM-dd")));
    refreshData();
}

void TfrmSysDCPZ::refreshData() {
    if (!begin_.isValid())
        return;
    loading_ = true;
    try {
        RecordSet rows;
        ParamList p = voucher::billParams(begin_, end_, loginedUser().UserId);
        {
            ProgressScope busy(xtext::receivingData());
            dataModule().ExecProcQuery(voucher::billProcedure(), p, &rows);
        }
        // Only the bills not exported yet, none ticked.
        RecordSet& bills = records();
        while (bills.rowCount() > 0)
            bills.removeRow(bills.rowCount() - 1);
        for (rows.first(); !rows.eof(); rows.next()) {
            if (!rows.text(QStringLiteral("pz_Caption")).trimmed().isEmpty())
                continue;
            RecordSet::Row row;
            for (int f = 0; f < bills.fieldCount(); ++f) {
                const QString name = bills.field(f).name;
                row << (name == u"isSelect"   ? QVariant(false)
                        : rows.hasField(name) ? rows.value(name)
                                              : QVariant());
            }
            bills.appendRow(row);
        }
    } catch (const DytError& e) {
        showError(e);
    }
    model()->reload();
    loading_ = false;
    if (model()->rowCount() > 0) {
        setFocusedRow(0);
        dbgvX()->table()->setCurrentIndex(
            model()->index(0, gridDefinition().columnIndex(QStringLiteral("isSelect"))));
    }
    loadLines();
}

QList<qint64> TfrmSysDCPZ::tickedIds() const {
    QList<qint64> ids;
    const RecordSet& rs = records();
    const int check = rs.fieldIndex(QStringLiteral("isSelect"));
    const int id = rs.fieldIndex(QStringLiteral("id"));
    for (int r = 0; r < model()->rowCount(); ++r) {
        const int raw = model()->rawRow(r);
        if (rs.at(raw, check).toBool())
            ids << rs.at(raw, id).toLongLong();
    }
    return ids;
}

void TfrmSysDCPZ::selectAll(bool on) {
    loading_ = true;
    RecordSet& rs = records();
    const int check = rs.fieldIndex(QStringLiteral("isSelect"));
    for (int r = 0; r < model()->rowCount(); ++r)
        rs.setAt(model()->rawRow(r), check, on);
    model()->reload();
    loading_ = false;
    loadLines();
}

void TfrmSysDCPZ::loadLines() {
    const QList<qint64> ids = tickedIds();
    while (lines_.rowCount() > 0)
        lines_.removeRow(lines_.rowCount() - 1);
    if (!ids.isEmpty()) {
        try {
            RecordSet rows;
            ParamList p = voucher::lineParams(ids, cbSummary_->isChecked());
            dataModule().ExecProcQuery(voucher::lineProcedure(), p, &rows);
            for (rows.first(); !rows.eof(); rows.next()) {
                RecordSet::Row row;
                for (int f = 0; f < lines_.fieldCount(); ++f)
                    row << rows.value(lines_.field(f).name);
                lines_.appendRow(row);
            }
        } catch (const DytError& e) {
            showError(e);
        }
    }
    linesModel_->reload();
    linesGrid_->applyColumns();
}

void TfrmSysDCPZ::btnBillClick() {
    const int row = focusedRow();
    if (row < 0 || model()->rowCount() == 0)
        return;
    const RecordSet& rs = records();
    const int raw = model()->rawRow(row);
    try {
        const int djType = rs.at(raw, rs.fieldIndex(QStringLiteral("djType"))).toInt();
        const qint64 id = rs.at(raw, rs.fieldIndex(QStringLiteral("id"))).toLongLong();
        if (const BillKind* kind = findBillKind(djType); kind && kind->menuTag > 0)
            checkPurview(QString::number(kind->menuTag), QString(), QString(), true);
        billHost()(OpenBill(djType, id));
    } catch (const DytError& e) {
        showError(e);
    }
}

bool TfrmSysDCPZ::btnExportClick() {
    const QList<qint64> ids = tickedIds();
    if (ids.isEmpty()) {
        prompter().message(caption::hint(), voucher::nothingToExport());
        return false;
    }
    const QString chosen = gridexport::chooseSaveFile(
        this, voucher::saveTitle(), voucher::proposedFileName(QDateTime::currentDateTime()),
        voucher::fileFilter());
    if (chosen.isEmpty())
        return false;
    // The file written is the chosen name with ".txt": that is the one that may not exist yet.
    const QString file = voucher::targetFile(chosen);
    if (QFileInfo::exists(file)) {
        prompter().message(caption::hint(), voucher::fileExists());
        return false;
    }
    const bool summary = cbSummary_->isChecked();
    if (summary && edCaption_->text().trimmed().isEmpty())
        edCaption_->setText(voucher::summaryCaption(QDateTime::currentDateTime()));
    try {
        QStringList text;
        {
            ProgressScope progress(voucher::exporting(), lines_.rowCount());
            for (int r = 0; r < linesModel_->rowCount(); ++r) {
                progress.setPosition(r + 1);
                lines_.setRecNo(lines_.visiblePosition(linesModel_->rawRow(r)));
                text << voucher::fileLine(lines_);
            }
        }
        // The file appears whole or not at all, and never over another.
        QSaveFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(voucher::fileBytes(text)) < 0 ||
            QFileInfo::exists(file) || !out.commit())
            throw DytError(QStringLiteral("写入文件[%1]失败：%2").arg(file, out.errorString()));
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    prompter().message(caption::hint(), voucher::exported());
    try {
        dataModule().ExecUpdate(voucher::markSql(ids, summary, edCaption_->text()));
    } catch (const DytError& e) {
        prompter().message(caption::error(),
                           voucher::markFailed() + QStringLiteral("：") + e.message(),
                           MessageIcon::Error);
        return false;
    }
    refreshData();
    return true;
}

}  // namespace dyt::client
