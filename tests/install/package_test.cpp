// The Debian package: cpack -G DEB from this build, its control fields and
// contents, and an installation with dpkg into a throwaway root (this
// machine's own packages stand as installed there, so the dependencies are
// checked against them; nothing of the machine changes), from which the
// installed programs run. Where dpkg cannot do that, the installation is
// skipped with the reason.

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "InstallSupport.h"

namespace {

using namespace install_test;

const std::string kAppId = TESSOR_APP_ID;

class DebianPackage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new Scratch("tessor-package");
    if (!HasProgram("dpkg-deb") || !HasProgram("dpkg-shlibdeps")) {
      skipReason_ = "dpkg-deb and dpkg-shlibdeps (dpkg-dev) are needed to build and read the package";
      return;
    }
    const fs::path out = scratch_->Path() / "out";
    cpack_ = Shell("cd " + Quote(scratch_->Path().string()) + " && " + Quote(CPACK_COMMAND_PATH) + " -G DEB -B " +
                   Quote(out.string()) + " --config " + Quote(std::string(TESSOR_BINARY_DIR) + "/CPackConfig.cmake"));
    for (const auto& entry : fs::directory_iterator(out)) {
      if (entry.path().extension() == ".deb") package_ = entry.path();
    }
  }
  static void TearDownTestSuite() {
    delete scratch_;
    scratch_ = nullptr;
  }
  void SetUp() override {
    if (!skipReason_.empty()) GTEST_SKIP() << skipReason_;
    ASSERT_EQ(cpack_.status, 0) << Describe(cpack_);
    ASSERT_FALSE(package_.empty()) << Describe(cpack_);
  }

  static std::string Field(const std::string& name) {
    const Result r = Shell("dpkg-deb -f " + Quote(package_.string()) + " " + name);
    return r.status == 0 && !r.out.empty() ? r.out.substr(0, r.out.find_last_not_of('\n') + 1) : std::string();
  }

  // The package's files, unpacked without installing it.
  static fs::path Extracted() {
    const fs::path root = scratch_->Path() / "extracted";
    if (!fs::exists(root)) Shell("dpkg-deb -x " + Quote(package_.string()) + " " + Quote(root.string()));
    return root;
  }

  static Scratch* scratch_;
  static std::string skipReason_;
  static Result cpack_;
  static fs::path package_;
};

Scratch* DebianPackage::scratch_ = nullptr;
std::string DebianPackage::skipReason_;
Result DebianPackage::cpack_;
fs::path DebianPackage::package_;

TEST_F(DebianPackage, DeclaresItselfAndWhatItNeeds) {
  EXPECT_EQ(Field("Package"), "tessor");
  EXPECT_EQ(Field("Version"), TESSOR_VERSION);
  const std::string architecture = Lines(Shell("dpkg --print-architecture").out).at(0);
  EXPECT_EQ(Field("Architecture"), architecture);
  EXPECT_EQ(Field("Section"), "electronics");
  EXPECT_FALSE(Field("Maintainer").empty());
  EXPECT_EQ(package_.filename().string(), "tessor_" TESSOR_VERSION "_" + architecture + ".deb");
  // Depends: the libraries the programs link, with versions (dpkg-shlibdeps).
  const std::string depends = Field("Depends");
  for (const char* needed :
       {"libqt6widgets6 (>=", "libqt6gui6 (>=", "libqt6core6 (>=", "libc6 (>=", "libstdc++6 (>="}) {
    EXPECT_NE(depends.find(needed), std::string::npos) << needed << " in: " << depends;
  }
  const std::string recommends = Field("Recommends");
  EXPECT_NE(recommends.find("qt6-translations-l10n"), std::string::npos) << recommends;
  EXPECT_NE(Field("Description").find("motion-controller cards"), std::string::npos);
  // No maintainer scripts: nothing runs when it is installed or removed.
  const Result control = Shell("dpkg-deb --ctrl-tarfile " + Quote(package_.string()) + " | tar -t");
  EXPECT_EQ(control.out, "./\n./control\n./md5sums\n") << Describe(control);
}

TEST_F(DebianPackage, HoldsTheInstalledTreeUnderUsr) {
  const Result listing = Shell("dpkg-deb -c " + Quote(package_.string()) + " | awk '{print $6}'");
  ASSERT_EQ(listing.status, 0) << Describe(listing);
  const std::string files = listing.out;
  const std::vector<std::string> expected = {"./usr/bin/tessor",
                                             "./usr/bin/tessor-run",
                                             "./usr/lib/tessor/libORVA.so",
                                             "./usr/lib/tessor/libORVB.so",
                                             "./usr/lib/tessor/libORVC.so",
                                             "./usr/share/applications/" + kAppId + ".desktop",
                                             "./usr/share/icons/hicolor/48x48/apps/" + kAppId + ".png",
                                             "./usr/share/icons/hicolor/256x256/apps/" + kAppId + ".png",
                                             "./usr/share/icons/hicolor/scalable/apps/" + kAppId + ".svg",
                                             "./usr/share/metainfo/" + kAppId + ".metainfo.xml",
                                             "./usr/share/mime/packages/" + kAppId + ".xml",
                                             "./usr/share/doc/tessor/README.md",
                                             "./usr/share/doc/tessor/copyright",
                                             "./usr/share/doc/tessor/LICENSE",
                                             "./usr/share/doc/tessor/examples/demo/demo.knl"};
  for (const std::string& path : expected) {
    EXPECT_TRUE(HasLine(files, path)) << path << " not in:\n" << files;
  }
  for (const std::string& line : Lines(files)) {
    EXPECT_TRUE(line == "./" || line.rfind("./usr/", 0) == 0 || line == "./usr") << line;
    // The databases are the system's to build (its triggers do): only the definition ships.
    if (line.rfind("./usr/share/mime/", 0) == 0) {
      EXPECT_TRUE(line == "./usr/share/mime/" || line.rfind("./usr/share/mime/packages/", 0) == 0) << line;
    }
    EXPECT_EQ(line.find("mimeinfo.cache"), std::string::npos) << line;
  }
  // The menu entry starts the packaged program and names the packaged icon.
  const std::string entry = ReadText(Extracted() / "usr/share/applications" / (kAppId + ".desktop"));
  EXPECT_EQ(DesktopValue(entry, "Exec"), "/usr/bin/tessor %f");
  EXPECT_EQ(DesktopValue(entry, "MimeType"), "application/x-tessor-program;");
  const std::string mime = ReadText(Extracted() / "usr/share/mime/packages" / (kAppId + ".xml"));
  EXPECT_NE(mime.find("<mime-type type=\"application/x-tessor-program\">"), std::string::npos) << mime;
  EXPECT_NE(mime.find("<glob pattern=\"*.knl\"/>"), std::string::npos) << mime;
  EXPECT_NE(mime.find("value=\"[Command Save]\""), std::string::npos) << mime;
  EXPECT_EQ(DesktopValue(entry, "Icon"), kAppId);
  // Stripped: the debugging data stays in the build.
  const Result sections = Shell("objdump -h " + Quote((Extracted() / "usr/bin/tessor").string()));
  if (sections.status == 0) {
    EXPECT_EQ(sections.out.find(".debug_info"), std::string::npos);
  }
}

TEST_F(DebianPackage, InstallsIntoAThrowawayRootAndRunsFromThere) {
  // A root whose package database is a copy of this machine's: dpkg checks
  // the dependencies against what is installed here and unpacks there.
  const fs::path root = scratch_->Path() / "root";
  const fs::path admin = root / "var/lib/dpkg";
  for (const char* folder : {"info", "updates", "triggers"}) fs::create_directories(admin / folder);
  if (!fs::exists("/var/lib/dpkg/status"))
    GTEST_SKIP() << "this machine has no dpkg database to check the dependencies against";
  fs::copy_file("/var/lib/dpkg/status", admin / "status");
  WriteText(admin / "available", "");
  const std::string notRoot = geteuid() == 0 ? "" : " --force-not-root";
  const Result installed =
      Shell("dpkg --root=" + Quote(root.string()) + notRoot + " --log=/dev/null -i " + Quote(package_.string()));
  if (installed.status != 0 && installed.err.find("dependency problems") == std::string::npos) {
    GTEST_SKIP() << "dpkg cannot install into a throwaway root here:\n" << Describe(installed);
  }
  ASSERT_EQ(installed.status, 0) << "the package's dependencies are not met by this machine's packages:\n"
                                 << Describe(installed);
  const Result status = Shell("dpkg --root=" + Quote(root.string()) + " -s tessor");
  EXPECT_NE(status.out.find("Status: install ok installed"), std::string::npos) << Describe(status);

  // The packaged runner finds the packaged card libraries.
  const fs::path home = scratch_->Path() / "home";
  fs::create_directories(home);
  const std::string env =
      "cd " + Quote(home.string()) +
      " && env -u DISPLAY -u WAYLAND_DISPLAY -u TESSOR_SIM_MACHINE -u LC_ALL -u LC_MESSAGES -u XDG_STATE_HOME "
      "LANG=C HOME=" +
      Quote(home.string()) + " XDG_CONFIG_HOME=" + Quote((home / "config").string()) + " ";
  const Result listed = Shell(env + Quote((root / "usr/bin/tessor-run").string()) + " run " +
                              Quote((root / "usr/share/doc/tessor/examples/demo/demo.knl").string()) + " --fast");
  // The defaults (one ORVB card) against the demo's two-card program: the
  // cards answered, and the run is refused at the first row using axes 5-8.
  EXPECT_NE(listed.out.find("result: refused"), std::string::npos) << Describe(listed);
  EXPECT_NE(listed.err.find("错误：第10行使用了本机不存在的轴!"), std::string::npos)
      << Describe(listed);  // default LangVer 1; row 10 is the demo's first on card 2
  EXPECT_EQ(listed.err.find("message 7:"), std::string::npos) << Describe(listed);
  EXPECT_TRUE(fs::exists(home / "config/tessor/sysparam.cfg"));

  // The packaged window program starts offscreen, answered by the driver.
  const fs::path log = home / "driver.log";
  const fs::path runtime = home / "runtime";
  fs::create_directories(runtime);
  fs::permissions(runtime, fs::perms::owner_all);
  const Result window = Shell(env + "QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=" + Quote(runtime.string()) +
                              " QT_PLUGIN_PATH=" + Quote(DRIVER_PLUGIN_DIR) +
                              " QT_QPA_GENERIC_PLUGINS=tessortestdriver TESSOR_TEST_DRIVER_LOG=" + Quote(log.string()) +
                              " timeout 300 " + Quote((root / "usr/bin/tessor").string()));
  EXPECT_EQ(window.status, 0) << Describe(window);
  const std::string lines = ReadText(log);
  EXPECT_TRUE(HasLine(lines, "dialog: CCardTypeDlg")) << lines;
  EXPECT_TRUE(HasLine(lines, "box: 卡数 = 1,轴数 = 4")) << lines;
  EXPECT_TRUE(HasLine(lines, "frame: 电动平移台应用软件")) << lines;

  const Result removed = Shell("dpkg --root=" + Quote(root.string()) + notRoot + " --log=/dev/null -r tessor");
  EXPECT_EQ(removed.status, 0) << Describe(removed);
  EXPECT_FALSE(fs::exists(root / "usr/bin/tessor"));
}

TEST_F(DebianPackage, AptCanResolveItsDependenciesOnAFreshSystem) {
  if (!HasProgram("apt-get")) GTEST_SKIP() << "apt-get is not installed";
  if (Shell("apt-cache show libqt6widgets6 >/dev/null").status != 0) {
    GTEST_SKIP() << "apt's package lists do not know libqt6widgets6 (apt-get update has not run)";
  }
  // An empty package database stands for a fresh machine: apt must find
  // every dependency in the package lists. Only simulated.
  const fs::path state = scratch_->Path() / "apt-state";
  fs::create_directories(state);
  WriteText(state / "status", "");
  const Result r = Shell("apt-get -s -q -o Dir::State::status=" + Quote((state / "status").string()) +
                         " -o Debug::NoLocking=1 install " + Quote(package_.string()));
  ASSERT_EQ(r.status, 0) << Describe(r);
  EXPECT_NE(r.out.find("Inst tessor (" TESSOR_VERSION), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Inst libqt6widgets6"), std::string::npos) << r.out;
}

}  // namespace
