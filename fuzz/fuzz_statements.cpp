// Feeds arbitrary bytes to the text-file readers of the application layer:
// the view and trigger statement builders (as view file and trigger file),
// the escape decoder, the tokenizer, the CSV field quoting and the
// definition-file probe of the scan.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/data_folder_scan.h"
#include "export/csv_export.h"
#include "export/statements.h"

namespace {

class FailingConnection : public rowmender::ServerConnection {
 public:
  bool Execute(const std::string&, std::string& error) override {
    error = "no server";
    return false;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const rowmender::ByteView bytes(data, size);
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  (void)rowmender::BuildViewStatementFromFile(bytes, "v");
  (void)rowmender::BuildTriggerStatementsFromFile(bytes, rowmender::StatementMode::kPreview);
  FailingConnection connection;
  std::size_t reports = 0;
  rowmender::TriggerTarget target{&connection, [&](const std::string&) { ++reports; }};
  (void)rowmender::BuildTriggerStatementsFromFile(bytes, rowmender::StatementMode::kDatabase,
                                                  target);

  (void)rowmender::DecodeStoredEscapes(text);
  const std::size_t split = size / 3;
  rowmender::CToken tokens(text.substr(split));
  tokens.SetDelimiter(text.substr(0, split % 8));
  std::size_t pieces = 0;
  while (tokens.HasMoreTokens() && pieces <= size + 1) {
    (void)tokens.NextToken();
    ++pieces;
  }
  if (pieces > size + 1) __builtin_trap();  // the tokenizer must end

  (void)rowmender::CsvField(text);
  (void)rowmender::CsvCaption(text);
  (void)rowmender::BuildCsvBytes({std::string(text)}, {{std::string(text)}});
  (void)rowmender::ClassifyDefinitionFile(bytes);
  return 0;
}
