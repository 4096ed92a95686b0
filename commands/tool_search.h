// Where the tool is looked for. Only absolute folders count: an empty PATH entry, "." or a
// relative folder would find whatever program lies in the current folder, which the file
// dialogs move and anyone may have put a program in.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace morlett {

// The folders searched, in order: the leading ones, then PATH's absolute entries. A folder
// is searched once, where it first appears.
std::vector<std::string> SearchFolders(const ToolSearchPlaces& places, PathStyle style);

struct ToolSearch {
  std::optional<std::string> program;  // the first match's path
  std::vector<std::string> looked;     // every folder searched, for telling the user
};

ToolSearch FindTool(Platform& platform, std::string_view name);

}  // namespace morlett
