// The shared parts of the save-time warning windows.
#include "client/bills/warnlist.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "client/bills/selectionservices.h"
#include "client/common/frmbase.h"
#include "client/common/frmxabstract.h"
#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "common/error.h"
#include "common/recordset.h"

namespace dyt::client::warnlist {

void initDefinition(GridDefinition& def) {
    const TSettings& s = settings();
    def.context.qtyDot = s.QtyDot;
    def.context.priceDot = s.PriceDot;
    def.context.totalDot = s.TotalDot;
    def.context.canSeeCost = s.SeeCost;
    def.footerVisible = true;
    def.groupingBoxVisible = false;
    def.columnGrouping = false;
}

void addHidden(GridDefinition& def, const QString& field) {
    GridColumn& c = AddGridColumn(def, field, field, false, 0);
    c.visible = false;
}

void addColumn(GridDefinition& def, const QString& caption, const QString& field, int width) {
    GridColumn& c = AddGridColumn(def, caption, field, false, width);
    if (width <= 0)
        c.visible = false;
}

Parts build(TfrmBaseDialog* dialog, const QString& caption, const QString& question,
            bool canContinue) {
    Parts parts;
    dialog->setWindowTitle(caption);
    dialog->lbltitle()->setText(caption);
    dialog->btnOK()->setText(QStringLiteral("继续"));
    dialog->btnOK()->setVisible(canContinue);
    dialog->resize(560, 360);
    parts.question = new QLabel(question, dialog->contentBox());
    parts.question->setObjectName(QStringLiteral("lblQuestion"));
    QFont f = parts.question->font();
    f.setBold(true);
    parts.question->setFont(f);
    parts.grid = new GridView(dialog->contentBox());
    parts.grid->setObjectName(QStringLiteral("dbgvShow"));
    parts.grid->table()->setSortingEnabled(false);
    parts.grid->table()->setSelectionBehavior(QAbstractItemView::SelectRows);
    parts.grid->table()->setSelectionMode(QAbstractItemView::SingleSelection);
    parts.model = new RecordSetModel(dialog);
    parts.print = new QPushButton(QStringLiteral("打印(&P)"), dialog->contentBox());
    parts.print->setObjectName(QStringLiteral("btnPrint"));
    parts.print->setAutoDefault(false);
    auto* top = new QHBoxLayout;
    top->addWidget(parts.question, 1);
    top->addWidget(parts.print);
    auto* layout = new QVBoxLayout(dialog->contentBox());
    layout->addLayout(top);
    layout->addWidget(parts.grid, 1);
    return parts;
}

void bind(Parts& parts, RecordSet* rows, GridDefinition* def, const QString& layoutKey) {
    for (const GridColumn& c : def->columns) {
        if (!c.fieldName.isEmpty() && !rows->hasField(c.fieldName))
            rows->addField(c.fieldName, c.isNumber() ? FieldType::Float : FieldType::Text);
    }
    parts.model->setSource(rows, def);
    parts.grid->setModel(parts.model);
    if (const auto& load = selectionServices().loadLayout)
        load(parts.grid, layoutKey);
    if (parts.model->rowCount() > 0)
        parts.grid->table()->setCurrentIndex(parts.model->index(0, 0));
}

void keepLayout(const Parts& parts, const QString& layoutKey) {
    if (!parts.grid || !parts.grid->model())
        return;
    if (const auto& save = selectionServices().saveLayout)
        save(parts.grid, layoutKey);
}

void runSql(const QString& sql, RecordSet* rows) {
    TdmMain* dm = &dataModule();
    RecordSet fresh;
    dm->ExecQuery(sql, &fresh);
    fresh.first();
    *rows = std::move(fresh);
}

int printList(QWidget* parent, const Parts& parts, const GridDefinition& def, const RecordSet& rows,
              const QString& caption) {
    const int count = parts.model ? parts.model->rowCount() : 0;
    if (count == 0)
        throw DytError(xtext::nothingToPrint());
    const TSettings& s = settings();
    const NamedValues header = {
        {QStringLiteral("公司全名"), s.CompanyFullName},
        {QStringLiteral("操作员"), loginedUser().UserName},
        {QStringLiteral("打印标签"), xtext::printLabel()},
        {QStringLiteral("标题"), caption},
        {QStringLiteral("提示"), parts.question ? parts.question->text() : QString()},
    };
    RecordSet detail;
    struct Source {
        int column;
        int field;
        bool masked;
    };
    QList<Source> sources;
    for (int c = 0; c < def.columns.size(); ++c) {
        const GridColumn& col = def.columns[c];
        if (!col.visible || col.fieldName.isEmpty() || detail.hasField(col.fieldName))
            continue;
        const int f = rows.fieldIndex(col.fieldName);
        if (f < 0)
            continue;
        const Field& from = rows.field(f);
        const int to =
            detail.addField(from.name, col.masked ? FieldType::Text : from.type, from.size);
        detail.field(to).displayName = col.caption;
        sources.append({c, f, col.masked});
    }
    for (int r = 0; r < count; ++r) {
        const int raw = parts.model->rawRow(r);
        RecordSet::Row row;
        for (const Source& src : sources) {
            row.append(src.masked ? QVariant(parts.model->displayText(r, src.column))
                                  : rows.at(raw, src.field));
        }
        detail.appendRow(row);
    }
    return TfrmXAbstract::printHandler()(parent, kPrintPreview, printHeaderRecords(header), detail,
                                         caption + xtext::templateExtension());
}

void focusContinue(TfrmBaseDialog* dialog) {
    QPushButton* ok = dialog->btnOK();
    if (ok->isVisible() && ok->isEnabled())
        ok->setFocus(Qt::OtherFocusReason);
}

}  // namespace dyt::client::warnlist

namespace dyt::client {

TWarnListDialog::TWarnListDialog(const WarnListLook& look, const QString& sql, QWidget* parent)
    : TfrmBaseDialog(parent), sql_(sql) {
    build(look);
}

TWarnListDialog::TWarnListDialog(const WarnListLook& look, const RecordSet& rows, QWidget* parent)
    : TfrmBaseDialog(parent), rows_(rows) {
    build(look);
    loaded_ = true;
    bindRows();
}

TWarnListDialog::~TWarnListDialog() {
    if (shown_)
        warnlist::keepLayout(warnlist::Parts{lblQuestion_, grid_, model_}, caption_);
    // The view reads the columns and rows held by members: it goes first.
    delete grid_;
    delete model_;
}

void TWarnListDialog::build(const WarnListLook& look) {
    setObjectName(look.objectName);
    caption_ = look.caption;
    canContinue_ = look.canContinue;
    def_ = look.columns;
    warnlist::Parts parts = warnlist::build(this, caption_, look.question, canContinue_);
    lblQuestion_ = parts.question;
    grid_ = parts.grid;
    model_ = parts.model;
    connect(parts.print, &QPushButton::clicked, this, [this] { btnPrintClick(); });
}

void TWarnListDialog::bindRows() {
    warnlist::Parts parts{lblQuestion_, grid_, model_};
    warnlist::bind(parts, &rows_, &def_, caption_);
}

int TWarnListDialog::btnPrintClick() {
    try {
        return warnlist::printList(this, warnlist::Parts{lblQuestion_, grid_, model_}, def_, rows_,
                                   caption_);
    } catch (const DytError& e) {
        prompter().message(caption::hint(), e.message());
        return 0;
    }
}

void TWarnListDialog::loadRows() {
    if (!sql_.isEmpty())
        warnlist::runSql(sql_, &rows_);
    loaded_ = true;
    bindRows();
}

void TWarnListDialog::FormShow() {
    TfrmBaseDialog::FormShow();
    shown_ = true;
    btnOK()->setText(QStringLiteral("继续"));
    btnOK()->setVisible(canContinue_);
    if (!loaded_) {
        try {
            loadRows();
        } catch (const DytError& e) {
            prompter().showError(caption::error(), e.message());
        }
    }
    warnlist::focusContinue(this);
}

bool TWarnListDialog::execWhenRows() {
    if (!loaded_)
        loadRows();
    if (rows_.recordCount() == 0)
        return true;
    return exec() == 1;
}

}  // namespace dyt::client
