#include "HookTestSupport.h"

namespace hooktest {
namespace {

using TouchCall = hook::CallFor<&Widget::touch>;

struct Step {
    std::string tag;
    int recallWith = 0;  // non-zero: recall with this argument
    int recalled = 0;    // what the recall gave

    void handle(ValueCall& call, int x) {
        gLog->add(tag + "(" + std::to_string(x) + ")");
        if (recallWith != 0) {
            recalled = call.recall(recallWith);
        }
    }
};

void original(ValueCall& call, int x) {
    // A post-hook with the original's result stands in for the original.
    gLog->add("post(" + std::to_string(x) + ")=" + std::to_string(*call.originalResult()));
}

class HookRecall : public WidgetTest {
protected:
    void TearDown() override {
        for (auto* step : pres) {
            EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, step, &Step::handle));
        }
        if (!pres.empty()) {
            EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Post, &original));
        }
        WidgetTest::TearDown();
    }
    void chain(std::vector<Step>& steps) {
        for (auto& step : steps) {
            ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &step, &Step::handle));
            pres.push_back(&step);
        }
        ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Post, &original));
    }

    std::vector<Step*> pres;
};

TEST_F(HookRecall, TheRestOfTheCallRunsOnceWithTheNewArguments) {
    std::vector<Step> steps{{"a"}, {"b", 50}, {"c"}};
    chain(steps);
    EXPECT_EQ(hosttest::callValue(widget, 5), 51);
    EXPECT_EQ(log.joined(), "a(5) b(5) c(50) post(50)=51");
    EXPECT_EQ(steps[1].recalled, 51);
}

TEST_F(HookRecall, ALaterHandlerCanRecallAgain) {
    std::vector<Step> steps{{"a", 20}, {"b", 30}, {"c"}};
    chain(steps);
    EXPECT_EQ(widget->value(5), 31);
    EXPECT_EQ(log.joined(), "a(5) b(20) c(30) post(30)=31");
    EXPECT_EQ(steps[0].recalled, 31);
    EXPECT_EQ(steps[1].recalled, 31);
}

TEST_F(HookRecall, ASupersedeInTheRestIsHonoured) {
    struct Stop {
        void handle(ValueCall& call, int x) { call.supersede(x * 100); }
    } stop;
    std::vector<Step> steps{{"a", 3}};
    chain(steps);
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &stop, &Stop::handle));
    EXPECT_EQ(widget->value(5), 300);
    EXPECT_EQ(log.joined(), "a(5) post(3)=300");
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, &stop, &Stop::handle));
}

TEST_F(HookRecall, TheRestKeepsWhatEarlierHandlersAnswered) {
    auto stop = [](ValueCall& call, int) { call.supersede(-1); };
    std::vector<Step> steps{{"b", 30}, {"c"}};
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, +stop));
    chain(steps);
    EXPECT_EQ(widget->value(5), -1);
    EXPECT_EQ(log.joined(), "b(5) c(30) post(30)=-1");  // the original did not run
    EXPECT_EQ(steps[0].recalled, -1);
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, +stop));
}

TEST_F(HookRecall, TheRecallingHandlerMayAnswerAnotherValue) {
    auto doubler = [](ValueCall& call, int x) { call.supersede(call.recall(x + 1) * 2); };
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, +doubler));
    EXPECT_EQ(widget->value(5), 14);
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, +doubler));
}

TEST_F(HookRecall, RecallFromAPostHookRunsNothing) {
    auto late = [](ValueCall& call, int x) {
        gLog->add("late=" + std::to_string(call.recall(x + 1)));
    };
    std::vector<Step> steps{{"a"}};
    chain(steps);
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Post, +late));
    EXPECT_EQ(widget->value(5), 6);
    EXPECT_EQ(log.joined(), "a(5) post(5)=6 late=6");
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Post, +late));
}

TEST_F(HookRecall, AVoidFunctionIsRecalledWithAnotherReference) {
    static int other = 0;
    auto redirect = [](TouchCall& call, int&) { call.recall(other); };
    ASSERT_TRUE(hook::add<&Widget::touch>(widget, hook::Pre, +redirect));
    int mine = 0;
    widget->touch(mine);
    EXPECT_EQ(mine, 0);  // the original ran once, on the new argument only
    EXPECT_EQ(other, 1);
    EXPECT_TRUE(hook::remove<&Widget::touch>(widget, hook::Pre, +redirect));
}

}  // namespace
}  // namespace hooktest
