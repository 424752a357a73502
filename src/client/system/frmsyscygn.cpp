#include "client/system/frmsyscygn.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/session.h"
#include "common/error.h"
#include "common/recordset.h"

namespace dyt::client {

namespace cygn {

QString selectSql(int userId) {
    return QStringLiteral(
               "  SELECT a.id,a.iscygn,b.name FROM sysPurview AS a,sysMenu AS b   WHERE a.menuid "
               "= b.id AND a.userid = ") +
           QString::number(userId) +
           QStringLiteral(" AND a.isbj = 1 AND b.hide = 0 AND b.sonnum = 0 AND b.isBtn = 0 ") +
           QStringLiteral(" ORDER BY b.ordercode");
}

void Lists::load(RecordSet& rows) {
    for (const char* field : {"id", "iscygn", "name"}) {
        if (!rows.hasField(QLatin1String(field)))
            throw DytError(QStringLiteral("常用功能数据缺少字段 %1").arg(QLatin1String(field)));
    }
    available_.clear();
    pinned_.clear();
    for (rows.first(); !rows.eof(); rows.next()) {
        const Item item{rows.integer(QStringLiteral("id")), rows.text(QStringLiteral("name"))};
        if (rows.integer(QStringLiteral("iscygn")) == 0)
            available_.append(item);
        else
            pinned_.append(item);
    }
}

bool Lists::pin(int availableIndex) {
    if (availableIndex < 0 || availableIndex >= available_.size() || full())
        return false;
    pinned_.append(available_.takeAt(availableIndex));
    return true;
}

bool Lists::unpin(int pinnedIndex) {
    if (pinnedIndex < 0 || pinnedIndex >= pinned_.size())
        return false;
    available_.append(pinned_.takeAt(pinnedIndex));
    return true;
}

bool Lists::pinAll() {
    while (!available_.isEmpty()) {
        if (!pin(0))
            return false;
    }
    return true;
}

void Lists::unpinAll() {
    while (!pinned_.isEmpty())
        unpin(0);
}

QString Lists::saveSql(int userId) const {
    const QString user = QString::number(userId);
    QString ids;
    for (const Item& item : pinned_)
        ids += QString::number(item.id) + QLatin1Char(',');
    return QStringLiteral("UPDATE syspurview SET isCYGN = 0,openCount = 0 WHERE userid = ") + user +
           QStringLiteral("\r\n") +
           QStringLiteral(
               " Update syspurview set iscygn = 1,openCount = 99999999 where userid = ") +
           user + QStringLiteral(" and id in (") + ids + QStringLiteral(" 0)");
}

}  // namespace cygn

namespace {

constexpr double kPi = 3.14159265358979323846;

// The title panel's picture: a star on a round badge.
QPixmap titlePicture() {
    QPixmap pixmap(36, 36);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2F, 0x6F, 0xD6));
    p.drawEllipse(QRectF(1, 1, 34, 34));
    QPainterPath star;
    const QPointF c(18, 18.5);
    for (int i = 0; i < 10; ++i) {
        const double r = (i % 2 == 0) ? 11.0 : 4.6;
        const double a = -kPi / 2 + i * kPi / 5;
        const QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
        if (i == 0)
            star.moveTo(pt);
        else
            star.lineTo(pt);
    }
    star.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(star);
    return pixmap;
}

QPushButton* moveButton(const QString& text, const QString& name, const QString& hint,
                        QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setFixedSize(44, 30);
    return b;
}

}  // namespace

TfrmsysCYGN::TfrmsysCYGN(QWidget* owner) : TfrmBaseDialog(owner) {
    setObjectName(QStringLiteral("frmsysCYGN"));
    setWindowTitle(QStringLiteral("常用功能设置"));
    lbltitle()->setText(QStringLiteral("常用功能设置"));
    titleImage()->setPixmap(titlePicture());

    // Content: the two lists and the move buttons between them.
    QGroupBox* group = contentBox();
    auto* content = new QHBoxLayout(group);
    auto* leftColumn = new QVBoxLayout;
    leftColumn->addWidget(new QLabel(QStringLiteral("可选功能"), group));
    lbLeft_ = new QListWidget(group);
    lbLeft_->setObjectName(QStringLiteral("lbLeft"));
    leftColumn->addWidget(lbLeft_);
    auto* middle = new QVBoxLayout;
    auto* btnRight = moveButton(QStringLiteral(">"), QStringLiteral("btnRight"),
                                QStringLiteral("设为常用功能"), group);
    auto* btnAllRight = moveButton(QStringLiteral(">>"), QStringLiteral("btnAllRight"),
                                   QStringLiteral("全部设为常用功能"), group);
    auto* btnLeft = moveButton(QStringLiteral("<"), QStringLiteral("btnLeft"),
                               QStringLiteral("取消常用功能"), group);
    auto* btnAllLeft = moveButton(QStringLiteral("<<"), QStringLiteral("btnAllLeft"),
                                  QStringLiteral("全部取消"), group);
    middle->addStretch(1);
    for (QPushButton* b : {btnRight, btnAllRight, btnLeft, btnAllLeft})
        middle->addWidget(b);
    middle->addStretch(1);
    auto* rightColumn = new QVBoxLayout;
    lblCount_ = new QLabel(group);
    lblCount_->setObjectName(QStringLiteral("lblCount"));
    rightColumn->addWidget(lblCount_);
    lbRight_ = new QListWidget(group);
    lbRight_->setObjectName(QStringLiteral("lbRight"));
    rightColumn->addWidget(lbRight_);
    for (QListWidget* list : {lbLeft_, lbRight_}) {
        list->setMinimumSize(220, 320);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
    }
    content->addLayout(leftColumn, 1);
    content->addLayout(middle);
    content->addLayout(rightColumn, 1);
    btnOK()->setDefault(true);

    connect(btnRight, &QPushButton::clicked, this, &TfrmsysCYGN::btnRightClick);
    connect(btnAllRight, &QPushButton::clicked, this, &TfrmsysCYGN::btnAllRightClick);
    connect(btnLeft, &QPushButton::clicked, this, &TfrmsysCYGN::btnLeftClick);
    connect(btnAllLeft, &QPushButton::clicked, this, &TfrmsysCYGN::btnAllLeftClick);
    connect(lbLeft_, &QListWidget::itemDoubleClicked, this, [this] { btnRightClick(); });
    connect(lbRight_, &QListWidget::itemDoubleClicked, this, [this] { btnLeftClick(); });

    loadFunctions();
}

TfrmsysCYGN::~TfrmsysCYGN() = default;

void TfrmsysCYGN::loadFunctions() {
    try {
        TdmMain* dm = &dataModule();
        RecordSet rows;
        dm->ExecQuery(cygn::selectSql(loginedUser().UserId), &rows);
        lists_.load(rows);
        loaded_ = true;
    } catch (const DytError& e) {
        // Without the operator's functions a save would unpin everything: OK stays off.
        prompter().showError(caption::error(), e);
    }
    btnOK()->setEnabled(loaded_);
    refill();
}

void TfrmsysCYGN::refill() {
    auto fill = [](QListWidget* list, const QList<cygn::Item>& items) {
        const int row = list->currentRow();
        list->clear();
        for (const cygn::Item& item : items) {
            auto* entry = new QListWidgetItem(item.name, list);
            entry->setData(Qt::UserRole, item.id);
        }
        if (list->count() > 0)
            list->setCurrentRow(qBound(0, row, list->count() - 1));
    };
    fill(lbLeft_, lists_.available());
    fill(lbRight_, lists_.pinned());
    lblCount_->setText(
        QStringLiteral("常用功能（%1/%2）").arg(lists_.pinned().size()).arg(cygn::kLimit));
}

void TfrmsysCYGN::limitReached() {
    prompter().message(caption::hint(), cygn::limitMessage());
}

void TfrmsysCYGN::btnRightClick() {
    const int row = lbLeft_->currentRow();
    if (row < 0 || lbLeft_->currentItem() == nullptr)
        return;
    if (lists_.full()) {
        limitReached();
        return;
    }
    lists_.pin(row);
    refill();
}

void TfrmsysCYGN::btnAllRightClick() {
    const bool all = lists_.pinAll();
    refill();
    if (!all)
        limitReached();
}

void TfrmsysCYGN::btnLeftClick() {
    const int row = lbRight_->currentRow();
    if (row < 0 || lbRight_->currentItem() == nullptr)
        return;
    lists_.unpin(row);
    refill();
}

void TfrmsysCYGN::btnAllLeftClick() {
    lists_.unpinAll();
    refill();
}

bool TfrmsysCYGN::Save() {
    if (!loaded_)
        return false;
    try {
        TdmMain* dm = &dataModule();
        if (dm->ExecUpdate(lists_.saveSql(loginedUser().UserId)) < 0)
            return false;
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
        return false;
    }
    return true;
}

void TfrmsysCYGN::btnOKClick() {
    // Taking the focus first commits what is still being edited.
    btnOK()->setFocus(Qt::OtherFocusReason);
    if (Save())
        TfrmBaseDialog::btnOKClick();
}

}  // namespace dyt::client
