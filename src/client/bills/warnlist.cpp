// The shared parts of the save-time warning windows.
#include "client/bills/warnlist.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "client/bills/selectionservices.h"
#include "client/common/dmmain.h"
#include "client/common/frmbase.h"
#include "client/common/gridview.h"
#include "client/common/recordsetmodel.h"
#include "client/common/settings.h"
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
    auto* layout = new QVBoxLayout(dialog->contentBox());
    layout->addWidget(parts.question);
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
    TdmMain* dm = dmMain();
    if (!dm)
        throw DytError(dmtext::notInitialised());
    RecordSet fresh;
    dm->ExecQuery(sql, &fresh);
    fresh.first();
    *rows = std::move(fresh);
}

void focusContinue(TfrmBaseDialog* dialog) {
    QPushButton* ok = dialog->btnOK();
    if (ok->isVisible() && ok->isEnabled())
        ok->setFocus(Qt::OtherFocusReason);
}

}  // namespace dyt::client::warnlist
