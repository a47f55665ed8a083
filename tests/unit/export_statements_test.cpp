#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/paths.h"
#include "export/statements.h"
#include "support/test_paths.h"

namespace rowmender {
namespace {

using testing::ReadText;
using testing::SampleDataFolder;
using testing::SampleTruthFolder;
using testing::ScratchFolder;

std::vector<std::string> Tokens(const std::string& text, const std::string& delimiter) {
  CToken tokens(text);
  if (!delimiter.empty()) tokens.SetDelimiter(delimiter);
  std::vector<std::string> pieces;
  while (tokens.HasMoreTokens())
    pieces.push_back(tokens.NextToken());
  return pieces;
}

TEST(CToken, HandsOutThePiecesBetweenDelimiters) {
  EXPECT_EQ(Tokens("a b c", ""), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(Tokens("x--y----z", "--"), (std::vector<std::string>{"x", "y", "", "z"}));
  EXPECT_EQ(Tokens("--lead", "--"), (std::vector<std::string>{"", "lead"}));
  EXPECT_EQ(Tokens("trail--", "--"), (std::vector<std::string>{"trail", ""}));
  // Without the delimiter a loop on HasMoreTokens gets no piece at all.
  EXPECT_TRUE(Tokens("nodelimiter", "--").empty());
  EXPECT_TRUE(Tokens("", "--").empty());
}

TEST(StoredEscapes, DecodeAsTheServerWroteThem) {
  const struct {
    const char* stored;
    std::string decoded;
  } cases[] = {
      {R"(a\nb)", "a\nb"},
      {R"(C:\\dir)", R"(C:\dir)"},
      {R"(it\'s)", "it's"},
      {R"(\\n)", R"(\n)"},
      {R"(nul\0z\z)", std::string("nul\0z\x1A", 6)},
      {R"(keep \x and \)", R"(keep \x and \)"},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DecodeStoredEscapes(c.stored), c.decoded) << c.stored;
}

TEST(ViewStatement, RebuildsTheSampleViewsAsTheServerShowsThem) {
  // The server's own SHOW CREATE VIEW names the view with its database; the
  // rebuilt statement names it alone.
  for (const char* view : {"v_order_overview", "v_newsletter_customers"}) {
    std::string truth = ReadText(SampleTruthFolder() + "/shop/" + view + ".view.sql");
    ASSERT_FALSE(truth.empty()) << view;
    while (!truth.empty() && truth.back() == '\n')
      truth.pop_back();
    const std::string qualified = "`shop`.`" + std::string(view) + "`";
    truth.replace(truth.find(qualified), qualified.size(), "`" + std::string(view) + "`");
    EXPECT_EQ(BuildViewStatement(SampleDataFolder() + "/shop/" + view + ".frm"), truth);
  }
}

TEST(ViewStatement, TakesOnlyALineBeginningWithQuery) {
  ScratchFolder scratch;
  const std::string prefix =
      "CREATE ALGORITHM=UNDEFINED DEFINER=`root`@`localhost` SQL SECURITY DEFINER VIEW ";
  EXPECT_EQ(BuildViewStatement(scratch.Write("v1.frm", "TYPE=VIEW\r\nquery=select 1\r\nx=2\n")),
            prefix + "`v1` AS select 1;");
  EXPECT_EQ(BuildViewStatement(scratch.Write("v2.frm", "TYPE=VIEW\n query=select 1\n")),
            prefix + "`v2` AS ;");
  EXPECT_EQ(BuildViewStatement(scratch.Write("v3.frm", "TYPE=VIEW\nsource=a\n")),
            prefix + "`v3` AS ;");
  // A file name without a full stop gives an empty view name.
  EXPECT_EQ(BuildViewStatement(scratch.Write("noext", "query=select 2\n")),
            prefix + "`` AS select 2;");
  EXPECT_EQ(BuildViewStatement((scratch.Path() / "missing.frm").string()), "");
}

TEST(ViewStatement, ReadsAReadOnlyFileAndConvertsLatin1Lines) {
  ScratchFolder scratch;
  const std::string path = scratch.Write("ro.frm", "TYPE=VIEW\nquery=select \'\xE9\'\n");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  EXPECT_EQ(BuildViewStatement(path),
            "CREATE ALGORITHM=UNDEFINED DEFINER=`root`@`localhost` SQL SECURITY DEFINER VIEW "
            "`ro` AS select '\xC3\xA9';");
}

constexpr const char* kOrdersTriggers =
    "DELIMITER $$\n"
    "CREATE TRIGGER orders_currency_upper BEFORE INSERT ON orders FOR EACH ROW SET NEW.currency "
    "= UPPER(NEW.currency)\n"
    "$$\nDELIMITER ;\n"
    "DELIMITER $$\n"
    "CREATE TRIGGER orders_status_history AFTER UPDATE ON orders FOR EACH ROW\n"
    "BEGIN\n"
    "  -- keep a trail of every status change\n"
    "  IF NOT (OLD.status <=> NEW.status) THEN\n"
    "    INSERT INTO order_history (order_id, old_status, new_status, note)\n"
    "    VALUES (NEW.id, OLD.status, NEW.status,\n"
    "            CONCAT('status changed from ''', OLD.status, ''' to ''', NEW.status, "
    "''''));\n"
    "  END IF;\n"
    "END\n"
    "$$\nDELIMITER ;\n";

TEST(TriggerStatements, RebuildsTheSampleTriggersWithTheirLinesAndQuotes) {
  EXPECT_EQ(
      BuildTriggerStatements(SampleDataFolder() + "/shop/orders.TRG", StatementMode::kPreview),
      kOrdersTriggers);
  EXPECT_EQ(BuildTriggerStatements(SampleDataFolder() + "/shop/orders.TRG", StatementMode::kScript),
            kOrdersTriggers);
}

TEST(TriggerStatements, CasesOfTheTriggersLine) {
  ScratchFolder scratch;
  const struct {
    const char* file;
    const char* expected;
  } cases[] = {
      {"TYPE=TRIGGERS\ntriggers='CREATE DEFINER=`u`@`h` TRIGGER t1 BEFORE INSERT ON a FOR EACH "
       "ROW SET x = 1'\n",
       "DELIMITER $$\nCREATE TRIGGER t1 BEFORE INSERT ON a FOR EACH ROW SET x = 1\n$$\n"
       "DELIMITER ;\n"},
      // Statements written without a definer are not split out.
      {"triggers='CREATE TRIGGER t1 BEFORE INSERT ON a FOR EACH ROW SET x = 1'\n", ""},
      {"TYPE=TRIGGERS\ntriggers=\n", ""},
      {"TYPE=TRIGGERS\nsql_modes=0\n", ""},
      // A body ending in a quoted string loses its closing quote, as every
      // trailing apostrophe is removed.
      {"triggers='CREATE DEFINER=`u`@`h` TRIGGER t2 AFTER DELETE ON a FOR EACH ROW SET @s = "
       "\\'end\\''\n",
       "DELIMITER $$\nCREATE TRIGGER t2 AFTER DELETE ON a FOR EACH ROW SET @s = 'end\\\n$$\n"
       "DELIMITER ;\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildTriggerStatements(scratch.Write("t.TRG", c.file), StatementMode::kPreview),
              c.expected)
        << c.file;
  }
  EXPECT_EQ(BuildTriggerStatements((scratch.Path() / "none.TRG").string(), StatementMode::kPreview),
            "");
}

class RecordingConnection : public ServerConnection {
 public:
  bool Execute(const std::string& statement, std::string& error) override {
    statements.push_back(statement);
    if (statements.size() == failOn) {
      error = "denied";
      return false;
    }
    return true;
  }
  std::vector<std::string> statements;
  std::size_t failOn = 0;
};

TEST(TriggerStatements, DatabaseModeRunsEachStatementAndReportsEachOutcome) {
  const std::string path = SampleDataFolder() + "/shop/orders.TRG";
  RecordingConnection connection;
  connection.failOn = 1;
  std::vector<std::string> lines;
  TriggerTarget target{&connection, [&](const std::string& line) { lines.push_back(line); }};
  EXPECT_EQ(BuildTriggerStatements(path, StatementMode::kDatabase, target), "");
  ASSERT_EQ(connection.statements.size(), 2u);
  EXPECT_EQ(connection.statements[0],
            "CREATE TRIGGER orders_currency_upper BEFORE INSERT ON orders FOR EACH ROW SET "
            "NEW.currency = UPPER(NEW.currency)");
  EXPECT_EQ(connection.statements[1].substr(0, 31), "CREATE TRIGGER orders_status_hi");
  EXPECT_EQ(lines, (std::vector<std::string>{"Error executing Trigger.",
                                             "Trigger Created Successfully."}));

  lines.clear();
  TriggerTarget noConnection{nullptr, [&](const std::string& line) { lines.push_back(line); }};
  EXPECT_EQ(BuildTriggerStatements(path, StatementMode::kDatabase, noConnection), "");
  EXPECT_EQ(lines,
            (std::vector<std::string>{"Error executing Trigger.", "Error executing Trigger."}));
}

TEST(TriggerStatements, ModeFollowsTheSaveFlags) {
  CTarnSalvorProjApp app{CollationTable{}};
  EXPECT_EQ(StatementModeFor(app), StatementMode::kPreview);
  app.saveToDatabaseMode = true;
  EXPECT_EQ(StatementModeFor(app), StatementMode::kDatabase);
  app.saveAsScriptMode = true;
  EXPECT_EQ(StatementModeFor(app), StatementMode::kScript);
}

}  // namespace
}  // namespace rowmender
