#pragma once
// TfrmBaseGoodsSet, the goods editor ("商品信息"): the pages "主要信息", "价格信息" (the unit and
// price grid), "商品提成", "备注信息", "商品图片", "其它信息" and "自定义"; the short name from
// the full name; the goods-type and cost-method locks of a goods that bills or stock use; the
// units saved one by one after the record; the picture uploaded and marked.

#include <QByteArray>
#include <QString>

#include <functional>

#include "client/base/frmbaseedit.h"
#include "client/logic/fixedtext.h"

class QComboBox;
class QLabel;
class QTableWidget;

namespace dyt::client {

namespace goodstext {
inline constexpr FixedText baseUnitRate{u"基本单位的单位关系不能修改"};
inline constexpr FixedText defaultHint{u"双击修改默认单位"};
inline constexpr FixedText defaultMark{u"√"};
inline constexpr FixedText uploading{u"系统正在上传图片，请耐心等待..."};
inline constexpr FixedText uploadTitle{u"商品图片上传"};
inline constexpr FixedText deleteTitle{u"商品图片删除"};
inline constexpr FixedText uploadFailed{u"保存成功，但商品图片未保存成功："};
inline constexpr FixedText pictureMissing{u"商品图片不存在，请检查"};
}  // namespace goodstext

// Columns of the unit grid.
enum UnitColumn {
    kUnitSlot = 0,  // "基本单位", "辅助单位1", "辅助单位2"
    kUnitName,
    kUnitRate,
    kUnitBarcode,
    kUnitPrice,
    kUnitPrice1,
    kUnitPrice2,
    kUnitPrice3,
    kUnitDefault,
    kUnitColumnCount
};
inline constexpr int kUnitRows = 3;

// Stores a goods picture on the server (goods id, picture bytes); throws DytError on failure.
using PictureUploader = std::function<void(qint64 goodsId, const QByteArray& picture)>;

class TfrmBaseGoodsSet : public TfrmBaseEdit {
    Q_OBJECT
public:
    explicit TfrmBaseGoodsSet(QWidget* parent = nullptr);
    ~TfrmBaseGoodsSet() override;

    void setup(const EditorRequest& request) override;
    void fullNameLeft() override;

    QTableWidget* unitGrid() const { return units_; }
    // Whether a unit row's unit name may be changed (no posted bill uses that unit).
    bool unitLocked(int row) const;
    // The row holding the default mark, -1 when none.
    int defaultUnitRow() const;
    // Double-click on the default column: the mark moves to that row (a row with a unit).
    void setDefaultUnit(int row);

    // --- picture
    // Takes a picture file; a missing file shows "商品图片不存在，请检查" and gives false.
    bool setPictureFile(const QString& fileName);
    void deletePicture();
    bool pictureChanged() const { return pictureChanged_; }
    QLabel* pictureLabel() const { return lbPicture_; }
    static PictureUploader& pictureUploader();
    // The picture the server keeps for the goods (p_Base_Get_GoodsImage); empty when none.
    static QByteArray storedPicture(qint64 goodsId);
    const QByteArray& picture() const { return picture_; }

    // --- commission: the goods' plan on the page "商品提成" (read when the page is shown)
    QComboBox* cbPlan() const { return cbPlan_; }
    void loadPlans();
    qint64 chosenPlan() const;

protected:
    void buildPages() override;
    void loadRecord(qint64 id) override;
    void fillSource(const RecordSet& source) override;
    void saveParts(qint64 id) override;

private:
    void buildUnitGrid();
    void loadUnits(qint64 goodsId, bool keepIds);
    void applyLocks(qint64 goodsId, bool leaf);
    void showPicture();
    void buildCommissionPage();

    QTableWidget* units_ = nullptr;
    QLabel* lbPicture_ = nullptr;
    QByteArray picture_;
    bool pictureChanged_ = false;
    QComboBox* cbPlan_ = nullptr;
    bool plansLoaded_ = false;
    qint64 loadedPlan_ = 0;
    bool lockedUnits_[kUnitRows] = {false, false, false};
};

}  // namespace dyt::client
