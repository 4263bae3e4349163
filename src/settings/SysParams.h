#pragma once
// The machine and operator settings kept in sysparam.cfg: one global
// record, fields named by their file keys. Per-axis arrays have 16 entries,
// index = axis number - 1.
//
// Where the file lives: in the program's folder, as the program has always
// kept it, while that folder is writable. When it is not, or when the
// program runs from an installed tree (a bin folder with lib/tessor beside
// it), in the user's configuration folder, $XDG_CONFIG_HOME/tessor/
// (~/.config/tessor/ by default), made on first use and started from a
// sysparam.cfg in the program's folder when one is there.

#include <cstdint>
#include <string>

#include "program/MotionCommand.h"

inline constexpr int kAxisEntries = 16;

// The default Chinese caption "电动平移台应用软件" as the file holds it (GBK).
inline constexpr const char* kDefaultTitleChs =
    "\xB5\xE7\xB6\xAF\xC6\xBD\xD2\xC6\xCC\xA8\xD3\xA6\xD3\xC3\xC8\xED\xBC\xFE";
inline constexpr const char* kDefaultTitleEng = "Kinolt Software";

struct SysParamsRecord {
  std::string TitleNameChs = kDefaultTitleChs;  // GBK bytes, decoded for display
  std::string TitleNameEng = kDefaultTitleEng;
  std::int32_t Ctrler = 0;    // 0 ORVA, 1 ORVB, 2 ORVC
  std::int32_t UnitLine = 0;  // 0 pulse, 1 mm, 2 micron
  std::int32_t UnitCir = 0;   // 0 pulse, 3 degree
  double CheckTime = 3.0;     // settle time before an encoder check, s
  std::int32_t Input = 0;     // real-time correction while idle
  std::int32_t LangVer = 0;   // 0 English, 1 Chinese

  std::int32_t Unit[kAxisEntries] = {};
  std::int32_t Equip[kAxisEntries] = {};  // 0 linear stage, 1 rotary stage
  double MotorPulse[kAxisEntries] = {};
  double MotorRatio[kAxisEntries] = {};
  double FeedBack[kAxisEntries] = {};
  double Guide[kAxisEntries] = {};
  double Error[kAxisEntries] = {};
  std::int32_t Dir[kAxisEntries] = {};
  double HighSpd[kAxisEntries] = {};
  double LowSpd[kAxisEntries] = {};
  double AccSpd[kAxisEntries] = {};
  double Expiation[kAxisEntries] = {};
  std::int32_t PulseType[kAxisEntries] = {};
  std::int32_t HomeType[kAxisEntries] = {};
  std::int32_t EncFreq[kAxisEntries] = {};
  std::int32_t AlarmEffLev[kAxisEntries] = {};
  std::int32_t OrgEffLev[kAxisEntries] = {};
  std::int32_t ElEffLev[kAxisEntries] = {};
  std::int32_t SdEffLev[kAxisEntries] = {};
  double PMoveSetLowSpd[kAxisEntries] = {};
  double PMoveSetHighSpd[kAxisEntries] = {};
  double PMoveSetAccSpd[kAxisEntries] = {};
  double PMoveSetStep[kAxisEntries] = {};

  // The last command of each direct-motion tab (file prefixes Line, Inter,
  // Arc); the delay is not stored.
  MotionCommand PtoPRunRecord{};
  MotionCommand LinearRunRecord{};
  MotionCommand CircularRunRecord{};

  // The values before loading: every number 0, CheckTime 3, the captions.
  void Reset();
  // The values a missing file is created with.
  void SetDefaults();
};

extern SysParamsRecord SysParams;

// The file's full path; LoadSysParams computes it, SaveSysParams reuses it.
extern std::string SysParamsPath;

// Fills SysParams from the file, or sets the defaults and writes them.
void LoadSysParams();
// Rewrites the whole file from SysParams.
void SaveSysParams();

// The folder of sysparam.cfg instead of the one chosen as above: the
// headless runner's --dir and the tests; empty restores the choice.
void SetSysParamsFolder(std::string folder);

// The folder LoadSysParams uses, ending in '/': the one set with
// SetSysParamsFolder, else DefaultSysParamsFolder of the program's folder.
// Empty when the program's folder is unknown.
std::string SysParamsFolder();

// The folder of sysparam.cfg for a program in `programFolder`, as described
// at the top. Nothing is made.
std::string DefaultSysParamsFolder(const std::string& programFolder);

// Tests stand a folder of their own in for the program's; empty restores it.
void SetSysParamsProgramFolderForTesting(std::string folder);
