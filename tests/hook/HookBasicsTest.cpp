#include <concepts>

#include "HookTestSupport.h"

namespace hooktest {
namespace {

using hosttest::Big;
using hosttest::Pair;

void freePre(ValueCall& call, int x) {
    gLog->add("free-pre(" + std::to_string(x) + ")@" + std::to_string(call.self()->id));
}
void freePost(ValueCall& call, int x) {
    gLog->add("free-post(" + std::to_string(x) + ")=" + std::to_string(*call.originalResult()));
}

struct Watcher {
    std::string tag;
    void pre(ValueCall&, int x) { gLog->add(tag + "-pre(" + std::to_string(x) + ")"); }
    void post(ValueCall&, int) { gLog->add(tag + "-post"); }
};

class HookBasics : public WidgetTest {
protected:
    HookBasics() : WidgetTest(7) {}
};

TEST_F(HookBasics, HandlersRunAroundTheOriginalInOrderOfAdding) {
    Watcher a{"a"}, b{"b"};
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &freePre));
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Post, &a, &Watcher::post));
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &a, &Watcher::pre));
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Post, &freePost));
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &b, &Watcher::pre));

    // The host library calls its own object; no handler changes the result.
    EXPECT_EQ(hosttest::callValue(widget, 3), 10);
    EXPECT_EQ(log.joined(), "free-pre(3)@7 a-pre(3) b-pre(3) a-post free-post(3)=10");
    EXPECT_EQ(hook::count<&Widget::value>(widget), 5u);

    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, &freePre));
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Post, &a, &Watcher::post));
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, &a, &Watcher::pre));
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Post, &freePost));
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, &b, &Watcher::pre));
    log.lines.clear();
    EXPECT_EQ(hosttest::callValue(widget, 3), 10);
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(HookBasics, TheSameMemberOfAnotherObjectIsAnotherHandler) {
    Watcher a{"a"}, b{"b"};
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &a, &Watcher::pre));
    EXPECT_FALSE(hook::add<&Widget::value>(widget, hook::Pre, &a, &Watcher::pre));
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &b, &Watcher::pre));
    // The same handler may sit in both phases.
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Post, &a, &Watcher::pre));
    widget->value(1);
    EXPECT_EQ(log.joined(), "a-pre(1) b-pre(1) a-pre(1)");
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, &a, &Watcher::pre));
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, &b, &Watcher::pre));
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Post, &a, &Watcher::pre));
}

TEST_F(HookBasics, ValuesOfEveryKindPassThroughTheThunk) {
    // A class return, a register pair, a struct returned through memory,
    // floating-point arguments, a reference argument and a reference return.
    auto name = [](hook::CallFor<&Widget::name>& call, const std::string& prefix) {
        call.override(prefix + "hooked:" + *call.originalResult());
    };
    auto pair = [](hook::CallFor<&Widget::pair>& call, long a) {
        call.supersede(Pair{a * 2, call.self()->id});
    };
    auto big = [](hook::CallFor<&Widget::big>& call, long) {
        Big copy = *call.originalResult();
        copy.words[0] = -1;
        call.override(copy);
    };
    auto mix = [](hook::CallFor<&Widget::mix>& call, int a, double b, float c,
                  const std::string& d) { call.supersede(a * b * c + d.size()); };
    auto touch = [](hook::CallFor<&Widget::touch>&, int& counter) { counter += 100; };
    static int elsewhere = 5;
    auto slot = [](hook::CallFor<&Widget::slot>& call) { call.supersede(elsewhere); };
    auto take = [](hook::CallFor<&Widget::take>& call, std::string&& text) {
        text += "!";  // handlers share the caller's object; the original moves it
        if (text == "again!") {
            call.recall(std::string("other"));
        }
    };

    ASSERT_TRUE(hook::add<&Widget::name>(widget, hook::Post, +name));
    ASSERT_TRUE(hook::add<&Widget::pair>(widget, hook::Pre, +pair));
    ASSERT_TRUE(hook::add<&Widget::big>(widget, hook::Post, +big));
    ASSERT_TRUE(hook::add<&Widget::mix>(widget, hook::Pre, +mix));
    ASSERT_TRUE(hook::add<&Widget::touch>(widget, hook::Pre, +touch));
    ASSERT_TRUE(hook::add<&Widget::slot>(widget, hook::Pre, +slot));
    ASSERT_TRUE(hook::add<&Widget::take>(widget, hook::Pre, +take));

    EXPECT_EQ(widget->name("x:"), "x:hooked:x:widget7");
    const Pair p = widget->pair(21);
    EXPECT_EQ(p.first, 42);
    EXPECT_EQ(p.second, 7);
    const Big b = widget->big(10);
    EXPECT_EQ(b.words[0], -1);
    EXPECT_EQ(b.words[1], 11);
    EXPECT_EQ(b.words[5], 7);
    EXPECT_DOUBLE_EQ(widget->mix(2, 1.5, 0.5f, "abc"), 4.5);
    int counter = 0;
    widget->touch(counter);
    EXPECT_EQ(counter, 101);  // the handler and the original changed the caller's int
    EXPECT_EQ(&widget->slot(), &elsewhere);
    std::string text = "moved";
    EXPECT_EQ(widget->take(std::move(text)), 6u);
    EXPECT_EQ(widget->taken, "moved!");
    EXPECT_EQ(widget->take("again"), 5u);  // the handlers after the recalling one see "other"
    EXPECT_EQ(widget->taken, "other");

    EXPECT_TRUE(hook::remove<&Widget::name>(widget, hook::Post, +name));
    EXPECT_TRUE(hook::remove<&Widget::pair>(widget, hook::Pre, +pair));
    EXPECT_TRUE(hook::remove<&Widget::big>(widget, hook::Post, +big));
    EXPECT_TRUE(hook::remove<&Widget::mix>(widget, hook::Pre, +mix));
    EXPECT_TRUE(hook::remove<&Widget::touch>(widget, hook::Pre, +touch));
    EXPECT_TRUE(hook::remove<&Widget::slot>(widget, hook::Pre, +slot));
    EXPECT_TRUE(hook::remove<&Widget::take>(widget, hook::Pre, +take));
    EXPECT_EQ(&widget->slot(), &widget->stored);
}

TEST_F(HookBasics, CallOriginalBypassesEveryHook) {
    auto pre = [](ValueCall& call, int x) {
        call.supersede(-1);
        // From a handler too: straight to the original.
        gLog->add(std::to_string(call.callOriginal(x + 1)));
    };
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, +pre));
    EXPECT_EQ(widget->value(1), -1);
    EXPECT_EQ(hook::callOriginal<&Widget::value>(widget, 1), 8);
    EXPECT_EQ(log.joined(), "9");
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, +pre));
    // Without hooks it is an ordinary call.
    EXPECT_EQ(hook::callOriginal<&Widget::value>(widget, 2), 9);
}

TEST_F(HookBasics, WhatCannotBeHookedIsRefused) {
    Watcher a{"a"};
    EXPECT_FALSE(hook::add<&Widget::value>(nullptr, hook::Pre, &a, &Watcher::pre));
    EXPECT_FALSE(hook::add<&Widget::value>(widget, hook::Pre, nullptr));
    EXPECT_FALSE(hook::add<&Widget::value>(
        widget, hook::Pre, &a, static_cast<void (Watcher::*)(ValueCall&, int)>(nullptr)));
    // A plain object without a virtual table is not mistaken for one.
    alignas(Widget) long notAnObject[4] = {0, 0, 0, 0};
    EXPECT_FALSE(
        hook::add<&Widget::value>(reinterpret_cast<Widget*>(notAnObject), hook::Pre, &freePre));
    EXPECT_EQ(hook::count<&Widget::value>(widget), 0u);
}

// A handler must take the call context and exactly the function's
// parameters; anything else does not compile.
template <class F>
concept AddablePre = requires(Widget* w, F f) {
    hook::add<&Widget::value>(w, hook::Pre, f);
};

static_assert(AddablePre<void (*)(ValueCall&, int)>);
static_assert(!AddablePre<void (*)(ValueCall&, long)>);
static_assert(!AddablePre<void (*)(ValueCall&)>);
static_assert(!AddablePre<void (*)(hook::CallFor<&Widget::peek>&, int)>);
static_assert(!AddablePre<int (*)(ValueCall&, int)>);

}  // namespace
}  // namespace hooktest
