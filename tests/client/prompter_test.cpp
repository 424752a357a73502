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
// Every window test relies on the scripted prompter; its faults must reach the test.
TEST(ScriptedPrompter, ScriptFaultsAreReportedAndThrown) {
    struct Case {
        const char* name;
        std::function<void(QuietScript&)> script;
        std::function<void(QuietScript&)> act;
        QString reportContains;
    };
    const auto ask = [](QuietScript& p) { p.ask(caption::hint(), u"问题"_s, buttons::yesNo(), 0); };
    const auto input = [](QuietScript& p) {
        QString v;
        p.input(caption::hint(), u"请输入"_s, &v, false);
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"no answer left", [](QuietScript&) {}, ask, u"no scripted answer left"_s},
        {"question, input scripted", [](QuietScript& p) { p.enter(u"x"_s); }, ask, u"waits for a input"_s},
        {"no such button", [](QuietScript& p) { p.answer(u"确定(&O)"_s); }, ask, u"is not a button"_s},
        {"other text", [](QuietScript& p) { p.answer(u"是(&O)"_s, u"删除"_s); }, ask, u"expects \"删除\""_s},
        {"input, question scripted", [](QuietScript& p) { p.answer(u"是(&O)"_s); }, input, u"waits for a question"_s},
    };
    // clang-format on
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
