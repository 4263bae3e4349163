// The installed tree: cmake --install into a scratch prefix (with a blank in
// its path), then the installed programs run from there as an operator
// would start them, with their settings in the user's configuration folder.

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "InstallSupport.h"

namespace {

using namespace install_test;

const std::string kAppId = TESSOR_APP_ID;

class InstalledTree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new Scratch("tessor-install");
    prefix_ = scratch_->Path() / "inst root";
    installLog_ = Shell(Quote(CMAKE_COMMAND_PATH) + " --install " + Quote(TESSOR_BINARY_DIR) + " --prefix " +
                        Quote(prefix_.string()));
  }
  static void TearDownTestSuite() {
    delete scratch_;
    scratch_ = nullptr;
  }
  void SetUp() override {
    ASSERT_EQ(installLog_.status, 0) << Describe(installLog_);
    home_ = scratch_->Path() / ("home-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(home_);
    // Copies that another user may read too.
    const fs::path demo = fs::path(TESSOR_SOURCE_DIR) / "examples/demo";
    for (const char* file : {"sysparam.cfg", "demo.knl", "machine.conf"}) fs::copy_file(demo / file, home_ / file);
    fs::copy_file(LSAN_SUPPRESSIONS, home_ / "lsan.supp");
  }
  void TearDown() override {
    fs::remove_all(home_);
    fs::remove(Bin() / "sysparam.cfg");
  }

  static fs::path Bin() { return prefix_ / "bin"; }
  fs::path Config() const { return home_ / "config"; }
  fs::path Runtime() const {
    const fs::path runtime = home_ / "runtime";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    return runtime;
  }
  fs::path UserSettings() const { return Config() / "tessor/sysparam.cfg"; }

  // What every installed program is started with: no display, English
  // messages, a home of the test's own (the event journal too), the
  // built-in simulated machine.
  std::string Environment() const {
    return "env -u DISPLAY -u WAYLAND_DISPLAY -u TESSOR_SIM_MACHINE -u LC_ALL -u LC_MESSAGES -u XDG_STATE_HOME "
           "LANG=C HOME=" +
           Quote(home_.string()) + " XDG_CONFIG_HOME=" + Quote(Config().string()) +
           " LSAN_OPTIONS=suppressions=" + Quote((home_ / "lsan.supp").string()) + " ";
  }
  Result RunRunner(const fs::path& program, const std::string& args, const std::string& extraEnv = "") const {
    return Shell("cd " + Quote(home_.string()) + " && " + Environment() + extraEnv + " " + Quote(program.string()) +
                 " " + args);
  }
  // The window program offscreen, answered by the test driver plugin; the
  // lines the driver wrote.
  std::string RunWindowProgram(const fs::path& program, Result& result, const std::string& args = "") const {
    const fs::path log = home_ / "driver.log";
    fs::remove(log);
    result = Shell("cd " + Quote(home_.string()) + " && " + Environment() +
                   "QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=" + Quote(Runtime().string()) +
                   " QT_PLUGIN_PATH=" + Quote(DRIVER_PLUGIN_DIR) +
                   " QT_QPA_GENERIC_PLUGINS=tessortestdriver TESSOR_TEST_DRIVER_LOG=" + Quote(log.string()) +
                   " timeout 300 " + Quote(program.string()) + " " + args);
    return ReadText(log);
  }

  std::string DemoSettings() const { return ReadText(home_ / "sysparam.cfg"); }
  std::string DemoProgram() const { return (home_ / "demo.knl").string(); }
  std::string DemoMachine() const { return (home_ / "machine.conf").string(); }

  static Scratch* scratch_;
  static fs::path prefix_;
  static Result installLog_;
  fs::path home_;
};

Scratch* InstalledTree::scratch_ = nullptr;
fs::path InstalledTree::prefix_;
Result InstalledTree::installLog_;

TEST_F(InstalledTree, LaysOutProgramsLibrariesAndDesktopIntegration) {
  for (const char* program : {"tessor", "tessor-run"}) {
    EXPECT_EQ(access((Bin() / program).c_str(), X_OK), 0) << program;
  }
  for (const char* library : {"libORVA.so", "libORVB.so", "libORVC.so"}) {
    EXPECT_TRUE(fs::is_regular_file(prefix_ / "lib/tessor" / library)) << library;
  }
  // Nothing but the programs beside the programs.
  int inBin = 0;
  for (const auto& entry : fs::directory_iterator(Bin())) {
    ++inBin;
    EXPECT_TRUE(entry.path().filename() == "tessor" || entry.path().filename() == "tessor-run") << entry.path();
  }
  EXPECT_EQ(inBin, 2);

  const std::string entry = ReadText(prefix_ / "share/applications" / (kAppId + ".desktop"));
  EXPECT_EQ(DesktopValue(entry, "Type"), "Application");
  EXPECT_EQ(DesktopValue(entry, "Name"), "Tessor");
  EXPECT_EQ(DesktopValue(entry, "Icon"), kAppId);
  // The program by its installed path, quoted for the blank in it, given
  // the file it opens; the type of program files.
  EXPECT_EQ(DesktopValue(entry, "Exec"), "\"" + (Bin() / "tessor").string() + "\" %f");
  EXPECT_EQ(DesktopValue(entry, "MimeType"), "application/x-tessor-program;");
  EXPECT_EQ(ReadText(prefix_ / "share/mime/packages" / (kAppId + ".xml")),
            ReadText(fs::path(TESSOR_SOURCE_DIR) / "resources/tessor.mime.xml"));

  const fs::path icons = prefix_ / "share/icons/hicolor";
  for (const unsigned size : {48u, 256u}) {
    const std::string folder = std::to_string(size) + "x" + std::to_string(size);
    const ImageSize png = PngSize(icons / folder / "apps" / (kAppId + ".png"));
    EXPECT_EQ(png.width, size) << folder;
    EXPECT_EQ(png.height, size) << folder;
  }
  const std::string svg = ReadText(icons / "scalable/apps" / (kAppId + ".svg"));
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  EXPECT_NE(svg.find("viewBox=\"0 0 16 16\""), std::string::npos);

  const std::string metainfo = ReadText(prefix_ / "share/metainfo" / (kAppId + ".metainfo.xml"));
  EXPECT_NE(metainfo.find("<id>" + kAppId + "</id>"), std::string::npos);
  EXPECT_NE(metainfo.find("<launchable type=\"desktop-id\">" + kAppId + ".desktop</launchable>"), std::string::npos);
  EXPECT_NE(metainfo.find("<release version=\"" TESSOR_VERSION "\""), std::string::npos);
  EXPECT_NE(metainfo.find("<project_license>GPL-3.0-or-later</project_license>"), std::string::npos);

  EXPECT_TRUE(fs::is_regular_file(prefix_ / "share/doc/tessor/README.md"));
  EXPECT_EQ(ReadText(prefix_ / "share/doc/tessor/LICENSE"), ReadText(fs::path(TESSOR_SOURCE_DIR) / "LICENSE"));
  EXPECT_EQ(ReadText(prefix_ / "share/doc/tessor/examples/demo/demo.knl"), ReadText(DemoProgram()));
  EXPECT_EQ(ReadText(prefix_ / "share/doc/tessor/examples/demo/machine.conf"), ReadText(DemoMachine()));
}

TEST_F(InstalledTree, DesktopEntryAndMetainfoPassTheirValidators) {
  const fs::path entry = prefix_ / "share/applications" / (kAppId + ".desktop");
  const fs::path metainfo = prefix_ / "share/metainfo" / (kAppId + ".metainfo.xml");
  bool ran = false;
  if (HasProgram("desktop-file-validate")) {
    const Result r = Shell("desktop-file-validate " + Quote(entry.string()));
    EXPECT_EQ(r.status, 0) << Describe(r);
    EXPECT_EQ(r.out + r.err, "");
    ran = true;
  }
  if (HasProgram("appstreamcli")) {
    const Result r = Shell("appstreamcli validate --no-net " + Quote(metainfo.string()));
    EXPECT_EQ(r.status, 0) << Describe(r);
    ran = true;
  }
  if (!ran)
    GTEST_SKIP() << "neither desktop-file-validate (desktop-file-utils) nor appstreamcli (appstream) is installed";
}

// The installed definition, built into a database of its own, makes
// xdg-mime name the type of program files: by their name, or by the
// "[Command Save]" line of a file without it.
TEST_F(InstalledTree, XdgMimeNamesTheTypeOfProgramFiles) {
  if (!HasProgram("update-mime-database") || !HasProgram("xdg-mime")) {
    GTEST_SKIP() << "update-mime-database (shared-mime-info) and xdg-mime (xdg-utils) are needed";
  }
  const fs::path data = home_ / "data";
  fs::create_directories(data / "mime/packages");
  fs::create_directories(home_ / "no-data");
  fs::copy_file(prefix_ / "share/mime/packages" / (kAppId + ".xml"), data / "mime/packages" / (kAppId + ".xml"));
  const Result built = Shell("update-mime-database " + Quote((data / "mime").string()));
  ASSERT_EQ(built.status, 0) << Describe(built);
  WriteText(home_ / "saved-without-name", ReadText(DemoProgram()));
  std::string lf = ReadText(DemoProgram());
  std::erase(lf, '\r');
  WriteText(home_ / "lf-without-name", lf);
  WriteText(home_ / "notes.txt", "[Other Section]\nnot a program\n");
  // Outside a desktop session xdg-mime asks the generic reader of the database.
  auto query = [&](const fs::path& dataHome, const std::string& file) {
    return Shell("cd " + Quote(home_.string()) +
                 " && env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID "
                 "XDG_DATA_HOME=" +
                 Quote(dataHome.string()) + " XDG_DATA_DIRS=" + Quote((home_ / "no-data").string()) +
                 " xdg-mime query filetype " + Quote(file));
  };
  for (const char* file : {"demo.knl", "saved-without-name", "lf-without-name"}) {
    const Result r = query(data, file);
    EXPECT_EQ(r.out, "application/x-tessor-program\n") << file << "\n" << Describe(r);
  }
  EXPECT_NE(query(data, "notes.txt").out, "application/x-tessor-program\n");
  // The installation into this prefix brought the prefix's own database up to date.
  EXPECT_EQ(query(prefix_ / "share", "demo.knl").out, "application/x-tessor-program\n");
}

// What the menu entry runs for a file opened from the desktop: the file
// after the start-up dialogs, as Open opens it.
TEST_F(InstalledTree, WindowProgramOpensTheProgramItIsGiven) {
  WriteText(Bin() / "sysparam.cfg", WithKey(DemoSettings(), "LangVer", "0"));
  Result r;
  std::string log = RunWindowProgram(Bin() / "tessor", r, Quote(DemoProgram()));
  EXPECT_EQ(r.status, 0) << Describe(r) << "\n--- driver\n" << log;
  const std::vector<std::string> lines = Lines(log);
  ASSERT_GE(lines.size(), 6u) << log;
  EXPECT_EQ(lines[2].rfind("frame: ", 0), 0u) << log;
  EXPECT_EQ(lines[3], "path: " + DemoProgram());
  EXPECT_EQ(lines[4], "listing: 13 rows");  // the demo's rows

  // A file that cannot be read: Open's message, an empty program.
  log = RunWindowProgram(Bin() / "tessor", r, Quote((home_ / "missing.knl").string()));
  EXPECT_EQ(r.status, 0) << Describe(r);
  EXPECT_TRUE(HasLine(
      log, "box: Open config file " + (home_ / "missing.knl").string() + "failed! System will take default value."))
      << log;
  EXPECT_EQ(log.find("listing:"), std::string::npos) << log;
}

TEST_F(InstalledTree, RunnerFindsTheCardsInLibTessorAndKeepsSettingsInTheUsersFolder) {
  // The demo's settings beside the installed program start the user's own.
  WriteText(Bin() / "sysparam.cfg", DemoSettings());
  const Result r = RunRunner(Bin() / "tessor-run", "run " + Quote(DemoProgram()) + " --fast",
                             "TESSOR_SIM_MACHINE=" + Quote(DemoMachine()));
  EXPECT_EQ(r.status, 0) << Describe(r);
  EXPECT_TRUE(HasLine(r.out, "result: normal")) << r.out;
  // Two ORVB cards, all eight axes.
  for (int axis = 1; axis <= 8; ++axis) {
    EXPECT_NE(r.out.find("\naxis " + std::to_string(axis) + ": command"), std::string::npos) << r.out;
  }

  const std::string user = ReadText(UserSettings());
  EXPECT_NE(user.find("[Ctrler]=1\r\n"), std::string::npos);
  EXPECT_NE(user.find("[LangVer]=0\r\n"), std::string::npos);
  EXPECT_EQ(ReadText(Bin() / "sysparam.cfg"), DemoSettings());
  fs::remove(Bin() / "sysparam.cfg");
  int inBin = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(Bin())) ++inBin;
  EXPECT_EQ(inBin, 2) << "the run left files beside the installed program";
}

TEST_F(InstalledTree, RunnerDirStillNamesTheSettingsFolder) {
  const fs::path chosen = home_ / "chosen";
  fs::create_directories(chosen);
  WriteText(chosen / "sysparam.cfg", WithKey(DemoSettings(), "Ctrler", "2"));
  const Result r = RunRunner(Bin() / "tessor-run",
                             "--dir " + Quote(chosen.string()) + " run " + Quote(DemoProgram()) +
                                 " --fast --loops 1 --csv " + Quote((home_ / "trace.csv").string()),
                             "TESSOR_SIM_MACHINE=" + Quote(DemoMachine()));
  // ORVC has no encoder on axes 3 and 4: the run may report, but it runs.
  EXPECT_TRUE(r.status == 0 || r.status == 1) << Describe(r);
  EXPECT_NE(r.out.find("ticks: "), std::string::npos) << Describe(r);
  EXPECT_NE(ReadText(chosen / "sysparam.cfg").find("[Ctrler]=2\r\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(Config() / "tessor")) << "--dir must keep the settings out of the user's folder";

  // The trace may not name the settings file the run saves.
  const Result clash =
      RunRunner(Bin() / "tessor-run", "--dir " + Quote(chosen.string()) + " run " + Quote(DemoProgram()) +
                                          " --fast --csv " + Quote((chosen / "sysparam.cfg").string()));
  EXPECT_EQ(clash.status, 2) << Describe(clash);
  // Without --dir the settings file is the user's one, and so is the clash.
  const Result userClash = RunRunner(Bin() / "tessor-run",
                                     "run " + Quote(DemoProgram()) + " --fast --csv " + Quote(UserSettings().string()));
  EXPECT_EQ(userClash.status, 2) << Describe(userClash);
}

TEST_F(InstalledTree, ALibraryInTheProgramFolderComesBeforeLibTessor) {
  // A file of the library's name beside the program that does not load:
  // the one in lib/tessor must not stand in for it.
  WriteText(Bin() / "libORVB.so", "not a card library");
  const Result r = RunRunner(Bin() / "tessor-run", "run " + Quote(DemoProgram()));
  fs::remove(Bin() / "libORVB.so");
  EXPECT_EQ(r.status, 1) << Describe(r);
  EXPECT_TRUE(HasLine(r.out, "result: message 7")) << Describe(r);
  EXPECT_NE(r.err.find("message 7:"), std::string::npos) << Describe(r);
  EXPECT_NE(r.err.find("message 5:"), std::string::npos) << Describe(r);
}

TEST_F(InstalledTree, WindowProgramStartsFromThePrefixWithSettingsInTheUsersFolder) {
  const std::string seed =
      WithKey(WithKey(WithKey(DemoSettings(), "Ctrler", "2"), "TitleNameEng", "Bench 7"), "LangVer", "0");
  WriteText(Bin() / "sysparam.cfg", seed);
  Result r;
  std::string log = RunWindowProgram(Bin() / "tessor", r);
  EXPECT_EQ(r.status, 0) << Describe(r) << "\n--- driver\n" << log;
  // Seeded: no open-failure box; the cards of ORVC found in lib/tessor (the
  // demo's two-card machine is not named, so the built-in one answers).
  EXPECT_EQ(log,
            "dialog: CCardTypeDlg\n"
            "box: Card(s) = 1,Axis = 4\n"
            "frame: Bench 7\n"
            "box: Are you sure to quit the program?\n");
  // Finished saved the parameters into the user's folder, not beside the program.
  const std::string user = ReadText(UserSettings());
  EXPECT_NE(user.find("[Ctrler]=2\r\n"), std::string::npos);
  EXPECT_NE(user.find("[TitleNameEng]=Bench 7\r\n"), std::string::npos);
  EXPECT_EQ(ReadText(Bin() / "sysparam.cfg"), seed);
  // The session is in the event journal of the user's state folder.
  const std::string journal = ReadText(home_ / ".local/state/tessor/journal.jsonl");
  for (const char* event : {R"("kind":"session","event":"start","program":"tessor")",
                            R"("kind":"cards","model":"ORVC","axes":4,"cards":1})", R"("dialog":"Card Type")",
                            R"("kind":"session","event":"quit","exit":0})"}) {
    EXPECT_NE(journal.find(event), std::string::npos) << event << "\n" << journal;
  }

  // The next start reads the user's file, whatever lies beside the program.
  WriteText(Bin() / "sysparam.cfg", WithKey(seed, "TitleNameEng", "Changed beside the program"));
  log = RunWindowProgram(Bin() / "tessor", r);
  EXPECT_EQ(r.status, 0) << Describe(r);
  EXPECT_TRUE(HasLine(log, "frame: Bench 7")) << log;
}

TEST_F(InstalledTree, WindowProgramFirstStartWithoutAnySettings) {
  Result r;
  const std::string log = RunWindowProgram(Bin() / "tessor", r);
  EXPECT_EQ(r.status, 0) << Describe(r) << "\n--- driver\n" << log;
  // The missing file is reported with its path in the user's folder; the
  // defaults start in Chinese with ORVB.
  const std::vector<std::string> lines = Lines(log);
  ASSERT_GE(lines.size(), 4u) << log;
  EXPECT_EQ(lines[0], "box: Open config file " + UserSettings().string() + "failed! System will take default value.");
  EXPECT_EQ(lines[1], "dialog: CCardTypeDlg");
  EXPECT_EQ(lines[2], "box: 卡数 = 1,轴数 = 4");
  EXPECT_EQ(lines[3], "frame: 电动平移台应用软件");
  EXPECT_NE(ReadText(UserSettings()).find("[Ctrler]=1\r\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(Bin() / "sysparam.cfg"));
}

// A copy of the programs in a folder of their own with the card libraries
// beside them, as the build tree has them: settings stay beside the program
// while the folder is writable, as the program always kept them.
class PortableFolder : public InstalledTree {
 protected:
  void SetUp() override {
    InstalledTree::SetUp();
    portable_ = home_ / "portable";
    fs::create_directories(portable_);
    fs::copy_file(Bin() / "tessor-run", portable_ / "tessor-run");
    for (const char* library : {"libORVA.so", "libORVB.so", "libORVC.so"}) {
      fs::copy_file(prefix_ / "lib/tessor" / library, portable_ / library);
    }
    WriteText(portable_ / "sysparam.cfg", DemoSettings());
  }
  fs::path portable_;
};

TEST_F(PortableFolder, AWritableFolderKeepsTheSettingsBesideTheProgram) {
  const Result r = RunRunner(portable_ / "tessor-run", "run " + Quote(DemoProgram()) + " --fast",
                             "TESSOR_SIM_MACHINE=" + Quote(DemoMachine()));
  EXPECT_EQ(r.status, 0) << Describe(r);
  EXPECT_FALSE(fs::exists(Config() / "tessor"));
  // The run saved the parameters as the Start button does: in place.
  const std::string saved = ReadText(portable_ / "sysparam.cfg");
  EXPECT_NE(saved.find("[Ctrler]=1\r\n"), std::string::npos);
}

TEST_F(PortableFolder, AFolderTheUserCannotWriteMovesThemToTheUsersFolder) {
  std::string asUser;
  if (geteuid() == 0) {
    // Root writes any folder: run as nobody, who may not write here.
    if (!HasProgram("setpriv") || Shell("setpriv --reuid=65534 --regid=65534 --clear-groups true").status != 0) {
      GTEST_SKIP() << "running as root without setpriv to become another user: cannot make a folder unwritable";
    }
    asUser = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    ASSERT_EQ(
        Shell("chown -R 65534:65534 " + Quote(home_.string()) + " && chown -R 0:0 " + Quote(portable_.string())).status,
        0);
  }
  fs::permissions(portable_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                 fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  const Result r = Shell("cd " + Quote(home_.string()) + " && " + asUser + Environment() +
                         "TESSOR_SIM_MACHINE=" + Quote(DemoMachine()) + " " +
                         Quote((portable_ / "tessor-run").string()) + " run " + Quote(DemoProgram()) + " --fast");
  fs::permissions(portable_, fs::perms::owner_all, fs::perm_options::add);
  EXPECT_EQ(r.status, 0) << Describe(r);
  EXPECT_TRUE(HasLine(r.out, "result: normal")) << r.out;
  // Seeded from the file beside the program, which stays as it was.
  EXPECT_NE(ReadText(UserSettings()).find("[TitleNameEng]="), std::string::npos);
  EXPECT_EQ(ReadText(portable_ / "sysparam.cfg"), DemoSettings());
}

}  // namespace
