// Fields that have broken command lines in other programs: blanks, quotes, backslashes before
// quotes and at the end, leading dashes and at-signs, non-ASCII and invalid UTF-8, nothing.
// The unit round trip, the fuzzer's seeds and the round trip through the real Windows
// splitter all start from this one table.
#pragma once

#include <string_view>

namespace morlett::testing {

inline constexpr std::string_view kHardFields[] = {
    "C:\\Program Files\\x.rez",
    "C:\\",
    "C:\\My Dir\\",
    "C:\\My Dir\\\\",
    "say \"hi\"",
    "\\\"",
    "\"",
    "a\\\\\"b",
    "#hash",
    "it's",
    "-v",
    "@list",
    "tab\there",
    "\t",
    " ",
    "caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac",
    "\xff\xfe raw bytes",
    "",
    "trailing space ",
};

}  // namespace morlett::testing
