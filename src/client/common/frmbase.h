#pragma once
// TfrmBase, the root of every window of the system, and TfrmBaseDialog, the root of the modal
// dialogs.
//
// TfrmBase gives all windows the same colour, the keys Esc (close) and F1 ("Help.chm" of the
// program folder), the operation log entries "打开窗口[%s]" on the first activation and
// "关闭窗口[%s]" when the window goes away, the window's function code (its tag) and a keyed list
// of scratch texts that lives with the window. Number edits named by a label are formatted by
// the label's text once the window is built.

#include <QColor>
#include <QMap>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

#include "client/logic/fixedtext.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace dyt::client {

// The nine window colours of the form framework (white unless the main window sets others).
struct FormColours {
    QColor modalForm = Qt::white;
    QColor billForm = Qt::white;
    QColor billTitle = Qt::white;
    QColor billHeader = Qt::white;
    QColor billFooter = Qt::white;
    QColor queryForm = Qt::white;
    QColor queryTitle = Qt::white;
    QColor queryHeader = Qt::white;
    QColor queryFooter = Qt::white;
};
FormColours& formColours();

namespace formtext {
inline constexpr FixedText helpFile{u"Help.chm"};
}  // namespace formtext

// The settings pattern a labelled number edit is shown with, chosen by its label: a label holding
// "数" the quantity pattern, else "价" the price pattern, else "折" the discount pattern, else
// "税" the ratio pattern; empty for any other label.
QString numberPatternForLabel(const QString& labelText);

// The property that marks a line edit as a number edit (value true); its buddy label names it.
inline constexpr const char* kNumberEditProperty = "NumberEdit";

class TfrmBase : public QWidget {
    Q_OBJECT

public:
    explicit TfrmBase(QWidget* parent = nullptr);
    ~TfrmBase() override;

    // The function code that opened the window (property kTagProperty); 0 when none.
    int tag() const;
    void setTag(int tag);

    // The window's caption, its title.
    QString caption() const { return windowTitle(); }

    // The keyed scratch texts of the window, created on first use.
    QMap<QString, QString>& strings();
    bool hasStrings() const { return strings_ != nullptr; }

    // True once the window was activated (the open log entry is written then).
    bool activatedOnce() const { return activated_; }
    // The log entries are written for child windows and for windows whose tag is at least 1.
    bool logAllowed() const;

    // The first activation writes the open log entry and brings the window to the front; later
    // calls do nothing. The window's activation events call it.
    void FormActivate();

    // Formats every number edit (a line edit with kNumberEditProperty) by its buddy label's text.
    void formatNumberEdits();

    // Opens "Help.chm" of the program folder when it exists; false when it does not.
    bool openHelp();

    // The program folder (default: the folder of the running program) and the opener of
    // documents (default: the platform's); tests replace both.
    static QString programFolder();
    static void setProgramFolder(const QString& folder);
    static std::function<bool(const QString&)>& documentOpener();

protected:
    // Runs once before the window shows the first time, after the derived windows built their
    // controls: number edits and the window colour. Derived windows extend it.
    virtual void FormCreate();
    // The colour of the window's background.
    virtual QColor windowColour() const;
    // Esc: closes the window.
    virtual void escapePressed();

    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void writeCloseLog();

    std::unique_ptr<QMap<QString, QString>> strings_;
    bool activated_ = false;
    bool created_ = false;
};

// A modal dialog: a title panel with the label lbltitle ("标题名称") and an image, a group box for
// the content and the buttons "确定(&O)" and "退出(&C)". Closing it another way than by the
// buttons while confirm-on-close is set asks the confirm text first ("提示", "确定" / "取消").
class TfrmBaseDialog : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmBaseDialog(QWidget* parent = nullptr);
    ~TfrmBaseDialog() override;

    // Shows the dialog modally; returns 1 when it was closed with "确定(&O)", else 0.
    int exec();

    bool result() const { return result_; }
    bool closedByButton() const { return closedByButton_; }
    void setConfirmOnClose(bool on, const QString& message = QString());
    bool confirmOnClose() const { return confirmOnClose_; }
    QString confirmMessage() const { return confirmMessage_; }

    QWidget* titlePanel() const { return titlePanel_; }
    QLabel* lbltitle() const { return lbltitle_; }
    QLabel* titleImage() const { return titleImage_; }
    QGroupBox* contentBox() const { return contentBox_; }
    QPushButton* btnOK() const { return btnOK_; }
    QPushButton* btnExit() const { return btnExit_; }

    // The handlers of the two buttons.
    virtual void btnOKClick();
    virtual void btnExitClick();

Q_SIGNALS:
    void finished(int result);

protected:
    // Every show clears the closed-by-button and result flags.
    virtual void FormShow();
    // Whether a close may proceed (the confirm question for closes not made by the buttons).
    virtual bool FormCloseQuery();

    QColor windowColour() const override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* titlePanel_ = nullptr;
    QLabel* lbltitle_ = nullptr;
    QLabel* titleImage_ = nullptr;
    QGroupBox* contentBox_ = nullptr;
    QPushButton* btnOK_ = nullptr;
    QPushButton* btnExit_ = nullptr;
    bool confirmOnClose_ = false;
    QString confirmMessage_;
    bool closedByButton_ = false;
    bool result_ = false;
};

}  // namespace dyt::client
