#pragma once
// TfrmNavigator: the home page of the workspace, its first child window. Its pages come later;
// for now it holds the page number it was asked to show.

#include <QWidget>

class QLabel;

namespace dyt::client {

class TfrmNavigator : public QWidget {
    Q_OBJECT
public:
    explicit TfrmNavigator(QWidget* parent = nullptr);
    // Shows the page of the given number (1 = the first page).
    void SelectPage(int page);
    int currentPage() const { return page_; }

private:
    QLabel* title_;
    int page_ = 1;
};

}  // namespace dyt::client
