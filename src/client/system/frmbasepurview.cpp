#include "client/system/frmbasepurview.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/purview.h"
#include "client/logic/session.h"
#include "common/error.h"
#include "common/paramlist.h"

namespace dyt::client {

namespace {

QString windowCaption() {
    return QStringLiteral("基本信息授权");
}

void showRemoteError(const DytError& e) {
    prompter().message(caption::hint(), purview::errorPrefix() + e.message());
}

}  // namespace

TfrmBasePurview::TfrmBasePurview(QWidget* owner) : TfrmBase(owner) {
    setObjectName(QStringLiteral("frmBasePurview"));
    setWindowTitle(windowCaption());
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* lblList = new QLabel(QStringLiteral("操作员"), this);
    lstOperator_ = new QListWidget(this);
    lstOperator_->setObjectName(QStringLiteral("lstOperator"));
    lstOperator_->setFixedWidth(160);
    lblList->setBuddy(lstOperator_);
    left->addWidget(lblList);
    left->addWidget(lstOperator_);
    layout->addLayout(left);

    auto* right = new QVBoxLayout;
    lblOperator_ = new QLabel(purview::chosenOperator(), this);
    lblOperator_->setObjectName(QStringLiteral("lblOperator"));
    right->addWidget(lblOperator_);
    auto* kinds = new QGroupBox(this);
    auto* kindRow = new QHBoxLayout(kinds);
    rgKind_ = new QButtonGroup(this);
    int index = 0;
    for (const purview::RecordKind& k : purview::recordKinds()) {
        auto* radio = new QRadioButton(QString::fromUtf16(k.caption), kinds);
        radio->setObjectName(QStringLiteral("rbKind%1").arg(index));
        rgKind_->addButton(radio, index++);
        kindRow->addWidget(radio);
    }
    rgKind_->button(0)->setChecked(true);
    right->addWidget(kinds);
    grid_ = new QTableWidget(0, 3, this);
    grid_->setObjectName(QStringLiteral("grdBase"));
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setTabKeyNavigation(false);
    grid_->installEventFilter(this);
    right->addWidget(grid_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("双击授权列可快速操作"), this));
    lblLevel_ = new QLabel(this);
    lblLevel_->setObjectName(QStringLiteral("lblLevel"));
    buttons->addSpacing(16);
    buttons->addWidget(lblLevel_);
    buttons->addStretch(1);
    const std::pair<const char*, const char16_t*> kButtons[] = {{"btnUp", u"上一级"},
                                                                {"btnSingle", u"单个授权"},
                                                                {"btnAll", u"全部授权"},
                                                                {"btnNone", u"全部取消"}};
    for (const auto& [name, text] : kButtons) {
        auto* b = new QPushButton(QString::fromUtf16(text), this);
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
    }
    right->addLayout(buttons);
    layout->addLayout(right, 1);
    resize(820, 540);

    connect(button(QStringLiteral("btnUp")), &QPushButton::clicked, this,
            &TfrmBasePurview::levelUp);
    connect(button(QStringLiteral("btnSingle")), &QPushButton::clicked, this,
            [this] { toggle(grid_->currentRow()); });
    connect(button(QStringLiteral("btnAll")), &QPushButton::clicked, this, [this] { setAll(1); });
    connect(button(QStringLiteral("btnNone")), &QPushButton::clicked, this, [this] { setAll(0); });
    connect(rgKind_, &QButtonGroup::idClicked, this, [this] { kindChanged(); });
    connect(lstOperator_, &QListWidget::currentRowChanged, this, [this] {
        const QListWidgetItem* item = lstOperator_->currentItem();
        lblOperator_->setText(purview::chosenOperator() + (item ? item->text() : QString()));
        reload();
    });
    connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        if (column == 2)
            toggle(row);
        else
            openCategory(row);
    });
    setTabOrder(lstOperator_, rgKind_->button(0));
    setTabOrder(rgKind_->button(0), grid_);

    kindChanged();
    loadOperators();
}

TfrmBasePurview::~TfrmBasePurview() = default;

QPushButton* TfrmBasePurview::button(const QString& objectName) const {
    return findChild<QPushButton*>(objectName);
}

const purview::RecordKind& TfrmBasePurview::kind() const {
    const int id = qMax(0, rgKind_->checkedId());
    return purview::recordKinds()[static_cast<size_t>(id)];
}

qint64 TfrmBasePurview::chosenOperator() const {
    const int row = lstOperator_->currentRow();
    return row >= 0 && row < operatorIds_.size() ? operatorIds_[row] : 0;
}

void TfrmBasePurview::loadOperators() {
    RecordSet rows;
    try {
        dataModule().ExecQuery(purview::grantableOperatorsSql(loginedUser().UserId), &rows);
    } catch (const DytError& e) {
        showRemoteError(e);
        return;
    }
    if (rows.rowCount() == 0) {
        prompter().message(caption::hint(), purview::noGrantableOperator());
        return;
    }
    for (rows.first(); !rows.eof(); rows.next()) {
        operatorIds_.append(rows.integer(QStringLiteral("id")));
        lstOperator_->addItem(rows.text(QStringLiteral("fullname")).trimmed());
    }
    lstOperator_->setCurrentRow(0);
}

void TfrmBasePurview::kindChanged() {
    const purview::RecordKind& k = kind();
    setWindowTitle(windowCaption() + u'(' + QString::fromUtf16(k.caption) + u')');
    grid_->setHorizontalHeaderLabels(
        k.accounts
            ? QStringList{QStringLiteral("账户编号"), QStringLiteral("账户全名"),
                          QStringLiteral("授权")}
            : QStringList{QStringLiteral("编号"), QStringLiteral("全名"), QStringLiteral("授权")});
    parents_.clear();
    parentNames_.clear();
    reload();
}

void TfrmBasePurview::reload(int keepRow) {
    rows_ = RecordSet();
    const qint64 user = chosenOperator();
    const purview::RecordKind& k = kind();
    if (user > 0) {
        ParamList p;
        p.setValue(QStringLiteral("QueryType"), QString::fromLatin1(k.queryType));
        p.setValue(QString::fromLatin1(k.conditionKey),
                   QStringLiteral(";czy_id=%1;par_id=%2")
                       .arg(loginedUser().UserId)
                       .arg(parents_.isEmpty() ? 0 : parents_.last()));
        p.setValue(QStringLiteral("filter"), QStringLiteral(";zy_id=%1").arg(user));
        try {
            dataModule().ExecProcQuery(QStringLiteral("P_JXC_Get_Base"), p, &rows_);
        } catch (const DytError& e) {
            showRemoteError(e);
        }
    }
    const int code = rows_.fieldIndex(QString::fromLatin1(k.accounts ? "km_code" : "code"));
    const int name = rows_.fieldIndex(QString::fromLatin1(k.accounts ? "km_name" : "fullname"));
    const int sons = rows_.fieldIndex(QStringLiteral("sonnum"));
    const int isbj = rows_.fieldIndex(QStringLiteral("isbj"));
    grid_->setRowCount(rows_.rowCount());
    for (int r = 0; r < rows_.rowCount(); ++r) {
        const bool category = sons >= 0 && rows_.at(r, sons).toLongLong() > 0;
        const QString texts[] = {
            rows_.at(r, code).toString().trimmed(),
            (category ? QStringLiteral("+ ") : QString()) + rows_.at(r, name).toString().trimmed(),
            QString()};
        for (int c = 0; c < 3; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            if (c == 2) {
                item->setCheckState(rows_.at(r, isbj).toLongLong() == 1 ? Qt::Checked
                                                                        : Qt::Unchecked);
            }
            grid_->setItem(r, c, item);
        }
    }
    if (rows_.rowCount() > 0)
        grid_->setCurrentCell(qBound(0, keepRow, rows_.rowCount() - 1), 0);
    button(QStringLiteral("btnUp"))->setEnabled(!parents_.isEmpty());
    lblLevel_->setText(parentNames_.isEmpty()
                           ? QString()
                           : QStringLiteral("当前分类：") + parentNames_.join(QLatin1Char('/')));
}

bool TfrmBasePurview::update(const QString& sql) {
    try {
        dataModule().ExecUpdate(sql);
        return true;
    } catch (const DytError& e) {
        showRemoteError(e);
        return false;
    }
}

void TfrmBasePurview::toggle(int row) {
    const qint64 user = chosenOperator();
    if (user <= 0 || row < 0 || row >= rows_.rowCount())
        return;
    const purview::RecordKind& k = kind();
    const int state =
        rows_.at(row, rows_.fieldIndex(QStringLiteral("isbj"))).toLongLong() == 1 ? 0 : 1;
    const qint64 id = rows_.at(row, rows_.fieldIndex(QStringLiteral("id"))).toLongLong();
    if (update(purview::subtreeSql(k, state, user, id) + QStringLiteral("\r\n") +
               purview::categoriesSql(k, user)))
        reload(row);
}

void TfrmBasePurview::setAll(int state) {
    const qint64 user = chosenOperator();
    if (user <= 0 || rows_.rowCount() == 0)
        return;
    QStringList texts;
    const int id = rows_.fieldIndex(QStringLiteral("id"));
    for (int r = 0; r < rows_.rowCount(); ++r)
        texts << purview::subtreeSql(kind(), state, user, rows_.at(r, id).toLongLong());
    if (update(texts.join(QStringLiteral("\r\n"))))
        reload(grid_->currentRow());
}

void TfrmBasePurview::openCategory(int row) {
    const int sons = rows_.fieldIndex(QStringLiteral("sonnum"));
    if (row < 0 || row >= rows_.rowCount() || sons < 0 || rows_.at(row, sons).toLongLong() <= 0)
        return;
    parents_.append(rows_.at(row, rows_.fieldIndex(QStringLiteral("id"))).toLongLong());
    parentNames_.append(
        rows_.at(row, rows_.fieldIndex(QStringLiteral("fullname"))).toString().trimmed());
    reload(0);
}

void TfrmBasePurview::levelUp() {
    if (parents_.isEmpty())
        return;
    const qint64 left = parents_.takeLast();
    parentNames_.removeLast();
    reload(0);
    const int id = rows_.fieldIndex(QStringLiteral("id"));
    for (int r = 0; r < rows_.rowCount(); ++r) {
        if (rows_.at(r, id).toLongLong() == left)
            grid_->setCurrentCell(r, 0);
    }
}

bool TfrmBasePurview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Space:
            case Qt::Key_Return:
            case Qt::Key_Enter:
                toggle(grid_->currentRow());
                return true;
            case Qt::Key_Right:
                openCategory(grid_->currentRow());
                return true;
            case Qt::Key_Left:
            case Qt::Key_Backspace:
                levelUp();
                return true;
            default:
                break;
        }
    }
    return TfrmBase::eventFilter(watched, event);
}

}  // namespace dyt::client
