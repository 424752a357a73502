#pragma once
// TfrmNavigator: the home page of the workspace, its first child window. Its pages come later;
// for now it holds the page number it was asked to show.

#include <QWidget>

#include <functional>

class QLabel;

namespace dyt {
class RecordSet;
}

namespace dyt::client {

class TfrmNavigator : public QWidget {
    Q_OBJECT
public:
    explicit TfrmNavigator(QWidget* parent = nullptr);
    // Shows the page of the given number (1 = the first page).
    void SelectPage(int page);
    int currentPage() const { return page_; }

    // The operator's function rows (the shell's cdsMenu), read by the tiles and links.
    void setMenu(RecordSet* cdsMenu) { menu_ = cdsMenu; }
    // Opens a function through the dispatcher.
    std::function<void(int)> openFunction;
    // Reloads the common-functions page.
    void RefreshCommonFunctions();

private:
    QLabel* title_;
    int page_ = 1;
    RecordSet* menu_ = nullptr;
};

}  // namespace dyt::client
