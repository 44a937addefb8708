#include <cstdlib>
#include <new>

#include "HookTestSupport.h"

// Counts every allocation of the test program, to prove that hooked calls
// make none.
namespace {
std::size_t gAllocations = 0;
}  // namespace

void* operator new(std::size_t size) {
    ++gAllocations;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace hooktest {
namespace {

using TouchCall = hook::CallFor<&Widget::touch>;

class HookAllocation : public HookTest {};

TEST_F(HookAllocation, HookedCallsAllocateNothing) {
    Widget* widget = hosttest::makeWidget(1);
    auto ignore = [](ValueCall&, int) {};
    auto recall = [](ValueCall& call, int x) {
        if (x < 1000) {
            call.recall(x + 1000);
        }
    };
    auto post = [](ValueCall& call, int) { call.override(*call.originalResult() + 1); };
    auto supersede = [](TouchCall& call, int&) { call.supersede(); };
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, +ignore));
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Pre, +recall));
    ASSERT_TRUE(hook::add<&Widget::value>(widget, hook::Post, +post));
    ASSERT_TRUE(hook::add<&Widget::touch>(widget, hook::Pre, +supersede));

    const std::size_t before = gAllocations;
    int sum = 0;
    int counter = 0;
    for (int i = 0; i < 100; ++i) {
        sum += hosttest::callValue(widget, i);
        widget->touch(counter);
        sum += hook::callOriginal<&Widget::value>(widget, i);
    }
    EXPECT_EQ(gAllocations, before);
    EXPECT_EQ(counter, 0);
    EXPECT_GT(sum, 0);

    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, +ignore));
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Pre, +recall));
    EXPECT_TRUE(hook::remove<&Widget::value>(widget, hook::Post, +post));
    EXPECT_TRUE(hook::remove<&Widget::touch>(widget, hook::Pre, +supersede));
    hosttest::destroy(widget);
}

}  // namespace
}  // namespace hooktest
