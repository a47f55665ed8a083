#include "definitions/engine_names.h"

#include <array>
#include <utility>

#include "definitions/partition_file.h"
#include "definitions/table_definition.h"

namespace rowmender {

namespace {

constexpr std::array<std::pair<std::uint8_t, std::string_view>, 10> kEngineNames{{
    {kEngineMemory, "MEMORY"},
    {kEngineMyIsam, "MyISAM"},
    {kEngineMerge, "MRG_MyISAM"},
    {kEngineInnoDb, "InnoDB"},
    {kEngineArchive, "ARCHIVE"},
    {kEngineCsv, "CSV"},
    {kEngineFederated, "FEDERATED"},
    {kEngineBlackhole, "BLACKHOLE"},
    {kEnginePartitioned, "partition"},
    {kEngineAria, "Aria"},
}};

}  // namespace

std::string_view StorageEngineName(std::uint8_t code) {
  for (const auto& [known, name] : kEngineNames) {
    if (known == code) return name;
  }
  return {};
}

}  // namespace rowmender
