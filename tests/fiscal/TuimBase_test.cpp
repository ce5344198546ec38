#include <gtest/gtest.h>

#include <memory>

#include "fiscal/TuimComponent.h"
#include "fiscal/TuimCurrency.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimException.h"

using namespace tuim;

TEST(DateTime, EncodesKnownDates) {
  EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_DOUBLE_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_DOUBLE_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_DOUBLE_EQ(EncodeDate(2024, 2, 29), 45351);
  TDateTime d;
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, d));
  EXPECT_FALSE(TryEncodeDate(2024, 13, 1, d));
  EXPECT_THROW(EncodeDate(2024, 4, 31), ETuimDFeException);
}

TEST(DateTime, RoundTripsDateAndTimeToTheMillisecond) {
  for (int y : {1900, 1999, 2019, 2024, 2100}) {
    for (int m = 1; m <= 12; ++m) {
      TDateTime dt = EncodeDateTime(y, m, DaysInMonth(y, m), 23, 59, 59, 999);
      int yy, mm, dd, h, n, s, ms;
      DecodeDateTime(dt, yy, mm, dd, h, n, s, ms);
      EXPECT_EQ(yy, y);
      EXPECT_EQ(mm, m);
      EXPECT_EQ(dd, DaysInMonth(y, m));
      EXPECT_EQ(h, 23);
      EXPECT_EQ(n, 59);
      EXPECT_EQ(s, 59);
      EXPECT_EQ(ms, 999);
    }
  }
}

TEST(DateTime, DayOfWeekStartsOnSunday) {
  EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);  // Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 9)), 4);   // Wednesday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 31)), 1);   // Easter Sunday
}

TEST(DateTime, IncMonthClampsTheDay) {
  int y, m, d;
  DecodeDate(IncMonth(EncodeDate(2024, 1, 31), 1), y, m, d);
  EXPECT_EQ(d, 29);
  DecodeDate(IncMonth(EncodeDate(2024, 1, 15), -2), y, m, d);
  EXPECT_EQ(y, 2023);
  EXPECT_EQ(m, 11);
}

TEST(DateTime, UnixConversion) {
  EXPECT_DOUBLE_EQ(UnixToDateTime(0), 25569);
  EXPECT_EQ(DateTimeToUnix(EncodeDateTime(2024, 1, 1, 0, 0, 1)), 1704067201);
}

TEST(Currency, RoundsHalfAwayFromZeroWithoutBinaryFloatingPoint) {
  TCurrency c;
  ASSERT_TRUE(TCurrency::TryParse("10.005", c));
  EXPECT_EQ(c.ToString(2), "10.01");
  ASSERT_TRUE(TCurrency::TryParse("-8,325", c));
  EXPECT_EQ(c.ToString(2), "-8.33");
  EXPECT_EQ(TCurrency::FromDouble(1.005).ToString(2), "1.01");
  EXPECT_EQ(TCurrency::FromDouble(-0.001).ToString(2), "0.00");
  EXPECT_EQ(TCurrency(7).ToString(0), "7");
  EXPECT_EQ(TCurrency::FromRaw(5).ToString(4), "0.0005");
  ASSERT_TRUE(TCurrency::TryParse("  1.23456 ", c));
  EXPECT_EQ(c.Raw(), 12346);
  EXPECT_FALSE(TCurrency::TryParse("1.2.3", c));
  EXPECT_FALSE(TCurrency::TryParse("", c));
  EXPECT_FALSE(TCurrency::TryParse("abc", c));
}

TEST(Currency, Arithmetic) {
  TCurrency a, b;
  ASSERT_TRUE(TCurrency::TryParse("3.3333", a));
  ASSERT_TRUE(TCurrency::TryParse("3", b));
  EXPECT_EQ((a * b).ToString(4), "9.9999");
  EXPECT_EQ((TCurrency(10) / b).ToString(4), "3.3333");
  EXPECT_EQ((a + b - TCurrency(6)).ToString(4), "0.3333");
  EXPECT_GT(a, b);
  EXPECT_LT(b, a);
  EXPECT_THROW(a / TCurrency(0), ETuimDFeException);
}

namespace {
class Linker : public TTuimComponent {
public:
  using TTuimComponent::TTuimComponent;
  TTuimComponent* link = nullptr;
  int removals = 0;
  void SetLink(TTuimComponent* c) {
    if (link) RemoveFreeNotification(link);
    link = c;
    if (c) FreeNotification(c);
  }

protected:
  void Notification(TTuimComponent* c, TOperation op) override {
    if (op == opRemove && c == link) {
      link = nullptr;
      ++removals;
    }
  }
};
}  // namespace

TEST(Component, LinksAreClearedWhenTheLinkedComponentGoesAway) {
  Linker a;
  auto b = std::make_unique<Linker>();
  a.SetLink(b.get());
  b.reset();
  EXPECT_EQ(a.link, nullptr);
  EXPECT_EQ(a.removals, 1);
}

TEST(Component, OwnerListsItsComponentsByName) {
  Linker owner;
  {
    Linker child(&owner);
    child.SetName("TuimNFe1");
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.FindComponent("tuimnfe1"), &child);
  }
  EXPECT_EQ(owner.ComponentCount(), 0);
  EXPECT_EQ(owner.FindComponent("TuimNFe1"), nullptr);
}

TEST(Component, LinkerDestroyedFirstLeavesNoDanglingNotification) {
  auto b = std::make_unique<Linker>();
  {
    Linker a;
    a.SetLink(b.get());
  }
  b.reset();  // must not call back into the destroyed linker
  SUCCEED();
}
