#include "commands/tool_search.h"

#include <algorithm>
#include <cctype>

namespace morlett {
namespace {

// "C:\tools" and "\\server\share" on Windows; "/usr/bin" on POSIX. "C:tools" is relative to
// that drive's current folder, so it does not count.
bool IsAbsolute(std::string_view folder, PathStyle style) {
  if (style == PathStyle::Posix) return folder.starts_with('/');
  const bool drive = folder.size() >= 3 && std::isalpha(static_cast<unsigned char>(folder[0])) &&
                     folder[1] == ':' && IsPathSeparator(folder[2], style);
  const bool share =
      folder.size() >= 2 && IsPathSeparator(folder[0], style) && IsPathSeparator(folder[1], style);
  return drive || share;
}

// Windows lets a PATH entry stand in quotes, for folders with the separator in their name.
std::string_view Unquoted(std::string_view entry, PathStyle style) {
  const bool quoted = style == PathStyle::Windows && entry.size() >= 2 && entry.front() == '"' &&
                      entry.back() == '"';
  return quoted ? entry.substr(1, entry.size() - 2) : entry;
}

std::vector<std::string_view> PathEntries(const ToolSearchPlaces& places, PathStyle style) {
  const char separator = style == PathStyle::Windows ? ';' : ':';
  std::vector<std::string_view> entries;
  std::string_view rest = places.pathVariable;
  while (true) {
    const std::size_t end = rest.find(separator);
    entries.push_back(Unquoted(rest.substr(0, end), style));
    if (end == std::string_view::npos) return entries;
    rest.remove_prefix(end + 1);
  }
}

std::string Join(std::string_view folder, std::string_view file, PathStyle style) {
  std::string path(folder);
  if (!path.empty() && !IsPathSeparator(path.back(), style)) {
    path += style == PathStyle::Windows ? '\\' : '/';
  }
  return path.append(file);
}

}  // namespace

std::vector<std::string> SearchFolders(const ToolSearchPlaces& places, PathStyle style) {
  std::vector<std::string> folders;
  const auto add = [&](std::string_view folder) {
    if (IsAbsolute(folder, style) &&
        std::find(folders.begin(), folders.end(), folder) == folders.end()) {
      folders.emplace_back(folder);
    }
  };
  for (const std::string& folder : places.leadingFolders) add(folder);
  for (const std::string_view entry : PathEntries(places, style)) add(entry);
  return folders;
}

ToolSearch FindTool(Platform& platform, std::string_view name) {
  const ToolSearchPlaces places = platform.SearchPlaces();
  const PathStyle style = platform.SystemPathStyle();
  const std::string file = std::string(name) + places.executableSuffix;
  ToolSearch search;
  for (const std::string& folder : SearchFolders(places, style)) {
    search.looked.push_back(folder);
    std::string candidate = Join(folder, file, style);
    if (platform.IsProgramFile(candidate)) {
      search.program = std::move(candidate);
      break;
    }
  }
  return search;
}

}  // namespace morlett
