#pragma once
// A program of numbered entries with their listing, for editing tests.

#include <gtest/gtest.h>

#include "RecordingPort.h"
#include "RunGuardStandIn.h"
#include "program/MotionProgram.h"
#include "program/ProgramEditing.h"

class EditFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::anyMotionBusy = standin::programRunning = false;
    MotionProgram.clear();
    ResetEditCommand();
    EditMode = kEditAdd;
  }
  void TearDown() override {
    standin::anyMotionBusy = standin::programRunning = false;
    MotionProgram.clear();
  }

  // n one-axis moves; entry i moves by i.
  void MakeProgram(int n) {
    for (int i = 0; i < n; ++i) {
      MotionCommand c = DefaultEditCommand();
      c.dbDis[0] = i;
      MotionProgram.push_back(c);
      port.ListAppend(FormatCodeText(c));
    }
  }

  // The distance of every entry, and a check that each row shows its entry.
  std::vector<double> Distances() {
    std::vector<double> d;
    const auto rows = port.Listing();
    EXPECT_EQ(rows.size(), MotionProgram.size());
    for (std::size_t i = 0; i < MotionProgram.size(); ++i) {
      d.push_back(MotionProgram[i].dbDis[0]);
      if (i < rows.size()) {
        EXPECT_EQ(rows[i], ListingText(MotionProgram[i])) << "row " << i;
      }
    }
    return d;
  }

  RecordingPort port;
};
