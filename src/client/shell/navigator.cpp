#include "client/shell/navigator.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "client/common/windowregistry.h"
#include "client/logic/clientconfig.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/session.h"
#include "common/error.h"
#include "common/recordset.h"

namespace dyt::client {

namespace navpage {

const QStringList& categoryNames() {
    static const QStringList names{QStringLiteral("常用功能"), QStringLiteral("采购管理"),
                                   QStringLiteral("销售管理"), QStringLiteral("仓库管理"),
                                   QStringLiteral("财务管理"), QStringLiteral("系统维护"),
                                   QStringLiteral("产品升级")};
    return names;
}

QString categoryPicture(int index, bool selected) {
    return QStringLiteral("images/") + categoryNames().value(index) +
           (selected ? QStringLiteral("2.jpg") : QStringLiteral("1.jpg"));
}

QString backgroundPicture(int index) {
    return QStringLiteral("images/") + categoryNames().value(index) + QStringLiteral("背景.jpg");
}

QString tilePicture(const QString& caption) {
    return QStringLiteral("images/") + caption + QStringLiteral(".jpg");
}

QString linkFilter(int page) {
    switch (page) {
        case kPurchase:
            return QStringLiteral(
                "SUBSTRING(code,1,4) = '3003' AND sonnum = 0 and isbtn = 0 and isbj = 1");
        case kSales:
            return QStringLiteral(
                "SUBSTRING(code,1,4) = '3004' AND sonnum = 0 and isbtn = 0 and isbj = 1");
        case kStock:
            return QStringLiteral(
                "SUBSTRING(code,1,4) = '3005' AND sonnum = 0 and isbtn = 0 and isbj = 1");
        case kFinance:
            return QStringLiteral(
                "SUBSTRING(code,1,4) = '3007' AND sonnum = 0 and isbtn = 0 and isbj = 1 AND "
                "leveal = 2 OR code = '300601' OR code = '300608' OR code = '300609' OR code = "
                "'300613' OR code = '300618'");
        default:
            return {};
    }
}

QString commonFunctionsSql(int userId) {
    return QStringLiteral(
               "  SELECT top 50 a.openCount,b.code,b.name FROM sysPurview AS a,sysMenu AS b  "
               "WHERE a.menuid = b.id AND a.userid = ") +
           QString::number(userId) +
           QStringLiteral(" AND a.isbj = 1 AND a.iscygn = 1 AND b.sonnum = 0 AND b.hide = 0  ") +
           QStringLiteral(" ORDER BY a.openCount desc,b.code");
}

QString commonTileFilter() {
    return QStringLiteral(
        "(SUBSTRING(code,1,2) = '20')  or (code = '500401') or (code = '500402') or (code = "
        "'5003') or (code = '5006') or (code = '5005')");
}

QString commonLinkFilter() {
    return QStringLiteral(
        "SUBSTRING(code,1,2) <> '20'  and (code <> '500401') and (SUBSTRING(code,1,2) <> '10' ) "
        "and (code <> '500402') and (code <> '5003') and (code <> '5006') and (code <> '5005')");
}

int linkTop(int index) {
    return -4 + 24 * (index + 1) + 20 * (index / 5 + 1);
}

QPoint tilePosition(int index, bool billPage) {
    static const int lefts[] = {20, 170, 320};
    const int column = index % 3;
    const int top = index < 3 ? (billPage ? 90 : 20) : 170;
    return {lefts[column], top};
}

namespace {
struct BillKindRow {
    int billType;
    int functionCode;
    const char* caption;
};

// The bill kinds of the bill pages (the full bill-kind table lives with the bills).
constexpr BillKindRow kBillKinds[] = {
    {1, 2009, "销售单"},        {2, 2010, "销售退货单"},      {5, 2004, "进货单"},
    {6, 2005, "进货退货单"},    {9, 201708, "商品拆装单"},    {12, 201701, "报损单"},
    {13, 201702, "报溢单"},     {14, 201707, "成本调价单"},   {15, 201705, "同价调拨单"},
    {16, 201706, "变价调拨单"}, {17, 201901, "现金费用单"},   {18, 201902, "一般费用单"},
    {19, 201903, "其它收入单"}, {20, 201904, "提现存现转账"}, {21, 2012, "收款单"},
    {22, 2007, "付款单"},
};
}  // namespace

QList<int> billTypesOfPage(int page) {
    switch (page) {
        case kPurchase:
            return {5, 6, 22};
        case kSales:
            return {1, 2, 21};
        case kStock:
            return {12, 13, 9, 15, 16, 14};
        case kFinance:
            return {22, 21, 19, 17, 18, 20};
        default:
            return {};
    }
}

bool billKind(int billType, QString* caption, int* functionCode) {
    for (const BillKindRow& row : kBillKinds) {
        if (row.billType == billType) {
            if (caption)
                *caption = QString::fromUtf8(row.caption);
            if (functionCode)
                *functionCode = row.functionCode;
            return true;
        }
    }
    return false;
}

QList<Tile> fixedTiles(int page) {
    QList<Tile> tiles;
    if (page == kMaintenance) {
        tiles = {
            {QStringLiteral("用户配置"), 500401, QStringLiteral("用户配置")},
            {QStringLiteral("权限设置"), 500402, QStringLiteral("用户及权限设置")},
            {QStringLiteral("修改密码"), 5003, QStringLiteral("修改密码")},
            {QStringLiteral("数据备份"), 5006, QStringLiteral("数据备份")},
            {QStringLiteral("数据恢复"), 5005, QStringLiteral("数据恢复")},
            {QStringLiteral("联系我们"), 0, QStringLiteral("联系我们")},
        };
        return tiles;
    }
    for (int type : billTypesOfPage(page)) {
        Tile t;
        if (billKind(type, &t.caption, &t.functionCode))
            tiles.append(t);
    }
    return tiles;
}

QUrl contactUrl() {
    return QUrl(QStringLiteral("https://www.deyingtong.example/contact.html"));
}

QUrl upgradeUrl() {
    return QUrl(QStringLiteral("https://www.deyingtong.example/upgrade.html"));
}

}  // namespace navpage

namespace {
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 40;
constexpr int kButtonGap = 6;
constexpr int kPageWidth = 490;
constexpr int kPageHeight = 460;
constexpr int kLinkPanelWidth = 230;
constexpr int kContentGap = 16;
constexpr int kContentTop = kButtonHeight + 14;
constexpr int kFrameWidth = kPageWidth + kContentGap + kLinkPanelWidth;  // 736
constexpr int kFrameHeight = kContentTop + kPageHeight;
constexpr int kTileWidth = 140;
constexpr int kTileHeight = 70;

const char* const kPageColor = "#EEF2F7";

// What the link column says when a page has no links.
QString placeholderText(int page, bool hasTiles) {
    switch (page) {
        case navpage::kCommon:
            if (hasTiles)
                return QStringLiteral("您常用的报表和其它功能会列在这里。");
            return QStringLiteral(
                "还没有常用功能。\n\n在菜单“系统维护 → 常用功能设置”中挑选您最常用的功能，"
                "它们就会出现在这一页。");
        case navpage::kMaintenance:
            return QStringLiteral(
                "重新登录、更换账套或操作员、月结存与年结存等维护功能在菜单“系统维护”中。");
        default:
            return QStringLiteral("您没有本类报表的使用权限。");
    }
}
}  // namespace

TfrmNavigator::TfrmNavigator(const QString& programDir, QWidget* parent)
    : QWidget(parent),
      programDir_(programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir),
      cdscygn_(std::make_unique<RecordSet>()) {
    setObjectName(QStringLiteral("frmNavigator"));
    setWindowTitle(QStringLiteral("系统导航"));
    setFocusPolicy(Qt::StrongFocus);
    openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    buildUi();
    loadCategoryPictures(-1);
}

TfrmNavigator::~TfrmNavigator() = default;

QString TfrmNavigator::file(const QString& relative) const {
    return QDir(programDir_).filePath(relative);
}

void TfrmNavigator::buildUi() {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(QLatin1String(kPageColor)));
    setPalette(pal);

    auto* frame = new QWidget(this);
    frame->setObjectName(QStringLiteral("pnlFrame"));
    frame->setFixedSize(kFrameWidth, kFrameHeight);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(16, 24, 16, 16);
    outer->addWidget(frame, 0, Qt::AlignHCenter | Qt::AlignTop);
    outer->addStretch(1);

    const QStringList& names = navpage::categoryNames();
    for (int i = 0; i < names.size(); ++i) {
        auto* button = new QPushButton(frame);
        button->setObjectName(QStringLiteral("btnCategory%1").arg(i));
        button->setProperty(kTagProperty, i);
        button->setGeometry(i * (kButtonWidth + kButtonGap), 0, kButtonWidth, kButtonHeight);
        button->setCursor(Qt::PointingHandCursor);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFlat(true);
        button->setToolTip(names.at(i));
        connect(button, &QPushButton::clicked, this, [this, i] {
            try {
                SelectPage(i);
            } catch (const DytError& e) {
                prompter().showError(caption::error(), e);
            }
        });
        buttons_.append(button);
        buttonPictures_.append(QString());
    }

    pagePanel_ = new QWidget(frame);
    pagePanel_->setObjectName(QStringLiteral("pnlPage"));
    pagePanel_->setGeometry(0, kContentTop, kPageWidth, kPageHeight);
    background_ = new QLabel(pagePanel_);
    background_->setObjectName(QStringLiteral("imgBackground"));
    background_->setGeometry(0, 0, kPageWidth, kPageHeight);

    linkPanel_ = new QWidget(frame);
    linkPanel_->setObjectName(QStringLiteral("pnlLinks"));
    linkPanel_->setGeometry(kPageWidth + kContentGap, kContentTop, kLinkPanelWidth, kPageHeight);
    linkPanel_->setAttribute(Qt::WA_StyledBackground, true);
    linkPanel_->setStyleSheet(QStringLiteral(
        "#pnlLinks { background: #FFFFFF; border: 1px solid #D8E0EA; border-radius: 10px; }"));
    linkTitle_ = new QLabel(QStringLiteral("更多功能"), linkPanel_);
    linkTitle_->setObjectName(QStringLiteral("lblLinksTitle"));
    linkTitle_->setGeometry(navpage::kLinkLeft, 8, kLinkPanelWidth - 2 * navpage::kLinkLeft, 24);
    linkTitle_->setStyleSheet(
        QStringLiteral("color:#1E3A5F; font-size:14px; font-weight:bold; background:transparent;"
                       "border:none; border-bottom: 2px solid #2F6FD6;"));
    auto* placeholder = new QLabel(linkPanel_);
    placeholder->setObjectName(QStringLiteral("lblNoLinks"));
    placeholder->setGeometry(navpage::kLinkLeft, 44, kLinkPanelWidth - 2 * navpage::kLinkLeft, 120);
    placeholder->setWordWrap(true);
    placeholder->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeholder->setStyleSheet(
        QStringLiteral("color:#7A8799; font-size:12px; background:transparent; border:none;"));

    // The product-upgrade page: laid over the content when page 6 is chosen.
    upgradePanel_ = new QWidget(frame);
    upgradePanel_->setObjectName(QStringLiteral("pnlUpgrade"));
    upgradePanel_->setGeometry(0, kContentTop, kFrameWidth, kPageHeight);
    upgradePanel_->hide();
}

void TfrmNavigator::buildUpgradePage() {
    // Built once, on first use.
    if (upgradePanel_->findChild<QLabel*>(QStringLiteral("imgUpgrade")))
        return;
    auto* picture = new QLabel(upgradePanel_);
    picture->setObjectName(QStringLiteral("imgUpgrade"));
    picture->setGeometry(0, 0, kPageWidth, kPageHeight);
    QPixmap pixmap;
    if (pixmap.load(file(navpage::backgroundPicture(navpage::kUpgrade))))
        picture->setPixmap(pixmap);

    auto* card = new QWidget(upgradePanel_);
    card->setObjectName(QStringLiteral("pnlUpgradeInfo"));
    card->setGeometry(kPageWidth + kContentGap, 0, kLinkPanelWidth, kPageHeight);
    card->setAttribute(Qt::WA_StyledBackground, true);
    card->setStyleSheet(QStringLiteral(
        "#pnlUpgradeInfo { background: #FFFFFF; border: 1px solid #D8E0EA; border-radius: 10px; }"
        "QLabel { background: transparent; border: none; }"));
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(navpage::kLinkLeft, 8, navpage::kLinkLeft, 22);
    layout->setSpacing(10);
    auto* title = new QLabel(QStringLiteral("产品升级"), card);
    title->setStyleSheet(QStringLiteral(
        "color:#1E3A5F; font-size:14px; font-weight:bold; border-bottom: 2px solid #2F6FD6;"));
    title->setFixedHeight(24);
    auto* version = new QLabel(QStringLiteral("当前版本：") + navpage::productVersion(), card);
    version->setObjectName(QStringLiteral("lblVersion"));
    version->setStyleSheet(QStringLiteral("color:#1E3A5F; font-size:13px;"));
    auto* text = new QLabel(
        QStringLiteral("新版本、升级说明和安装程序发布在德盈通网站的升级页面。升级前请先备份账套，"
                       "并关闭所有客户端。"),
        card);
    text->setWordWrap(true);
    text->setStyleSheet(QStringLiteral("color:#5B6B80; font-size:12px;"));
    auto* address = new QLabel(navpage::upgradeUrl().toString(), card);
    address->setWordWrap(true);
    address->setStyleSheet(QStringLiteral("color:#2F6FD6; font-size:11px;"));
    auto* open = new QPushButton(QStringLiteral("打开升级页面"), card);
    open->setObjectName(QStringLiteral("btnOpenUpgrade"));
    open->setCursor(Qt::PointingHandCursor);
    open->setFixedHeight(34);
    open->setStyleSheet(QStringLiteral(
        "QPushButton { background:#2F6FD6; color:white; border:none; border-radius:6px;"
        " font-size:13px; } QPushButton:hover { background:#2560C0; }"));
    connect(open, &QPushButton::clicked, this, [this] {
        if (openUrl)
            openUrl(navpage::upgradeUrl());
    });
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addWidget(text);
    layout->addWidget(address);
    layout->addStretch(1);
    layout->addWidget(open);
}

void TfrmNavigator::setMenu(RecordSet* cdsMenu) {
    menu_ = cdsMenu;
}

void TfrmNavigator::loadCategoryPictures(int selected) {
    for (int i = 0; i < buttons_.size(); ++i) {
        QPushButton* button = buttons_.at(i);
        const QString picture = file(navpage::categoryPicture(i, i == selected));
        QPixmap pixmap;
        if (QFileInfo::exists(picture) && pixmap.load(picture)) {
            button->setIcon(QIcon(pixmap));
            button->setIconSize(pixmap.size());
            button->setText(QString());
            button->setStyleSheet(QStringLiteral("QPushButton { border:none; padding:0; }"));
            buttonPictures_[i] = picture;
        } else {
            // Without its pictures the button still names its category.
            button->setIcon(QIcon());
            button->setText(navpage::categoryNames().at(i));
            button->setStyleSheet(
                i == selected
                    ? QStringLiteral("QPushButton { border:none; border-radius:6px;"
                                     " background:#2F6FD6; color:white; font-weight:bold; }")
                    : QStringLiteral("QPushButton { border:1px solid #D8E0EA; border-radius:6px;"
                                     " background:white; color:#1E3A5F; }"));
            buttonPictures_[i].clear();
        }
    }
}

QString TfrmNavigator::categoryPictureShown(int index) const {
    return buttonPictures_.value(index);
}

bool TfrmNavigator::backgroundShown() const {
    return !background_->pixmap().isNull();
}

const RecordSet& TfrmNavigator::commonFunctions() const {
    return *cdscygn_;
}

void TfrmNavigator::clearPage() {
    // Taken out of the window at once; deleted later, since a click on one of them may be what
    // rebuilds the page.
    for (QLabel* label : links_ + tiles_) {
        label->hide();
        label->setParent(nullptr);
        label->deleteLater();
    }
    links_.clear();
    tiles_.clear();
}

void TfrmNavigator::setBackground(int page) {
    QPixmap pixmap;
    const QString picture = file(navpage::backgroundPicture(page));
    if (QFileInfo::exists(picture) && pixmap.load(picture))
        background_->setPixmap(pixmap);
    else
        background_->clear();
}

void TfrmNavigator::addLinks(RecordSet& rows, int max) {
    rows.first();
    while (!rows.eof() && links_.size() < max) {
        const int i = static_cast<int>(links_.size());
        auto* link = new QLabel(rows.text(QStringLiteral("name")), linkPanel_);
        link->setObjectName(QStringLiteral("lnkFunction%1").arg(i));
        link->setProperty(kTagProperty, rows.text(QStringLiteral("code")).toInt());
        link->setGeometry(navpage::kLinkLeft, navpage::linkTop(i), navpage::kLinkWidth, 20);
        link->setCursor(Qt::PointingHandCursor);
        link->setAttribute(Qt::WA_Hover, true);
        link->setStyleSheet(QStringLiteral(
            "QLabel { color:#2A4D7A; font-size:13px; background:transparent; border:none; }"
            "QLabel:hover { color:#2F6FD6; text-decoration: underline; }"));
        link->installEventFilter(this);
        link->show();
        links_.append(link);
        rows.next();
    }
    if (QLabel* placeholder = linkPanel_->findChild<QLabel*>(QStringLiteral("lblNoLinks"))) {
        placeholder->setText(placeholderText(page_, !tiles_.isEmpty()));
        placeholder->setVisible(links_.isEmpty());
    }
}

QLabel* TfrmNavigator::addTile(const navpage::Tile& tile, const QPoint& position, bool visible) {
    auto* label = new QLabel(pagePanel_);
    label->setObjectName(QStringLiteral("imgTile%1").arg(tiles_.size()));
    label->setProperty(kTagProperty, tile.functionCode);
    label->setToolTip(tile.caption);
    QPixmap pixmap;
    const QString picture =
        file(navpage::tilePicture(tile.picture.isEmpty() ? tile.caption : tile.picture));
    if (QFileInfo::exists(picture) && pixmap.load(picture)) {
        label->setPixmap(pixmap);
        label->setGeometry(QRect(position, pixmap.size()));
    } else {
        label->setGeometry(QRect(position, QSize(kTileWidth, kTileHeight)));
        visible = false;
    }
    label->setCursor(Qt::PointingHandCursor);
    label->installEventFilter(this);
    label->setVisible(visible);
    tiles_.append(label);
    return label;
}

void TfrmNavigator::buildBillPage(int page) {
    clearPage();
    setBackground(page);
    const QList<navpage::Tile> tiles = navpage::fixedTiles(page);
    for (int i = 0; i < tiles.size() && i < navpage::kMaxTiles; ++i) {
        const QString picture = file(navpage::tilePicture(tiles.at(i).caption));
        addTile(tiles.at(i), navpage::tilePosition(i, true), QFileInfo::exists(picture));
    }
    if (menu_ && menu_->fieldCount() > 0) {
        menu_->setFilter(navpage::linkFilter(page));
        addLinks(*menu_, navpage::kMaxLinks);
    } else {
        RecordSet none;
        addLinks(none, 0);
    }
}

void TfrmNavigator::buildMaintenancePage() {
    clearPage();
    setBackground(navpage::kMaintenance);
    const QList<navpage::Tile> tiles = navpage::fixedTiles(navpage::kMaintenance);
    for (int i = 0; i < tiles.size(); ++i) {
        const QString picture = file(navpage::tilePicture(tiles.at(i).picture));
        addTile(tiles.at(i), navpage::tilePosition(i, false), QFileInfo::exists(picture));
    }
    RecordSet none;
    addLinks(none, 0);
}

void TfrmNavigator::buildCommonPage(bool query) {
    if (query) {
        cdscygn_->clear();
        if (TdmMain* dm = dmMain())
            dm->ExecQuery(navpage::commonFunctionsSql(loginedUser().UserId), cdscygn_.get());
    }
    clearPage();
    setBackground(navpage::kCommon);
    const bool rows = cdscygn_->fieldCount() > 0 && cdscygn_->rowCount() > 0;
    if (rows) {
        // Tiles in order, skipping rows without a picture: the next row takes the free place.
        cdscygn_->setFilter(navpage::commonTileFilter());
        int placed = 0;
        for (cdscygn_->first(); !cdscygn_->eof() && placed < navpage::kMaxTiles; cdscygn_->next()) {
            const QString name = cdscygn_->text(QStringLiteral("name"));
            if (!QFileInfo::exists(file(navpage::tilePicture(name))))
                continue;
            addTile({name, static_cast<int>(cdscygn_->text(QStringLiteral("code")).toInt()), {}},
                    navpage::tilePosition(placed, false), true);
            ++placed;
        }
        cdscygn_->setFilter(navpage::commonLinkFilter());
        addLinks(*cdscygn_, navpage::kMaxLinks);
        cdscygn_->setFilter(QString());
    } else {
        addLinks(*cdscygn_, 0);
    }
}

void TfrmNavigator::storePage(int page) {
    clientConfig().write(QStringLiteral("CYGNPAGE%1").arg(loginedUser().UserId),
                         QString::number(page));
}

void TfrmNavigator::SelectPage(int page) {
    loadCategoryPictures(page);
    if (page < 0)
        return;
    upgradePanel_->hide();
    page_ = page;
    struct MenuFilterOff {
        RecordSet* menu;
        ~MenuFilterOff() {
            if (menu && menu->filtered())
                menu->setFilter(QString());
        }
    } filterOff{menu_};
    try {
        switch (page) {
            case navpage::kCommon:
                buildCommonPage(true);
                break;
            case navpage::kPurchase:
            case navpage::kSales:
            case navpage::kStock:
            case navpage::kFinance:
                buildBillPage(page);
                break;
            case navpage::kMaintenance:
                buildMaintenancePage();
                break;
            case navpage::kUpgrade:
                clearPage();
                buildUpgradePage();
                upgradePanel_->show();
                upgradePanel_->raise();
                break;
            default:
                break;  // no page of that number
        }
    } catch (const DytError& e) {
        // A failed query leaves the page as far as it was built.
        prompter().showError(caption::error(), e);
    }
    try {
        storePage(page);
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
    }
}

void TfrmNavigator::refreshCommonFunctions() {
    if (page_ != navpage::kCommon)
        return;
    try {
        buildCommonPage(true);
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
    }
}

bool TfrmNavigator::showHelp() {
    const QString help = file(QStringLiteral("Help.chm"));
    if (!QFileInfo::exists(help) || !openUrl)
        return false;
    openUrl(QUrl::fromLocalFile(help));
    return true;
}

void TfrmNavigator::activate(QObject* target) {
    const int tag = target->property(kTagProperty).toInt();
    try {
        if (tag == 0) {
            // The contact tile: the maker's web site.
            if (openUrl)
                openUrl(navpage::contactUrl());
        } else if (openFunction) {
            openFunction(tag);
        }
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
    }
}

bool TfrmNavigator::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* label = qobject_cast<QLabel*>(watched);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (label && mouse->button() == Qt::LeftButton &&
            (links_.contains(label) || tiles_.contains(label))) {
            activate(label);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmNavigator::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        showHelp();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace dyt::client
