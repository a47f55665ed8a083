// The names of the storage engines a definition file's header names by
// code (the server's legacy_db_type).
#pragma once

#include <cstdint>
#include <string_view>

namespace rowmender {

// Codes of engines whose rows are not read (the others are in
// table_definition.h and partition_file.h).
inline constexpr std::uint8_t kEngineMemory = 6;
inline constexpr std::uint8_t kEngineMerge = 10;
inline constexpr std::uint8_t kEngineArchive = 16;
inline constexpr std::uint8_t kEngineFederated = 18;
inline constexpr std::uint8_t kEngineBlackhole = 19;

// The server's name of the engine of `code` ("InnoDB", "MEMORY",
// "partition" for a partitioned table, ...); empty for a code it does not
// give a name here.
std::string_view StorageEngineName(std::uint8_t code);

}  // namespace rowmender
