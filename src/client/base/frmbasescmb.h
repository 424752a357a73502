#pragma once
// The list of the assembly templates TfrmBaseShengChanMoBan ("生产组装模板", function 201709):
// finding, adding, changing, copying and deleting templates. A template is entered in
// TfrmBillSCMB, which the list opens.

#include <QList>
#include <QPointer>

#include <functional>

#include "client/bills/frmbillscmb.h"
#include "client/common/frmxabstract.h"

class QAction;
class QLineEdit;

namespace dyt::client {

class TfrmBaseShengChanMoBan : public TfrmXAbstract {
    Q_OBJECT
public:
    explicit TfrmBaseShengChanMoBan(QWidget* parent = nullptr);
    ~TfrmBaseShengChanMoBan() override;

    QAction* btnAdd() const { return btnAdd_; }
    QAction* btnUpdate() const { return btnUpdate_; }
    QAction* btnCopy() const { return btnCopy_; }
    QAction* btnDel() const { return btnDel_; }
    QLineEdit* edFind() const { return edFind_; }
    // The entry window opened last (nullptr when it is closed).
    TfrmBillSCMB* entryWindow() const;

    QString layoutKey() const override;
    void refreshData() override;

    // The commands; each answers whether it did anything.
    bool btnAddClick();
    bool btnUpdateClick();
    bool btnCopyClick();
    bool btnDelClick();
    // The id of the focused row; 0 when none.
    qint64 currentId() const;

protected:
    void FormCreate() override;

private:
    bool openEntry(qint64 id, bool copy);
    void loadList();
    void run(const std::function<void()>& action);

    QAction* btnAdd_ = nullptr;
    QAction* btnUpdate_ = nullptr;
    QAction* btnCopy_ = nullptr;
    QAction* btnDel_ = nullptr;
    QLineEdit* edFind_ = nullptr;
    QPointer<TfrmBillSCMB> entry_;
};

}  // namespace dyt::client
