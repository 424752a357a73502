#include "client/system/frmbillnoset.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "client/bills/billkinds.h"
#include "client/logic/billnumber.h"
#include "client/logic/clientconfig.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/system/kindswitch.h"
#include "common/error.h"
#include "common/formatting.h"
#include "common/recordset.h"
#include "common/sqltext.h"
#include "protocol/billkinds.h"

namespace dyt::client {

namespace billnoset {

QList<int> defaultKinds() {
    QList<int> kinds;
    for (const BillKind& kind : billKinds()) {
        // The stocktake has no sysDjb row, so no format of its own.
        if (const BillKindRow* row = findBillKindRow(kind.djType); row && row->ownEntries())
            continue;
        kinds.append(kind.djType);
    }
    return kinds;
}

QString kindsSql(const QList<int>& kinds) {
    QStringList numbers;
    for (int k : kinds)
        numbers.append(QString::number(k));
    return QStringLiteral("select id, fullname from sysDjb where sonnum=0 and id in (0,") +
           numbers.join(QLatin1Char(',')) + QStringLiteral(") order by orderly ");
}

QString settingsSql() {
    return QStringLiteral(
        " select * from sysData where id in "
        "(208042000,208042001,208042002,208042003,208042004) order by id ");
}

QString kindSql(int kindId) {
    return QStringLiteral(" select NumHead, SNFormat from sysDjb where id=%1 ").arg(kindId);
}

void Settings::load(RecordSet& rows) {
    if (!rows.hasField(QStringLiteral("sysValue")))
        throw DytError(QStringLiteral("编号设置数据缺少字段 sysValue"));
    int values[5] = {0, 0, 0, 0, 0};
    int i = 0;
    for (rows.first(); !rows.eof() && i < 5; rows.next(), ++i)
        values[i] = static_cast<int>(rows.integer(QStringLiteral("sysValue")));
    autoSN = values[0] == 1;
    rule1 = values[1];
    rule2 = values[2];
    rule3 = values[3];
    rule4 = values[4] == 1;
}

QStringList patternItems() {
    return {QStringLiteral("c"),      QStringLiteral("d"),      QStringLiteral("dd"),
            QStringLiteral("ddd"),    QStringLiteral("dddd"),   QStringLiteral("ddddd"),
            QStringLiteral("dddddd"), QStringLiteral("m"),      QStringLiteral("mm"),
            QStringLiteral("mmm"),    QStringLiteral("mmmm"),   QStringLiteral("yy"),
            QStringLiteral("yyyy"),   QStringLiteral("h"),      QStringLiteral("hh"),
            QStringLiteral("n"),      QStringLiteral("nn"),     QStringLiteral("s"),
            QStringLiteral("ss"),     QStringLiteral("z"),      QStringLiteral("zzz"),
            QStringLiteral("t"),      QStringLiteral("tt"),     QStringLiteral("am/pm"),
            QStringLiteral("a/p"),    QStringLiteral("ampm"),   QStringLiteral("[00]"),
            QStringLiteral("[000]"),  QStringLiteral("[0000]"), QStringLiteral("[00000]")};
}

QStringList separatorItems() {
    return {QStringLiteral("\"年\""),   QStringLiteral("\"月\""),   QStringLiteral("\"日\""),
            QStringLiteral("\"上午\""), QStringLiteral("\"下午\""), QStringLiteral("-"),
            QStringLiteral("/"),        QStringLiteral(":")};
}

QStringList presetNames() {
    return {QStringLiteral("样式一    JH-2008-01-01-00001"),
            QStringLiteral("样式二    JH-2008-00001"), QStringLiteral("样式三    JH-01-01-00001"),
            QStringLiteral("样式四    JH-20080101-00001"),
            QStringLiteral("样式五    PC9-JH-2008-01-01-00001")};
}

QStringList presetPieces(int index, const QString& prefix) {
    const QString y = QStringLiteral("YYYY"), m = QStringLiteral("MM"), d = QStringLiteral("DD"),
                  n = QStringLiteral("[00000]"), h = QStringLiteral("-");
    switch (index) {
        case 0:
        case 4:
            return {prefix, h, y, h, m, h, d, h, n};
        case 1:
            return {prefix, h, y, h, n};
        case 2:
            return {prefix, h, m, h, d, h, n};
        case 3:
            // The hyphen after the prefix as the preset's name shows it (JH-20080101-00001).
            return {prefix, h, y, m, d, h, n};
        default:
            throw DytError(QStringLiteral("没有样式%1").arg(index + 1));
    }
}

bool presetSetsMachinePrefix(int index) {
    return index == 4;
}

namespace {
QString machinePiece(const QString& machineNumber) {
    return QLatin1Char('"') + machineNumber + QStringLiteral("\"-");
}
}  // namespace

QString composeFormat(const QStringList& pieces, const QString& machineNumber) {
    QStringList parts;
    if (!machineNumber.isEmpty())
        parts.append(machinePiece(machineNumber));
    for (const QString& p : pieces) {
        if (!p.isEmpty())
            parts.append(p);
    }
    return parts.join(QLatin1Char('\r'));
}

QStringList splitFormat(const QString& snFormat) {
    QString text = snFormat;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\r"))
        .replace(QLatin1Char('\n'), QLatin1Char('\r'));
    QStringList parts = text.split(QLatin1Char('\r'), Qt::SkipEmptyParts);
    if (!parts.isEmpty() && parts.first().startsWith(QLatin1Char('"')) &&
        parts.first().endsWith(QStringLiteral("\"-")) && parts.first().size() >= 3)
        parts.removeFirst();
    return parts;
}

QString sampleNumber(const QString& snFormat, const QDate& date) {
    return formatBillNumber(snFormat, QDateTime(date, QTime(12, 0)), 1);
}

QString saveSql(const Settings& s, int kindId, const QString& prefix, const QString& snFormat) {
    const QStringList statements{
        QStringLiteral(" update sysData set sysValue=%1 where id=208042001 ").arg(s.rule1),
        QStringLiteral(" update sysData set sysValue=%1 where id=208042002 ").arg(s.rule2),
        QStringLiteral(" update sysData set sysValue=%1 where id=208042003 ").arg(s.rule3),
        QStringLiteral(" update sysData set sysValue=%1 where id=208042004 ").arg(s.rule4 ? 1 : 0),
        QStringLiteral(" update sysDjb set comment=%1, SNFormat=%2 where id=%3 ")
            .arg(sqlQuoted(prefix), sqlQuoted(snFormat), QString::number(kindId)),
        QStringLiteral(" update sysData set sysValue=") +
            (s.autoSN ? QStringLiteral("1") : QStringLiteral("0")) +
            QStringLiteral(" where id=208042000 ")};
    return statements.join(QStringLiteral("\r\n"));
}

QString applyToAllSql(int kindId, const QString& prefix, const QString& snFormat) {
    return QStringLiteral(" update sysDjb set SNFormat=%1 where (sonnum=0) and (id<>%2) ")
               .arg(sqlQuoted(snFormat), QString::number(kindId)) +
           QStringLiteral("\r\n") +
           QStringLiteral(" update sysDjb set comment=%1 where (sonnum=0) and (id<>%2) ")
               .arg(sqlQuoted(prefix), QString::number(kindId));
}

}  // namespace billnoset

namespace {

QString questionCaption() {
    return QStringLiteral("系统问题");
}

QComboBox* ruleCombo(const QStringList& items, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->addItems(items);
    return box;
}

}  // namespace

TfrmBillNoSet::TfrmBillNoSet(QWidget* owner) : TfrmBaseDialog(owner) {
    setObjectName(QStringLiteral("frmBillNoSet"));
    setWindowTitle(QStringLiteral("单据编号规则及样式"));
    lbltitle()->setText(QStringLiteral("单据编号规则及样式"));
    btnOK()->setText(QStringLiteral("保存(&O)"));

    auto* content = new QHBoxLayout(contentBox());
    lbKinds_ = new QListWidget(contentBox());
    lbKinds_->setObjectName(QStringLiteral("lbKinds"));
    lbKinds_->setMinimumWidth(180);
    content->addWidget(lbKinds_);

    auto* right = new QVBoxLayout;
    cbAuto_ = new QCheckBox(QStringLiteral("是否单据自动编号"), contentBox());
    right->addWidget(cbAuto_);
    auto* rulesBox = new QGroupBox(QStringLiteral("编号规则"), contentBox());
    auto* rl = new QGridLayout(rulesBox);
    rules_[0] = ruleCombo({QStringLiteral("所有单据连续编号"), QStringLiteral("一种单据连续编号")},
                          rulesBox);
    rules_[1] = ruleCombo({QStringLiteral("编号不能作废，使用后立即生效"),
                           QStringLiteral("编号可以作废，过帐后才生效"),
                           QStringLiteral("编号可以作废，保存后才生效")},
                          rulesBox);
    rules_[2] = ruleCombo({QStringLiteral("全年编号连续"), QStringLiteral("每月编号连续"),
                           QStringLiteral("每日编号连续")},
                          rulesBox);
    const QString names[3] = {QStringLiteral("规则一"), QStringLiteral("规则二"),
                              QStringLiteral("规则三")};
    for (int i = 0; i < 3; ++i) {
        rl->addWidget(new QLabel(names[i], rulesBox), i, 0);
        rl->addWidget(rules_[i], i, 1, 1, 2);
    }
    rl->addWidget(new QLabel(QStringLiteral("规则四"), rulesBox), 3, 0);
    cbRule4_ = new QCheckBox(QStringLiteral("在单据编号前增加机器号"), rulesBox);
    rl->addWidget(cbRule4_, 3, 1);
    edMachine_ = new QLineEdit(rulesBox);
    edMachine_->setObjectName(QStringLiteral("edMachine"));
    edMachine_->setPlaceholderText(QStringLiteral("机器号"));
    rl->addWidget(edMachine_, 3, 2);
    right->addWidget(rulesBox);

    pages_ = new QTabWidget(contentBox());
    auto* stylePage = new QWidget(pages_);
    auto* sl = new QGridLayout(stylePage);
    sl->addWidget(
        new QLabel(QStringLiteral("文本常量必须用双引号括起来，例如前缀 \"JH\""), stylePage), 0, 0,
        1, 6);
    const QStringList patterns = billnoset::patternItems();
    const QStringList separators = billnoset::separatorItems();
    for (int i = 0; i < billnoset::kPieces; ++i) {
        auto* box = new QComboBox(stylePage);
        box->setEditable(true);
        box->setObjectName(QStringLiteral("cbPiece%1").arg(i + 1));
        box->addItem(QString());
        if (i > 0)
            box->addItems(i % 2 == 1 ? separators : patterns);
        box->setCurrentIndex(0);
        sl->addWidget(box, 1 + i / 6, i % 6);
        pieces_.append(box);
        connect(box, &QComboBox::currentTextChanged, this, [this] { changed(); });
    }
    lblSample_ = new QLabel(stylePage);
    lblSample_->setObjectName(QStringLiteral("lblSample"));
    sl->addWidget(lblSample_, 3, 0, 1, 6);
    pages_->addTab(stylePage, QStringLiteral("样式设置"));

    auto* presetPage = new QWidget(pages_);
    auto* pl = new QVBoxLayout(presetPage);
    const QStringList presets = billnoset::presetNames();
    for (int i = 0; i < presets.size(); ++i) {
        auto* b = new QPushButton(presets.at(i), presetPage);
        b->setObjectName(QStringLiteral("btnPreset%1").arg(i + 1));
        connect(b, &QPushButton::clicked, this, [this, i] { applyPreset(i); });
        pl->addWidget(b);
    }
    pl->addStretch(1);
    pages_->addTab(presetPage, QStringLiteral("常用样式"));
    right->addWidget(pages_);

    auto* buttons = new QHBoxLayout;
    auto* btnAll = new QPushButton(QStringLiteral("规则应用到所有单据"), contentBox());
    btnAll->setObjectName(QStringLiteral("btnApplyAll"));
    auto* btnReset = new QPushButton(QStringLiteral("编号计数器复位"), contentBox());
    btnReset->setObjectName(QStringLiteral("btnReset"));
    buttons->addWidget(btnAll);
    buttons->addWidget(btnReset);
    buttons->addStretch(1);
    right->addLayout(buttons);
    content->addLayout(right, 1);

    connect(btnAll, &QPushButton::clicked, this, [this] { applyToAll(); });
    connect(btnReset, &QPushButton::clicked, this, [this] { resetCounters(); });
    connect(cbAuto_, &QCheckBox::toggled, this, [this] { changed(); });
    connect(cbRule4_, &QCheckBox::toggled, this, [this] { changed(); });
    connect(edMachine_, &QLineEdit::textChanged, this, [this] { changed(); });
    for (QComboBox* box : rules_)
        connect(box, &QComboBox::currentIndexChanged, this, [this] { changed(); });
    connect(lbKinds_, &QListWidget::currentRowChanged, this, [this](int row) { selectKind(row); });

    loading_ = true;
    try {
        edMachine_->setText(clientConfig().read(billnumber::machineNumberKey()).trimmed());
    } catch (const DytError&) {
        // No configuration file: the machine number starts empty.
    }
    loading_ = false;
    loadSettings();
    loadKinds();
}

TfrmBillNoSet::~TfrmBillNoSet() = default;

void TfrmBillNoSet::loadSettings() {
    loading_ = true;
    try {
        RecordSet rows;
        dataModule().ExecQuery(billnoset::settingsSql(), &rows);
        billnoset::Settings s;
        s.load(rows);
        cbAuto_->setChecked(s.autoSN);
        rules_[0]->setCurrentIndex(qBound(0, s.rule1, 1));
        rules_[1]->setCurrentIndex(qBound(0, s.rule2, 2));
        rules_[2]->setCurrentIndex(qBound(0, s.rule3, 2));
        cbRule4_->setChecked(s.rule4);
        settingsLoaded_ = true;
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
    }
    loading_ = false;
}

void TfrmBillNoSet::loadKinds() {
    try {
        RecordSet rows;
        dataModule().ExecQuery(billnoset::kindsSql(billnoset::defaultKinds()), &rows);
        fillKinds(lbKinds_, kindIds_, rows);
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
    }
    if (!kindIds_.isEmpty()) {
        {
            const QSignalBlocker block(lbKinds_);
            lbKinds_->setCurrentRow(0);
        }
        loadKind(kindIds_.first());
    }
    btnOK()->setEnabled(canSave());
}

void TfrmBillNoSet::loadKind(int kindId) {
    loading_ = true;
    try {
        RecordSet rows;
        dataModule().ExecQuery(billnoset::kindSql(kindId), &rows);
        rows.first();
        const QStringList parts =
            rows.eof() ? QStringList()
                       : billnoset::splitFormat(rows.text(QStringLiteral("SNFormat")));
        for (int i = 0; i < billnoset::kPieces; ++i)
            pieces_.at(i)->setCurrentText(i < parts.size() ? parts.at(i) : QString());
        kindId_ = kindId;
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
    }
    loading_ = false;
    modified_ = false;
    refreshSample();
}

void TfrmBillNoSet::changed() {
    if (loading_)
        return;
    modified_ = true;
    refreshSample();
}

void TfrmBillNoSet::refreshSample() {
    lblSample_->setText(QStringLiteral("样式例子：") + sampleText());
}

bool TfrmBillNoSet::askSaveChanges() {
    if (!modified_)
        return true;
    if (prompter().ask(questionCaption(), QStringLiteral("数据已经变化，是否保存修改？"),
                       buttons::confirmAbandon(), 0) == 0)
        return Save();
    modified_ = false;
    return true;
}

void TfrmBillNoSet::selectKind(int row) {
    switchKind(
        lbKinds_, kindIds_, kindId_, row, [this] { return askSaveChanges(); },
        [this](int kind) { loadKind(kind); });
}

void TfrmBillNoSet::applyPreset(int index) {
    const QString prefix = pieces_.first()->currentText();
    const QStringList parts = billnoset::presetPieces(index, prefix);
    for (int i = 0; i < billnoset::kPieces; ++i)
        pieces_.at(i)->setCurrentText(i < parts.size() ? parts.at(i) : QString());
    if (billnoset::presetSetsMachinePrefix(index))
        cbRule4_->setChecked(true);
    changed();
}

billnoset::Settings TfrmBillNoSet::settings() const {
    billnoset::Settings s;
    s.autoSN = cbAuto_->isChecked();
    s.rule1 = rules_[0]->currentIndex();
    s.rule2 = rules_[1]->currentIndex();
    s.rule3 = rules_[2]->currentIndex();
    s.rule4 = cbRule4_->isChecked();
    return s;
}

QStringList TfrmBillNoSet::pieces() const {
    QStringList out;
    for (QComboBox* box : pieces_)
        out.append(box->currentText().trimmed());
    return out;
}

QString TfrmBillNoSet::format() const {
    return billnoset::composeFormat(
        pieces(), cbRule4_->isChecked() ? edMachine_->text().trimmed() : QString());
}

QString TfrmBillNoSet::sampleText() const {
    return billnoset::sampleNumber(format(), QDate::currentDate());
}

bool TfrmBillNoSet::Save() {
    if (!canSave())
        return false;
    const QString machine = edMachine_->text().trimmed();
    if (cbRule4_->isChecked() && machine.isEmpty()) {
        prompter().message(caption::hint(), QStringLiteral("请输入机器号码"));
        edMachine_->setFocus(Qt::OtherFocusReason);
        return false;
    }
    try {
        clientConfig().write(billnumber::machineNumberKey(), machine);
        dataModule().ExecUpdate(
            billnoset::saveSql(settings(), kindId_, pieces().first(), format()));
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
        return false;
    }
    modified_ = false;
    prompter().message(caption::hint(), QStringLiteral("保存成功！"));
    return true;
}

bool TfrmBillNoSet::applyToAll() {
    if (kindId_ < 0)
        return false;
    try {
        dataModule().ExecUpdate(billnoset::applyToAllSql(kindId_, pieces().first(), format()));
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
        return false;
    }
    return true;
}

bool TfrmBillNoSet::resetCounters() {
    if (prompter().ask(questionCaption(), QStringLiteral("是否将系统所有的计数器复位？"),
                       buttons::confirmAbandon(), 0) != 0)
        return false;
    try {
        dataModule().ExecUpdate(billnoset::resetCountersSql());
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
        return false;
    }
    return true;
}

void TfrmBillNoSet::btnOKClick() {
    btnOK()->setFocus(Qt::OtherFocusReason);
    Save();
}

bool TfrmBillNoSet::FormCloseQuery() {
    return askSaveChanges();
}

}  // namespace dyt::client
