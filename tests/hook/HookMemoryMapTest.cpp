#include <gtest/gtest.h>

#include "hook/MemoryMap.h"
#include "hook/ShadowVtable.h"

namespace hooktest {
namespace {

using travik::hook::MemoryMap;
using travik::hook::detail::ShadowVtable;

const void* at(std::uintptr_t address) {
    return reinterpret_cast<const void*>(address);
}

const char* const kMaps =
    "00400000-00401000 r-xp 00000000 08:01 123   /usr/bin/server\n"
    "00401000-00403000 r--p 00001000 08:01 123   /usr/bin/server\n"
    "00403000-00404000 rw-p 00003000 08:01 123   /usr/bin/server\n"
    "not a region\n"
    "00406000-00405000 rw-p 00000000 00:00 0\n"
    "00405000-00406000 r--p 00000000 00:00 0\n"
    "7fff0000-7fff1000 ---p 00000000 00:00 0";

TEST(HookMemoryMap, FindsRegionsByAddress) {
    const MemoryMap map = MemoryMap::parse(kMaps);
    ASSERT_NE(map.find(at(0x400fff)), nullptr);
    EXPECT_TRUE(map.find(at(0x400fff))->exec);
    EXPECT_FALSE(map.find(at(0x401000))->exec);
    EXPECT_TRUE(map.find(at(0x403000))->write);
    EXPECT_EQ(map.find(at(0x404800)), nullptr);  // between regions
    EXPECT_EQ(map.find(at(0x3fffff)), nullptr);
    EXPECT_EQ(map.find(at(0x406000)), nullptr);  // ends are exclusive
    EXPECT_TRUE(map.executable(at(0x400000)));
    EXPECT_FALSE(map.executable(at(0x405000)));
}

TEST(HookMemoryMap, ReadableSpansJoinAdjacentReadableRegions) {
    const MemoryMap map = MemoryMap::parse(kMaps);
    const auto joined = map.readableSpan(at(0x402000));
    ASSERT_TRUE(joined);
    EXPECT_EQ(joined->begin, 0x400000u);
    EXPECT_EQ(joined->end, 0x404000u);
    const auto alone = map.readableSpan(at(0x405800));
    ASSERT_TRUE(alone);
    EXPECT_EQ(alone->begin, 0x405000u);
    EXPECT_EQ(alone->end, 0x406000u);
    EXPECT_FALSE(map.readableSpan(at(0x7fff0000)));
    EXPECT_FALSE(map.readableSpan(at(0x404000)));
}

TEST(HookMemoryMap, TheLiveMapKnowsCodeFromData) {
    const MemoryMap map = MemoryMap::current();
    ASSERT_FALSE(map.empty());
    static int data = 0;
    EXPECT_TRUE(map.executable(reinterpret_cast<const void*>(&MemoryMap::current)));
    EXPECT_FALSE(map.executable(&data));
    EXPECT_TRUE(map.find(&data)->write);
}

void first() {}
void second() {}

TEST(HookShadowVtable, ATableEndsAtTheFirstEntryThatIsNotCode) {
    const MemoryMap map = MemoryMap::current();
    static void* table[] = {nullptr,
                            nullptr,
                            reinterpret_cast<void*>(&first),
                            reinterpret_cast<void*>(&second),
                            reinterpret_cast<void*>(&first),
                            &table[0],
                            reinterpret_cast<void*>(&second)};
    const auto extent = ShadowVtable::measure(map, &table[2]);
    ASSERT_TRUE(extent);
    EXPECT_EQ(extent->slots, 3u);
    EXPECT_GE(extent->prefix, 2u);
    EXPECT_FALSE(ShadowVtable::measure(map, &table[0]));
    EXPECT_FALSE(ShadowVtable::measure(map, nullptr));

    // The copy keeps the words before the address point.
    table[0] = &table[1];
    const ShadowVtable shadow(&table[2], *extent);
    EXPECT_EQ(shadow.addressPoint()[-2], &table[1]);
    EXPECT_EQ(shadow.addressPoint()[2], table[4]);
    EXPECT_EQ(shadow.chain(0), nullptr);
}

}  // namespace
}  // namespace hooktest
