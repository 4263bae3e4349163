// The libraries as the driver sees them: the export lists, the card and
// axis counts, the trace, the reset and the manual clock, and answers to
// arguments out of range.

#include <dlfcn.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <set>
#include <string>
#include <thread>

#include "SimLibrary.h"

namespace {

using cardabi::Int;
using simtest::SimLibrary;

const std::set<std::string> kSimExports = {
    "sim_reset",        "sim_load_machine", "sim_set_manual_clock", "sim_advance_us",  "sim_now_us",
    "sim_trace_enable", "sim_trace_clear",  "sim_trace_size",       "sim_trace_entry", "sim_axis_position",
    "sim_axis_speed",   "sim_force_signal", "sim_set_encoder",      "sim_force_input", "sim_set_position"};

#define TESSOR_NAME(n) #n,
const std::set<std::string> kExportsA = {TESSOR_ORVA_EXPORTS(TESSOR_NAME)};
const std::set<std::string> kExportsB = {TESSOR_ORVB_EXPORTS(TESSOR_NAME)};
const std::set<std::string> kExportsC = {TESSOR_ORVC_EXPORTS(TESSOR_NAME)};
#undef TESSOR_NAME

std::set<std::string> DynamicSymbols(const std::string& library) {
  const std::string command = std::string(TESSOR_NM) + " -D --defined-only " + library;
  std::set<std::string> names;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    const auto space = s.rfind(' ');
    names.insert(space == std::string::npos ? s : s.substr(space + 1));
  }
  pclose(pipe);
  return names;
}

struct ModelCase {
  const char* model;
  const std::set<std::string>* exports;
};

class EveryModel : public ::testing::TestWithParam<ModelCase> {};

TEST_P(EveryModel, DynamicSymbolsAreExactlyTheModelListAndSimExports) {
  std::set<std::string> expected = *GetParam().exports;
  expected.insert(kSimExports.begin(), kSimExports.end());
  const std::string file = std::string(TESSOR_BINARY_DIR) + "/bin/lib" + GetParam().model + ".so";
  const auto actual = DynamicSymbols(file);
  ASSERT_FALSE(actual.empty()) << "nm found nothing in " << file;
  for (const auto& name : expected) EXPECT_TRUE(actual.count(name)) << "missing export " << name;
  for (const auto& name : actual) EXPECT_TRUE(expected.count(name)) << "unexpected export " << name;
}

TEST_P(EveryModel, FindsFourAxesOnOneCardByDefaultAndAllExportsResolve) {
  SimLibrary lib(GetParam().model);
  ASSERT_TRUE(lib.Loaded());
  lib.Reset();
  EXPECT_EQ(lib.Get<Int()>("auto_set")(), 4);
  EXPECT_EQ(lib.Get<Int()>("init_board")(), 1);
  for (const auto& name : *GetParam().exports) EXPECT_TRUE(lib.Has(name.c_str())) << name;
}

TEST_P(EveryModel, TraceRecordsCallsInOrderWithTheirArguments) {
  SimLibrary lib(GetParam().model);
  lib.Reset();
  lib.Get<Int(Int, double)>("set_maxspeed")(2, 2.5);
  lib.Get<Int(Int, double, double, double)>("set_profile")(1, 30, 50, -0.25);
  lib.Get<Int(Int)>("check_done")(3);
  lib.Get<Int(Int, Int)>("checkin_bit")(1, 18);
  lib.Get<Int(Int*, Int*, Int*)>("get_lib_ver")(nullptr, nullptr, nullptr);
  const auto trace = lib.TraceEntries();
  ASSERT_EQ(trace.size(), 5u);
  EXPECT_EQ(trace[0], "set_maxspeed(2,2.5)");
  EXPECT_EQ(trace[1], "set_profile(1,30,50,-0.25)");
  EXPECT_EQ(trace[2], "check_done(3)");
  EXPECT_EQ(trace[3], "checkin_bit(1,18)");
  EXPECT_EQ(trace[4], "get_lib_ver(*,*,*)");

  // sim_ calls are not traced; a disabled trace records nothing; clear empties it.
  lib.Get<int(int)>("sim_trace_enable")(0);
  lib.Get<Int(Int)>("check_done")(1);
  EXPECT_EQ(lib.TraceEntries().size(), 5u);
  lib.Get<int(int)>("sim_trace_enable")(1);
  lib.ClearTrace();
  EXPECT_TRUE(lib.TraceEntries().empty());
}

TEST_P(EveryModel, TraceEntryCopiesWithinCapacityAndRefusesBadIndex) {
  SimLibrary lib(GetParam().model);
  lib.Reset();
  lib.Get<Int(Int)>("reset_pos")(4);
  auto entry = lib.Get<int(int, char*, int)>("sim_trace_entry");
  char small[6] = "xxxxx";
  EXPECT_EQ(entry(0, small, 6), 12);  // "reset_pos(4)"
  EXPECT_STREQ(small, "reset");
  EXPECT_EQ(entry(1, small, 6), -1);
  EXPECT_EQ(entry(-1, small, 6), -1);
}

TEST_P(EveryModel, ManualClockStandsStillUntilAdvanced) {
  SimLibrary lib(GetParam().model);
  lib.Reset();
  ASSERT_EQ(lib.Manual(1), 0);
  const auto t0 = lib.Now();
  EXPECT_EQ(lib.Now(), t0);
  EXPECT_EQ(lib.Advance(5000), 0);
  EXPECT_EQ(lib.Now(), t0 + 5000);
  EXPECT_LT(lib.Advance(-1), 0);
  EXPECT_EQ(lib.Now(), t0 + 5000);
  // Back to real time: the clock goes on from where it stood.
  ASSERT_EQ(lib.Manual(0), 0);
  EXPECT_GE(lib.Now(), t0 + 5000);
  EXPECT_LT(lib.Advance(5000), 0);  // only on the manual clock
}

TEST_P(EveryModel, RealClockRunsAMoveOnItsOwn) {
  SimLibrary lib(GetParam().model);
  lib.Reset();
  lib.Get<Int(Int, double)>("set_maxspeed")(3, 1000);
  lib.Get<Int(Int, double)>("set_conspeed")(3, 1000);
  const auto start = std::chrono::steady_clock::now();
  if (GetParam().model == std::string("ORVC"))
    lib.Get<Int(Int, double)>("con_pmove")(3, -20);
  else
    lib.Get<Int(Int, Int)>("con_pmove")(3, -20);
  auto done = lib.Get<Int(Int)>("check_done");
  while (done(3) != 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(done(3), 0);
  EXPECT_DOUBLE_EQ(lib.TruePos(3), -20);
  EXPECT_GE(took, std::chrono::milliseconds(20));  // 20 pulses at 1000 pulses/s
  EXPECT_GE(lib.Now(), 20'000);
}

TEST_P(EveryModel, ResetPutsPositionsOutputsAndClockBack) {
  SimLibrary lib(GetParam().model);
  lib.Reset();
  lib.Manual(1);
  lib.Get<Int(Int, double)>("set_maxspeed")(1, 1000);
  lib.Get<Int(Int, double)>("set_conspeed")(1, 1000);
  if (GetParam().model == std::string("ORVC"))
    lib.Get<Int(Int, double)>("con_pmove")(1, 100);
  else
    lib.Get<Int(Int, Int)>("con_pmove")(1, 100);
  lib.Advance(1'000'000);
  EXPECT_DOUBLE_EQ(lib.TruePos(1), 100);
  lib.Reset();
  EXPECT_DOUBLE_EQ(lib.TruePos(1), 0);
  EXPECT_TRUE(lib.TraceEntries().empty());
  EXPECT_LT(lib.Advance(5000), 0);  // real time again
}

INSTANTIATE_TEST_SUITE_P(Sim, EveryModel,
                         ::testing::Values(ModelCase{"ORVA", &kExportsA}, ModelCase{"ORVB", &kExportsB},
                                           ModelCase{"ORVC", &kExportsC}),
                         [](const auto& param) { return std::string(param.param.model); });

TEST(SimLibraries, EachLibraryHasAMachineOfItsOwn) {
  SimLibrary a("ORVA"), b("ORVB");
  a.Reset();
  b.Reset();
  a.Manual(1);
  b.Manual(1);
  a.Get<Int(Int, double)>("set_conspeed")(2, 1000);
  a.Get<Int(Int, Int)>("con_pmove")(2, 50);
  a.Advance(1'000'000);
  EXPECT_DOUBLE_EQ(a.TruePos(2), 50);
  EXPECT_DOUBLE_EQ(b.TruePos(2), 0);
  EXPECT_EQ(b.TraceEntries().size(), 0u);
}

// Loaded into one global namespace, the libraries still keep to their own
// machines: no internal call lands in another library.
TEST(SimLibraries, GloballyLoadedLibrariesDoNotInterpose) {
  void* handles[3];
  const char* models[3] = {"ORVA", "ORVB", "ORVC"};
  for (int k = 0; k < 3; ++k) {
    const std::string path = std::string(TESSOR_BINARY_DIR) + "/bin/lib" + models[k] + ".so";
    handles[k] = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
    ASSERT_NE(handles[k], nullptr) << dlerror();
    reinterpret_cast<int (*)()>(dlsym(handles[k], "sim_reset"))();
    reinterpret_cast<int (*)(int)>(dlsym(handles[k], "sim_set_manual_clock"))(1);
  }
  reinterpret_cast<Int (*)(Int, double)>(dlsym(handles[1], "set_conspeed"))(1, 1000);
  reinterpret_cast<Int (*)(Int, Int)>(dlsym(handles[1], "con_pmove"))(1, 77);
  reinterpret_cast<int (*)(std::int64_t)>(dlsym(handles[1], "sim_advance_us"))(1'000'000);
  for (int k = 0; k < 3; ++k) {
    double p = -1;
    reinterpret_cast<int (*)(int, double*)>(dlsym(handles[k], "sim_axis_position"))(1, &p);
    EXPECT_EQ(p, k == 1 ? 77 : 0) << models[k];
    EXPECT_EQ(reinterpret_cast<int (*)()>(dlsym(handles[k], "sim_trace_size"))(), k == 1 ? 2 : 0);
  }
  for (void* h : handles) dlclose(h);
}

// Arguments out of range give an error and change nothing.
TEST(SimLibraries, BadArgumentsAreRefusedAndChangeNothing) {
  SimLibrary c("ORVC");
  c.Reset();
  c.Manual(1);
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  constexpr double inf = std::numeric_limits<double>::infinity();
  auto move = c.Get<Int(Int, double)>("fast_pmove");
  auto setMax = c.Get<Int(Int, double)>("set_maxspeed");
  auto done = c.Get<Int(Int)>("check_done");
  EXPECT_LT(move(0, 10), 0);
  EXPECT_LT(move(5, 10), 0);  // one card: axis 5 is not there
  EXPECT_LT(move(-7, 10), 0);
  EXPECT_LT(move(1, nan), 0);
  EXPECT_LT(move(1, inf), 0);
  EXPECT_LT(move(1, 1e300), 0);
  EXPECT_LT(setMax(1, nan), 0);
  EXPECT_LT(setMax(1, -5), 0);
  EXPECT_LT(setMax(1, inf), 0);
  EXPECT_LT(c.Get<Int(Int, double, double, double)>("set_profile")(1, 10, 20, nan), 0);
  EXPECT_LT(c.Get<Int(double)>("set_vector_conspeed")(-1), 0);
  EXPECT_LT(c.Get<Int(Int, Int, double, double, double)>("arc_center")(1, 1, 10, 0, 90), 0);
  EXPECT_LT(c.Get<Int(Int, Int, double, double, double)>("arc_center")(1, 2, nan, 0, 90), 0);
  EXPECT_LT(c.Get<Int(Int, double, Int, double)>("con_line2")(1, 10, 1, 20), 0);  // same axis twice
  EXPECT_EQ(c.Get<Int(Int, Int)>("checkin_bit")(1, 19), -1);
  EXPECT_EQ(c.Get<Int(Int, Int)>("checkin_bit")(3, 1), -1);
  EXPECT_EQ(c.Get<Int(Int, Int)>("checkin_bit")(1, 0), -1);
  EXPECT_LT(c.Get<Int(Int, Int, Int)>("outport_bit")(1, 25, 0), 0);
  EXPECT_LT(c.Get<Int(Int, Int, Int)>("outport_bit")(1, 1, 7), 0);
  EXPECT_LT(c.Get<Int(Int, Int)>("set_home_mode")(1, 6), 0);
  EXPECT_LT(c.Get<Int(Int, Int, Int, Int)>("set_encoder_mode")(1, 1, 3, 1), 0);
  // check_limit and get_cur_dir answer a bad axis with a value that is no
  // limit and no direction.
  const Int limit = c.Get<Int(Int)>("check_limit")(9);
  EXPECT_TRUE(limit != 0 && limit != 1 && limit != -1 && limit != 2) << limit;
  const Int dir = c.Get<Int(Int)>("get_cur_dir")(0);
  EXPECT_TRUE(dir != 0 && dir != 1 && dir != -1) << dir;
  EXPECT_LT(c.Get<double(Int)>("get_rate")(99), 0);
  Int count = 12345;
  EXPECT_LT(c.Get<Int(Int, Int*)>("get_encoder")(3, &count), 0);  // ORVC: no encoder on axis 3
  EXPECT_EQ(count, 12345);
  EXPECT_LT(c.Get<Int(Int, double*)>("get_abs_pos")(1, nullptr), 0);

  // None of it moved anything or changed the speeds.
  c.Advance(2'000'000);
  for (int axis = 1; axis <= 4; ++axis) {
    EXPECT_EQ(done(axis), 0);
    EXPECT_DOUBLE_EQ(c.TruePos(axis), 0);
  }
  double start = 0, top = 0, acc = 0;
  c.Get<Int(Int, double*, double*, double*)>("get_profile")(1, &start, &top, &acc);
  EXPECT_TRUE(std::isfinite(start) && std::isfinite(top) && std::isfinite(acc));
}

TEST(SimLibraries, OrvaAndOrvbRefuseHugeWholePulseMovesAtTheirRange) {
  SimLibrary b("ORVB");
  b.Reset();
  b.Manual(1);
  auto move = b.Get<Int(Int, Int)>("con_pmove");
  b.Get<Int(Int, double)>("set_conspeed")(1, 4'000'000);
  b.Get<Int(Int, double)>("set_maxspeed")(1, 4'000'000);
  // The largest whole-pulse move is accepted and runs into the limit.
  EXPECT_EQ(move(1, std::numeric_limits<Int>::max()), 0);
  b.Advance(1'000'000);
  EXPECT_EQ(b.Get<Int(Int)>("check_limit")(1), 1);
}

TEST(SimLibraries, TraceKeepsTheNewestMillionEntries) {
  SimLibrary a("ORVA");
  a.Reset();
  auto done = a.Get<Int(Int)>("check_done");
  const int extra = 5000;
  for (int i = 0; i < 1'000'000 + extra; ++i) done(i);
  EXPECT_EQ(a.Get<int()>("sim_trace_size")(), 1'000'000);
  char text[32];
  a.Get<int(int, char*, int)>("sim_trace_entry")(0, text, sizeof text);
  EXPECT_EQ(std::string(text), "check_done(" + std::to_string(extra) + ")");
  a.Get<int(int, char*, int)>("sim_trace_entry")(999'999, text, sizeof text);
  EXPECT_EQ(std::string(text), "check_done(" + std::to_string(1'000'000 + extra - 1) + ")");
  a.ClearTrace();
}

TEST(SimLibraries, CommandPositionCanBeSetWithoutMovingTheStage) {
  SimLibrary a("ORVA");
  a.Reset();
  auto set = a.Get<int(int, double)>("sim_set_position");
  ASSERT_EQ(set(2, -1234), 0);
  Int p = 0;
  a.Get<Int(Int, Int*)>("get_abs_pos")(2, &p);
  EXPECT_EQ(p, -1234);
  EXPECT_EQ(a.Get<Int(Int)>("check_limit")(2), 0);  // the stage did not move
  EXPECT_LT(set(2, std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_LT(set(2, 3e9), 0);
  EXPECT_LT(set(5, 0), 0);
  a.Get<Int(Int, Int*)>("get_abs_pos")(2, &p);
  EXPECT_EQ(p, -1234);
}

TEST(SimLibraries, VersionsAreReported) {
  SimLibrary c("ORVC");
  c.Reset();
  Int t = -1, a = -1, b = -1, r = -1;
  EXPECT_EQ(c.Get<Int(Int*, Int*, Int*)>("get_lib_ver")(&a, &b, &r), 0);
  EXPECT_GT(a, 0);
  EXPECT_GE(b, 0);
  EXPECT_GE(r, 0);
  EXPECT_EQ(c.Get<Int(Int, Int*, Int*, Int*, Int*)>("get_card_ver")(1, &t, &a, &b, &r), 0);
  EXPECT_GT(t, 0);
  EXPECT_LT(c.Get<Int(Int, Int*, Int*, Int*, Int*)>("get_card_ver")(2, &t, &a, &b, &r), 0);  // one card
}

}  // namespace
