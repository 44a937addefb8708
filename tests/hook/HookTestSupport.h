#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "HostObjects.h"
#include "hook/Hook.h"

namespace hooktest {

namespace hook = travik::hook;
using hosttest::Widget;
using ValueCall = hook::CallFor<&Widget::value>;

// Every test removes what it adds: a hook left behind would leak into the
// next test through a shared object.
class HookTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(hook::hookedObjects(), 0u) << "hooks left behind"; }
};

// Handlers that write what they saw into one shared log.
struct Log {
    std::vector<std::string> lines;

    void add(const std::string& line) { lines.push_back(line); }
    std::string joined() const {
        std::string out;
        for (const auto& line : lines) {
            out += (out.empty() ? "" : " ") + line;
        }
        return out;
    }
};

// The log of the running test, for handlers that are free functions.
inline Log* gLog = nullptr;

// One widget of the host library, and a log.
class WidgetTest : public HookTest {
protected:
    explicit WidgetTest(int id = 1) : id_(id) {}
    void SetUp() override {
        gLog = &log;
        widget = hosttest::makeWidget(id_);
    }
    void TearDown() override {
        hosttest::destroy(widget);
        HookTest::TearDown();
    }

    Log log;
    Widget* widget = nullptr;

private:
    int id_;
};

// Raw words [from, to) around an address, to compare memory before and after.
inline std::vector<void*> wordsAt(const void* at, int from, int to) {
    std::vector<void*> out(static_cast<std::size_t>(to - from));
    std::memcpy(out.data(), static_cast<void* const*>(at) + from, out.size() * sizeof(void*));
    return out;
}

inline void* const* tableOf(const void* object) {
    void* const* table;
    std::memcpy(&table, object, sizeof table);
    return table;
}

}  // namespace hooktest
