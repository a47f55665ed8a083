// The names of the storage engines a definition file's header names by
// code (the server's legacy_db_type).
#pragma once

#include <cstdint>
#include <string_view>

namespace rowmender {

// The server's name of the engine of `code` ("InnoDB", "MEMORY",
// "partition" for a partitioned table, ...); empty for a code it does not
// give a name here.
std::string_view StorageEngineName(std::uint8_t code);

}  // namespace rowmender
