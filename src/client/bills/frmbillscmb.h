#pragma once
// The assembly templates in the bill windows: the entry window of one template TfrmBillSCMB
// ("生产组装模板"), the selection of a template TfrmSelectSCMB, and the goods assembly bill
// TfrmBillSPCZD ("商品拆装单"), which picks a template and takes its lines for the quantity the
// clerk asks for.
//
// TfrmBillSCMB keeps the bill frame's keyboard: the template code in the number field, then the
// name, the goods made and its quantity, the comment; part goods typed into "组件商品" (Enter
// runs the goods selection), their quantities in the lines; Ctrl+S saves through the server,
// which checks the whole template.

#include <QString>

#include <optional>

#include "client/bills/frmbillabstract.h"
#include "client/bills/goodsbill.h"
#include "client/bills/selectwindow.h"
#include "client/logic/assemblytemplates.h"
#include "common/recordset.h"

class QLineEdit;
class QPushButton;

namespace dyt {
class GridView;
class RecordSetModel;
}  // namespace dyt

namespace dyt::client {

class TfrmBillSCMB : public TfrmBillAbstract {
    Q_OBJECT

public:
    explicit TfrmBillSCMB(QWidget* parent = nullptr);
    ~TfrmBillSCMB() override;

    // Loads a template to change it (copy: as a new template without a code), or, for id 0,
    // prepares a new one. Failures throw DytError.
    void setup(qint64 id, bool copy = false);
    qint64 templateId() const { return id_; }

    QLineEdit* edCode() const { return edBillCode(); }
    QLineEdit* edName() const { return edName_; }
    QLineEdit* edGoods() const { return edGoods_; }
    QLineEdit* edQty() const { return edQty_; }
    QLineEdit* edPart() const { return edPart_; }

    // The template as the controls hold it.
    scmb::Template currentTemplate() const;
    // Goods typed into the part field: the goods selection; the goods chosen become lines.
    bool addParts(const QString& text);
    // The goods made typed into its field: the goods selection.
    bool chooseGoods(const QString& text);
    // The rows holding a part.
    QList<int> partRows() const;
    // Checks and saves; true when the server kept the template.
    bool saveTemplate();
    void btnBillSaveClick() override;
    void btnBillSaveToDraftClick() override {}
    void btnPrintClick() override {}

Q_SIGNALS:
    void templateSaved(qint64 id);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void cellEntered(const QModelIndex& index);
    bool deletePart(int row);

    qint64 id_ = 0;
    qint64 goodsId_ = 0;
    QString goodsName_;
    QLineEdit* edName_ = nullptr;
    QLineEdit* edGoods_ = nullptr;
    QLineEdit* edQty_ = nullptr;
    QLineEdit* edPart_ = nullptr;
};

// A template chosen in the selection.
struct TemplateChoice {
    qint64 id = 0;
    QString code;
    QString name;
    QString goodsName;
    double qty = 0;
};

class TfrmSelectSCMB : public TfrmSelectWindow {
    Q_OBJECT

public:
    explicit TfrmSelectSCMB(const QString& filterText, QWidget* parent = nullptr);
    ~TfrmSelectSCMB() override;

    const std::optional<TemplateChoice>& chosen() const { return chosen_; }
    int rowCount() const;

protected:
    void applySearch(const QString& text) override;
    void chooseCurrent() override;
    bool chooseSingle() override;

private:
    void choose(int viewRow);

    QLineEdit* edFilter_ = nullptr;
    GridView* grid_ = nullptr;
    RecordSetModel* model_ = nullptr;
    RecordSet rows_;
    GridDefinition def_;
    std::optional<TemplateChoice> chosen_;
};

// The template selection a bill uses; replaceable in tests of the window alone.
using TemplatePicker = std::function<std::optional<TemplateChoice>(QWidget* parent)>;
TemplatePicker& templatePicker();

class TfrmBillSPCZD : public TfrmGoodsBill {
    Q_OBJECT

public:
    explicit TfrmBillSPCZD(QWidget* parent = nullptr);

    QPushButton* btnTemplate() const { return btnTemplate_; }
    // "生产组装模板(&M)" (F3): a template picked, the quantity to make asked, its lines added
    // as the server scales them. True when lines were added.
    bool pickTemplate();

private:
    QPushButton* btnTemplate_ = nullptr;
};

}  // namespace dyt::client
