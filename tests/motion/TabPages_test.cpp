// What the direct-motion pages show of their stored records and which of
// their fields are open.

#include "motion/TabPages.h"

#include <gtest/gtest.h>

namespace {

MotionCommand Record(std::int32_t code) {
  MotionCommand r{};
  r.iCodeType = code;
  for (int k = 0; k < 4; ++k) {
    r.iAxes[k] = 8 - k;
    r.dbDis[k] = 10.5 + k;
    r.dbLowSpd[k] = 1 + k;
    r.dbHighSpd[k] = 100 + k;
    r.dbAccSpd[k] = 1000 + k;
  }
  return r;
}

TEST(TabPagesTest, EverySixteenPtoPCodesNamesItsModesAndNothingElseDoes) {
  int found = 0;
  for (int n = 1; n <= 4; ++n) {
    for (int fast = 0; fast <= 1; ++fast) {
      for (int continuous = 0; continuous <= 1; ++continuous) {
        const std::int32_t code = n * 0x02010000 + fast * 0x4000 + continuous * 0x100;
        const auto modes = PtoPModesOfCode(code);
        ASSERT_TRUE(modes.has_value()) << std::hex << code;
        EXPECT_EQ(modes->axisCount, n);
        EXPECT_EQ(modes->speedMode, fast);
        EXPECT_EQ(modes->motionMode, continuous);
        ++found;
      }
    }
  }
  EXPECT_EQ(found, 16);
  EXPECT_EQ(PtoPModesOfCode(0x06034100)->axisCount, 3);
  for (std::int32_t other : {0, 0x0A050000, 0x04022000, 0x02014200, 0x03000105, 73, 0x02010001}) {
    EXPECT_FALSE(PtoPModesOfCode(other).has_value()) << std::hex << other;
  }
  EXPECT_FALSE(LinearModesOfCode(0x04020000).has_value());
  EXPECT_EQ(LinearModesOfCode(0x08046000)->axisCount, 4);
  EXPECT_EQ(LinearModesOfCode(0x08046000)->speedMode, 1);
  EXPECT_EQ(LinearModesOfCode(0x06032000)->speedMode, 0);
  EXPECT_EQ(CircularSpeedModeOfCode(73), 0);
  EXPECT_EQ(CircularSpeedModeOfCode(74), 1);
  EXPECT_FALSE(CircularSpeedModeOfCode(75).has_value());
}

TEST(TabPagesTest, PtoPRecordFillsAllFourColumnsAndAForeignCodeKeepsTheModes) {
  PtoPTabValues page;
  EXPECT_TRUE(ShowPtoPRecord(Record(0x06034100), page));
  EXPECT_EQ(page.axisCount, 3);
  EXPECT_EQ(page.speedMode, 1);
  EXPECT_EQ(page.motionMode, 1);
  EXPECT_EQ(page.axis[3], 5);
  EXPECT_EQ(page.distance[3], 13.5);
  EXPECT_EQ(page.startSpeed[2], 3);
  EXPECT_EQ(page.maxSpeed[1], 101);
  EXPECT_EQ(page.acceleration[0], 1000);

  // A linear code on the PtoP page: the numbers come, the modes stay.
  MotionCommand foreign = Record(0x04022000);
  foreign.dbDis[0] = -7;
  EXPECT_FALSE(ShowPtoPRecord(foreign, page));
  EXPECT_EQ(page.distance[0], -7);
  EXPECT_EQ(page.axisCount, 3);
  EXPECT_EQ(page.speedMode, 1);
  EXPECT_EQ(page.motionMode, 1);
}

TEST(TabPagesTest, LinearAndCircularRecordsUseSlotZeroForTheVectorSpeed) {
  LinearTabValues linear;
  EXPECT_TRUE(ShowLinearRecord(Record(0x06036000), linear));
  EXPECT_EQ(linear.axisCount, 3);
  EXPECT_EQ(linear.speedMode, 1);
  EXPECT_EQ(linear.vectorStart, 1);
  EXPECT_EQ(linear.vectorMax, 100);
  EXPECT_EQ(linear.vectorAcc, 1000);
  EXPECT_EQ(linear.distance[3], 13.5);
  EXPECT_EQ(linear.axis[0], 8);

  CircularTabValues circular;
  circular.speedMode = 1;
  MotionCommand arc = Record(99);
  EXPECT_FALSE(ShowCircularRecord(arc, circular));
  EXPECT_EQ(circular.speedMode, 1);
  arc.iCodeType = 73;
  EXPECT_TRUE(ShowCircularRecord(arc, circular));
  EXPECT_EQ(circular.speedMode, 0);
  EXPECT_EQ(circular.axis[0], 8);
  EXPECT_EQ(circular.axis[1], 7);
  EXPECT_EQ(circular.centre[0], 10.5);
  EXPECT_EQ(circular.centre[1], 11.5);
  EXPECT_EQ(circular.angle, 12.5);
  EXPECT_EQ(circular.ellipseRatio, 13.5);
}

TEST(TabPagesTest, PtoPFieldsOpenByCountAndSpeedMode) {
  PtoPTabValues page;
  page.axisCount = 2;
  page.speedMode = 0;
  PtoPTabEnables on = PtoPTabFieldsEnabled(page);
  EXPECT_TRUE(on.axis[1] && on.distance[1] && on.startSpeed[1]);
  EXPECT_FALSE(on.axis[2] || on.distance[2] || on.startSpeed[2]);
  EXPECT_FALSE(on.maxSpeed[0] || on.acceleration[0]);  // constant speed: start-up speed only

  page.speedMode = 1;
  on = PtoPTabFieldsEnabled(page);
  EXPECT_TRUE(on.maxSpeed[0] && on.acceleration[1]);
  EXPECT_FALSE(on.maxSpeed[2] || on.acceleration[3]);

  for (int bad : {0, 5, -1}) {
    page.axisCount = bad;
    on = PtoPTabFieldsEnabled(page);
    EXPECT_TRUE(on.axis[0] && on.distance[0] && on.startSpeed[0]) << bad;
    EXPECT_FALSE(on.maxSpeed[0] || on.acceleration[0] || on.axis[1]) << bad;
  }
}

TEST(TabPagesTest, LinearCountOutsideTwoAndThreeBecomesFour) {
  LinearTabValues page;
  page.axisCount = 7;
  page.speedMode = 0;
  LinearTabEnables on = LinearTabFieldsEnabled(page);
  EXPECT_EQ(page.axisCount, 4);
  EXPECT_TRUE(on.axis[3] && on.distance[3] && on.vectorStart);
  EXPECT_FALSE(on.vectorMax || on.vectorAcc);

  page.axisCount = 2;
  page.speedMode = 1;
  on = LinearTabFieldsEnabled(page);
  EXPECT_TRUE(on.axis[1] && on.vectorMax && on.vectorAcc);
  EXPECT_FALSE(on.axis[2] || on.distance[2]);

  EXPECT_EQ(CircularProfileEnabled(0), false);
  EXPECT_EQ(CircularProfileEnabled(1), true);
  EXPECT_FALSE(CircularProfileEnabled(2).has_value());
}

}  // namespace
