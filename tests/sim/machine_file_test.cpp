// Machine description files: what a good file changes, and that a bad one
// gives a clear message and the built-in machine.

#include <dlfcn.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "SimLibrary.h"

namespace {

using cardabi::Int;
using simtest::SimLibrary;

class MachineFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib.Loaded());
    folder = std::filesystem::temp_directory_path() /
             ("tessor-sim-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder);
  }
  void TearDown() override {
    lib.Load(nullptr);
    std::filesystem::remove_all(folder);
  }
  std::string Write(const std::string& text) {
    auto path = (folder / "machine.cfg").string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // Loads `text`, capturing what the library writes on stderr.
  int LoadCapturing(const std::string& text, std::string& message) {
    const std::string path = Write(text);
    ::testing::internal::CaptureStderr();
    const int r = lib.Load(path.c_str());
    message = ::testing::internal::GetCapturedStderr();
    return r;
  }
  bool IsBuiltIn() {
    double p = 0;
    lib.Get<int(int, double*)>("sim_axis_position")(1, &p);
    return lib.Get<Int()>("auto_set")() == 4 && lib.Get<Int()>("init_board")() == 1 && p == 0 &&
           lib.Get<Int(Int)>("check_limit")(1) == 0;
  }

  SimLibrary lib{"ORVB"};
  std::filesystem::path folder;
};

TEST_F(MachineFile, TwoCardsLoopBackAndAxisSettingsTakeEffect) {
  std::string message;
  ASSERT_EQ(LoadCapturing("# two cards\n"
                          "cards = 2\r\n"
                          "loopback = yes\n"
                          "[axis all]\n"
                          "limits = -50 50\n"
                          "[axis 6]   # sections may carry comments\n"
                          "start = 60   # already on its positive limit\n"
                          "encoder = +2 0 0\n",
                          message),
            0);
  EXPECT_TRUE(message.empty()) << message;
  EXPECT_EQ(lib.Get<Int()>("auto_set")(), 8);
  EXPECT_EQ(lib.Get<Int()>("init_board")(), 2);
  EXPECT_EQ(lib.Get<Int(Int)>("check_limit")(6), 1);
  EXPECT_EQ(lib.Get<Int(Int)>("check_limit")(5), 0);
  Int pos = -1;
  lib.Get<Int(Int, Int*)>("get_abs_pos")(6, &pos);
  EXPECT_EQ(pos, 0);  // the command position starts at 0 wherever the stage stands
  lib.Manual(1);
  lib.Get<Int(Int, double)>("set_conspeed")(6, 1000);
  ASSERT_EQ(lib.Get<Int(Int, Int)>("con_pmove")(6, -15), 0);
  lib.Advance(1'000'000);
  Int count = 0;
  lib.Get<Int(Int, Int*)>("get_encoder")(6, &count);
  EXPECT_EQ(count, -30);  // two counts per pulse on axis 6
  EXPECT_EQ(lib.Get<Int(Int)>("check_limit")(6), 0);

  // Outputs are looped back to the inputs of their own card only.
  auto in = lib.Get<Int(Int, Int)>("checkin_bit");
  auto out = lib.Get<Int(Int, Int, Int)>("outport_bit");
  EXPECT_EQ(in(2, 5), 1);  // outputs start high (off)
  out(2, 5, 0);
  EXPECT_EQ(in(2, 5), 0);
  EXPECT_EQ(in(1, 5), 1);
  out(2, 24, 0);  // outputs 19-24 reach no input
  EXPECT_EQ(in(2, 18), 1);
  lib.Get<int(int, int, int)>("sim_force_input")(2, 5, 1);
  EXPECT_EQ(in(2, 5), 1);
  lib.Get<int(int, int, int)>("sim_force_input")(2, 5, -1);
  EXPECT_EQ(in(2, 5), 0);

  // The new machine survives until the next reset, which reads the
  // documented place again (no file there: built in).
  lib.Reset();
  EXPECT_TRUE(IsBuiltIn());
}

TEST_F(MachineFile, WithoutLoopBackInputsReadLowAndForcingWorks) {
  lib.Reset();
  auto in = lib.Get<Int(Int, Int)>("checkin_bit");
  lib.Get<Int(Int, Int, Int)>("outport_bit")(1, 3, 0);
  EXPECT_EQ(in(1, 3), 0);
  lib.Get<int(int, int, int)>("sim_force_input")(1, 3, 1);
  EXPECT_EQ(in(1, 3), 1);
  EXPECT_LT(lib.Get<int(int, int, int)>("sim_force_input")(1, 19, 1), 0);
  EXPECT_LT(lib.Get<int(int, int, int)>("sim_force_input")(2, 1, 1), 0);  // one card
}

TEST_F(MachineFile, BadFilesGiveALineNumberedMessageAndTheBuiltInMachine) {
  const struct {
    const char* text;
    const char* says;
  } cases[] = {
      {"cards = 3\n", "line 1: 'cards' is 0, 1 or 2"},
      {"cards = 2\ncolour = blue\n", "line 2: unknown machine key 'colour'"},
      {"[axis 2]\nlimits = 10\n", "line 2: 'limits' takes 2 numbers"},
      {"[axis 2]\nlimits = -5 nan\n", "line 2: 'nan' is not a number"},
      {"[axis 2]\nlimits = -5 1e400\n", "line 2: '1e400' is not a number"},
      {"[axis 2]\nhome = 5 5x\n", "line 2: '5x' is not a number"},
      {"[axis 9]\n", "line 1: sections are [axis N]"},
      {"[axis 1\n", "line 1: a section header ends with ']'"},
      {"\n\n[axis 3]\nlimits = 50 -50\n", "line 3: axis 3: limits"},
      {"[axis 1]\nstart = 5000\n", "axis 1: start lies outside the travel"},
      {"[axis 1]\nwiring = 0 1 2 0\n", "line 2: 'wiring' takes four levels"},
      {"[axis 4]\nencoder = 0 0 0\n", "axis 4: encoder"},
      {"just words\n", "line 1: expected 'key = value'"},
  };
  for (const auto& c : cases) {
    std::string message;
    // Start from something else so the fall-back is seen.
    ASSERT_EQ(lib.Load(Write("cards = 2\n").c_str()), 0);
    EXPECT_EQ(LoadCapturing(c.text, message), -1) << c.text;
    EXPECT_NE(message.find("libORVB.so: machine file "), std::string::npos) << message;
    EXPECT_NE(message.find(c.says), std::string::npos) << "for " << c.text << " got: " << message;
    EXPECT_NE(message.find("using the built-in machine"), std::string::npos) << message;
    EXPECT_TRUE(IsBuiltIn()) << c.text;
  }
}

TEST_F(MachineFile, BinaryMissingAndHugeFilesAreRefused) {
  std::string message;
  const std::string binary("cards = 2\n\0\x01\x02", 13);
  EXPECT_EQ(LoadCapturing(binary, message), -1);
  EXPECT_NE(message.find("not text"), std::string::npos) << message;

  ::testing::internal::CaptureStderr();
  EXPECT_EQ(lib.Load((folder / "absent.cfg").string().c_str()), -1);
  message = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(message.find("cannot open"), std::string::npos) << message;
  EXPECT_TRUE(IsBuiltIn());

  std::string huge = "cards = 2\n";
  huge += std::string(2 << 20, '#');
  EXPECT_EQ(LoadCapturing(huge, message), -1);
  EXPECT_NE(message.find("larger than 1 MiB"), std::string::npos) << message;
  EXPECT_TRUE(IsBuiltIn());
}

TEST_F(MachineFile, NullOrEmptyPathMeansTheBuiltInMachine) {
  ASSERT_EQ(lib.Load(Write("cards = 2\n").c_str()), 0);
  EXPECT_EQ(lib.Load(""), 0);
  EXPECT_TRUE(IsBuiltIn());
  ASSERT_EQ(lib.Load(Write("cards = 2\n").c_str()), 0);
  EXPECT_EQ(lib.Load(nullptr), 0);
  EXPECT_TRUE(IsBuiltIn());
}

TEST_F(MachineFile, EnvironmentVariableNamesTheFileReadAtReset) {
  const std::string path = Write("cards = 2\n");
  ASSERT_EQ(setenv("TESSOR_SIM_MACHINE", path.c_str(), 1), 0);
  lib.Reset();
  EXPECT_EQ(lib.Get<Int()>("init_board")(), 2);

  const std::string bad = (folder / "bad.cfg").string();
  std::ofstream(bad) << "cards = many\n";
  setenv("TESSOR_SIM_MACHINE", bad.c_str(), 1);
  ::testing::internal::CaptureStderr();
  lib.Reset();
  const std::string message = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(message.find(bad + ": line 1: 'cards' is 0, 1 or 2"), std::string::npos) << message;
  EXPECT_TRUE(IsBuiltIn());
  unsetenv("TESSOR_SIM_MACHINE");
}

// The default place is beside the library: a copy of the library in a
// folder of its own, with a description there, loads that description.
TEST_F(MachineFile, DefaultFileBesideTheLibraryIsReadWhenItLoads) {
  const auto copy = folder / "libORVB.so";
  std::filesystem::copy_file(std::string(TESSOR_BINARY_DIR) + "/bin/libORVB.so", copy);
  std::ofstream((folder / "sim-machine.cfg").string()) << "cards = 2\n";
  void* handle = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  auto init = reinterpret_cast<Int (*)()>(dlsym(handle, "init_board"));
  ASSERT_NE(init, nullptr);
  EXPECT_EQ(init(), 2);
  // The library in the build folder has no such file.
  EXPECT_EQ(lib.Get<Int()>("init_board")(), 1);
  dlclose(handle);
}

}  // namespace
