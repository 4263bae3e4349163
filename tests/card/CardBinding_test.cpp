// Loading and binding the card libraries: the real simulated ones, and broken
// stand-ins that lack an entry point or most exports.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "card/CardDriver.h"

namespace {

const std::string kFixtureDir = CARD_FIXTURE_DIR;

// Whether the library file at `path` is loaded in this process.
bool IsLoaded(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);
  return handle != nullptr;
}

std::string FixturePath(const char* baseName) { return kFixtureDir + "/" + platform::ModuleFileName(baseName); }

// Points the program's own folder at the broken libraries while alive.
class FixtureFolder {
 public:
  FixtureFolder() { platform::SetModuleFolderForTesting(kFixtureDir); }
  ~FixtureFolder() { platform::SetModuleFolderForTesting(""); }
  FixtureFolder(const FixtureFolder&) = delete;
  FixtureFolder& operator=(const FixtureFolder&) = delete;
};

template <typename Lib>
std::size_t BoundEntries(const Lib& lib) {
  std::size_t bound = 0;
  for (const auto entry : lib.entries) bound += entry != nullptr ? 1 : 0;
  return bound;
}

template <typename Lib>
void ExpectEveryExportBound(const Lib& lib, std::size_t entryCount) {
  ASSERT_NE(lib.module, nullptr);
  EXPECT_EQ(Lib::kEntryCount, entryCount);
  for (std::size_t i = 0; i < Lib::kEntryCount; ++i) {
    const std::string name(Lib::ExportName(i));
    EXPECT_NE(lib.entries[i], nullptr) << name;
    EXPECT_EQ(reinterpret_cast<void*>(lib.entries[i]), platform::FindExport(lib.module, name.c_str())) << name;
  }
}

TEST(CardBinding, SimulatedLibrariesBindEveryExportOfTheirModel) {
  const CCardLibA a;
  const CCardLibB b;
  const CCardLibC c;
  ExpectEveryExportBound(a, 76);
  ExpectEveryExportBound(b, 99);
  ExpectEveryExportBound(c, 172);
  // Names match exactly, case included.
  EXPECT_GE(CCardLibB::IndexOf("check_SFR"), 0);
  EXPECT_LT(CCardLibB::IndexOf("check_sfr"), 0);
  EXPECT_GE(CCardLibC::IndexOf("check_sfr"), 0);
  EXPECT_LT(CCardLibC::IndexOf("check_SFR"), 0);
}

TEST(CardBinding, MissingLibraryLeavesTheBindingEmpty) {
  const CCardLibB lib("ORVB_not_installed");
  EXPECT_EQ(lib.module, nullptr);
  EXPECT_EQ(BoundEntries(lib), 0U);
}

TEST(CardBinding, LibraryWithoutAnEntryPointIsReleasedAndCleared) {
  // The stand-ins load and carry exports of their own...
  for (const char* model : {"ORVA", "ORVC"}) {
    void* direct = dlopen(FixturePath(model).c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(direct, nullptr) << FixturePath(model);
    EXPECT_NE(dlsym(direct, "con_pmove"), nullptr);
    dlclose(direct);
    ASSERT_FALSE(IsLoaded(FixturePath(model)));
  }
  const FixtureFolder folder;
  // ...but ORVA lacks init_board and ORVC lacks auto_set.
  const CCardLibA a;
  EXPECT_EQ(a.module, nullptr);
  EXPECT_EQ(BoundEntries(a), 0U);
  EXPECT_FALSE(IsLoaded(FixturePath("ORVA")));
  const CCardLibC c;
  EXPECT_EQ(c.module, nullptr);
  EXPECT_EQ(BoundEntries(c), 0U);
  EXPECT_FALSE(IsLoaded(FixturePath("ORVC")));
}

TEST(CardBinding, LibraryWithBothEntryPointsKeepsWhatItHasUntilDestroyed) {
  const FixtureFolder folder;
  {
    const CCardLibB lib;
    ASSERT_NE(lib.module, nullptr);
    EXPECT_TRUE(IsLoaded(FixturePath("ORVB")));
    EXPECT_EQ(BoundEntries(lib), 4U);
    for (const char* name : {"auto_set", "init_board", "con_pmove", "check_done"}) {
      bool found = false;
      for (std::size_t i = 0; i < CCardLibB::kEntryCount; ++i) {
        if (CCardLibB::ExportName(i) == name) found = lib.entries[i] != nullptr;
      }
      EXPECT_TRUE(found) << name;
    }
  }
  EXPECT_FALSE(IsLoaded(FixturePath("ORVB")));
}

TEST(CardDriverWithBrokenLibraries, AnswersWithoutCrashing) {
  const FixtureFolder folder;
  {
    CCardDriver driver;
    int count = 31;
    double position = 1.0;

    // ORVA and ORVC are unusable: no axes, no cards, nothing else.
    for (int model : {0, 2}) {
      driver.model = model;
      SCOPED_TRACE(model);
      EXPECT_EQ(driver.auto_set(), 0);
      EXPECT_EQ(driver.init_board(), 0);
      EXPECT_EQ(driver.con_pmove(1, 5), CARD_UNSUPPORTED);
      EXPECT_EQ(driver.check_done(1), CARD_UNSUPPORTED);
      EXPECT_EQ(driver.get_rate(1), -100.0);
      EXPECT_EQ(driver.get_abs_pos(1, &position), CARD_UNSUPPORTED);
      EXPECT_EQ(position, 1.0);
    }

    // ORVB holds four exports: those answer, the rest are unsupported.
    driver.model = 1;
    EXPECT_EQ(driver.auto_set(), 4);
    EXPECT_EQ(driver.init_board(), 1);
    EXPECT_EQ(driver.con_pmove(3, 2.5), 3003);
    EXPECT_EQ(driver.con_pmove(2, -7.5), 2000 - 8);
    EXPECT_EQ(driver.check_done(2), 72);
    EXPECT_EQ(driver.sudden_stop(1), CARD_UNSUPPORTED);
    EXPECT_EQ(driver.checkin_bit(1, 1), CARD_UNSUPPORTED);
    EXPECT_EQ(driver.get_encoder(1, &count), CARD_UNSUPPORTED);
    EXPECT_EQ(count, 31);
    EXPECT_EQ(driver.get_abs_pos(1, &position), CARD_UNSUPPORTED);
    EXPECT_EQ(position, 1.0);
    EXPECT_TRUE(IsLoaded(FixturePath("ORVB")));
  }
  EXPECT_FALSE(IsLoaded(FixturePath("ORVB")));
}

TEST(CardDriverLifetime, BindsAThenBThenCAndReleasesThemInReverse) {
  const std::string log = testing::TempDir() + "card_driver_lifetime.log";
  std::remove(log.c_str());
  setenv("TESSOR_FIXTURE_LOG", log.c_str(), 1);
  platform::SetModuleFolderForTesting(CARD_COMPLETE_DIR);
  {
    const CCardDriver driver;
    EXPECT_NE(driver.libA.module, nullptr);
    EXPECT_NE(driver.libB.module, nullptr);
    EXPECT_NE(driver.libC.module, nullptr);
  }
  platform::SetModuleFolderForTesting("");
  unsetenv("TESSOR_FIXTURE_LOG");

  std::vector<std::string> lines;
  std::ifstream in(log);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  const std::vector<std::string> expected = {"load ORVA",    "load ORVB",    "load ORVC",
                                             "release ORVC", "release ORVB", "release ORVA"};
  EXPECT_EQ(lines, expected);
  std::remove(log.c_str());
}

}  // namespace
