#include "settings/SysParams.h"

#include <unistd.h>

#include "operator/OperatorMessages.h"
#include "operator/OperatorPort.h"
#include "platform/ProgramPath.h"
#include "platform/UserFolders.h"
#include "settings/ProfileFile.h"

SysParamsRecord SysParams;
std::string SysParamsPath;

namespace {

// Operator messages follow the record's language from the start.
const bool languageBound = (BindLanguageSetting(&SysParams.LangVer), true);

std::string folderOverride;
std::string programFolderOverride;

constexpr const char* kFileName = "sysparam.cfg";
constexpr const char* kUserFolderName = "tessor";

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string ProgramFolder() {
  return programFolderOverride.empty() ? platform::ProgramFolder() : programFolderOverride;
}

std::string Indexed(const char* name, int index) { return std::string(name) + "[" + std::to_string(index) + "]"; }

// Walks the file layout in its write order; the visitor reads or writes
// each field under its key.
template <typename Visitor>
void VisitLayout(SysParamsRecord& p, Visitor& v) {
  v.Text("TitleNameChs", p.TitleNameChs);
  v.Text("TitleNameEng", p.TitleNameEng);
  v.Int("Ctrler", p.Ctrler);
  v.Int("UnitLine", p.UnitLine);
  v.Int("UnitCir", p.UnitCir);
  v.Real("CheckTime", p.CheckTime);
  v.Int("Input", p.Input);
  v.Int("LangVer", p.LangVer);
  for (int i = 0; i < kAxisEntries; ++i) {
    const auto a = static_cast<std::size_t>(i);
    v.Int(Indexed("Unit", i), p.Unit[a]);
    v.Int(Indexed("Equip", i), p.Equip[a]);
    v.Real(Indexed("MotorPulse", i), p.MotorPulse[a]);
    v.Real(Indexed("MotorRatio", i), p.MotorRatio[a]);
    v.Real(Indexed("FeedBack", i), p.FeedBack[a]);
    v.Real(Indexed("Guide", i), p.Guide[a]);
    v.Real(Indexed("Error", i), p.Error[a]);
    v.Int(Indexed("Dir", i), p.Dir[a]);
    v.Real(Indexed("HighSpd", i), p.HighSpd[a]);
    v.Real(Indexed("LowSpd", i), p.LowSpd[a]);
    v.Real(Indexed("AccSpd", i), p.AccSpd[a]);
    v.Real(Indexed("Expiation", i), p.Expiation[a]);
    v.Int(Indexed("PulseType", i), p.PulseType[a]);
    v.Int(Indexed("HomeType", i), p.HomeType[a]);
    v.Int(Indexed("EncFreq", i), p.EncFreq[a]);
    v.Int(Indexed("AlarmEffLev", i), p.AlarmEffLev[a]);
    v.Int(Indexed("OrgEffLev", i), p.OrgEffLev[a]);
    v.Int(Indexed("ElEffLev", i), p.ElEffLev[a]);
    v.Int(Indexed("SdEffLev", i), p.SdEffLev[a]);
    v.Real(Indexed("PMoveSetLowSpd", i), p.PMoveSetLowSpd[a]);
    v.Real(Indexed("PMoveSetHighSpd", i), p.PMoveSetHighSpd[a]);
    v.Real(Indexed("PMoveSetAccSpd", i), p.PMoveSetAccSpd[a]);
    v.Real(Indexed("PMoveSetStep", i), p.PMoveSetStep[a]);
  }
  const struct {
    const char* prefix;
    MotionCommand& record;
  } records[] = {{"Line", p.PtoPRunRecord}, {"Inter", p.LinearRunRecord}, {"Arc", p.CircularRunRecord}};
  for (const auto& r : records) {
    const std::string prefix = r.prefix;
    v.Int(prefix + "CodeType", r.record.iCodeType);
    for (int i = 0; i < 4; ++i) {
      const auto s = static_cast<std::size_t>(i);
      v.Real(Indexed((prefix + "AccSpd").c_str(), i), r.record.dbAccSpd[s]);
      v.Real(Indexed((prefix + "HighSpd").c_str(), i), r.record.dbHighSpd[s]);
      v.Real(Indexed((prefix + "LowSpd").c_str(), i), r.record.dbLowSpd[s]);
      v.Real(Indexed((prefix + "Dis").c_str(), i), r.record.dbDis[s]);
      v.Int(Indexed((prefix + "AxesNo").c_str(), i), r.record.iAxes[s]);
    }
  }
}

struct LayoutReader {
  CProfileFile& file;
  void Text(const std::string& key, std::string& field) { file.ReadString(key, field); }
  void Int(const std::string& key, std::int32_t& field) { file.ReadInt(key, field); }
  void Real(const std::string& key, double& field) { file.ReadDouble(key, field); }
};

struct LayoutWriter {
  CProfileFile& file;
  void Text(const std::string& key, const std::string& field) { file.WriteString(key, field); }
  void Int(const std::string& key, std::int32_t field) { file.WriteInt(key, field); }
  void Real(const std::string& key, double field) { file.WriteDouble(key, field); }
};

void WriteLayout() {
  ProfileFile.WriteSection("SysParamSetting");
  LayoutWriter writer{ProfileFile};
  VisitLayout(SysParams, writer);
  ProfileFile.Close();
}

void SetRunRecordDefaults(MotionCommand& r, std::int32_t code) {
  r = MotionCommand{};
  r.iCodeType = code;
  for (std::size_t i = 0; i < 4; ++i) {
    r.iAxes[i] = static_cast<std::int32_t>(i + 1);
    r.dbAccSpd[i] = 20.0;
    r.dbHighSpd[i] = 50.0;
    r.dbLowSpd[i] = 20.0;
    r.dbDis[i] = 50.0;
  }
}

}  // namespace

void SysParamsRecord::Reset() { *this = SysParamsRecord{}; }

void SysParamsRecord::SetDefaults() {
  Reset();
  Ctrler = 1;
  LangVer = 1;
  CheckTime = 0.0;
  for (std::size_t i = 0; i < kAxisEntries; ++i) {
    Unit[i] = 0;
    Equip[i] = 0;
    MotorPulse[i] = 3200.0;
    MotorRatio[i] = 1.0;
    FeedBack[i] = 0.0;
    Guide[i] = 4.0;
    Error[i] = 1.0;
    Dir[i] = 1;
    HighSpd[i] = 50.0;
    LowSpd[i] = 30.0;
    AccSpd[i] = 20.0;
    Expiation[i] = 10.0;
    PulseType[i] = 1;
    HomeType[i] = 0;
    EncFreq[i] = 4;
    AlarmEffLev[i] = 0;
    OrgEffLev[i] = 1;
    ElEffLev[i] = 0;
    SdEffLev[i] = 0;
    PMoveSetLowSpd[i] = 30.0;
    PMoveSetHighSpd[i] = 50.0;
    PMoveSetAccSpd[i] = 20.0;
    PMoveSetStep[i] = 50.0;
  }
  SetRunRecordDefaults(PtoPRunRecord, code::kConstPtoP1);
  SetRunRecordDefaults(LinearRunRecord, code::kConstLine2);
  SetRunRecordDefaults(CircularRunRecord, code::kArc);
  CircularRunRecord.dbDis[3] = 0.0;  // the ellipse ratio
}

void SetSysParamsFolder(std::string folder) {
  folderOverride = WithSlash(std::move(folder));
}

void SetSysParamsProgramFolderForTesting(std::string folder) {
  programFolderOverride = WithSlash(std::move(folder));
}

std::string DefaultSysParamsFolder(const std::string& programFolder) {
  const std::string folder = WithSlash(programFolder);
  if (folder.empty()) return {};
  // An installed program never writes beside itself, even where it could
  // (root, or a prefix of the user's own).
  const std::string libraries = platform::InstalledLibraryFolder(folder);
  const bool installed = !libraries.empty() && platform::IsFolder(libraries);
  if (!installed && platform::FolderWritable(folder)) return folder;
  const std::string config = platform::UserConfigFolder();
  // Without a home the file beside the program is still read; saves fail
  // with the create message.
  if (config.empty()) return folder;
  return config + kUserFolderName + "/";
}

std::string SysParamsFolder() {
  return folderOverride.empty() ? DefaultSysParamsFolder(ProgramFolder()) : folderOverride;
}

void LoadSysParams() {
  const std::string programFolder = ProgramFolder();
  const std::string folder = SysParamsFolder();
  if (folder.empty()) {
    Operator().MessageBox("Error:The file path is wrong!", kAppTitle, BoxButtons::Ok, BoxIcon::None);
    return;
  }
  SysParamsPath = folder + kFileName;
  // The user's own folder is made on first use and starts from the file
  // beside the program when there is one; from then on it is the user's.
  std::string seed;
  if (folderOverride.empty() && folder != WithSlash(programFolder)) {
    platform::MakeFolders(folder);
    const std::string beside = WithSlash(programFolder) + kFileName;
    if (access(SysParamsPath.c_str(), F_OK) != 0 && access(beside.c_str(), F_OK) == 0) seed = beside;
  }
  if (ProfileFile.OpenRead(seed.empty() ? SysParamsPath : seed) == 0) {
    LayoutReader reader{ProfileFile};
    VisitLayout(SysParams, reader);
    ProfileFile.Close();
    if (seed.empty()) return;
    if (ProfileFile.OpenWrite(SysParamsPath) == 0) WriteLayout();
    return;
  }
  SysParams.SetDefaults();
  if (ProfileFile.OpenWrite(SysParamsPath) != 0) return;
  WriteLayout();
}

void SaveSysParams() {
  if (ProfileFile.OpenWrite(SysParamsPath) != 0) return;
  WriteLayout();
}
