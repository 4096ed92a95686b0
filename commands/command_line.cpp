#include "commands/command_line.h"

#include <algorithm>
#include <cctype>

namespace morlett {
namespace {

constexpr std::string_view kBlanks = " \t";

bool NeedsQuoting(std::string_view argument) {
  return argument.empty() || argument.find_first_of(" \t\"") != std::string_view::npos;
}

// The program name is read by simpler rules than the arguments: quotes group, and
// backslashes are always literal.
std::string ReadProgramName(std::string_view line, std::size_t& pos) {
  if (line[pos] != '"') {
    const std::size_t end = std::min(line.find_first_of(kBlanks, pos), line.size());
    std::string name(line.substr(pos, end - pos));
    pos = end;
    return name;
  }
  const std::size_t close = std::min(line.find('"', pos + 1), line.size());
  std::string name(line.substr(pos + 1, close - pos - 1));
  pos = std::min(close + 1, line.size());
  return name;
}

// Backslashes count only before a quote: 2n of them give n and a grouping quote, 2n+1 give
// n and a literal quote. Inside quotes, a doubled quote stands for one literal quote.
std::string ReadArgument(std::string_view line, std::size_t& pos) {
  std::string argument;
  bool inQuotes = false;
  std::size_t backslashes = 0;
  for (; pos < line.size(); ++pos) {
    const char c = line[pos];
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      argument.append(backslashes / 2, '\\');
      if (backslashes % 2 == 1) {
        argument += '"';
      } else if (inQuotes && pos + 1 < line.size() && line[pos + 1] == '"') {
        argument += '"';
        ++pos;
      } else {
        inQuotes = !inQuotes;
      }
      backslashes = 0;
      continue;
    }
    argument.append(backslashes, '\\');
    backslashes = 0;
    if (!inQuotes && kBlanks.find(c) != std::string_view::npos) break;
    argument += c;
  }
  argument.append(backslashes, '\\');
  return argument;
}

}  // namespace

std::string QuoteArgument(std::string_view argument) {
  if (!NeedsQuoting(argument)) return std::string(argument);
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // A run of backslashes before a quote is doubled, plus one to make the quote literal.
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    quoted += c;
    backslashes = 0;
  }
  // The closing quote must not be escaped by the argument's own trailing backslashes.
  quoted.append(2 * backslashes, '\\');
  quoted += '"';
  return quoted;
}

std::string QuoteForShell(std::string_view argument) {
  constexpr std::string_view kPlainMarks = "%+,-./:=@_";
  const bool plain =
      !argument.empty() && std::all_of(argument.begin(), argument.end(), [&](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) ||
               kPlainMarks.find(c) != std::string_view::npos;
      });
  if (plain) return std::string(argument);
  std::string quoted = "'";
  for (const char c : argument) {
    // A quote cannot stand inside quotes: close them, give the quote escaped, and reopen.
    quoted += c == '\'' ? std::string_view("'\\''") : std::string_view(&c, 1);
  }
  return quoted + "'";
}

std::string JoinCommandLine(std::string_view program, std::span<const std::string> arguments,
                            PathStyle style) {
  std::string line(program);
  for (const std::string& argument : arguments) {
    line += ' ';
    line += style == PathStyle::Windows ? QuoteArgument(argument) : QuoteForShell(argument);
  }
  return line;
}

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> arguments;
  if (commandLine.empty()) return arguments;
  std::size_t pos = 0;
  arguments.push_back(ReadProgramName(commandLine, pos));
  while ((pos = commandLine.find_first_not_of(kBlanks, pos)) != std::string_view::npos) {
    arguments.push_back(ReadArgument(commandLine, pos));
  }
  return arguments;
}

std::string_view UnwrapPastedQuotes(std::string_view field, PathStyle style) {
  const std::string_view quotes = style == PathStyle::Windows ? "\"" : "\"'";
  const char quote = field.empty() ? '\0' : field.front();
  const bool wrapped =
      field.size() >= 2 && quotes.find(quote) != std::string_view::npos && field.back() == quote;
  if (!wrapped) return field;
  const std::string_view inside = field.substr(1, field.size() - 2);
  return inside.find(quote) == std::string_view::npos ? inside : field;
}

}  // namespace morlett
