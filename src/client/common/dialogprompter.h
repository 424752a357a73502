#pragma once
// The prompter of the product: the message dialog TfrmMsgDlg, the input box, the transient message
// window and the progress window TfrmProgressor.

#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "client/logic/prompter.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace dyt::client {

// Message box and question: caption, icon, text and one button per caption. result() after
// exec() is the index of the chosen button, -1 when escaped or closed.
class TfrmMsgDlg : public QDialog {
    Q_OBJECT
public:
    TfrmMsgDlg(const QString& caption, const QString& text, const QStringList& buttons,
               int defaultButton, MessageIcon icon, QWidget* parent = nullptr);
    int chosen() const { return chosen_; }
    QString text() const;
    QList<QPushButton*> buttonList() const { return buttons_; }

private:
    QLabel* textLabel_ = nullptr;
    QList<QPushButton*> buttons_;
    int chosen_ = -1;
};

// Input box with a prompt, an edit (masked with "*" for passwords), "确定" and "取消".
class TfrmInputDlg : public QDialog {
    Q_OBJECT
public:
    TfrmInputDlg(const QString& caption, const QString& prompt, const QString& value, bool password,
                 QWidget* parent = nullptr);
    QString value() const;
    QLineEdit* edit() const { return edit_; }
    QString prompt() const;
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    QLabel* promptLabel_ = nullptr;
    QLineEdit* edit_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

// Frameless window that shows a text and deletes itself after the given time.
class TfrmFlashMsg : public QWidget {
    Q_OBJECT
public:
    TfrmFlashMsg(const QString& text, int milliseconds, QWidget* parent = nullptr);
    QString text() const;
    QTimer* closeTimer() const { return timer_; }

private:
    QLabel* label_ = nullptr;
    QTimer* timer_ = nullptr;
};

// The progress window: title, text and a bar whose indicator steps every 300 ms.
class TfrmProgressor : public QWidget {
    Q_OBJECT
public:
    explicit TfrmProgressor(ProgressState* state, QWidget* parent = nullptr);
    // Shows the state's title, text, scale and position.
    void refresh();
    QString text() const;
    int barValue() const;
    int barMaximum() const;
    QTimer* stepTimer() const { return timer_; }
    // One animation step; the step timer calls it every 300 ms while the window shows.
    void tick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    ProgressState* state_;
    QLabel* label_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QTimer* timer_ = nullptr;
};

class DialogPrompter : public Prompter {
public:
    DialogPrompter();
    ~DialogPrompter() override;

    void message(const QString& caption, const QString& text, MessageIcon icon) override;
    int ask(const QString& caption, const QString& text, const QStringList& buttons,
            int defaultButton) override;
    bool input(const QString& caption, const QString& prompt, QString* value,
               bool password) override;
    void flash(const QString& text, int milliseconds) override;
    void showProgress(const QString& text, int maximum, int position,
                      const QString& title) override;
    void setProgressText(const QString& text) override;
    void setProgressPosition(int position) override;
    void setProgressMaximum(int maximum) override;
    void holdProgress(int milliseconds) override;
    void hideProgress() override;
    bool progressVisible() const override;

    // The progress window, created on first use.
    TfrmProgressor* progressWindow();
    // The last transient window while it lives.
    TfrmFlashMsg* flashWindow() const { return flash_; }

private:
    QPointer<TfrmProgressor> progressWindow_;
    QPointer<TfrmFlashMsg> flash_;
};

}  // namespace dyt::client
