// Where a save's statements go: script files in a folder, or a live
// server over its connection.
#pragma once

#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "export/save/save_objects.h"
#include "export/server_connection.h"

namespace rowmender {

class SaveTarget {
 public:
  virtual ~SaveTarget() = default;

  // Starts the statements of one object. False, with `error`, when they
  // have nowhere to go (such an error ends the save).
  virtual bool BeginObject(const SaveObject& object, std::string& error) = 0;
  // One statement, without its closing semicolon. False, with the
  // server's text in `error`, when it failed.
  virtual bool Execute(const std::string& statement, std::string& error) = 0;
  // A comment line for a reader of the script (nothing on a server).
  virtual void Comment(const std::string& text) = 0;
  // The CREATE TRIGGER statements of a trigger file: a script gets them in
  // DELIMITER blocks, a server runs each one and `report` gets its log
  // line ("Trigger Created Successfully." or "Error executing Trigger.").
  virtual bool WriteTriggers(const std::string& triggerFilePath,
                             const std::function<void(const std::string&)>& report,
                             std::string& error) = 0;
  // Ends the current object. False, with `error`, when its output could
  // not be completed.
  virtual bool EndObject(std::string& error) = 0;
  // Ends the save (a script folder gets its restore.sql).
  virtual bool Finish(std::string& error) = 0;

  // A failed statement can be told apart from a failed row: a server
  // answers each statement, so a failed batch is retried row by row.
  virtual bool RetriesRows() const = 0;
  // The target still takes statements (a server connection is alive).
  virtual bool Alive() = 0;
};

// The file that loads every script of a save in the right order, in the
// save folder.
inline constexpr const char* kRestoreScriptName = "restore.sql";

// Writes every statement into one stream (a file of its own per table in
// an export, or standard output), as the scripts of a save are written.
class StreamTarget : public SaveTarget {
 public:
  // `name` names the stream in messages.
  StreamTarget(std::ostream& out, std::string name) : out_(out), name_(std::move(name)) {}

  bool BeginObject(const SaveObject& object, std::string& error) override;
  bool Execute(const std::string& statement, std::string& error) override;
  void Comment(const std::string& text) override;
  bool WriteTriggers(const std::string& triggerFilePath,
                     const std::function<void(const std::string&)>& report,
                     std::string& error) override;
  bool EndObject(std::string& error) override;
  bool Finish(std::string&) override { return true; }
  bool RetriesRows() const override { return false; }
  bool Alive() override { return static_cast<bool>(out_); }

 private:
  bool WriteRaw(std::string_view text);

  std::ostream& out_;
  std::string name_;
};

// Writes one folder per database into `folder` and one script per object:
// "<table>.sql", "<view>.view.sql", "<table>.trigger.sql". restore.sql
// SOURCEs them in order: tables, then views, then triggers.
//
// A folder that holds an earlier save is written over only when the
// caller says so (after asking; see EarlierSaveFiles): with
// `replaceEarlierSave`, Finish removes the scripts the earlier restore.sql
// names that this save has not written, so the folder holds this save
// alone. Nothing but such scripts is ever removed.
class ScriptTarget : public SaveTarget {
 public:
  explicit ScriptTarget(std::string folder, bool replaceEarlierSave = false);

  bool BeginObject(const SaveObject& object, std::string& error) override;
  bool Execute(const std::string& statement, std::string& error) override;
  void Comment(const std::string& text) override;
  bool WriteTriggers(const std::string& triggerFilePath,
                     const std::function<void(const std::string&)>& report,
                     std::string& error) override;
  bool EndObject(std::string& error) override;
  bool Finish(std::string& error) override;
  bool RetriesRows() const override { return false; }
  bool Alive() override { return static_cast<bool>(file_); }

  // The scripts written so far, relative to the folder, in restore order.
  std::vector<std::string> Scripts() const;

  // After Finish: the earlier save's scripts it removed (relative paths),
  // and one line for each it could not remove.
  const std::vector<std::string>& RemovedScripts() const { return removed_; }
  const std::vector<std::string>& RemovalProblems() const { return removalProblems_; }

 private:
  // Removes the scripts `earlierRestore` (the text of the earlier
  // restore.sql) names that this save has not begun.
  void RemoveStaleScripts(const std::string& earlierRestore);

  std::string folder_;
  bool replaceEarlierSave_ = false;
  // Every script begun, relative to the folder.
  std::set<std::string> begun_;
  std::vector<std::string> removed_;
  std::vector<std::string> removalProblems_;
  std::ofstream file_;
  // Writes the statements of the current object into `file_`.
  std::unique_ptr<StreamTarget> stream_;
  std::string currentPath_;
  std::string currentRelative_;
  SaveObjectKind currentKind_ = SaveObjectKind::kTable;
  // File names taken so far, per database folder.
  std::map<std::string, std::set<std::string>> taken_;
  // Relative script paths by restore rank.
  std::vector<std::string> tables_;
  std::vector<std::string> views_;
  std::vector<std::string> triggers_;
};

// Runs every statement on a server connection.
class ServerTarget : public SaveTarget {
 public:
  explicit ServerTarget(ServerConnection& connection) : connection_(connection) {}

  bool BeginObject(const SaveObject& object, std::string& error) override;
  bool Execute(const std::string& statement, std::string& error) override;
  void Comment(const std::string&) override {}
  bool WriteTriggers(const std::string& triggerFilePath,
                     const std::function<void(const std::string&)>& report,
                     std::string& error) override;
  bool EndObject(std::string&) override { return true; }
  bool Finish(std::string&) override { return true; }
  bool RetriesRows() const override { return true; }
  bool Alive() override;

 private:
  ServerConnection& connection_;
};

// The files of an earlier save in `folder` that a save of `objects` would
// write over: its restore.sql, its recovery report, and the scripts that
// have the names the objects' scripts get (relative paths). Empty when the
// folder holds none of them.
std::vector<std::string> EarlierSaveFiles(const std::string& folder,
                                          const std::vector<SaveObject>& objects);

// One line naming them for a question or a refusal: "restore.sql,
// shop/orders.sql and 3 more".
std::string DescribeEarlierSave(const std::vector<std::string>& files);

// A file name for a database or object name: characters a file name or
// the client's SOURCE command cannot carry become '_' (separators, control
// characters, backslash, semicolon; leading and trailing blanks and dots).
std::string ScriptFileName(std::string_view name);

}  // namespace rowmender
