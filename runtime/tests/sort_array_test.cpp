// Sorted arrays: unique insertion positions, equal runs, unsigned order and growth.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "SortArray.h"

namespace {

std::vector<uint64_t> Items(const CNumUniqueArray& a) {
    std::vector<uint64_t> v;
    for (int64_t i = 0; i < a.GetCount(); ++i) v.push_back(a.GetAt(i));
    return v;
}

CNumUniqueArray Of(std::initializer_list<uint64_t> values) {
    CNumUniqueArray a;
    for (uint64_t v : values) a.AddUnique(&v);
    return a;
}

TEST(AddUnique, PositionsAndDuplicates) {
    CNumUniqueArray a = Of({1, 5, 9});
    EXPECT_EQ(Items(a), (std::vector<uint64_t>{1, 5, 9}));
    uint64_t five = 5, seven = 7, zero = 0, twelve = 12, nine = 9, one = 1;
    EXPECT_EQ(a.AddUnique(&five), -1);
    EXPECT_EQ(a.GetCount(), 3);
    EXPECT_EQ(a.AddUnique(&seven), 2);
    EXPECT_EQ(Items(a), (std::vector<uint64_t>{1, 5, 7, 9}));
    EXPECT_EQ(a.AddUnique(&zero), 0);
    EXPECT_EQ(a.AddUnique(&twelve), 5);
    EXPECT_EQ(a.AddUnique(&nine), -1);
    EXPECT_EQ(a.AddUnique(&one), -1);
    EXPECT_EQ(a.AddUnique(&twelve), -1);
    EXPECT_EQ(Items(a), (std::vector<uint64_t>{0, 1, 5, 7, 9, 12}));
    EXPECT_EQ(a.Add(&seven), -1);
}

TEST(AddUnique, NullPointerInsertsZeroAndOrderIsUnsigned) {
    CNumUniqueArray a = Of({3});
    EXPECT_EQ(a.AddUnique(nullptr), 0);
    EXPECT_EQ(a.AddUnique(nullptr), -1);
    uint64_t big = 0xFFFFFFFFFFFFFFFFULL, mid = 0x8000000000000000ULL;
    EXPECT_EQ(a.AddUnique(&big), 2);
    EXPECT_EQ(a.AddUnique(&mid), 2);
    EXPECT_EQ(Items(a), (std::vector<uint64_t>{0, 3, 0x8000000000000000ULL, 0xFFFFFFFFFFFFFFFFULL}));
    EXPECT_EQ(a.CompareItems(&big, &mid), 1);
    EXPECT_EQ(a.CompareItems(&mid, &big), -1);
    EXPECT_EQ(a.CompareItems(&mid, &mid), 0);
}

TEST(AddSorted, EqualValuesGoAfterTheRunOnlyWithTheFlag) {
    CNumUniqueArray a;
    uint64_t two = 2, four = 4, six = 6;
    a.AddSorted(&two, 0);
    a.AddSorted(&six, 0);
    for (int i = 0; i < 3; ++i) a.AddSorted(&four, 1);
    EXPECT_EQ(Items(a), (std::vector<uint64_t>{2, 4, 4, 4, 6}));
    EXPECT_EQ(a.AddSorted(&four, 1), 4);  // after the run of fours
    const int64_t met = a.AddSorted(&four, 0);
    EXPECT_GE(met, 1);
    EXPECT_LE(met, 4);  // inside the run, where the search met a four
    EXPECT_EQ(Items(a), (std::vector<uint64_t>{2, 4, 4, 4, 4, 4, 6}));
    EXPECT_EQ(a.AddSorted(&two, 1), 1);
    EXPECT_EQ(a.AddSorted(nullptr, 1), 0);
    EXPECT_EQ(a.GetCount(), 9);
}

TEST(SortedArrays, StaySortedAndUniqueWhileGrowingWithStep256) {
    CNumUniqueArray a(256);
    std::set<uint64_t> reference;
    std::mt19937_64 random(42);
    for (int i = 0; i < 2000; ++i) {
        uint64_t v = random() % 1500;
        const int64_t at = a.AddUnique(&v);
        const bool inserted = reference.insert(v).second;
        if (inserted) {
            ASSERT_EQ(at, static_cast<int64_t>(std::distance(reference.begin(), reference.find(v))));
        } else {
            ASSERT_EQ(at, -1);
        }
    }
    EXPECT_EQ(Items(a), std::vector<uint64_t>(reference.begin(), reference.end()));
    EXPECT_EQ(a.items.capacity % 256, 0);
}

}  // namespace
