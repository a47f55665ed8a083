// The partition file (.par) MariaDB and MySQL 5.x keep beside the
// definition of a partitioned table: the names of its partitions (and
// subpartitions) in the server's order, and the storage engine of each.
//
// The file is a block of 32-bit little-endian words: the block's length in
// words, a checksum (every word of the block XORed gives zero), the number
// of partitions counting each subpartition, the engine codes one byte a
// partition (padded to whole words), the length in bytes of the names, and
// the names, each ended by a zero byte, as the server writes them into file
// names ("p0", "p0#SP#p0sp0", "zero@002dpart"). MariaDB adds words after the
// block (connect strings); they are not read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/status.h"

namespace rowmender {

// The most partitions (subpartitions counted) a table may have.
inline constexpr std::size_t kMaxPartitions = 8192;

// The engine code a partitioned table's definition file keeps in its
// header (byte 3): its rows are in the files of its partitions.
inline constexpr std::uint8_t kEnginePartitioned = 20;

// How the file name of a partition joins the table's and the partition's,
// and a partition's and its subpartition's (lower case on systems whose
// file names ignore case).
inline constexpr std::string_view kPartitionMarker = "#P#";
inline constexpr std::string_view kSubpartitionMarker = "#SP#";

struct PartitionFile {
  // The name of each partition's files after the table's name and "#P#".
  std::vector<std::string> names;
  // The storage engine code of each partition.
  std::vector<std::uint8_t> engines;
  // The checksum does not match: the names were read all the same.
  bool checksumMismatch = false;
  // Why the names come from the definition file's partition clause rather
  // than from a .par; empty when they come from a .par.
  std::string fromDefinition;
};

// Decodes a whole .par file; a status says what is damaged. Names that
// could reach outside the folder (holding '/', '\\', or "." or "..") are
// refused as damage.
Status ParsePartitionFile(ByteView file, PartitionFile& out);

// The partitions a partitioned table's definition file (.frm) names in the
// PARTITION BY clause it keeps in its extra segment (after the connect
// string and the engine name "partition"), for a table whose .par is gone
// or was never written (MySQL 5.7's InnoDB partitions): the names listed,
// or those the server gives ("p0", "p0sp0", ...) where only counts are
// given, in file name form; the engine is the header's.
Status PartitionFileFromDefinition(ByteView definition, PartitionFile& out);

// The engine of the partitions a partitioned table's definition file
// names in its header (byte 61, "default_part_db_type"); 0 when the
// header is too short.
std::uint8_t DefinitionPartitionEngine(ByteView definitionHeader);

// The position of the partition marker in a file name stem ("t#P#p0":
// 1), matched without regard to case; npos when it has none.
std::size_t PartitionMarkerAt(std::string_view stem);

}  // namespace rowmender
