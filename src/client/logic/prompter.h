#pragma once
// The one door for everything the client asks or tells the operator: message boxes, questions,
// input boxes, the transient message window and the progress window. Windows never open a
// message box themselves; they call prompter(). Tests install a ScriptedPrompter, unattended runs
// an AcceptDefaultsPrompter, the product a DialogPrompter.

#include <QString>
#include <QStringList>

#include <exception>

#include "client/logic/fixedtext.h"
#include "common/error.h"

namespace dyt::client {

// The captions of the system's message boxes.
namespace caption {
inline constexpr FixedText hint{u"提示"};
inline constexpr FixedText warning{u"警告"};
inline constexpr FixedText error{u"错误"};
inline constexpr FixedText systemHint{u"系统提示"};
inline constexpr FixedText systemWarning{u"系统警告"};
inline constexpr FixedText systemError{u"系统错误"};
}  // namespace caption

// The button sets of the system's questions. The first button is the affirmative one.
namespace buttons {
QStringList okCancel();         // "确定(&O)" "取消(&C)"
QStringList yesNo();            // "是(&O)" "否(&C)"
QStringList continueAbandon();  // "继续" "放弃"
QStringList confirmAbandon();   // "确定" "放弃"
QStringList confirmCancel();    // "确定" "取消"
QStringList upgradeOrQuit();    // "确定升级" "放弃退出"
QStringList reconnectOrQuit();  // "继续连接" "退出系统"
}  // namespace buttons

// Default text of the progress window.
QString defaultProgressText();  // "正在努力工作，请稍候 ..."

// The text that marks an error the operator already answered; it is never shown.
QString silentErrorText();  // "不提示"

enum class MessageIcon { Information, Warning, Error };

// State of the progress window, kept apart from the widget so that every prompter shares it.
// The indicator steps by one on each tick and wraps to 1 after its maximum.
class ProgressState {
public:
    void reset(const QString& title, const QString& text, int maximum, int position);
    void setText(const QString& text) { text_ = text; }
    void setTitle(const QString& title) { title_ = title; }
    void setMaximum(int maximum);
    void setPosition(int position);
    void step();  // one animation tick

    QString title() const { return title_; }
    QString text() const { return text_; }
    int maximum() const { return maximum_; }
    int position() const { return position_; }

    static constexpr int kDefaultMaximum = 10;
    static constexpr int kStepMilliseconds = 300;

private:
    QString title_;
    QString text_ = defaultProgressText();
    int maximum_ = kDefaultMaximum;
    int position_ = 0;
};

class Prompter {
public:
    virtual ~Prompter();

    // Modal message with the single button "确定".
    virtual void message(const QString& caption, const QString& text,
                         MessageIcon icon = MessageIcon::Information) = 0;

    // Modal question with the given buttons (captions with "&" accelerators). Returns the index of
    // the chosen button, or -1 when the operator escaped or closed the box. defaultButton gets
    // the focus and is what an unattended run answers.
    virtual int ask(const QString& caption, const QString& text, const QStringList& buttons,
                    int defaultButton = 0) = 0;

    // Modal input box with "确定" and "取消". Returns true and sets *value on "确定"; *value holds
    // the initial text on entry. password masks the entry with "*".
    virtual bool input(const QString& caption, const QString& prompt, QString* value,
                       bool password = false) = 0;

    // The transient message window: shows the text without blocking and closes by itself after
    // the given time.
    virtual void flash(const QString& text, int milliseconds) = 0;

    // --- the progress window TfrmProgressor
    // Shows (or re-shows) the window; an empty text gives the default text, maximum <= 0 the
    // default scale.
    virtual void showProgress(const QString& text = QString(), int maximum = 0, int position = 0,
                              const QString& title = QString()) = 0;
    virtual void setProgressText(const QString& text) = 0;
    virtual void setProgressPosition(int position) = 0;
    virtual void setProgressMaximum(int maximum) = 0;
    // Keeps the window (and the events of the program) running for the given time, as after a
    // closing word like "备份成功".
    virtual void holdProgress(int milliseconds) = 0;
    virtual void hideProgress() = 0;
    virtual bool progressVisible() const = 0;
    const ProgressState& progress() const { return progress_; }

    // --- conveniences built on the calls above
    // True when the first (affirmative) button was chosen.
    bool confirm(const QString& caption, const QString& text,
                 const QStringList& buttonList = buttons::okCancel());
    // Shows an error's text; the silent text "不提示" is swallowed.
    void showError(const QString& caption, const QString& text);
    void showError(const QString& caption, const std::exception& error);

protected:
    ProgressState progress_;
};

// For unattended runs: messages go to the log, questions take their default button, input boxes
// are cancelled, the progress window only keeps its state.
class AcceptDefaultsPrompter : public Prompter {
public:
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
    bool progressVisible() const override { return visible_; }

    // One line per prompt: "caption: text" (questions add " -> " and the answer).
    const QStringList& log() const { return log_; }

private:
    void write(const QString& line);
    QStringList log_;
    bool visible_ = false;
};

// The prompter of the process. Before any setPrompter it is the default prompter: the one
// setDefaultPrompter installed (the desktop program installs its DialogPrompter), or else an
// AcceptDefaultsPrompter.
Prompter& prompter();
// Installs the default prompter (not owned); nullptr returns to the AcceptDefaultsPrompter.
void setDefaultPrompter(Prompter* fallback);
// Installs a prompter (not owned) and returns the previous one; nullptr restores the default.
Prompter* setPrompter(Prompter* prompter);

// Installs a prompter for the lifetime of the object.
class PrompterOverride {
public:
    explicit PrompterOverride(Prompter* prompter) : previous_(setPrompter(prompter)) {}
    ~PrompterOverride() { setPrompter(previous_); }
    PrompterOverride(const PrompterOverride&) = delete;
    PrompterOverride& operator=(const PrompterOverride&) = delete;

private:
    Prompter* previous_;
};

// Shows the progress window for the lifetime of the object, so that every way out closes it.
class ProgressScope {
public:
    explicit ProgressScope(const QString& text = QString(), int maximum = 0, int position = 0,
                           const QString& title = QString());
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
    void setPosition(int position) { prompter().setProgressPosition(position); }
    void setText(const QString& text) { prompter().setProgressText(text); }
};

// Runs an operator's action (a window's slot); an error it raises is shown through the prompter
// under the caption. Errors of other kinds than Error go on to the caller. True when the action
// ran through.
template <class Error = DytError, class Action>
bool showErrors(const QString& captionText, Action&& action) {
    try {
        action();
        return true;
    } catch (const Error& e) {
        prompter().showError(captionText, e);
        return false;
    }
}

// The system's texts break lines with "\r\n" and with a lone "\r": the form a label shows.
QString displayLineBreaks(const QString& text);

}  // namespace dyt::client
