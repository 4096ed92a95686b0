// Any list of fields, quoted and then split, gives the list back; a field that needs no
// quoting is left exactly as typed; and the splitter takes any bytes without harm.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "commands/command_line.h"
#include "support/hard_fields.h"

namespace {

// Fields cannot hold NUL (a field keeps only the text before one), so NUL separates them.
std::vector<std::string> FieldsOf(std::string_view bytes) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t end = bytes.find('\0'); end != std::string_view::npos;
       end = bytes.find('\0', start)) {
    fields.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  fields.emplace_back(bytes.substr(start));
  return fields;
}

bool NeedsNoQuoting(std::string_view field) {
  return !field.empty() && field.find_first_of(" \t\"") == std::string_view::npos;
}

void CheckRoundTrip(const std::vector<std::string>& fields) {
  std::vector<std::string> expected{"lithrez"};
  expected.insert(expected.end(), fields.begin(), fields.end());
  if (morlett::SplitCommandLine(
          morlett::JoinCommandLine("lithrez", fields, morlett::PathStyle::Windows)) != expected) {
    std::abort();
  }
  for (const std::string& field : fields) {
    if (NeedsNoQuoting(field) && morlett::QuoteArgument(field) != field) std::abort();
  }
}

}  // namespace

// Every run checks the hard fields first, so no corpus can leave them out.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::vector<std::string> fields;
  for (const std::string_view field : morlett::testing::kHardFields) fields.emplace_back(field);
  CheckRoundTrip(fields);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  morlett::SplitCommandLine(bytes);
  CheckRoundTrip(FieldsOf(bytes));
  return 0;
}
