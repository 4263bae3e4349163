#pragma once
// The bindings of the three card libraries: CCardLibA (ORVA), CCardLibB (ORVB)
// and CCardLibC (ORVC). Each holds the library's module handle and one entry
// per export of its model, in the order of the model's export list in
// CardAbi.h. An entry is the export's address, or null when the library lacks
// it. Only CCardDriver reads the entries.

#include <array>
#include <cstddef>
#include <string_view>

#include "card/CardAbi.h"
#include "platform/DynamicLibrary.h"

namespace card {

// What an entry holds: the export's address as a generic function pointer,
// cast to its real signature only at the call.
using EntryAddress = void (*)();

#define TESSOR_CARD_EXPORT_NAME(name) std::string_view{#name},

struct TableA {
  static constexpr std::string_view kBaseName = "ORVA";
  using Signatures = cardabi::SignaturesA;
  static constexpr std::array kExports = {TESSOR_ORVA_EXPORTS(TESSOR_CARD_EXPORT_NAME)};
};

struct TableB {
  static constexpr std::string_view kBaseName = "ORVB";
  using Signatures = cardabi::SignaturesB;
  static constexpr std::array kExports = {TESSOR_ORVB_EXPORTS(TESSOR_CARD_EXPORT_NAME)};
};

struct TableC {
  static constexpr std::string_view kBaseName = "ORVC";
  using Signatures = cardabi::SignaturesC;
  static constexpr std::array kExports = {TESSOR_ORVC_EXPORTS(TESSOR_CARD_EXPORT_NAME)};
};

#undef TESSOR_CARD_EXPORT_NAME

// The base name of the library of model `ctrler` (0 ORVA, 1 ORVB, 2 ORVC);
// empty for any other value. The names are literals, so `.data()` is a C
// string.
constexpr std::string_view ModelBaseName(int ctrler) {
  switch (ctrler) {
    case 0:
      return TableA::kBaseName;
    case 1:
      return TableB::kBaseName;
    case 2:
      return TableC::kBaseName;
    default:
      return "";
  }
}

// The binding of one model's library. Construction loads the library by base
// name and binds every export of the table by exact name; when `auto_set` or
// `init_board` is missing the library is released again and the binding stays
// empty (handle and every entry null). Nothing reports the failure here: card
// initialisation sees it as a result of 0 from the driver.
template <typename Table>
class Binding {
 public:
  using Signatures = typename Table::Signatures;
  static constexpr std::size_t kEntryCount = Table::kExports.size();

  // The model's own base name; tests may bind another one.
  explicit Binding(std::string_view baseName = Table::kBaseName) { static_cast<void>(Bind(baseName)); }
  virtual ~Binding() { platform::ReleaseModule(module); }
  Binding(const Binding&) = delete;
  Binding& operator=(const Binding&) = delete;

  // Position of an export in the model's list, or -1 when the model lacks it.
  static constexpr int IndexOf(std::string_view name) {
    for (std::size_t i = 0; i < kEntryCount; ++i) {
      if (Table::kExports[i] == name) return static_cast<int>(i);
    }
    return -1;
  }

  static constexpr std::string_view ExportName(std::size_t index) { return Table::kExports[index]; }

  // The entry at `index` as a function of type F (one of Signatures' types).
  template <typename F>
  F* Entry(std::size_t index) const {
    return reinterpret_cast<F*>(entries[index]);
  }

  platform::ModuleHandle module = nullptr;
  std::array<EntryAddress, kEntryCount> entries{};

 private:
  // 0 when the library is held with auto_set and init_board; -1 otherwise,
  // with everything released and cleared.
  int Bind(std::string_view baseName) {
    module = platform::LoadModule(baseName);
    if (module == nullptr) return -1;
    for (std::size_t i = 0; i < kEntryCount; ++i) {
      const std::string_view name = Table::kExports[i];
      // The list's names are literals, so data() is NUL-terminated.
      entries[i] = reinterpret_cast<EntryAddress>(platform::FindExport(module, name.data()));
    }
    constexpr int autoSet = IndexOf("auto_set");
    constexpr int initBoard = IndexOf("init_board");
    if (entries[autoSet] != nullptr && entries[initBoard] != nullptr) return 0;
    platform::ReleaseModule(module);
    module = nullptr;
    entries.fill(nullptr);
    return -1;
  }
};

}  // namespace card

class CCardLibA : public card::Binding<card::TableA> {
 public:
  using Binding::Binding;
};

class CCardLibB : public card::Binding<card::TableB> {
 public:
  using Binding::Binding;
};

class CCardLibC : public card::Binding<card::TableC> {
 public:
  using Binding::Binding;
};
