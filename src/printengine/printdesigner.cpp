#include "printengine/printdesigner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/error.h"
#include "common/recordset.h"
#include "printengine/printengine.h"
#include "printengine/printrender.h"

namespace dyt::print {

namespace {

QDoubleSpinBox* millimetres(QWidget* parent, double low, double high) {
    auto* box = new QDoubleSpinBox(parent);
    box->setRange(low, high);
    box->setDecimals(1);
    box->setSuffix(QStringLiteral(" mm"));
    return box;
}

QTableWidgetItem* textItem(const QString& text) {
    return new QTableWidgetItem(text);
}

QString cellText(const QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text().trimmed() : QString();
}

QString number(double v) {
    return QString::number(v, 'g', 10);
}

}  // namespace

DesignerDialog::DesignerDialog(const PrintTemplate& tpl, const QString& path,
                               const RecordSet& header, const RecordSet& detail, QWidget* parent)
    : QDialog(parent), path_(path), header_(header), detail_(detail), base_(tpl) {
    setObjectName(QStringLiteral("TfrmDesign"));
    setWindowTitle(QStringLiteral("打印模板设计 - ") + tpl.title);
    auto* tabs = new QTabWidget(this);
    tabs->addTab(pageTab(), QStringLiteral("页面"));
    tabs->addTab(headerTab(), QStringLiteral("标题与表头"));
    tabs->addTab(columnTab(), QStringLiteral("明细列"));
    tabs->addTab(footerTab(), QStringLiteral("页脚与变量"));
    tabs->addTab(fontTab(), QStringLiteral("字体"));

    status_ = new QLabel(this);
    status_->setStyleSheet(QStringLiteral("color: #C00000"));
    auto* previewButton = new QPushButton(QStringLiteral("预览(&V)"), this);
    auto* saveButton = new QPushButton(QStringLiteral("保存(&S)"), this);
    auto* exitButton = new QPushButton(QStringLiteral("退出(&C)"), this);
    connect(previewButton, &QPushButton::clicked, this, &DesignerDialog::preview);
    connect(saveButton, &QPushButton::clicked, this, [this] {
        if (save()) {
            accept();
        }
    });
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(previewButton);
    buttons->addWidget(saveButton);
    buttons->addWidget(exitButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs, 1);
    layout->addLayout(buttons);
    resize(760, 520);
    fill(tpl);
}

QWidget* DesignerDialog::pageTab() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    paper_ = new QComboBox(page);
    paper_->addItems(PrintTemplate::paperNames());
    paperWidth_ = millimetres(page, 20, 2000);
    paperHeight_ = millimetres(page, 20, 2000);
    connect(paper_, &QComboBox::currentTextChanged, this, [this](const QString& name) {
        PrintTemplate probe;
        const bool custom = !probe.setPaper(name) || probe.paper == u"custom";
        if (!custom) {
            paperWidth_->setValue(probe.paperWidth);
            paperHeight_->setValue(probe.paperHeight);
        }
        paperWidth_->setEnabled(custom);
        paperHeight_->setEnabled(custom);
    });
    orientation_ = new QComboBox(page);
    orientation_->addItems({QStringLiteral("纵向"), QStringLiteral("横向")});
    form->addRow(QStringLiteral("纸张"), paper_);
    form->addRow(QStringLiteral("宽度"), paperWidth_);
    form->addRow(QStringLiteral("高度"), paperHeight_);
    form->addRow(QStringLiteral("方向"), orientation_);
    const QString sides[4] = {QStringLiteral("左边距"), QStringLiteral("上边距"),
                              QStringLiteral("右边距"), QStringLiteral("下边距")};
    for (int i = 0; i < 4; ++i) {
        margins_[i] = millimetres(page, 0, 200);
        form->addRow(sides[i], margins_[i]);
    }
    rowHeight_ = millimetres(page, 2, 100);
    form->addRow(QStringLiteral("明细行高"), rowHeight_);
    return page;
}

QWidget* DesignerDialog::headerTab() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    title_ = new QLineEdit(page);
    headerColumns_ = new QSpinBox(page);
    headerColumns_->setRange(1, 10);
    repeatHeader_ = new QCheckBox(QStringLiteral("每页都打印标题和表头"), page);
    form->addRow(QStringLiteral("标题"), title_);
    form->addRow(QStringLiteral("表头每行字段数"), headerColumns_);
    form->addRow(QString(), repeatHeader_);
    layout->addLayout(form);
    headerTable_ = new QTableWidget(0, 2, page);
    headerTable_->setHorizontalHeaderLabels({QStringLiteral("字段"), QStringLiteral("标题")});
    headerTable_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(headerTable_, 1);

    auto* row = new QHBoxLayout;
    auto* fields = new QComboBox(page);
    for (const Field& f : header_.fields()) {
        fields->addItem(f.name);
    }
    auto* add = new QPushButton(QStringLiteral("添加字段"), page);
    auto* remove = new QPushButton(QStringLiteral("删除字段"), page);
    connect(add, &QPushButton::clicked, this, [this, fields] {
        if (!fields->currentText().isEmpty()) {
            addHeaderField(fields->currentText(), stripCaptionTags(fields->currentText()));
        }
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (headerTable_->currentRow() >= 0) {
            headerTable_->removeRow(headerTable_->currentRow());
        }
    });
    row->addWidget(fields, 1);
    row->addWidget(add);
    row->addWidget(remove);
    layout->addLayout(row);
    return page;
}

QWidget* DesignerDialog::columnTab() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    columnTable_ = new QTableWidget(0, ColCells, page);
    columnTable_->setHorizontalHeaderLabels({QStringLiteral("字段"), QStringLiteral("标题"),
                                             QStringLiteral("宽度(mm)"), QStringLiteral("对齐"),
                                             QStringLiteral("小数位"), QStringLiteral("合计")});
    columnTable_->horizontalHeader()->setSectionResizeMode(ColCaption, QHeaderView::Stretch);
    layout->addWidget(columnTable_, 1);

    auto* row = new QHBoxLayout;
    auto* fields = new QComboBox(page);
    for (const Field& f : detail_.fields()) {
        fields->addItem(stripCaptionTags(f.caption()), f.name);
    }
    auto* add = new QPushButton(QStringLiteral("添加列"), page);
    auto* remove = new QPushButton(QStringLiteral("删除列"), page);
    auto* up = new QPushButton(QStringLiteral("上移"), page);
    auto* down = new QPushButton(QStringLiteral("下移"), page);
    connect(add, &QPushButton::clicked, this, [this, fields] {
        if (fields->currentIndex() >= 0) {
            addColumn(fields->currentData().toString(), fields->currentText(), 20);
        }
    });
    connect(remove, &QPushButton::clicked, this,
            [this] { removeColumn(columnTable_->currentRow()); });
    connect(up, &QPushButton::clicked, this,
            [this] { moveColumn(columnTable_->currentRow(), -1); });
    connect(down, &QPushButton::clicked, this,
            [this] { moveColumn(columnTable_->currentRow(), 1); });
    row->addWidget(fields, 1);
    for (QPushButton* b : {add, remove, up, down}) {
        row->addWidget(b);
    }
    layout->addLayout(row);
    return page;
}

QWidget* DesignerDialog::footerTab() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    footer_ = new QPlainTextEdit(page);
    pageFooter_ = new QLineEdit(page);
    variables_ = new QPlainTextEdit(page);
    form->addRow(QStringLiteral("页脚（每行一条）"), footer_);
    form->addRow(QStringLiteral("页码"), pageFooter_);
    form->addRow(QStringLiteral("变量（名称=值）"), variables_);
    form->addRow(QString(), new QLabel(QStringLiteral("文字中可以引用 {字段名}、{变量名}、{page}、"
                                                      "{pages}、{date}、{time}、{sum:字段名}"),
                                       page));
    return page;
}

QWidget* DesignerDialog::fontTab() {
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);
    const QString names[FontRoles] = {QStringLiteral("标题"), QStringLiteral("表头"),
                                      QStringLiteral("明细"), QStringLiteral("页脚")};
    for (int i = 0; i < FontRoles; ++i) {
        fontFamily_[i] = new QFontComboBox(page);
        fontSize_[i] = new QDoubleSpinBox(page);
        fontSize_[i]->setRange(4, 96);
        fontSize_[i]->setDecimals(1);
        fontBold_[i] = new QCheckBox(QStringLiteral("粗体"), page);
        grid->addWidget(new QLabel(names[i], page), i, 0);
        grid->addWidget(fontFamily_[i], i, 1);
        grid->addWidget(fontSize_[i], i, 2);
        grid->addWidget(fontBold_[i], i, 3);
    }
    grid->setRowStretch(FontRoles, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

void DesignerDialog::setColumnRow(int row, const DetailColumn& c) {
    columnTable_->setItem(row, ColField, textItem(c.field));
    columnTable_->setItem(row, ColCaption, textItem(c.caption));
    columnTable_->setItem(row, ColWidth, textItem(number(c.width)));
    auto* align = new QComboBox(columnTable_);
    align->addItem(QStringLiteral("左对齐"), alignName(Align::Left));
    align->addItem(QStringLiteral("居中"), alignName(Align::Center));
    align->addItem(QStringLiteral("右对齐"), alignName(Align::Right));
    align->setCurrentIndex(align->findData(alignName(c.align)));
    columnTable_->setCellWidget(row, ColAlign, align);
    columnTable_->setItem(
        row, ColDecimals,
        textItem(c.decimals < 0 ? QStringLiteral("auto") : QString::number(c.decimals)));
    auto* sum = new QTableWidgetItem;
    sum->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    sum->setCheckState(c.sum ? Qt::Checked : Qt::Unchecked);
    columnTable_->setItem(row, ColSum, sum);
}

void DesignerDialog::fill(const PrintTemplate& tpl) {
    paper_->setCurrentText(tpl.paper);
    paperWidth_->setValue(tpl.paperWidth);
    paperHeight_->setValue(tpl.paperHeight);
    const bool custom = tpl.paper == u"custom";
    paperWidth_->setEnabled(custom);
    paperHeight_->setEnabled(custom);
    orientation_->setCurrentIndex(tpl.orientation == Orientation::Portrait ? 0 : 1);
    const double m[4] = {tpl.marginLeft, tpl.marginTop, tpl.marginRight, tpl.marginBottom};
    for (int i = 0; i < 4; ++i) {
        margins_[i]->setValue(m[i]);
    }
    rowHeight_->setValue(tpl.rowHeight);
    title_->setText(tpl.title);
    headerColumns_->setValue(tpl.headerColumns);
    repeatHeader_->setChecked(tpl.repeatHeader);
    headerTable_->setRowCount(0);
    for (const HeaderField& f : tpl.headerFields) {
        addHeaderField(f.field, f.caption);
    }
    columnTable_->setRowCount(0);
    for (const DetailColumn& c : tpl.columns) {
        const int row = columnTable_->rowCount();
        columnTable_->insertRow(row);
        setColumnRow(row, c);
    }
    footer_->setPlainText(tpl.footerLines.join(QLatin1Char('\n')));
    pageFooter_->setText(tpl.pageFooter);
    QStringList vars;
    for (const auto& v : tpl.variables) {
        vars.append(v.first + QLatin1Char('=') + v.second);
    }
    variables_->setPlainText(vars.join(QLatin1Char('\n')));
    const FontSpec* fonts[FontRoles] = {&tpl.titleFont, &tpl.headerFont, &tpl.detailFont,
                                        &tpl.footerFont};
    for (int i = 0; i < FontRoles; ++i) {
        fontFamily_[i]->setCurrentFont(resolveFont(*fonts[i]));
        fontSize_[i]->setValue(fonts[i]->pointSize);
        fontBold_[i]->setChecked(fonts[i]->bold);
    }
}

void DesignerDialog::addHeaderField(const QString& field, const QString& caption) {
    const int row = headerTable_->rowCount();
    headerTable_->insertRow(row);
    headerTable_->setItem(row, 0, textItem(field));
    headerTable_->setItem(row, 1, textItem(caption));
}

void DesignerDialog::addColumn(const QString& field, const QString& caption, double width) {
    DetailColumn c;
    c.field = field;
    c.caption = caption;
    c.width = width;
    const int row = columnTable_->rowCount();
    columnTable_->insertRow(row);
    setColumnRow(row, c);
}

void DesignerDialog::removeColumn(int row) {
    if (row >= 0 && row < columnTable_->rowCount()) {
        columnTable_->removeRow(row);
    }
}

void DesignerDialog::moveColumn(int row, int delta) {
    const int target = row + delta;
    if (row < 0 || row >= columnTable_->rowCount() || target < 0 ||
        target >= columnTable_->rowCount()) {
        return;
    }
    PrintTemplate t = editedTemplate();
    t.columns.swapItemsAt(row, target);
    setColumnRow(row, t.columns.at(row));
    setColumnRow(target, t.columns.at(target));
    columnTable_->setCurrentCell(target, ColField);
}

PrintTemplate DesignerDialog::editedTemplate() const {
    PrintTemplate t = base_;
    if (!t.setPaper(paper_->currentText())) {
        throw DytError(QStringLiteral("未知的纸张\"%1\"").arg(paper_->currentText()));
    }
    if (t.paper == u"custom") {
        t.paperWidth = paperWidth_->value();
        t.paperHeight = paperHeight_->value();
    }
    t.orientation =
        orientation_->currentIndex() == 0 ? Orientation::Portrait : Orientation::Landscape;
    t.marginLeft = margins_[0]->value();
    t.marginTop = margins_[1]->value();
    t.marginRight = margins_[2]->value();
    t.marginBottom = margins_[3]->value();
    const QSizeF page = t.pageSize();
    if (t.marginLeft + t.marginRight >= page.width() - 10 ||
        t.marginTop + t.marginBottom >= page.height() - 10) {
        throw DytError(QStringLiteral("页边距超出了纸张"));
    }
    t.rowHeight = rowHeight_->value();
    t.title = title_->text();
    t.headerColumns = headerColumns_->value();
    t.repeatHeader = repeatHeader_->isChecked();

    t.headerFields.clear();
    for (int r = 0; r < headerTable_->rowCount(); ++r) {
        const QString field = cellText(headerTable_, r, 0);
        if (field.isEmpty()) {
            throw DytError(QStringLiteral("表头第%1行没有字段名").arg(r + 1));
        }
        t.headerFields.append({field, cellText(headerTable_, r, 1)});
    }

    t.columns.clear();
    for (int r = 0; r < columnTable_->rowCount(); ++r) {
        DetailColumn c;
        c.field = cellText(columnTable_, r, ColField);
        if (c.field.isEmpty()) {
            throw DytError(QStringLiteral("明细第%1列没有字段名").arg(r + 1));
        }
        c.caption = cellText(columnTable_, r, ColCaption);
        bool ok = false;
        c.width = cellText(columnTable_, r, ColWidth).toDouble(&ok);
        if (!ok || c.width < 1 || c.width > 1000) {
            throw DytError(QStringLiteral("明细第%1列的宽度不合法").arg(r + 1));
        }
        const auto* align = qobject_cast<QComboBox*>(columnTable_->cellWidget(r, ColAlign));
        if (align) {
            alignFromName(align->currentData().toString(), &c.align);
        }
        const QString d = cellText(columnTable_, r, ColDecimals).toLower();
        if (d.isEmpty() || d == u"auto") {
            c.decimals = -1;
        } else {
            c.decimals = d.toInt(&ok);
            if (!ok || c.decimals < 0 || c.decimals > 8) {
                throw DytError(QStringLiteral("明细第%1列的小数位不合法").arg(r + 1));
            }
        }
        const QTableWidgetItem* sum = columnTable_->item(r, ColSum);
        c.sum = sum && sum->checkState() == Qt::Checked;
        t.columns.append(c);
    }

    t.footerLines.clear();
    const QString footer = footer_->toPlainText();
    if (!footer.trimmed().isEmpty()) {
        t.footerLines = footer.split(QLatin1Char('\n'));
    }
    t.pageFooter = pageFooter_->text();
    t.variables.clear();
    const QStringList vars = variables_->toPlainText().split(QLatin1Char('\n'));
    for (int i = 0; i < vars.size(); ++i) {
        if (vars.at(i).trimmed().isEmpty()) {
            continue;
        }
        const qsizetype eq = vars.at(i).indexOf(QLatin1Char('='));
        if (eq <= 0) {
            throw DytError(QStringLiteral("变量第%1行应为\"名称=值\"").arg(i + 1));
        }
        t.variables.append({vars.at(i).left(eq).trimmed(), vars.at(i).mid(eq + 1)});
    }

    FontSpec* fonts[FontRoles] = {&t.titleFont, &t.headerFont, &t.detailFont, &t.footerFont};
    for (int i = 0; i < FontRoles; ++i) {
        fonts[i]->family = fontFamily_[i]->currentFont().family();
        fonts[i]->pointSize = fontSize_[i]->value();
        fonts[i]->bold = fontBold_[i]->isChecked();
    }
    return t;
}

bool DesignerDialog::save() {
    try {
        editedTemplate().save(path_);
    } catch (const DytError& e) {
        status_->setText(e.message());
        return false;
    }
    status_->setText(QStringLiteral("保存成功"));
    return true;
}

QString DesignerDialog::statusText() const {
    return status_->text();
}

void DesignerDialog::preview() {
    try {
        PrintJob job(editedTemplate(), header_, detail_);
        PreviewDialog dialog(&job, false, this);
        dialog.exec();
    } catch (const DytError& e) {
        status_->setText(e.message());
    }
}

}  // namespace dyt::print
