#pragma once
// TfrmSysVersionInfo ("版本信息"): the product, the client's version and build date, and what the
// server tells of itself: its version and the version of the account set's tables. Open to every
// operator.

#include "client/common/frmbase.h"

class QLabel;

namespace dyt::client {

class TfrmSysVersionInfo : public TfrmBaseDialog {
    Q_OBJECT
public:
    // Asks the server at once; a failed call leaves the server's values empty and shows why.
    explicit TfrmSysVersionInfo(QWidget* owner = nullptr);
    ~TfrmSysVersionInfo() override;

    QLabel* lblClientVersion() const { return lblClient_; }
    QLabel* lblBuildDate() const { return lblBuild_; }
    QLabel* lblServerVersion() const { return lblServer_; }
    QLabel* lblSchemaVersion() const { return lblSchema_; }
    QLabel* lblError() const { return lblError_; }

private:
    void readServer();

    QLabel* lblClient_ = nullptr;
    QLabel* lblBuild_ = nullptr;
    QLabel* lblServer_ = nullptr;
    QLabel* lblSchema_ = nullptr;
    QLabel* lblError_ = nullptr;
};

}  // namespace dyt::client
