#pragma once
// TfrmNavigator ("系统导航"): the picture start page, the first child window of the workspace.
// Seven category buttons along the top choose a page; a page shows large picture tiles for its
// main functions and a column of text links for further ones. A tile or link opens its function
// through openFunction. The page chosen last is kept per operator in the client configuration
// file ("CYGNPAGE" + operator id, section "_CLIENT_").

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

#include "client/logic/fixedtext.h"

class QLabel;
class QPushButton;

namespace dyt {
class RecordSet;
}

namespace dyt::client {

// The pages' fixed data; the window builds its pages from these.
namespace navpage {

enum Page {
    kCommon = 0,
    kPurchase = 1,
    kSales = 2,
    kStock = 3,
    kFinance = 4,
    kMaintenance = 5,
    kUpgrade = 6,
    kPageCount = 7
};

// "常用功能", "采购管理", "销售管理", "仓库管理", "财务管理", "系统维护", "产品升级".
const QStringList& categoryNames();
// "images/" + name + "1.jpg" (normal) or "2.jpg" (selected), relative to the program folder.
QString categoryPicture(int index, bool selected);
// The page background behind the tiles: "images/" + name + "背景.jpg".
QString backgroundPicture(int index);
// A tile's picture for a caption: "images/" + caption + ".jpg".
QString tilePicture(const QString& caption);

// Filter of the function menu that gives a bill page's links (pages 1 to 4), else empty.
QString linkFilter(int page);
// The common-functions page: the query of the operator's most used functions and the two filters
// that split its rows into tile candidates and links.
QString commonFunctionsSql(int userId);
QString commonTileFilter();
QString commonLinkFilter();

// Top of link i (from 0): −4 + 24 × (i + 1) + 20 × (i div 5 + 1): 40, 64, 88, 112, 136, 180 ...
int linkTop(int index);
inline constexpr int kLinkLeft = 22;
inline constexpr int kLinkWidth = 150;
inline constexpr int kMaxLinks = 15;
inline constexpr int kMaxTiles = 6;

// Place of tile i (from 0) on a page: left 20, 170, 320; top 20 on the common-functions and
// system-maintenance pages, 90 on the bill pages; a second row at 170.
QPoint tilePosition(int index, bool billPage);

struct Tile {
    QString caption;   // the hint; also names the picture unless `picture` is set
    int functionCode;  // the tag; 0 for the contact tile, which opens the maker's web site
    QString picture;   // picture file name without folder and extension; empty: the caption
};
// The bill kinds the bill pages show, as bill type numbers, in tile order.
QList<int> billTypesOfPage(int page);
// Caption and function code of a bill type the bill pages use; false for any other type.
bool billKind(int billType, QString* caption, int* functionCode);
// The tiles of a bill page (from its bill types) or of the system-maintenance page.
QList<Tile> fixedTiles(int page);

// The maker's pages: contact ("联系我们") and the product upgrade.
QUrl contactUrl();
QUrl upgradeUrl();
// The product version shown on the upgrade page.
inline constexpr FixedText productVersion{u"V11.0.140215"};

}  // namespace navpage

class TfrmNavigator : public QWidget {
    Q_OBJECT
public:
    explicit TfrmNavigator(const QString& programDir = QString(), QWidget* parent = nullptr);
    ~TfrmNavigator() override;

    // The main window's function menu (not owned); its filter is switched off after each page.
    void setMenu(RecordSet* cdsMenu);
    // Opens a function by its code; tiles and links call it with their tag.
    std::function<void(int)> openFunction;
    // Opens a web page or a local file (default: the desktop's handler).
    std::function<void(const QUrl&)> openUrl;

    // Builds the page of the index and stores the index for the operator. A negative index only
    // refreshes the category pictures; an index above 6 builds no page but is stored.
    void SelectPage(int page);
    int currentPage() const { return page_; }
    // Reads the operator's common functions again and rebuilds page 0 when it is on display.
    void refreshCommonFunctions();
    // F1: opens "Help.chm" of the program folder when it exists; true when it was opened.
    bool showHelp();

    // --- what is on display (tests, the workspace)
    QString programDir() const { return programDir_; }
    QList<QLabel*> links() const { return links_; }
    // The tiles of the page, visible or not, in placing order.
    QList<QLabel*> tiles() const { return tiles_; }
    QList<QPushButton*> categoryButtons() const { return buttons_; }
    QWidget* pagePanel() const { return pagePanel_; }
    QWidget* upgradePanel() const { return upgradePanel_; }
    // The picture file each category button shows now (empty when its file is missing).
    QString categoryPictureShown(int index) const;
    bool backgroundShown() const;
    // The common functions as last read (name, code, openCount).
    const RecordSet& commonFunctions() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildUi();
    void loadCategoryPictures(int selected);
    void clearPage();
    void setBackground(int page);
    void addLinks(RecordSet& rows, int max);
    QLabel* addTile(const navpage::Tile& tile, const QPoint& position, bool visible);
    void buildBillPage(int page);
    void buildCommonPage(bool query);
    void buildMaintenancePage();
    void buildUpgradePage();
    void storePage(int page);
    void activate(QObject* target);
    QString file(const QString& relative) const;

    QString programDir_;
    RecordSet* menu_ = nullptr;
    std::unique_ptr<RecordSet> cdscygn_;
    int page_ = 1;
    QList<QPushButton*> buttons_;
    QStringList buttonPictures_;
    QWidget* pagePanel_ = nullptr;
    QLabel* background_ = nullptr;
    QWidget* linkPanel_ = nullptr;
    QLabel* linkTitle_ = nullptr;
    QWidget* upgradePanel_ = nullptr;
    QList<QLabel*> links_;
    QList<QLabel*> tiles_;
};

}  // namespace dyt::client
