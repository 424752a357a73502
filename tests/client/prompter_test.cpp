// The prompter service: progress state, scripted and unattended prompters, the accessor.
// The dialogs of the product prompter, opened offscreen and answered by clicking their buttons.

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "client/common/dialogprompter.h"
#include "client/logic/prompter.h"
#include "common/error.h"
#include "support/client/scriptedprompter.h"
#include "uihelpers.h"

using namespace dyt::client;
using dyt::test::onNextModal;

TEST(ProgressState, StepWrapsToOneAfterMaximum) {
    ProgressState s;
    s.reset(QString(), u"正在加载系统配置，请稍后..."_s, 8, 6);
    const int expected[] = {7, 8, 1, 2, 3, 4, 5, 6, 7, 8, 1};
    for (int e : expected) {
        s.step();
        EXPECT_EQ(e, s.position());
    }
}
TEST(ProgressState, DefaultsAndBounds) {
    ProgressState s;
    s.reset(u"《德盈通》普及版"_s, QString(), 0, 0);
    EXPECT_EQ(u"正在努力工作，请稍候 ..."_s, s.text());
    EXPECT_EQ(u"《德盈通》普及版"_s, s.title());
    EXPECT_EQ(ProgressState::kDefaultMaximum, s.maximum());
    s.setMaximum(8);
    s.setPosition(12);  // beyond the scale: held at its end
    EXPECT_EQ(8, s.position());
    s.setPosition(-3);
    EXPECT_EQ(0, s.position());
    s.setPosition(4);
    s.setMaximum(3);  // a smaller scale pulls the position in
    EXPECT_EQ(3, s.position());
}
TEST(ScriptedPrompter, ProgressWindowIsRecorded) {
    ScriptedPrompter p;
    PrompterOverride use(&p);
    {
        ProgressScope scope(u"正在加载系统配置，请稍后..."_s, 8, 4);
        EXPECT_TRUE(p.progressVisible());
        EXPECT_EQ(4, p.progress().position());
        EXPECT_EQ(8, p.progress().maximum());
        scope.setPosition(6);
        EXPECT_EQ(6, p.progress().position());
        scope.setText(u"备份成功"_s);
        prompter().holdProgress(1000);
    }
    EXPECT_FALSE(p.progressVisible());
    EXPECT_EQ((QStringList{u"正在加载系统配置，请稍后..."_s, u"备份成功"_s}), p.progressTexts());
    EXPECT_EQ(1000, p.records().last().milliseconds);
}
TEST(Prompter, ShowErrorSwallowsTheSilentText) {
    ScriptedPrompter p;
    p.showError(caption::hint(), dyt::DytError(u"不提示"_s));
    p.showError(caption::systemError(), dyt::DytError(u"无数据，不能打印"_s));
    p.showError(caption::error(), std::runtime_error("socket closed"));
    ASSERT_EQ(2, p.records().size());
    EXPECT_EQ(u"系统错误"_s, p.records().at(0).caption);
    EXPECT_EQ(u"无数据，不能打印"_s, p.records().at(0).text);
    EXPECT_EQ(u"socket closed"_s, p.records().at(1).text);
}
TEST(Prompter, AccessorSwapsAndRestores) {
    Prompter* const original = &prompter();
    ScriptedPrompter outer;
    AcceptDefaultsPrompter inner;
    {
        PrompterOverride a(&outer);
        EXPECT_EQ(static_cast<Prompter*>(&outer), &prompter());
        {
            PrompterOverride b(&inner);
            EXPECT_EQ(static_cast<Prompter*>(&inner), &prompter());
        }
        EXPECT_EQ(static_cast<Prompter*>(&outer), &prompter());
    }
    EXPECT_EQ(original, &prompter());
}
TEST(AcceptDefaultsPrompter, TakesDefaultsAndLogs) {
    AcceptDefaultsPrompter p;
    EXPECT_EQ(0, p.ask(caption::hint(), u"您确定要退出系统吗？"_s, buttons::okCancel(), 0));
    EXPECT_EQ(1, p.ask(caption::systemWarning(), u"升级"_s, buttons::upgradeOrQuit(), 1));
    EXPECT_EQ(-1, p.ask(caption::hint(), u"无默认"_s, buttons::yesNo(), -1));
    QString v = u"x"_s;
    EXPECT_FALSE(p.input(caption::hint(), u"请输入打印密码"_s, &v, true));
    EXPECT_EQ(u"x"_s, v);
    p.message(caption::error(), u"打印密码错误"_s, MessageIcon::Error);
    p.showProgress(QString(), 0, 0, QString());
    EXPECT_TRUE(p.progressVisible());
    EXPECT_EQ(u"正在努力工作，请稍候 ..."_s, p.progress().text());
    p.hideProgress();
    EXPECT_FALSE(p.progressVisible());
    ASSERT_EQ(5, p.log().size());
    EXPECT_EQ(u"提示: 您确定要退出系统吗？ -> 确定(&O)"_s, p.log().at(0));
    EXPECT_EQ(u"系统警告: 升级 -> 放弃退出"_s, p.log().at(1));
    EXPECT_EQ(u"错误: 打印密码错误"_s, p.log().at(4));
}
TEST(ScriptedPrompter, FaultsFailTheRunningTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompter p;
            dyt::test::reportFaultsToTest(p);
            try {
                p.ask(caption::hint(), u"意外的问题"_s, buttons::yesNo(), 0);
            } catch (const ScriptedPrompter::Fault&) {
            }
        },
        "no scripted answer left");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompter p;
            dyt::test::reportFaultsToTest(p);
            p.enter(u"never asked"_s);
        },
        "scripted answers left unused: input never asked");
}

namespace {

QPushButton* buttonWithText(QWidget* dialog, const QString& text) {
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}
QStringList buttonTexts(QWidget* dialog) {
    QStringList out;
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        out.append(b->isDefault() ? b->text() + u'*' : b->text());  // "*": the default button
    return out;
}

}  // namespace

TEST(DialogPrompter, QuestionReturnsTheClickedButton) {
    const QStringList close = {u"过账"_s, u"存为草稿"_s, u"废弃退出(&C)"_s};
    for (int pick = -1; pick < close.size(); ++pick) {  // -1: Esc gives up the question
        SCOPED_TRACE(pick);
        DialogPrompter p;
        QString title, text;
        QStringList shown;
        onNextModal([&](QWidget* dlg) {
            title = dlg->windowTitle();
            text = dlg->findChild<QLabel*>(u"lblText"_s)->text();
            shown = buttonTexts(dlg);
            if (pick < 0) {
                QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(dlg, &esc);
                return;
            }
            QPushButton* b = buttonWithText(dlg, close.at(pick));
            ASSERT_NE(nullptr, b);
            b->click();
        });
        const int answer =
            p.ask(u"单据提示"_s, u"请选择对本单据的处理，按《ESC》键放弃本次处理！"_s, close, 1);
        EXPECT_EQ(pick, answer);
        EXPECT_EQ(u"单据提示|请选择对本单据的处理，按《ESC》键放弃本次处理！"_s, title + u'|' + text);
        EXPECT_EQ((QStringList{u"过账"_s, u"存为草稿*"_s, u"废弃退出(&C)"_s}), shown);
    }
}
TEST(DialogPrompter, MessageShowsCaptionTextAndOneButton) {
    DialogPrompter p;
    QString title, text;
    QStringList shown;
    onNextModal([&](QWidget* dlg) {
        title = dlg->windowTitle();
        text = dlg->findChild<QLabel*>(u"lblText"_s)->text();
        shown = buttonTexts(dlg);
        buttonWithText(dlg, u"确定"_s)->click();
    });
    // "\r" in the system's texts breaks the line.
    p.message(u"系统提示"_s, u"启动画面加载失败，系统可能已经被破坏,\r建议您重新安装客户端系统！"_s,
              MessageIcon::Warning);
    EXPECT_EQ(u"系统提示|启动画面加载失败，系统可能已经被破坏,\n建议您重新安装客户端系统！"_s,
              title + u'|' + text);
    EXPECT_EQ(1, shown.size());
    EXPECT_TRUE(shown.value(0).startsWith(u"确定"_s));
}
TEST(DialogPrompter, InputBoxReturnsTheTextOrCancels) {
    struct Case {
        bool password;
        bool confirm;
        QString typed;
    };
    const Case cases[] = {
        {true, true, u"s3cret"_s}, {false, true, u"机器一号"_s}, {true, false, u"ignored"_s}};
    for (const Case& c : cases) {
        DialogPrompter p;
        QString title, prompt;
        QLineEdit::EchoMode echo = QLineEdit::Normal;
        onNextModal([&](QWidget* w) {
            auto* dlg = qobject_cast<TfrmInputDlg*>(w);
            ASSERT_NE(nullptr, dlg);
            title = dlg->windowTitle();
            prompt = dlg->prompt();
            echo = dlg->edit()->echoMode();
            dlg->edit()->setText(c.typed);
            (c.confirm ? dlg->okButton() : dlg->cancelButton())->click();
        });
        QString value = u"before"_s;
        const bool ok =
            p.input(u"请输入数据库管理员口令"_s, u"管理员sa口令："_s, &value, c.password);
        EXPECT_EQ(c.confirm, ok);
        EXPECT_EQ(c.confirm ? c.typed : u"before"_s, value);
        EXPECT_EQ(u"请输入数据库管理员口令|管理员sa口令："_s, title + u'|' + prompt);
        EXPECT_EQ(c.password ? QLineEdit::Password : QLineEdit::Normal, echo);
    }
}
TEST(DialogPrompter, FlashWindowClosesItself) {
    DialogPrompter p;
    p.flash(u"保存成功！"_s, 600);
    QPointer<TfrmFlashMsg> w = p.flashWindow();
    ASSERT_FALSE(w.isNull());
    EXPECT_EQ(dyt::test::clientValuesText(true, u"保存成功！"_s, 600, true, true),
        dyt::test::clientValuesText(w->isVisible(), w->text(), w->closeTimer()->interval(),
            w->closeTimer()->isSingleShot(), w->closeTimer()->isActive()));
    // Fire the timer at once instead of waiting for it.
    w->closeTimer()->stop();
    QMetaObject::invokeMethod(w.data(), "close", Qt::QueuedConnection);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
}
TEST(DialogPrompter, ProgressWindowShowsStepsAndHides) {
    DialogPrompter p;
    p.showProgress(QString(), 0, 0, u"《德盈通》普及版"_s);
    TfrmProgressor* w = p.progressWindow();
    EXPECT_TRUE(p.progressVisible());
    EXPECT_EQ(p.progress().text(), w->text());
    EXPECT_EQ(u"《德盈通》普及版"_s, w->windowTitle());
    EXPECT_EQ(ProgressState::kStepMilliseconds, w->stepTimer()->interval());
    EXPECT_TRUE(w->stepTimer()->isActive());
    p.showProgress(u"正在加载系统配置，请稍后..."_s, 8, 4, QString());
    EXPECT_EQ(u"正在加载系统配置，请稍后..."_s, w->text());
    EXPECT_EQ(8, w->barMaximum());
    EXPECT_EQ(4, w->barValue());
    p.setProgressPosition(6);
    EXPECT_EQ(6, w->barValue());
    w->tick();
    w->tick();
    EXPECT_EQ(8, w->barValue());
    w->tick();  // past the maximum: back to 1
    EXPECT_EQ(1, w->barValue());
    EXPECT_EQ(1, p.progress().position());
    p.setProgressText(u"备份成功"_s);
    EXPECT_EQ(u"备份成功"_s, w->text());
    p.hideProgress();
    EXPECT_FALSE(p.progressVisible());
    EXPECT_FALSE(w->stepTimer()->isActive());
}
