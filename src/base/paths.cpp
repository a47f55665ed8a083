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

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string EncodeTableFileName(std::string_view name) {
  std::string out;
  for (std::size_t i = 0; i < name.size();) {
    const char c = name[i];
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_') {
      out.push_back(c);
      ++i;
      continue;
    }
    std::uint32_t cp = DecodeUtf8At(name, i);
    if (cp == kInvalidCodePoint) cp = static_cast<std::uint8_t>(name[i - 1]);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "@%04x", static_cast<unsigned>(cp & 0xFFFF));
    out += buffer;
  }
  return out;
}

std::string DecodeTableFileName(std::string_view fileName) {
  std::string out;
  for (std::size_t i = 0; i < fileName.size();) {
    if (fileName[i] == '@' && i + 4 < fileName.size()) {
      std::uint32_t cp = 0;
      bool ok = true;
      for (std::size_t k = 1; k <= 4; ++k) {
        const int d = HexDigit(fileName[i + k]);
        if (d < 0) ok = false;
        cp = (cp << 4) | static_cast<std::uint32_t>(d < 0 ? 0 : d);
      }
      if (ok) {
        AppendUtf8(out, cp);
        i += 5;
        continue;
      }
    }
    out.push_back(fileName[i]);
    ++i;
  }
  return out;
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
