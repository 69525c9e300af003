#include "model/DateTime.h"

#include <gtest/gtest.h>

using namespace korvo;

TEST(DateTime, EncodesDaysSinceTheEpochWithTimeAsFraction)
{
    TDateTime value = -1;
    ASSERT_TRUE(TryEncodeDateTime({ 1899, 12, 30, 0, 0, 0, 0 }, value));
    EXPECT_EQ(value, 0.0);
    ASSERT_TRUE(TryEncodeDateTime({ 1900, 1, 1, 12, 0, 0, 0 }, value));
    EXPECT_DOUBLE_EQ(value, 2.5);
    ASSERT_TRUE(TryEncodeDateTime({ 2003, 7, 14, 18, 5, 9, 0 }, value));
    const DateTimeParts p = DecodeDateTime(value);
    EXPECT_EQ(p.Year, 2003);
    EXPECT_EQ(p.Month, 7);
    EXPECT_EQ(p.Day, 14);
    EXPECT_EQ(p.Hour, 18);
    EXPECT_EQ(p.Minute, 5);
    EXPECT_EQ(p.Second, 9);
    EXPECT_EQ(FormatListDate(value), "14.07.2003 18:05");
}

TEST(DateTime, RefusesInvalidParts)
{
    TDateTime value = 42;
    for (const DateTimeParts& bad :
        std::initializer_list<DateTimeParts> { { 0, 0, 0, 0, 0, 0, 0 }, { 2003, 13, 1, 0, 0, 0, 0 },
            { 2003, 2, 29, 0, 0, 0, 0 }, { 2003, 4, 31, 0, 0, 0, 0 }, { 2003, 1, 1, 24, 0, 0, 0 },
            { 2003, 1, 1, 0, 60, 0, 0 }, { 2003, 1, 1, 0, 0, 60, 0 }, { 10000, 1, 1, 0, 0, 0, 0 } })
        EXPECT_FALSE(TryEncodeDateTime(bad, value)) << bad.Year << "-" << bad.Month << "-" << bad.Day;
    EXPECT_EQ(value, 42);
    EXPECT_TRUE(TryEncodeDateTime({ 2004, 2, 29, 0, 0, 0, 0 }, value));
    EXPECT_TRUE(TryEncodeDateTime({ 2000, 2, 29, 0, 0, 0, 0 }, value));
    EXPECT_FALSE(TryEncodeDateTime({ 1900, 2, 29, 0, 0, 0, 0 }, value));
}

TEST(DateTime, LaterIsLargerOnBothSidesOfTheEpoch)
{
    const DateTimeParts moments[]
        = { { 1, 1, 1, 0, 0, 0, 0 }, { 1899, 12, 29, 6, 0, 0, 0 }, { 1899, 12, 29, 18, 0, 0, 0 },
              { 1899, 12, 30, 0, 0, 0, 1 }, { 2026, 12, 8, 23, 59, 59, 999 }, { 9999, 12, 31, 23, 59, 59, 999 } };
    TDateTime previous = -1e9;
    for (const DateTimeParts& m : moments) {
        TDateTime value = 0;
        ASSERT_TRUE(TryEncodeDateTime(m, value));
        EXPECT_GT(value, previous);
        previous = value;
        const DateTimeParts back = DecodeDateTime(value);
        EXPECT_EQ(back.Year, m.Year);
        EXPECT_EQ(back.Month, m.Month);
        EXPECT_EQ(back.Day, m.Day);
        EXPECT_EQ(back.Hour, m.Hour);
        EXPECT_EQ(back.Second, m.Second);
        EXPECT_EQ(back.Millisecond, m.Millisecond);
    }
}
