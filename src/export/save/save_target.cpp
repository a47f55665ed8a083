#include "export/save/save_target.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/file_check.h"
#include "base/paths.h"
#include "export/save/recovery_report.h"
#include "export/statements.h"

namespace rowmender {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTableScriptSuffix = ".sql";
constexpr std::string_view kViewScriptSuffix = ".view.sql";
constexpr std::string_view kTriggerScriptSuffix = ".trigger.sql";
constexpr const char* kScriptHeader = "-- Rowmender v21.0 recovery script\n";
// How the first line of every script a save writes begins and ends,
// whatever version wrote it.
constexpr std::string_view kScriptHeaderStart = "-- Rowmender ";
constexpr std::string_view kScriptHeaderEnd = " recovery script";
constexpr std::string_view kSourceCommand = "SOURCE ";
// An earlier save named in a message: this many of its files by name.
constexpr std::size_t kNamedEarlierFiles = 3;
constexpr const char* kSetNames = "SET NAMES utf8mb4;\n";
constexpr const char* kSelectOne = "SELECT 1";
constexpr std::string_view kTriggerFileWhat = "the trigger file";

std::string_view SuffixOf(SaveObjectKind kind) {
  switch (kind) {
    case SaveObjectKind::kTable:
      return kTableScriptSuffix;
    case SaveObjectKind::kView:
      return kViewScriptSuffix;
    case SaveObjectKind::kTriggers:
      return kTriggerScriptSuffix;
  }
  return kTableScriptSuffix;
}

const char* KindWord(SaveObjectKind kind) {
  switch (kind) {
    case SaveObjectKind::kTable:
      return "table";
    case SaveObjectKind::kView:
      return "view";
    case SaveObjectKind::kTriggers:
      return "triggers of table";
  }
  return "table";
}

// A comment line: its text may not break the line.
std::string CommentLine(std::string_view text) {
  std::string line = "-- ";
  for (char c : text)
    line.push_back(c == '\n' || c == '\r' ? ' ' : c);
  line += '\n';
  return line;
}

std::string Unique(std::set<std::string>& taken, const std::string& stem, std::string_view suffix) {
  std::string name = stem + std::string(suffix);
  for (int n = 2; taken.count(name) != 0; ++n) {
    name = stem + "-" + std::to_string(n) + std::string(suffix);
  }
  taken.insert(name);
  return name;
}

// `relative` has the shape of a script a save names in restore.sql: a
// database folder and a .sql file in it, nothing that leads elsewhere.
bool IsScriptPath(std::string_view relative) {
  const std::size_t slash = relative.find('/');
  if (slash == std::string_view::npos || slash == 0) return false;
  const std::string_view folder = relative.substr(0, slash);
  const std::string_view file = relative.substr(slash + 1);
  const auto plain = [](std::string_view part) {
    return !part.empty() && part != "." && part != ".." &&
           part.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
  };
  return plain(folder) && plain(file) && file.size() > kTableScriptSuffix.size() &&
         file.ends_with(kTableScriptSuffix);
}

// The file at `path` is a plain file, in a folder that is no link to
// another place, whose first line is that of a script a save writes.
bool IsSavedScript(const fs::path& path) {
  std::error_code error;
  if (!fs::is_directory(fs::symlink_status(path.parent_path(), error))) return false;
  if (!fs::is_regular_file(fs::symlink_status(path, error))) return false;
  std::ifstream file(path, std::ios::binary);
  std::string first;
  if (!std::getline(file, first)) return false;
  return first.starts_with(kScriptHeaderStart) && first.ends_with(kScriptHeaderEnd);
}

// The name of `object`'s script in its database folder, one that no
// script before it in that folder has (`taken`).
std::string ScriptName(std::set<std::string>& taken, const SaveObject& object) {
  return Unique(taken, ScriptFileName(object.name), SuffixOf(object.kind));
}

}  // namespace

std::string ScriptFileName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    const bool unsafe = byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == ';';
    out.push_back(unsafe ? '_' : c);
  }
  for (std::size_t i = 0; i < out.size() && (out[i] == ' ' || out[i] == '.'); ++i)
    out[i] = '_';
  for (std::size_t i = out.size(); i > 0 && (out[i - 1] == ' ' || out[i - 1] == '.'); --i) {
    out[i - 1] = '_';
  }
  if (out.empty()) out = "_";
  return out;
}

std::vector<std::string> EarlierSaveFiles(const std::string& folder,
                                          const std::vector<SaveObject>& objects) {
  std::vector<std::string> found;
  std::error_code error;
  const auto there = [&](const std::string& relative) {
    if (fs::exists(fs::symlink_status(JoinPath(folder, relative), error)))
      found.push_back(relative);
  };
  there(kRestoreScriptName);
  there(kRecoveryReportName);
  std::map<std::string, std::set<std::string>> taken;
  for (const SaveObject& object : objects) {
    const std::string databaseFolder = ScriptFileName(object.databaseName);
    there(databaseFolder + "/" + ScriptName(taken[databaseFolder], object));
  }
  return found;
}

std::string DescribeEarlierSave(const std::vector<std::string>& files) {
  std::string text;
  const std::size_t named = std::min(files.size(), kNamedEarlierFiles);
  for (std::size_t i = 0; i < named; ++i) {
    if (i > 0) text += i + 1 == files.size() ? " and " : ", ";
    text += files[i];
  }
  if (files.size() > named) text += " and " + std::to_string(files.size() - named) + " more";
  return text;
}

ScriptTarget::ScriptTarget(std::string folder, bool replaceEarlierSave)
    : folder_(std::move(folder)), replaceEarlierSave_(replaceEarlierSave) {}

void ScriptTarget::RemoveStaleScripts(const std::string& earlierRestore) {
  std::istringstream lines(earlierRestore);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.starts_with(kSourceCommand)) continue;
    const std::string relative = line.substr(kSourceCommand.size());
    if (!IsScriptPath(relative) || begun_.count(relative) != 0) continue;
    const fs::path path = fs::path(folder_) / relative;
    if (!IsSavedScript(path)) continue;
    std::error_code error;
    if (fs::remove(path, error)) {
      removed_.push_back(relative);
    } else if (error) {
      removalProblems_.push_back("cannot remove " + path.string() +
                                 " of the earlier save: " + error.message());
    }
  }
}

bool ScriptTarget::BeginObject(const SaveObject& object, std::string& error) {
  const std::string databaseFolder = ScriptFileName(object.databaseName);
  const std::string folder = JoinPath(folder_, databaseFolder);
  std::error_code ignored;
  fs::create_directories(folder, ignored);
  const std::string fileName = ScriptName(taken_[databaseFolder], object);
  currentRelative_ = databaseFolder + "/" + fileName;
  begun_.insert(currentRelative_);
  currentPath_ = JoinPath(folder, fileName);
  currentKind_ = object.kind;
  stream_.reset();
  file_.close();
  file_.clear();
  file_.open(currentPath_, std::ios::binary | std::ios::trunc);
  if (!file_) {
    error = "cannot create " + currentPath_;
    return false;
  }
  stream_ = std::make_unique<StreamTarget>(file_, currentPath_);
  return stream_->BeginObject(object, error);
}

bool ScriptTarget::Execute(const std::string& statement, std::string& error) {
  return stream_ ? stream_->Execute(statement, error) : false;
}

void ScriptTarget::Comment(const std::string& text) {
  if (stream_) stream_->Comment(text);
}

bool ScriptTarget::WriteTriggers(const std::string& triggerFilePath,
                                 const std::function<void(const std::string&)>& report,
                                 std::string& error) {
  return stream_ ? stream_->WriteTriggers(triggerFilePath, report, error) : false;
}

bool ScriptTarget::EndObject(std::string& error) {
  const bool written = stream_ && stream_->EndObject(error);
  stream_.reset();
  file_.close();
  if (!written || file_.fail()) {
    error = "cannot write " + currentPath_;
    return false;
  }
  switch (currentKind_) {
    case SaveObjectKind::kTable:
      tables_.push_back(currentRelative_);
      break;
    case SaveObjectKind::kView:
      views_.push_back(currentRelative_);
      break;
    case SaveObjectKind::kTriggers:
      triggers_.push_back(currentRelative_);
      break;
  }
  return true;
}

std::vector<std::string> ScriptTarget::Scripts() const {
  std::vector<std::string> all = tables_;
  all.insert(all.end(), views_.begin(), views_.end());
  all.insert(all.end(), triggers_.begin(), triggers_.end());
  return all;
}

bool ScriptTarget::Finish(std::string& error) {
  // A save whose tables could none of them be read has made no folder yet.
  std::error_code ignored;
  fs::create_directories(folder_, ignored);
  const std::string path = JoinPath(folder_, kRestoreScriptName);
  std::string earlierRestore;
  if (replaceEarlierSave_) {
    std::ifstream earlier(path, std::ios::binary);
    std::ostringstream text;
    text << earlier.rdbuf();
    earlierRestore = text.str();
  }
  std::ofstream restore(path, std::ios::binary | std::ios::trunc);
  restore << kScriptHeader
          << "-- Loads every script of this save: tables, then views, then triggers.\n"
             "-- Run it from this folder, for example:\n"
             "--   mariadb --user=root --password --comments < "
          << kRestoreScriptName
          << "\n"
             "-- (--comments keeps the comments inside trigger bodies).\n";
  for (const std::string& script : Scripts())
    restore << "SOURCE " << script << "\n";
  restore.flush();
  if (!restore) {
    error = "cannot write " + path;
    return false;
  }
  if (replaceEarlierSave_) RemoveStaleScripts(earlierRestore);
  return true;
}

bool StreamTarget::WriteRaw(std::string_view text) {
  out_.write(text.data(), static_cast<std::streamsize>(text.size()));
  return static_cast<bool>(out_);
}

bool StreamTarget::BeginObject(const SaveObject& object, std::string& error) {
  std::string header = kScriptHeader;
  header += CommentLine(std::string(KindWord(object.kind)) + " " + object.QualifiedName());
  header += kSetNames;
  if (!WriteRaw(header)) {
    error = "cannot write " + name_;
    return false;
  }
  return true;
}

bool StreamTarget::Execute(const std::string& statement, std::string& error) {
  if (!WriteRaw(statement) || !WriteRaw(";\n")) {
    error = "cannot write " + name_;
    return false;
  }
  return true;
}

void StreamTarget::Comment(const std::string& text) {
  WriteRaw(CommentLine(text));
}

bool StreamTarget::WriteTriggers(const std::string& triggerFilePath,
                                 const std::function<void(const std::string&)>&,
                                 std::string& error) {
  const Status readable = CheckDataFile(triggerFilePath, kTriggerFileWhat);
  if (!readable.ok()) {
    error = readable.message();
    return false;
  }
  const std::string blocks = BuildTriggerStatements(triggerFilePath, StatementMode::kScript);
  if (blocks.empty()) {
    error = "no trigger statements in " + triggerFilePath;
    return false;
  }
  if (!WriteRaw(blocks)) {
    error = "cannot write " + name_;
    return false;
  }
  return true;
}

bool StreamTarget::EndObject(std::string& error) {
  out_.flush();
  if (!out_) {
    error = "cannot write " + name_;
    return false;
  }
  return true;
}

bool ServerTarget::BeginObject(const SaveObject&, std::string&) {
  return true;
}

bool ServerTarget::Execute(const std::string& statement, std::string& error) {
  return connection_.Execute(statement, error);
}

bool ServerTarget::WriteTriggers(const std::string& triggerFilePath,
                                 const std::function<void(const std::string&)>& report,
                                 std::string& error) {
  const Status readable = CheckDataFile(triggerFilePath, kTriggerFileWhat);
  if (!readable.ok()) {
    error = readable.message();
    return false;
  }
  TriggerTarget target;
  target.connection = &connection_;
  target.report = report;
  BuildTriggerStatements(triggerFilePath, StatementMode::kDatabase, target);
  return true;
}

bool ServerTarget::Alive() {
  std::string ignored;
  return connection_.Execute(kSelectOne, ignored);
}

}  // namespace rowmender
