#include "HookTestSupport.h"

namespace hooktest {
namespace {

using TouchCall = hook::CallFor<&Widget::touch>;

// A handler that answers a fixed result and value, and notes the result
// it found when it ran.
struct Answer {
    hook::Result result;
    int value = 0;
    hook::Result seen = hook::Result::Ignored;

    void handle(ValueCall& call, int) {
        seen = call.result();
        switch (result) {
            case hook::Result::Ignored:
                break;
            case hook::Result::Handled:
                call.handled();
                break;
            case hook::Result::Override:
                call.override(value);
                break;
            case hook::Result::Supersede:
                call.supersede(value);
                break;
        }
    }
};

// What a post-hook saw of the call.
struct Observer {
    const int* original = nullptr;
    const int* overriding = nullptr;
    int originalValue = 0;
    int overrideValue = 0;
    hook::Result result = hook::Result::Ignored;

    void look(ValueCall& call, int) {
        result = call.result();
        original = call.originalResult();
        overriding = call.overrideResult();
        originalValue = original ? *original : 0;
        overrideValue = overriding ? *overriding : 0;
    }
};

class HookResults : public WidgetTest {
protected:
    // Adds pre-hooks in order, returns what value(10) gives (the original
    // gives 11) and removes them again.
    int callWith(std::vector<Answer>& answers) {
        for (auto& answer : answers) {
            EXPECT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &answer, &Answer::handle));
        }
        const int value = hosttest::callValue(widget, 10);
        for (auto& answer : answers) {
            EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, &answer, &Answer::handle));
        }
        return value;
    }
};

TEST_F(HookResults, EachHandlerSeesTheHighestResultSoFar) {
    std::vector<Answer> answers{{hook::Result::Handled},
                                {hook::Result::Override, 5},
                                {hook::Result::Ignored},
                                {hook::Result::Handled}};
    EXPECT_EQ(callWith(answers), 5);
    EXPECT_EQ(answers[0].seen, hook::Result::Ignored);
    EXPECT_EQ(answers[1].seen, hook::Result::Handled);
    EXPECT_EQ(answers[2].seen, hook::Result::Override);
    EXPECT_EQ(answers[3].seen, hook::Result::Override);  // a lower answer does not lower it
}

TEST_F(HookResults, TheValueComesWithTheHighestResultAndLaterEqualsReplaceIt) {
    using R = hook::Result;
    struct Case {
        std::vector<Answer> answers;
        int expected;
    };
    std::vector<Case> cases{
        {{{R::Handled}, {R::Ignored}}, 11},          // the original's value
        {{{R::Override, 1}, {R::Override, 2}}, 2},   // a later equal replaces
        {{{R::Supersede, 1}, {R::Override, 2}}, 1},  // a lower one does not
        {{{R::Override, 1}, {R::Supersede, 3}}, 3},  // a higher one does
        {{{R::Supersede, 1}, {R::Handled}, {R::Ignored}}, 1},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(callWith(cases[i].answers), cases[i].expected) << "case " << i;
    }
}

TEST_F(HookResults, PostHooksSeeTheOriginalAndTheOverridingValue) {
    std::vector<Answer> answers{{hook::Result::Override, 99}};
    Observer before, after;
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &before, &Observer::look));
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Post, &after, &Observer::look));
    EXPECT_EQ(callWith(answers), 99);

    EXPECT_EQ(before.original, nullptr);  // nothing to see before the original ran
    EXPECT_EQ(before.overriding, nullptr);
    ASSERT_NE(after.original, nullptr);
    ASSERT_NE(after.overriding, nullptr);
    EXPECT_EQ(after.originalValue, 11);
    EXPECT_EQ(after.overrideValue, 99);
    EXPECT_EQ(after.result, hook::Result::Override);
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, &before, &Observer::look));
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Post, &after, &Observer::look));
}

TEST_F(HookResults, AfterASupersedeTheOriginalResultIsTheSupersedingValue) {
    std::vector<Answer> answers{{hook::Result::Supersede, 42}};
    Observer after;
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Post, &after, &Observer::look));
    EXPECT_EQ(callWith(answers), 42);
    EXPECT_EQ(after.originalValue, 42);
    EXPECT_EQ(after.result, hook::Result::Supersede);
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Post, &after, &Observer::look));
}

TEST_F(HookResults, APostHookReplacesTheResult) {
    // As a post-hook that denies the game's find: supersede with null.
    auto deny = [](ValueCall& call, int) { call.supersede(*call.originalResult() * 2); };
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Post, +deny));
    EXPECT_EQ(hosttest::callValue(widget, 10), 22);
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Post, +deny));
}

TEST_F(HookResults, SupersedeSkipsTheOriginalOverrideDoesNot) {
    auto supersede = [](TouchCall& call, int&) { call.supersede(); };
    auto override = [](TouchCall& call, int&) { call.override(); };
    int counter = 0;

    ASSERT_TRUE(hook::add<&Widget::touch>(widget, hook::Pre, +override));
    widget->touch(counter);
    EXPECT_EQ(counter, 1);

    ASSERT_TRUE(hook::add<&Widget::touch>(widget, hook::Pre, +supersede));
    widget->touch(counter);
    EXPECT_EQ(counter, 1);

    // A supersede in a post-hook comes too late to stop the original.
    ASSERT_TRUE(hook::remove<&Widget::touch>(widget, hook::Pre, +supersede));
    ASSERT_TRUE(hook::add<&Widget::touch>(widget, hook::Post, +supersede));
    widget->touch(counter);
    EXPECT_EQ(counter, 2);

    EXPECT_TRUE(hook::remove<&Widget::touch>(widget, hook::Pre, +override));
    EXPECT_TRUE(hook::remove<&Widget::touch>(widget, hook::Post, +supersede));
}

}  // namespace
}  // namespace hooktest
