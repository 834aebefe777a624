// Sorted arrays: unique insertion positions, equal runs, unsigned order and growth.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "runtime/SortArray.h"

namespace {

std::vector<uint64_t> Items(const CNumUniqueArray& a) {
    std::vector<uint64_t> v;
    for (int64_t i = 0; i < a.GetCount(); ++i) v.push_back(a.GetAt(i));
    return v;
}

TEST(AddUnique, PositionsDuplicatesNullAndUnsignedOrder) {
    CNumUniqueArray a;
    for (uint64_t v : {9, 1, 5}) a.AddUnique(&v);
    uint64_t five = 5, seven = 7, big = 0xFFFFFFFFFFFFFFFFULL;
    EXPECT_EQ(a.AddUnique(&five), -1);
    EXPECT_EQ(a.AddUnique(&seven), 2);
    EXPECT_EQ(Items(a), (std::vector<uint64_t>{1, 5, 7, 9}));
    EXPECT_EQ(a.AddUnique(nullptr), 0);
    EXPECT_EQ(a.AddUnique(&big), 5);
    EXPECT_EQ(Items(a), (std::vector<uint64_t>{0, 1, 5, 7, 9, big}));
}

TEST(AddSorted, EqualValuesGoAfterTheRunOnlyWithTheFlag) {
    CNumUniqueArray a;
    uint64_t two = 2, four = 4, six = 6;
    a.AddSorted(&two, 0);
    a.AddSorted(&six, 0);
    for (int i = 0; i < 3; ++i) a.AddSorted(&four, 1);
    EXPECT_EQ(a.AddSorted(&four, 1), 4);
    const int64_t met = a.AddSorted(&four, 0);
    EXPECT_GE(met, 1);
    EXPECT_LE(met, 4);
    EXPECT_EQ(a.AddSorted(&two, 1), 1);
    EXPECT_EQ(Items(a), (std::vector<uint64_t>{2, 2, 4, 4, 4, 4, 4, 6}));
}

TEST(AddUnique, AgreesWithAStdSetWhileGrowingWithStep256) {
    CNumUniqueArray a(256);
    std::set<uint64_t> reference;
    std::mt19937_64 random(42);
    for (int i = 0; i < 2000; ++i) {
        uint64_t v = random() % 1500;
        const int64_t at = a.AddUnique(&v);
        const bool inserted = reference.insert(v).second;
        ASSERT_EQ(at, inserted ? std::distance(reference.begin(), reference.find(v)) : -1);
    }
    EXPECT_EQ(Items(a), std::vector<uint64_t>(reference.begin(), reference.end()));
    EXPECT_EQ(a.items.capacity % 256, 0);
}

}  // namespace
