#include "client/base/frmbasegoodsset.h"

#include <QFile>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "client/logic/commission.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "common/error.h"
#include "common/gbk.h"

namespace dyt::client {

namespace {

// The unit fields of a row in the order of the grid's columns (the slot column has none).
const char* const kUnitFields[kUnitColumnCount] = {
    "fzdwid", "unit", "rate", "barcode", "price", "price1", "price2", "price3", "isDefault"};

QString slotCaption(int row) {
    return row == 0 ? QStringLiteral("基本单位") : QStringLiteral("辅助单位%1").arg(row);
}

QTableWidgetItem* fixedItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

// A field of the current row; Null when the answer lacks the field.
QVariant valueOf(const RecordSet& rows, const QString& name) {
    const int f = rows.fieldIndex(name);
    return f < 0 || rows.currentRow() < 0 ? QVariant() : rows.value(f);
}

QString numberText(const QVariant& v) {
    if (v.isNull() || v.toString().isEmpty())
        return {};
    return QString::number(v.toDouble(), 'g', 15);
}

}  // namespace

PictureUploader& TfrmBaseGoodsSet::pictureUploader() {
    // The server keeps one picture per goods (p_Base_Up_GoodsImage, the file as base64) and
    // marks the goods' YouWuTuPian itself.
    static PictureUploader uploader = [](qint64 goodsId, const QByteArray& picture) {
        TdmMain* dm = &dataModule();
        ParamList params;
        params.setValue(QStringLiteral("Goodsid"), QString::number(goodsId));
        params.setValue(QStringLiteral("Image"), QString::fromLatin1(picture.toBase64()));
        dm->ExecProc(QStringLiteral("p_Base_Up_GoodsImage"), params);
    };
    return uploader;
}

QByteArray TfrmBaseGoodsSet::storedPicture(qint64 goodsId) {
    TdmMain* dm = &dataModule();
    ParamList params;
    params.setValue(QStringLiteral("Goodsid"), QString::number(goodsId));
    RecordSet rows;
    dm->ExecProcQuery(QStringLiteral("p_Base_Get_GoodsImage"), params, &rows);
    rows.first();
    const int image = rows.fieldIndex(QStringLiteral("Image"));
    if (image < 0 || rows.recordCount() == 0)
        return {};
    return rows.value(image).toByteArray();
}

TfrmBaseGoodsSet::TfrmBaseGoodsSet(QWidget* parent)
    : TfrmBaseEdit(base::kindByCode(QStringLiteral("SP")), parent) {
    resize(720, 470);
}

TfrmBaseGoodsSet::~TfrmBaseGoodsSet() = default;

void TfrmBaseGoodsSet::buildPages() {
    for (const QString& title : base::goodsPages())
        page(title);
    TfrmBaseEdit::buildPages();
    buildUnitGrid();

    buildCommissionPage();

    QWidget* pictures = page(QStringLiteral("商品图片"));
    QGridLayout* grid = pageGrid(QStringLiteral("商品图片"));
    lbPicture_ = new QLabel(pictures);
    lbPicture_->setObjectName(QStringLiteral("imgGoods"));
    lbPicture_->setFrameShape(QFrame::StyledPanel);
    lbPicture_->setAlignment(Qt::AlignCenter);
    lbPicture_->setMinimumSize(260, 200);
    lbPicture_->setText(QStringLiteral("无图片"));
    grid->addWidget(lbPicture_, 0, 0, 3, 2);
    auto* choose = new QPushButton(QStringLiteral("选择图片"), pictures);
    choose->setObjectName(QStringLiteral("btnPictureLoad"));
    auto* remove = new QPushButton(QStringLiteral("删除图片"), pictures);
    remove->setObjectName(QStringLiteral("btnPictureDelete"));
    grid->addWidget(choose, 0, 2, Qt::AlignTop);
    grid->addWidget(remove, 1, 2, Qt::AlignTop);
    grid->setRowStretch(2, 1);
    connect(choose, &QPushButton::clicked, this, [this] {
        const QString file =
            QFileDialog::getOpenFileName(this, QStringLiteral("选择图片"), QString(),
                                         QStringLiteral("图片文件(*.jpg *.jpeg *.png *.bmp)"));
        if (!file.isEmpty())
            setPictureFile(file);
    });
    connect(remove, &QPushButton::clicked, this, [this] { deletePicture(); });

    for (const QString& title : base::goodsPages()) {
        if (QGridLayout* g = pageGrid(title);
            g && title != QStringLiteral("商品图片") && title != QStringLiteral("价格信息"))
            g->setRowStretch(g->rowCount(), 1);
    }
}

void TfrmBaseGoodsSet::buildUnitGrid() {
    QWidget* prices = page(QStringLiteral("价格信息"));
    units_ = new QTableWidget(kUnitRows, kUnitColumnCount, prices);
    units_->setObjectName(QStringLiteral("sgUnits"));
    units_->setHorizontalHeaderLabels(
        {QString(), QStringLiteral("单位"), QStringLiteral("单位关系"), QStringLiteral("条码"),
         QStringLiteral("零售价"), QStringLiteral("预设售价1"), QStringLiteral("预设售价2"),
         QStringLiteral("预设售价3"), QStringLiteral("默认")});
    units_->verticalHeader()->hide();
    units_->horizontalHeader()->setStretchLastSection(true);
    units_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    units_->setColumnWidth(kUnitSlot, 66);
    units_->setColumnWidth(kUnitName, 56);
    units_->setColumnWidth(kUnitRate, 62);
    units_->setColumnWidth(kUnitBarcode, 110);
    for (int c = kUnitPrice; c <= kUnitPrice3; ++c)
        units_->setColumnWidth(c, 66);
    for (int r = 0; r < kUnitRows; ++r) {
        units_->setItem(r, kUnitSlot, fixedItem(slotCaption(r)));
        for (int c = kUnitName; c < kUnitDefault; ++c)
            units_->setItem(r, c, new QTableWidgetItem);
        QTableWidgetItem* mark = fixedItem(QString());
        mark->setTextAlignment(Qt::AlignCenter);
        mark->setToolTip(goodstext::defaultHint());
        units_->setItem(r, kUnitDefault, mark);
    }
    QTableWidgetItem* baseRate = fixedItem(QStringLiteral("1"));
    baseRate->setToolTip(goodstext::baseUnitRate());
    units_->setItem(0, kUnitRate, baseRate);
    units_->item(0, kUnitDefault)->setText(goodstext::defaultMark());
    connect(units_, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        if (column == kUnitDefault)
            setDefaultUnit(row);
    });
    auto* grid = pageGrid(QStringLiteral("价格信息"));
    grid->addWidget(units_, 0, 0, 1, 4);
    auto* hint = new QLabel(
        goodstext::defaultHint() + QStringLiteral("；") + goodstext::baseUnitRate(), prices);
    grid->addWidget(hint, 1, 0, 1, 4);
}

int TfrmBaseGoodsSet::defaultUnitRow() const {
    for (int r = 0; r < kUnitRows; ++r) {
        if (units_->item(r, kUnitDefault)->text() == goodstext::defaultMark())
            return r;
    }
    return -1;
}

void TfrmBaseGoodsSet::setDefaultUnit(int row) {
    if (row < 0 || row >= kUnitRows || units_->item(row, kUnitName)->text().trimmed().isEmpty())
        return;
    for (int r = 0; r < kUnitRows; ++r)
        units_->item(r, kUnitDefault)->setText(r == row ? goodstext::defaultMark() : QString());
}

bool TfrmBaseGoodsSet::unitLocked(int row) const {
    return row >= 0 && row < kUnitRows && lockedUnits_[row];
}

void TfrmBaseGoodsSet::loadUnits(qint64 goodsId, bool keepIds) {
    RecordSet rows;
    dmMain()->ExecQuery(base::goodsUnitsSql(goodsId), &rows);
    for (int r = 0; r < kUnitRows; ++r) {
        for (int c = kUnitName; c < kUnitDefault; ++c) {
            if (r == 0 && c == kUnitRate)
                continue;
            units_->item(r, c)->setText(QString());
        }
        units_->item(r, kUnitDefault)->setText(QString());
        units_->item(r, kUnitName)->setData(Qt::UserRole, 0);
    }
    for (rows.first(); !rows.eof(); rows.next()) {
        const int slot = static_cast<int>(valueOf(rows, QStringLiteral("fzdwid")).toLongLong());
        if (slot < 0 || slot >= kUnitRows)
            continue;
        units_->item(slot, kUnitName)->setText(valueOf(rows, QStringLiteral("unit")).toString());
        units_->item(slot, kUnitName)
            ->setData(Qt::UserRole, keepIds ? valueOf(rows, QStringLiteral("id")).toLongLong() : 0);
        if (slot > 0)
            units_->item(slot, kUnitRate)
                ->setText(numberText(valueOf(rows, QStringLiteral("rate"))));
        units_->item(slot, kUnitBarcode)
            ->setText(valueOf(rows, QStringLiteral("barcode")).toString());
        for (int c = kUnitPrice; c <= kUnitPrice3; ++c) {
            units_->item(slot, c)->setText(
                numberText(valueOf(rows, QLatin1String(kUnitFields[c]))));
        }
        if (valueOf(rows, QStringLiteral("isDefault")).toLongLong() != 0)
            units_->item(slot, kUnitDefault)->setText(goodstext::defaultMark());
    }
    if (defaultUnitRow() < 0)
        units_->item(0, kUnitDefault)->setText(goodstext::defaultMark());
}

void TfrmBaseGoodsSet::applyLocks(qint64 goodsId, bool leaf) {
    RecordSet rows;
    if (leaf) {
        dmMain()->ExecQuery(base::goodsTypeLockSql(goodsId), &rows);
        if (QWidget* w = fieldEditor(QStringLiteral("spType")))
            w->setEnabled(rows.recordCount() == 0);
    }
    dmMain()->ExecQuery(base::costMethodLockSql(goodsId), &rows);
    if (QWidget* w = fieldEditor(QStringLiteral("costmode")))
        w->setEnabled(rows.recordCount() == 0);
    for (int r = 0; r < kUnitRows; ++r) {
        QTableWidgetItem* name = units_->item(r, kUnitName);
        lockedUnits_[r] = false;
        if (name->text().trimmed().isEmpty())
            continue;
        dmMain()->ExecQuery(base::unitLockSql(goodsId, r), &rows);
        lockedUnits_[r] = rows.recordCount() > 0;
        if (lockedUnits_[r])
            name->setFlags(name->flags() & ~Qt::ItemIsEditable);
    }
}

void TfrmBaseGoodsSet::loadRecord(qint64 id) {
    TfrmBaseEdit::loadRecord(id);
    loadUnits(id, true);
    const bool leaf =
        loaded_.recordCount() == 0 || valueOf(loaded_, QStringLiteral("sonnum")).toLongLong() == 0;
    applyLocks(id, leaf);
    const bool hasPicture =
        loaded_.recordCount() > 0 &&
        valueOf(loaded_, QStringLiteral("YouWuTuPian")).toString() == QStringLiteral("有");
    picture_ = hasPicture ? storedPicture(id) : QByteArray();
    pictureChanged_ = false;
    showPicture();
    if (hasPicture && picture_.isEmpty())
        lbPicture_->setText(QStringLiteral("有图片"));
}

void TfrmBaseGoodsSet::fillSource(const RecordSet& source) {
    const qint64 sourceId = valueOf(source, QStringLiteral("id")).toLongLong();
    RecordSet rows;
    dmMain()->ExecQuery(base::copySourceSql(kind(), sourceId), &rows);
    rows.first();
    fillFrom(rows.recordCount() > 0 ? rows : source);
    loadUnits(sourceId, false);
}

void TfrmBaseGoodsSet::setup(const EditorRequest& request) {
    TfrmBaseEdit::setup(request);
}

void TfrmBaseGoodsSet::fullNameLeft() {
    TfrmBaseEdit::fullNameLeft();
    if (fieldValue(QStringLiteral("name")).isEmpty()) {
        setFieldValue(QStringLiteral("name"),
                      gbk::leftBytes(fieldValue(QStringLiteral("fullname")), 8));
    }
}

bool TfrmBaseGoodsSet::setPictureFile(const QString& fileName) {
    QFile file(fileName);
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) {
        prompter().message(caption::hint(), goodstext::pictureMissing());
        return false;
    }
    picture_ = file.readAll();
    pictureChanged_ = true;
    showPicture();
    return true;
}

void TfrmBaseGoodsSet::showPicture() {
    QPixmap pixmap;
    if (!picture_.isEmpty() && pixmap.loadFromData(picture_)) {
        lbPicture_->setPixmap(
            pixmap.scaled(lbPicture_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    } else {
        lbPicture_->setPixmap(QPixmap());
        lbPicture_->setText(picture_.isEmpty() ? QStringLiteral("无图片")
                                               : QStringLiteral("有图片"));
    }
}

void TfrmBaseGoodsSet::deletePicture() {
    if (recordId() > 0) {
        try {
            ParamList params;
            params.setValue(QStringLiteral("Goodsid"), QString::number(recordId()));
            params.setValue(QStringLiteral("del"), QStringLiteral("1"));
            dmMain()->ExecProc(QStringLiteral("p_Base_Up_GoodsImage"), params);
            dmMain()->ExecUpdate(base::pictureMarkSql(recordId(), false));
        } catch (const DytError& e) {
            prompter().showError(goodstext::deleteTitle(), e);
            return;
        }
    }
    picture_.clear();
    pictureChanged_ = false;
    showPicture();
}

// The page "商品提成": the goods' commission plan, chosen among the goods' plans. The plans are
// read when the page is first shown; the choice is sent after the goods was saved, and only
// when it changed.
void TfrmBaseGoodsSet::buildCommissionPage() {
    QWidget* owner = page(QStringLiteral("商品提成"));
    QGridLayout* grid = pageGrid(QStringLiteral("商品提成"));
    cbPlan_ = new QComboBox(owner);
    cbPlan_->setObjectName(QStringLiteral("cbTCFA"));
    cbPlan_->addItem(commission::text::none(), QVariant(qint64(0)));
    grid->addWidget(new QLabel(QStringLiteral("提成方案："), owner), 0, 0);
    grid->addWidget(cbPlan_, 0, 1, 1, 2);
    auto* note = new QLabel(
        QStringLiteral("销售时按商品的提成方案计算经手人的提成；商品没有方案时按职员的方案计算。"),
        owner);
    note->setWordWrap(true);
    grid->addWidget(note, 1, 0, 1, 4, Qt::AlignTop);
    grid->setRowStretch(2, 1);
    connect(pages(), &QTabWidget::currentChanged, this, [this, owner] {
        if (pages()->currentWidget() == owner)
            loadPlans();
    });
}

void TfrmBaseGoodsSet::loadPlans() {
    if (plansLoaded_)
        return;
    plansLoaded_ = true;
    try {
        TdmMain* dm = dmMain();
        ParamList list = commission::listParams(commission::kGoodsPlan);
        RecordSet plans;
        dm->ExecProcQuery(commission::text::listProcedure(), list, &plans);
        for (int r = 0; r < plans.rowCount(); ++r) {
            cbPlan_->addItem(plans.at(r, plans.fieldIndex(QStringLiteral("fullname"))).toString(),
                             plans.at(r, plans.fieldIndex(QStringLiteral("id"))).toLongLong());
        }
        if (recordId() > 0) {
            ParamList one = commission::recordsParams(commission::kGoodsPlan, recordId());
            RecordSet mine;
            dm->ExecProcQuery(commission::text::listProcedure(), one, &mine);
            if (mine.rowCount() > 0)
                loadedPlan_ = mine.at(0, mine.fieldIndex(QStringLiteral("tcid"))).toLongLong();
        }
        cbPlan_->setCurrentIndex(std::max(0, cbPlan_->findData(loadedPlan_)));
    } catch (const DytError& e) {
        prompter().showError(caption::hint(), e);
    }
}

qint64 TfrmBaseGoodsSet::chosenPlan() const {
    return cbPlan_ ? cbPlan_->currentData().toLongLong() : 0;
}

void TfrmBaseGoodsSet::saveParts(qint64 id) {
    if (plansLoaded_ && chosenPlan() != loadedPlan_) {
        ParamList plan = commission::assignParams(commission::kGoodsPlan, id, chosenPlan());
        dmMain()->ExecProc(commission::text::assignProcedure(), plan);
        loadedPlan_ = chosenPlan();
    }
    for (int r = 0; r < kUnitRows; ++r) {
        const QString unit = units_->item(r, kUnitName)->text().trimmed();
        if (unit.isEmpty())
            continue;
        ParamList params;
        params.setValue(QStringLiteral("Goodsid"), QString::number(id));
        params.setValue(QStringLiteral("fzdwid"), QString::number(r));
        params.setValue(QStringLiteral("unit"), unit);
        for (int c = kUnitRate; c <= kUnitPrice3; ++c) {
            QString text = units_->item(r, c)->text().trimmed();
            if (text.isEmpty() && c != kUnitBarcode)
                text = c == kUnitRate ? QStringLiteral("1") : QStringLiteral("0");
            params.setValue(QLatin1String(kUnitFields[c]), text);
        }
        params.setValue(
            QStringLiteral("id"),
            QString::number(units_->item(r, kUnitName)->data(Qt::UserRole).toLongLong()));
        params.setValue(QStringLiteral("isDefault"),
                        r == defaultUnitRow() ? QStringLiteral("1") : QStringLiteral("0"));
        dmMain()->ExecProc(QStringLiteral("p_base_Up_goodsunit"), params);
    }
    if (pictureChanged_ && !picture_.isEmpty()) {
        try {
            ProgressScope progress(goodstext::uploading(), 0, 0, goodstext::uploadTitle());
            pictureUploader()(id, picture_);
            dmMain()->ExecUpdate(base::pictureMarkSql(id, true));
            pictureChanged_ = false;
        } catch (const DytError& e) {
            prompter().message(caption::hint(), goodstext::uploadFailed() + e.message());
        }
    }
}

}  // namespace dyt::client
