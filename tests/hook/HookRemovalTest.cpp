#include <new>
#include <stdexcept>

#include "HookTestSupport.h"

namespace hooktest {
namespace {

struct Watcher {
    std::string tag;
    void pre(ValueCall&, int) { gLog->add(tag); }
};

// Removes (or adds) a hook from inside a handler.
struct Editor {
    Widget* widget;
    Watcher* target = nullptr;
    bool removeSelf = false;
    bool addTarget = false;
    bool removeTarget = false;

    void pre(ValueCall&, int) {
        gLog->add("editor");
        if (removeSelf) {
            EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, this, &Editor::pre));
        }
        if (addTarget) {
            EXPECT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, target, &Watcher::pre));
        }
        if (removeTarget) {
            EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, target, &Watcher::pre));
        }
    }
};

class HookRemoval : public WidgetTest {};

TEST_F(HookRemoval, OnlyTheArgumentsThatAddedAHookRemoveIt) {
    Watcher a{"a"}, b{"b"};
    Widget* other = hosttest::makeWidget(2);
    auto function = [](ValueCall&, int) {};
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &a, &Watcher::pre));
    EXPECT_FALSE(hook::remove<&Widget::value>(widget, hook::Post, &a, &Watcher::pre));
    EXPECT_FALSE(hook::remove<&Widget::value>(widget, hook::Pre, &b, &Watcher::pre));
    EXPECT_FALSE(hook::remove<&Widget::value>(widget, hook::Pre, +function));
    EXPECT_FALSE(hook::remove<&Widget::value>(other, hook::Pre, &a, &Watcher::pre));
    EXPECT_EQ(hook::count<&Widget::value>(widget), 1u);
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, &a, &Watcher::pre));
    EXPECT_FALSE(hook::remove<&Widget::value>(widget, hook::Pre, &a, &Watcher::pre));
    hosttest::destroy(other);
}

TEST_F(HookRemoval, TheLastRemovalPutsBackTheExactPointerAndTheTableIsNeverWritten) {
    void* const* original = tableOf(widget);
    const auto tableBefore = wordsAt(original, -2, hosttest::kWidgetSlots);
    const auto pointerBefore = wordsAt(widget, 0, 1);
    auto value = [](ValueCall&, int) {};
    auto touch = [](hook::CallFor<&Widget::touch>&, int&) {};

    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, +value));
    ASSERT_TRUE(hook::add<&Widget::touch>(widget, hook::Post, +touch));
    void* const* shadow = tableOf(widget);
    ASSERT_NE(shadow, original);
    // The shadow holds the same type information and unhooked slots.
    EXPECT_EQ(shadow[-1], original[-1]);
    EXPECT_EQ(shadow[-2], original[-2]);
    EXPECT_EQ(shadow[3], original[3]);
    EXPECT_NE(shadow[2], original[2]);

    ASSERT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, +value));
    EXPECT_EQ(tableOf(widget), shadow);  // touch is still hooked
    EXPECT_EQ(shadow[2], original[2]);
    EXPECT_EQ(wordsAt(original, -2, hosttest::kWidgetSlots), tableBefore);

    ASSERT_TRUE(hook::remove<&Widget::touch>(widget, hook::Post, +touch));
    EXPECT_EQ(wordsAt(widget, 0, 1), pointerBefore);
    EXPECT_EQ(wordsAt(original, -2, hosttest::kWidgetSlots), tableBefore);
}

TEST_F(HookRemoval, AHandlerRemovingItselfFinishesTheCallAndIsGoneAfter) {
    Editor editor{widget};
    editor.removeSelf = true;
    Watcher after{"after"};
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &editor, &Editor::pre));
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &after, &Watcher::pre));
    EXPECT_EQ(widget->value(1), 2);
    EXPECT_EQ(widget->value(1), 2);
    EXPECT_EQ(log.joined(), "editor after after");
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, &after, &Watcher::pre));
}

TEST_F(HookRemoval, AHookRemovedDuringACallDoesNotRunLaterInIt) {
    Watcher later{"later"};
    Editor editor{widget, &later};
    editor.removeTarget = true;
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &editor, &Editor::pre));
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &later, &Watcher::pre));
    widget->value(1);
    EXPECT_EQ(log.joined(), "editor");
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, &editor, &Editor::pre));
}

TEST_F(HookRemoval, AHookAddedDuringACallRunsFromTheNextCall) {
    Watcher added{"added"};
    Editor editor{widget, &added};
    editor.addTarget = true;
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &editor, &Editor::pre));
    widget->value(1);
    editor.addTarget = false;
    widget->value(1);
    EXPECT_EQ(log.joined(), "editor editor added");
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, &editor, &Editor::pre));
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, &added, &Watcher::pre));
}

// Removes the object's last hook, then calls the function again from inside
// the handler: the object is already back on its own table.
struct LastHook {
    Widget* widget;
    void* const* original;
    int runs = 0;
    int nested = 0;

    void pre(ValueCall& call, int x) {
        ++runs;
        EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, this, &LastHook::pre));
        EXPECT_EQ(tableOf(widget), original);
        nested = hosttest::callValue(widget, x + 1);
        call.supersede(nested * 10);
    }
};

TEST_F(HookRemoval, RemovingTheLastHookDuringACallRestoresTheObjectAtOnce) {
    LastHook last{widget, tableOf(widget)};
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &last, &LastHook::pre));
    EXPECT_EQ(hosttest::callValue(widget, 1), 30);
    EXPECT_EQ(last.runs, 1);
    EXPECT_EQ(last.nested, 3);
    EXPECT_EQ(hook::hookedObjects(), 0u);
}

// Calls the hooked function again on the same object, down to zero; the
// innermost call removes the hook under the outer ones.
struct Recurser {
    Widget* widget;
    int runs = 0;
    void pre(ValueCall& call, int x) {
        ++runs;
        if (x == 0) {
            EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, this, &Recurser::pre));
            return;
        }
        call.supersede(call.self()->value(x - 1) + 10);
    }
};

TEST_F(HookRemoval, NestedCallsOfTheHookedFunctionAreSafe) {
    Recurser recurser{widget};
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &recurser, &Recurser::pre));
    EXPECT_EQ(hosttest::callValue(widget, 3), 31);
    EXPECT_EQ(recurser.runs, 4);
    EXPECT_EQ(hosttest::callValue(widget, 3), 4);
    EXPECT_EQ(recurser.runs, 4);
}

TEST_F(HookRemoval, AThrowingHandlerLeavesNoCallRunning) {
    auto thrower = [](ValueCall&, int) { throw std::runtime_error("handler failed"); };
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, +thrower));
    EXPECT_THROW(widget->value(1), std::runtime_error);
    EXPECT_EQ(hook::detail::gActivity.calls, 0);
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, +thrower));
    EXPECT_EQ(widget->value(1), 2);
}

TEST_F(HookRemoval, AnObjectDestroyedWhileHookedTakesItsHooksAlong) {
    void* const* original = tableOf(widget);
    Watcher a{"a"};
    alignas(Widget) unsigned char storage[sizeof(Widget)];
    Widget* first = new (storage) Widget;
    ASSERT_TRUE(hook::add<&Widget::value>(first, hook::Pre, &a, &Watcher::pre));
    first->~Widget();

    // A new object at the same address is not hooked, and removing the old
    // hook writes nothing into it.
    Widget* second = new (storage) Widget;
    EXPECT_FALSE(hook::remove<&Widget::value>(second, hook::Pre, &a, &Watcher::pre));
    EXPECT_EQ(tableOf(second), original);
    EXPECT_EQ(hosttest::callValue(second, 1), 1);
    EXPECT_TRUE(log.lines.empty());

    ASSERT_TRUE(hook::add<&Widget::value>(second, hook::Pre, &a, &Watcher::pre));
    EXPECT_EQ(hosttest::callValue(second, 1), 1);
    EXPECT_EQ(log.joined(), "a");
    EXPECT_TRUE(hook::remove<&Widget::value>(second, hook::Pre, &a, &Watcher::pre));
    EXPECT_EQ(tableOf(second), original);
    second->~Widget();
}

// Its memory gone for good (a module unloaded): forgetting it reads nothing
// there, which the sanitizer build would catch on the freed heap block.
TEST_F(HookRemoval, AnObjectWhoseMemoryIsGoneIsForgottenWithoutATouch) {
    Watcher a{"a"};
    const std::size_t before = hook::hookedObjects();
    const int plain = hosttest::callValue(widget, 1);
    auto* gone = new Widget;
    ASSERT_TRUE(hook::add<&Widget::value>(gone, hook::Pre, &a, &Watcher::pre));
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, &a, &Watcher::pre));
    delete gone;
    EXPECT_TRUE(hook::forget<&Widget::value>(gone));
    EXPECT_FALSE(hook::forget<&Widget::value>(gone)) << "nothing left to forget";
    EXPECT_EQ(hook::hookedObjects(), before + 1);
    EXPECT_EQ(hosttest::callValue(widget, 1), plain);
    EXPECT_EQ(log.joined(), "a") << "the other object keeps its hook";
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, &a, &Watcher::pre));
}

}  // namespace
}  // namespace hooktest
