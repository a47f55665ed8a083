// The engines' table sources, opened by TableSource::Open once the
// definition is read.
#pragma once

#include <memory>

#include "base/status.h"
#include "definitions/table_definition.h"
#include "tables/table_source.h"

namespace rowmender {

// A MyISAM table: the .MYD read with the record format the .MYI gives.
Status OpenMyisamSource(TableDefinition table, const TableFiles& files, const ReadOptions& options,
                        std::unique_ptr<TableSource>& out);

// An Aria table: the .MAD read with the record format the .MAI gives
// (PAGE rows by Aria's own reader, FIXED and DYNAMIC ones as MyISAM's).
Status OpenAriaSource(TableDefinition table, const TableFiles& files, const ReadOptions& options,
                      std::unique_ptr<TableSource>& out);

// An InnoDB table: its own .ibd, or the system tablespace the dictionary
// places it in.
Status OpenInnoSource(TableDefinition table, const TableFiles& files, const ReadOptions& options,
                      std::unique_ptr<TableSource>& out);

// A table of the CSV engine: read when its .CSV is empty (a table without
// rows), refused with the reason otherwise.
Status OpenCsvSource(TableDefinition table, const TableFiles& files, const ReadOptions& options,
                     std::unique_ptr<TableSource>& out);

// A partitioned table: the partitions its .par names, each read as a table
// of its engine, one after the other; with a partition's own stem
// ("t#P#p0") in `files.tableName`, that partition alone.
Status OpenPartitionedSource(TableDefinition table, const TableFiles& files,
                             const ReadOptions& options, std::unique_ptr<TableSource>& out);

}  // namespace rowmender
