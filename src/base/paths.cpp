#include "base/paths.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "base/utf8.h"

namespace rowmender {

std::string CollapseSeparators(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    if (c == kPathSeparator && !out.empty() && out.back() == kPathSeparator) continue;
    out.push_back(c);
  }
  return out;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string joined(folder);
  if (joined.empty() || joined.back() != kPathSeparator) joined.push_back(kPathSeparator);
  joined.append(name);
  return CollapseSeparators(joined);
}

std::string WithTrailingSeparator(std::string_view folder) {
  std::string out = WithoutTrailingSeparator(folder);
  if (out.empty() || out.back() != kPathSeparator) out.push_back(kPathSeparator);
  return out;
}

std::string WithoutTrailingSeparator(std::string_view folder) {
  std::string out(folder);
  while (out.size() > 1 && out.back() == kPathSeparator)
    out.pop_back();
  return out;
}

std::string LastComponent(std::string_view path) {
  const auto slash = path.rfind(kPathSeparator);
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

namespace {

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

namespace {

enum class EntryKind { kRegularFile, kAny };

std::string FindWithExtension(const std::string& folder, const std::string& stem,
                              const std::string& extension, EntryKind kind) {
  if (!IsFolderEntryName(stem)) return {};
  const std::string wanted = LowerAscii(extension);
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.size() != stem.size() + 1 + extension.size()) continue;
    if (name.compare(0, stem.size(), stem) != 0 || name[stem.size()] != '.') continue;
    if (LowerAscii(name.substr(stem.size() + 1)) != wanted) continue;
    if (kind == EntryKind::kAny) return it->path().string();
    std::error_code typeError;
    if (it->is_regular_file(typeError)) return it->path().string();
  }
  return {};
}

}  // namespace

std::string FindFileWithExtension(const std::string& folder, const std::string& stem,
                                  const std::string& extension) {
  return FindWithExtension(folder, stem, extension, EntryKind::kRegularFile);
}

std::string FindEntryWithExtension(const std::string& folder, const std::string& stem,
                                   const std::string& extension) {
  return FindWithExtension(folder, stem, extension, EntryKind::kAny);
}

bool IsFolderEntryName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

}  // namespace rowmender
