#include "client/common/frmbase.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/common/desktop.h"
#include "client/common/syslogin.h"
#include "client/common/windowregistry.h"
#include "client/logic/prompter.h"
#include "client/logic/settings.h"
#include "common/error.h"
#include "common/formatting.h"

namespace dyt::client {

FormColours& formColours() {
    static FormColours colours;
    return colours;
}

QString numberPatternForLabel(const QString& labelText) {
    const TSettings& s = settings();
    if (labelText.contains(QStringLiteral("数")))
        return s.QtyPattern;
    if (labelText.contains(QStringLiteral("价")))
        return s.PricePattern;
    if (labelText.contains(QStringLiteral("折")))
        return s.DiscountPattern;
    if (labelText.contains(QStringLiteral("税")))
        return s.RatioPattern;
    return {};
}

namespace {

QString& programFolderOverride() {
    static QString folder;
    return folder;
}

// A number as the edit shows it: "1,234.5" and " 12 " read too.
bool readNumber(const QString& text, double* value) {
    QString plain = text.trimmed();
    plain.remove(QLatin1Char(','));
    bool ok = false;
    *value = plain.toDouble(&ok);
    return ok;
}

}  // namespace

// --- TfrmBase

TfrmBase::TfrmBase(QWidget* parent) : QWidget(parent) {
    // A closed window is freed.
    setAttribute(Qt::WA_DeleteOnClose, true);
}

TfrmBase::~TfrmBase() {
    writeCloseLog();
}

int TfrmBase::tag() const {
    return property(kTagProperty).toInt();
}

void TfrmBase::setTag(int tag) {
    setProperty(kTagProperty, tag);
}

QMap<QString, QString>& TfrmBase::strings() {
    if (!strings_)
        strings_ = std::make_unique<QMap<QString, QString>>();
    return *strings_;
}

bool TfrmBase::logAllowed() const {
    return !isWindow() || tag() >= 1;
}

void TfrmBase::FormActivate() {
    if (activated_)
        return;
    activated_ = true;
    if (logAllowed()) {
        try {
            sysLogin().WriteLog(kLogOpenWindow, caption(), QString::number(tag()));
        } catch (const DytError&) {
            // A failed log entry is not the operator's concern.
        }
    }
    raise();
}

void TfrmBase::writeCloseLog() {
    if (!logAllowed())
        return;
    try {
        sysLogin().WriteLog(kLogCloseWindow, caption(), QString());
    } catch (const std::exception&) {
        // Nothing may leave a destructor; a failed log entry is not reported.
    }
}

void TfrmBase::formatNumberEdits() {
    const QList<QLabel*> labels = findChildren<QLabel*>();
    for (QLabel* label : labels) {
        auto* edit = qobject_cast<QLineEdit*>(label->buddy());
        if (!edit || !edit->property(kNumberEditProperty).toBool())
            continue;
        const QString pattern = numberPatternForLabel(label->text());
        double value = 0;
        if (pattern.isEmpty() || !readNumber(edit->text(), &value))
            continue;
        edit->setText(formatFloat(pattern, value));
    }
}

bool TfrmBase::openHelp() {
    const QString path = QDir(programFolder()).filePath(formtext::helpFile());
    if (!QFileInfo::exists(path))
        return false;
    return documentOpener()(path);
}

QString TfrmBase::programFolder() {
    const QString& folder = programFolderOverride();
    return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}

void TfrmBase::setProgramFolder(const QString& folder) {
    programFolderOverride() = folder;
}

std::function<bool(const QString&)>& TfrmBase::documentOpener() {
    static std::function<bool(const QString&)> opener = [](const QString& path) {
        return platform::openDocument(path);
    };
    return opener;
}

void TfrmBase::FormCreate() {
    formatNumberEdits();
    QPalette p = palette();
    p.setColor(QPalette::Window, windowColour());
    setPalette(p);
    setAutoFillBackground(true);
}

QColor TfrmBase::windowColour() const {
    return formColours().queryForm;
}

void TfrmBase::escapePressed() {
    close();
}

bool TfrmBase::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && isVisible())
        FormActivate();
    return QWidget::event(event);
}

void TfrmBase::showEvent(QShowEvent* event) {
    if (!created_) {
        created_ = true;
        FormCreate();
    }
    QWidget::showEvent(event);
    // A child window shown inside an active main window is the active one.
    if (!isWindow() && window()->isActiveWindow())
        FormActivate();
}

void TfrmBase::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Escape) {
            escapePressed();
            event->accept();
            return;
        }
        if (event->key() == Qt::Key_F1) {
            openHelp();
            event->accept();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

// --- TfrmBaseDialog

TfrmBaseDialog::TfrmBaseDialog(QWidget* parent) : TfrmBase(parent) {
    // The caller owns a dialog and frees it after reading its result.
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowFlags(Qt::Dialog);

    auto* layout = new QVBoxLayout(this);
    titlePanel_ = new QWidget(this);
    titlePanel_->setObjectName(QStringLiteral("panTitle"));
    titlePanel_->setAutoFillBackground(true);
    auto* titleLayout = new QHBoxLayout(titlePanel_);
    titleImage_ = new QLabel(titlePanel_);
    titleImage_->setObjectName(QStringLiteral("imgTitle"));
    lbltitle_ = new QLabel(QStringLiteral("标题名称"), titlePanel_);
    lbltitle_->setObjectName(QStringLiteral("lbltitle"));
    QFont f = lbltitle_->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.4);
    lbltitle_->setFont(f);
    titleLayout->addWidget(titleImage_);
    titleLayout->addWidget(lbltitle_, 1);
    layout->addWidget(titlePanel_);

    contentBox_ = new QGroupBox(this);
    contentBox_->setObjectName(QStringLiteral("gbContent"));
    layout->addWidget(contentBox_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOK_ = new QPushButton(QStringLiteral("确定(&O)"), this);
    btnOK_->setObjectName(QStringLiteral("btnOK"));
    btnExit_ = new QPushButton(QStringLiteral("退出(&C)"), this);
    btnExit_->setObjectName(QStringLiteral("btnExit"));
    buttons->addWidget(btnOK_);
    buttons->addWidget(btnExit_);
    layout->addLayout(buttons);

    connect(btnOK_, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnExit_, &QPushButton::clicked, this, [this] { btnExitClick(); });
}

TfrmBaseDialog::~TfrmBaseDialog() = default;

int TfrmBaseDialog::exec() {
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    connect(this, &TfrmBaseDialog::finished, &loop, &QEventLoop::quit);
    show();
    if (isVisible())
        loop.exec();
    return result_ ? 1 : 0;
}

void TfrmBaseDialog::setConfirmOnClose(bool on, const QString& message) {
    confirmOnClose_ = on;
    confirmMessage_ = message;
}

void TfrmBaseDialog::btnOKClick() {
    // Taking the focus commits an edit still open in the content.
    btnOK_->setFocus(Qt::OtherFocusReason);
    closedByButton_ = true;
    result_ = true;
    close();
}

void TfrmBaseDialog::btnExitClick() {
    closedByButton_ = true;
    result_ = false;
    close();
}

void TfrmBaseDialog::FormShow() {
    closedByButton_ = false;
    result_ = false;
}

bool TfrmBaseDialog::FormCloseQuery() {
    if (closedByButton_ || !confirmOnClose_)
        return true;
    return prompter().ask(caption::hint(), confirmMessage_, buttons::confirmCancel(), 0) == 0;
}

QColor TfrmBaseDialog::windowColour() const {
    return formColours().modalForm;
}

void TfrmBaseDialog::showEvent(QShowEvent* event) {
    FormShow();
    QPalette p = titlePanel_->palette();
    p.setColor(QPalette::Window, formColours().queryTitle);
    titlePanel_->setPalette(p);
    TfrmBase::showEvent(event);
}

void TfrmBaseDialog::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    Q_EMIT finished(result_ ? 1 : 0);
}

}  // namespace dyt::client
