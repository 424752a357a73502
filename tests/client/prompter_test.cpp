// The prompter service: progress state, scripted and unattended prompters, the accessor.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "client/logic/prompter.h"
#include "support/client/scriptedprompter.h"
#include "common/error.h"
#include "uihelpers.h"

using namespace dyt::client;

namespace {

// A scripted prompter whose faults are collected instead of reported, for testing the faults.
struct QuietScript : ScriptedPrompter {
    QStringList reported;
    QuietScript() {
        setFailureHandler([this](const QString& what) { reported.append(what); });
    }
};

}  // namespace

TEST(ProgressState, StepWrapsToOneAfterMaximum) {
    ProgressState s;
    s.reset(QString(), QStringLiteral("正在加载系统配置，请稍后..."), 8, 6);
    const int expected[] = {7, 8, 1, 2, 3, 4, 5, 6, 7, 8, 1};
    for (int e : expected) {
        s.step();
        EXPECT_EQ(e, s.position());
    }
}

TEST(ProgressState, DefaultsAndBounds) {
    ProgressState s;
    s.reset(QStringLiteral("《德盈通》普及版"), QString(), 0, 0);
    EXPECT_EQ(QStringLiteral("正在努力工作，请稍候 ..."), s.text());
    EXPECT_EQ(QStringLiteral("《德盈通》普及版"), s.title());
    EXPECT_EQ(ProgressState::kDefaultMaximum, s.maximum());
    EXPECT_EQ(300, ProgressState::kStepMilliseconds);
    s.setMaximum(8);
    s.setPosition(12);  // beyond the scale: held at its end
    EXPECT_EQ(8, s.position());
    s.setPosition(-3);
    EXPECT_EQ(0, s.position());
    s.setPosition(4);
    s.setMaximum(3);  // a smaller scale pulls the position in
    EXPECT_EQ(3, s.position());
}

TEST(ScriptedPrompter, AnswersQuestionsInOrderAndRecordsThem) {
    ScriptedPrompter p;
    p.answer(QStringLiteral("取消(&C)"), QStringLiteral("退出系统"))
        .answer(QStringLiteral("放弃"))
        .escape();
    EXPECT_EQ(
        1, p.ask(caption::hint(), QStringLiteral("您确定要退出系统吗？"), buttons::okCancel(), 0));
    EXPECT_FALSE(
        p.confirm(caption::warning(), QStringLiteral("是否继续?"), buttons::continueAbandon()));
    const QStringList close = {QStringLiteral("过账"), QStringLiteral("存为草稿"),
                               QStringLiteral("废弃退出(&C)")};
    EXPECT_EQ(-1,
              p.ask(QStringLiteral("单据提示"),
                    QStringLiteral("请选择对本单据的处理，按《ESC》键放弃本次处理！"), close, 0));
    EXPECT_EQ(0, p.pendingAnswers());
    ASSERT_EQ(3, p.records().size());
    EXPECT_EQ(PromptKind::Question, p.records().at(0).kind);
    EXPECT_EQ(QStringLiteral("提示"), p.records().at(0).caption);
    EXPECT_EQ(buttons::okCancel(), p.records().at(0).buttons);
    EXPECT_EQ(QStringLiteral("取消(&C)"), p.records().at(0).answer);
    EXPECT_EQ(QStringLiteral("警告"), p.records().at(1).caption);
    EXPECT_EQ(QStringLiteral("放弃"), p.records().at(1).answer);
    EXPECT_EQ(close, p.records().at(2).buttons);
    EXPECT_EQ(QStringLiteral("(取消)"), p.records().at(2).answer);
    EXPECT_TRUE(p.failures().isEmpty());
}

TEST(ScriptedPrompter, InputBoxesAndMessages) {
    ScriptedPrompter p;
    p.enter(QStringLiteral("abc'1"), QStringLiteral("口令")).cancelInput();
    QString value = QStringLiteral("old");
    EXPECT_TRUE(p.input(QStringLiteral("请输入数据库管理员口令"), QStringLiteral("管理员sa口令："),
                        &value, true));
    EXPECT_EQ(QStringLiteral("abc'1"), value);
    QString second = QStringLiteral("keep");
    EXPECT_FALSE(p.input(caption::hint(), QStringLiteral("请输入打印密码"), &second, true));
    EXPECT_EQ(QStringLiteral("keep"), second);
    p.message(caption::hint(), QStringLiteral("保存成功！"), MessageIcon::Information);
    p.flash(QStringLiteral("保存成功！"), 600);

    const auto inputs = p.records(PromptKind::Input);
    ASSERT_EQ(2, inputs.size());
    EXPECT_TRUE(inputs.at(0).password);
    EXPECT_EQ(QStringLiteral("请输入数据库管理员口令"), inputs.at(0).caption);
    EXPECT_EQ(QStringLiteral("管理员sa口令："), inputs.at(0).text);
    EXPECT_EQ(QStringList{QStringLiteral("保存成功！")}, p.messages());
    const auto flashes = p.records(PromptKind::Flash);
    ASSERT_EQ(1, flashes.size());
    EXPECT_EQ(600, flashes.at(0).milliseconds);
}

TEST(ScriptedPrompter, ScriptFaultsAreReportedAndThrown) {
    struct Case {
        const char* name;
        std::function<void(QuietScript&)> script;
        std::function<void(QuietScript&)> act;
        QString reportContains;
    };
    const std::vector<Case> cases = {
        {"no answer left", [](QuietScript&) {},
         [](QuietScript& p) {
             p.ask(caption::hint(), QStringLiteral("问题一"), buttons::yesNo(), 0);
         },
         QStringLiteral("no scripted answer left")},
        {"question where an input is scripted",
         [](QuietScript& p) { p.enter(QStringLiteral("x")); },
         [](QuietScript& p) {
             p.ask(caption::hint(), QStringLiteral("问题二"), buttons::yesNo(), 0);
         },
         QStringLiteral("waits for a input")},
        {"answer that is no button", [](QuietScript& p) { p.answer(QStringLiteral("确定(&O)")); },
         [](QuietScript& p) {
             p.ask(caption::hint(), QStringLiteral("问题三"), buttons::yesNo(), 0);
         },
         QStringLiteral("is not a button")},
        {"other text than expected",
         [](QuietScript& p) { p.answer(QStringLiteral("是(&O)"), QStringLiteral("删除")); },
         [](QuietScript& p) {
             p.ask(caption::hint(), QStringLiteral("问题四"), buttons::yesNo(), 0);
         },
         QStringLiteral("expects \"删除\"")},
        {"input where a question is scripted",
         [](QuietScript& p) { p.answer(QStringLiteral("是(&O)")); },
         [](QuietScript& p) {
             QString v;
             p.input(caption::hint(), QStringLiteral("请输入"), &v, false);
         },
         QStringLiteral("waits for a question")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QuietScript p;
        c.script(p);
        EXPECT_THROW(c.act(p), ScriptedPrompter::Fault);
        ASSERT_EQ(1, p.reported.size());
        EXPECT_TRUE(p.reported.at(0).contains(c.reportContains)) << qPrintable(p.reported.at(0));
        EXPECT_EQ(p.reported, p.failures());
    }
}

TEST(ScriptedPrompter, UnusedAnswersAreReportedAtTheEnd) {
    QStringList reported;
    {
        ScriptedPrompter p;
        p.setFailureHandler([&](const QString& what) { reported.append(what); });
        p.answer(QStringLiteral("继续"));
    }
    ASSERT_EQ(1, reported.size());
    EXPECT_TRUE(reported.at(0).contains(QStringLiteral("继续"))) << qPrintable(reported.at(0));
}

TEST(ScriptedPrompter, ProgressWindowIsRecorded) {
    ScriptedPrompter p;
    PrompterOverride use(&p);
    {
        ProgressScope scope(QStringLiteral("正在加载系统配置，请稍后..."), 8, 4);
        EXPECT_TRUE(p.progressVisible());
        EXPECT_EQ(4, p.progress().position());
        EXPECT_EQ(8, p.progress().maximum());
        scope.setPosition(6);
        EXPECT_EQ(6, p.progress().position());
        scope.setText(QStringLiteral("备份成功"));
        prompter().holdProgress(1000);
    }
    EXPECT_FALSE(p.progressVisible());
    EXPECT_EQ(
        (QStringList{QStringLiteral("正在加载系统配置，请稍后..."), QStringLiteral("备份成功")}),
        p.progressTexts());
    EXPECT_EQ(1000, p.records().last().milliseconds);
}

TEST(Prompter, ShowErrorSwallowsTheSilentText) {
    ScriptedPrompter p;
    p.showError(caption::hint(), dyt::DytError(QStringLiteral("不提示")));
    p.showError(caption::systemError(), dyt::DytError(QStringLiteral("无数据，不能打印")));
    p.showError(caption::error(), std::runtime_error("socket closed"));
    ASSERT_EQ(2, p.records().size());
    EXPECT_EQ(QStringLiteral("系统错误"), p.records().at(0).caption);
    EXPECT_EQ(QStringLiteral("无数据，不能打印"), p.records().at(0).text);
    EXPECT_EQ(QStringLiteral("socket closed"), p.records().at(1).text);
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
    EXPECT_EQ(
        0, p.ask(caption::hint(), QStringLiteral("您确定要退出系统吗？"), buttons::okCancel(), 0));
    EXPECT_EQ(1,
              p.ask(caption::systemWarning(), QStringLiteral("升级"), buttons::upgradeOrQuit(), 1));
    EXPECT_EQ(-1, p.ask(caption::hint(), QStringLiteral("无默认"), buttons::yesNo(), -1));
    QString v = QStringLiteral("x");
    EXPECT_FALSE(p.input(caption::hint(), QStringLiteral("请输入打印密码"), &v, true));
    EXPECT_EQ(QStringLiteral("x"), v);
    p.message(caption::error(), QStringLiteral("打印密码错误"), MessageIcon::Error);
    p.showProgress(QString(), 0, 0, QString());
    EXPECT_TRUE(p.progressVisible());
    EXPECT_EQ(QStringLiteral("正在努力工作，请稍候 ..."), p.progress().text());
    p.hideProgress();
    EXPECT_FALSE(p.progressVisible());
    ASSERT_EQ(5, p.log().size());
    EXPECT_EQ(QStringLiteral("提示: 您确定要退出系统吗？ -> 确定(&O)"), p.log().at(0));
    EXPECT_EQ(QStringLiteral("系统警告: 升级 -> 放弃退出"), p.log().at(1));
    EXPECT_EQ(QStringLiteral("错误: 打印密码错误"), p.log().at(4));
}

TEST(ScriptedPrompter, FaultsFailTheRunningTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompter p;
            dyt::test::reportFaultsToTest(p);
            try {
                p.ask(caption::hint(), QStringLiteral("意外的问题"), buttons::yesNo(), 0);
            } catch (const ScriptedPrompter::Fault&) {
            }
        },
        "no scripted answer left");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompter p;
            dyt::test::reportFaultsToTest(p);
            p.enter(QStringLiteral("never asked"));
        },
        "scripted answers left unused: input never asked");
}
