#pragma once
// Shared set-up of the engine tests: the real driver on the simulated
// cards with the manual clock, a recording operator port, clean engine
// records and settings, and a tick that advances the machine by exactly
// 5 ms. Header only: every test file is an executable of its own.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "RecordingPort.h"
#include "card/CardDriver.h"
#include "motion/Engine.h"
#include "motion/EngineState.h"
#include "motion/Units.h"
#include "operator/OperatorMessages.h"
#include "platform/DynamicLibrary.h"
#include "platform/PeriodicTimer.h"
#include "program/MotionProgram.h"
#include "settings/SysParams.h"
#include "SimMachine.h"
#include "sim/sim_api.h"

namespace enginetest {

using testsupport::Sim;

constexpr int kOrva = 0;
constexpr int kOrvb = 1;
constexpr int kOrvc = 2;

inline std::vector<std::string> Matching(const std::vector<std::string>& trace, const std::string& prefix) {
  std::vector<std::string> out;
  for (const auto& e : trace) {
    if (e.rfind(prefix, 0) == 0) out.push_back(e);
  }
  return out;
}

inline std::size_t CountPrefix(const std::vector<std::string>& trace, const std::string& prefix) {
  return Matching(trace, prefix).size();
}

// Calls of the moving and stopping exports only (no polling, no speeds).
inline std::vector<std::string> Motions(const std::vector<std::string>& trace) {
  static const char* const kPrefixes[] = {"con_pmove", "fast_pmove", "con_line", "fast_line", "con_vmove",
                                          "fast_vmove", "fast_hmove", "sudden_stop", "decel_stop", "outport_bit",
                                          "arc_center", "fast_arc_center", "reset_pos", "reset_enc_pos"};
  std::vector<std::string> out;
  for (const auto& e : trace) {
    for (const char* p : kPrefixes) {
      if (e.rfind(p, 0) == 0) {
        out.push_back(e);
        break;
      }
    }
  }
  return out;
}

inline MotionCommand Command(std::int32_t code, std::array<int, 4> axes, std::array<double, 4> dis,
                             double delay = 0.0) {
  MotionCommand c{};
  c.iCodeType = code;
  for (std::size_t k = 0; k < 4; ++k) {
    c.iAxes[k] = axes[k];
    c.dbDis[k] = dis[k];
    c.dbLowSpd[k] = 1000;
    c.dbHighSpd[k] = 2000;
    c.dbAccSpd[k] = 20000;
  }
  c.dbDelayTime = delay;
  return c;
}

class EngineTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const Sim* sim : {&orva_, &orvb_, &orvc_}) {
      ASSERT_TRUE(sim->Usable()) << "the simulated card libraries are built beside the tests";
      sim->Reset();
    }
    folder_ = std::filesystem::temp_directory_path() /
              ("tessor-engine-" + std::to_string(::getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
    SetSysParamsFolder(folder_.string() + "/");
    SysParamsPath = (folder_ / "sysparam.cfg").string();
    ResetEngineState();
    MotionProgram.clear();
    SysParams.SetDefaults();
    SysParams.LangVer = 0;
    SysParams.CheckTime = 0.0;
    BindLanguageSetting(&SysParams.LangVer);
    UsePulses();
    SelectModel(kOrvb, 1);
  }

  void TearDown() override {
    StopStatusTimer(StatusTables.TimerId.load());
    platform::SetTimerCapsForTesting(std::nullopt);
    SetSysParamsFolder("");
    MotionProgram.clear();
    CardDriver.model = kOrvb;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  // Every axis works in pulses, linear, without feedback.
  void UsePulses() {
    for (int i = 0; i < 16; ++i) {
      SysParams.Unit[i] = 0;
      SysParams.Equip[i] = 0;
      SysParams.FeedBack[i] = 0;
      SysParams.EncFreq[i] = 1;
    }
  }

  // The card model and the number of cards the engine believes in, with
  // the conversion tables computed for them.
  void SelectModel(int model, int cards) {
    SysParams.Ctrler = model;
    CardDriver.model = model;
    RunControl.CardCount = cards;
    ComputeEquivalents();
    ClearTraces();
  }

  // Describes the machine of all three libraries (the simulator's file
  // format) and resets them to it on the manual clock.
  void UseMachine(const std::string& description) {
    const std::string path = (folder_ / "sim-machine.cfg").string();
    {
      std::FILE* f = std::fopen(path.c_str(), "w");
      ASSERT_NE(f, nullptr);
      std::fputs(description.c_str(), f);
      std::fclose(f);
    }
    for (const Sim* sim : {&orva_, &orvb_, &orvc_}) {
      ASSERT_EQ(sim->LoadMachine(path.c_str()), 0) << description;
      sim->Reset(false);
    }
  }
  void UseTwoCards() { UseMachine("cards = 2\n"); }

  const Sim& Machine() const {
    switch (SysParams.Ctrler) {
      case kOrva:
        return orva_;
      case kOrvc:
        return orvc_;
      default:
        return orvb_;
    }
  }
  std::vector<std::string> Trace() const { return Machine().Trace(); }
  void ClearTraces() const {
    for (const Sim* sim : {&orva_, &orvb_, &orvc_}) sim->ClearTrace();
  }

  // One tick of the status timer, then 5 ms of machine time.
  void Tick() const {
    StatusTick();
    Machine().Advance(5000);
  }
  void Ticks(int n) const {
    for (int i = 0; i < n; ++i) Tick();
  }
  // Ticks until `done` holds; the number of ticks taken, or -1 after `limit`.
  int TickUntil(const std::function<bool()>& done, int limit = 200000) const {
    for (int i = 0; i < limit; ++i) {
      if (done()) return i;
      Tick();
    }
    return done() ? limit : -1;
  }

  void StartProgram(int loops) {
    RunControl.ActivePanel = panel::kProgram;
    ProgramRun.LoopTotal = loops;
    RunControl.MotionMode = mode::kRun;
    RunReport.Begin();
    RunControl.BusyProgram = true;
  }

  RecordingPort port_;
  Sim orva_{"ORVA"};
  Sim orvb_{"ORVB"};
  Sim orvc_{"ORVC"};
  std::filesystem::path folder_;
};

}  // namespace enginetest
