#include "app/form1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/layout.h"
#include "commands/command_line.h"
#include "platform/fake/fake_platform.h"

namespace morlett {
namespace {

using C = Control;

RunEnd Ended(RunId run, double seconds, EndKind kind = EndKind::Exited, std::int64_t code = 0,
             std::string signal = "") {
  return {run, kind, code, std::move(signal), seconds};
}

DroppedItem File(std::string path, std::string host = "", std::string scheme = "file") {
  return {std::move(scheme), std::move(host), std::move(path)};
}

constexpr std::string_view kBanner = "WriteConsoleText 7 Morlett v1.1 Advanced\r\n";

class Form1Test : public ::testing::Test {
 protected:
  // Clicks after Load, with the console's own calls out of the way.
  void LoadThenClick(Control source) {
    form.Load();
    platform.calls.clear();
    form.Click(source);
  }

  // The position of the first call starting with `prefix`; the end when there is none.
  std::ptrdiff_t Position(std::string_view prefix) const {
    const auto found =
        std::find_if(platform.calls.begin(), platform.calls.end(),
                     [&](const std::string& call) { return call.starts_with(prefix); });
    return found - platform.calls.begin();
  }

  FakePlatform platform;
  Form1 form{platform};
};

// --- Events ---------------------------------------------------------------------------

// Each tool button writes the banner and starts; no other button writes the banner.
TEST_F(Form1Test, EachButtonRunsExactlyItsOwnAction) {
  const std::string banner = "WriteConsoleText 0 Morlett v1.1 Advanced\r\n";
  const struct {
    Control button;
    std::vector<std::string> actions;
  } table[] = {
      {C::Command1, {"BrowseForFolder Select Directory to Rez"}},
      {C::Command2, {"ShowFileDialog Destination for Rez File"}},
      {C::Command3, {"ShowFileDialog Rez File to UnRez"}},
      {C::Command4, {banner, "StartProgram 2 lithrez cv '' ''"}},
      {C::Command5, {"BrowseForFolder Expand Rez to what Directory?"}},
      {C::Command6, {banner, "StartProgram 2 lithrez xv '' ''"}},
      {C::Command7, {"ShowFileDialog Rez File to View"}},
      {C::Command8, {banner, "StartProgram 2 lithrez v ''"}},
      {C::Command9, {banner, "StartProgram 2 lithrez"}},
      {C::Command10, {"EndProgram"}},
  };
  for (const auto& row : table) {
    FakePlatform fresh;
    Form1 form1(fresh);
    form1.Click(row.button);
    std::vector<std::string> actions;
    std::copy_if(fresh.calls.begin(), fresh.calls.end(), std::back_inserter(actions),
                 [](const std::string& call) {
                   return !call.starts_with("GetText") && !call.starts_with("SetText");
                 });
    EXPECT_EQ(actions, row.actions) << EntryOf(row.button).name;
  }
  for (const Control other : {C::Form1, C::Frame1, C::Text1, C::Text9, C::Label2, C::Image1}) {
    form.Click(other);
  }
  EXPECT_TRUE(platform.calls.empty()) << "only buttons have actions";
}

TEST_F(Form1Test, LoadOpensTheConsoleUnloadReleasesItAndQuitJustEnds) {
  form.Load();
  EXPECT_EQ(platform.calls, (std::vector<std::string>{"AllocateConsole", "StandardOutput"}));
  EXPECT_EQ(form.ConsoleOutput(), 7u);
  platform.calls.clear();
  form.Unload();
  EXPECT_EQ(platform.calls, (std::vector<std::string>{"CloseConsoleHandle 7", "FreeConsole"}));
  LoadThenClick(C::Command10);
  EXPECT_EQ(platform.calls, std::vector<std::string>{"EndProgram"});
}

// --- Console --------------------------------------------------------------------------

TEST_F(Form1Test, RefusedConsoleIsReportedAndToolsStillStart) {
  const struct {
    bool allocates;
    ConsoleHandle output;
    std::string message;
  } failures[] = {{false, 7, "Couldn't allocate console"}, {true, 0, "Couldn't allocate STDOUT"}};
  for (const auto& failure : failures) {
    FakePlatform fresh;
    fresh.consoleAllocates = failure.allocates;
    fresh.standardOutput = failure.output;
    Form1 form1(fresh);
    form1.Load();
    ASSERT_EQ(fresh.messages.size(), 1u);
    EXPECT_EQ(fresh.messages[0].text, failure.message);
    EXPECT_EQ(fresh.messages[0].title, "Morlett");
    EXPECT_EQ(form1.ConsoleOutput(), 0u);
    for (const Control tool : {C::Command4, C::Command6, C::Command8, C::Command9}) {
      form1.Click(tool);
    }
    EXPECT_EQ(fresh.starts.size(), 4u) << failure.message;
    EXPECT_EQ(fresh.messages.size(), 1u) << "a missing console is told once, at start";
  }
}

// --- Tool commands --------------------------------------------------------------------

TEST_F(Form1Test, EachToolRowShowsItsLineThenWritesTheBannerThenStarts) {
  platform.pathStyle = PathStyle::Windows;
  platform.searchPlaces = {{}, "C:\\tools", ".exe"};
  platform.programFiles = {"C:\\tools\\lithrez.exe"};
  platform.fields[C::Text1] = "C:\\out.rez";
  platform.fields[C::Text2] = "C:\\dir";
  platform.fields[C::Text4] = "\"C:\\My Docs\\in.rez\"";
  platform.fields[C::Text5] = "C:\\My Docs\\";
  platform.fields[C::Text7] = "-odd.rez";
  platform.fields[C::Text9] = "ignored";
  const struct {
    Control button;
    Control shownIn;
    std::string line;
  } rows[] = {
      {C::Command4, C::Text3, "lithrez cv C:\\out.rez C:\\dir"},
      {C::Command6, C::Text6, "lithrez xv \"C:\\My Docs\\in.rez\" \"C:\\My Docs\\\\\""},
      {C::Command8, C::Text8, "lithrez v -odd.rez"},
      {C::Command9, C::Text10, "lithrez"},
  };
  for (const auto& row : rows) {
    LoadThenClick(row.button);
    EXPECT_EQ(platform.fields[row.shownIn], row.line);
    const std::ptrdiff_t started = Position("StartProgram 2 " + row.line);
    ASSERT_LT(started, std::ssize(platform.calls)) << row.line;
    const std::ptrdiff_t shown = Position("SetText " + std::string(EntryOf(row.shownIn).name));
    EXPECT_LT(shown, Position(kBanner)) << row.line;
    EXPECT_LT(Position(kBanner), started) << row.line;
    const StartRequest& request = platform.starts.back();
    EXPECT_EQ(request.program, "C:\\tools\\lithrez.exe");
    EXPECT_EQ(request.commandLine, row.line);
    EXPECT_EQ(JoinCommandLine(request.arguments[0], std::span(request.arguments).subspan(1),
                              PathStyle::Windows),
              row.line)
        << "the arguments are the line's own";
  }
}

TEST_F(Form1Test, FailedStartIsReportedAndTheProgramAndFieldsCarryOn) {
  const std::string kFailed = "Couldn't start lithrez\n\n";
  const std::string kNotFound = kFailed + "The program was not found.\nMorlett looked for lithrez";
  const std::string kPath = "/opt/tools::.:bin:/usr/bin";
  std::string longPath;
  for (int i = 1; i <= 12; ++i) longPath += "/f" + std::to_string(i) + ":";
  const struct {
    StartOutcome outcome;
    std::string reason, program, path, message;
  } failures[] = {
      {StartOutcome::Failed, "Denied", "/usr/bin/lithrez", kPath, kFailed + "Denied"},
      {StartOutcome::CommandLineTooLong, "", "/usr/bin/lithrez", kPath,
       kFailed + "The command line is too long for this system."},
      {StartOutcome::Started, "", "/usr/bin/lithrez/", kPath,
       kNotFound + " in: /opt/tools, /usr/bin"},
      {StartOutcome::Started, "", "", ".:bin",
       kNotFound + " in no folder: PATH holds no absolute folder."},
      {StartOutcome::Started, "", "", longPath,
       kNotFound + " in: /f1, /f2, /f3, /f4, /f5, /f6, /f7, /f8, /f9, /f10, and 2 more"},
  };
  for (const auto& failure : failures) {
    FakePlatform fresh;
    fresh.startResult = {failure.outcome, failure.reason};
    fresh.programFiles = {failure.program};
    fresh.searchPlaces.pathVariable = failure.path;
    fresh.fields[C::Text1] = "a.rez";
    fresh.fields[C::Text2] = "dir";
    Form1 form1(fresh);
    form1.Load();
    form1.Click(C::Command4);
    auto expected = FakePlatform().fields;
    expected[C::Text1] = "a.rez";
    expected[C::Text2] = "dir";
    expected[C::Text3] = "lithrez cv a.rez dir";
    EXPECT_EQ(fresh.fields, expected) << failure.message;
    ASSERT_EQ(fresh.messages.size(), 1u) << failure.message;
    EXPECT_EQ(fresh.messages[0].text, failure.message);
    EXPECT_EQ(fresh.messages[0].title, "Morlett");
    EXPECT_EQ(fresh.messages[0].owner, fresh.ownerWindow);
    EXPECT_EQ(fresh.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(std::count(fresh.calls.begin(), fresh.calls.end(), "EndProgram"), 0);
  }
}

// --- Pickers --------------------------------------------------------------------------

TEST_F(Form1Test, FolderPickFillsOnlyItsOwnFieldAndCancelKeepsIt) {
  platform.folderAnswers = {"/home/me/src", "/tmp/out", std::nullopt};
  form.Click(C::Command1);
  EXPECT_EQ(platform.fields[C::Text2], "/home/me/src");
  form.Click(C::Command5);
  EXPECT_EQ(platform.fields[C::Text5], "/tmp/out");
  EXPECT_EQ(platform.fields[C::Text2], "/home/me/src");
  EXPECT_EQ(form.ChosenDirectory(), "/tmp/out");
  form.Click(C::Command5);
  EXPECT_EQ(platform.fields[C::Text5], "/tmp/out") << "cancel keeps the earlier choice";
  EXPECT_EQ(form.ChosenDirectory(), "");
  for (const FolderRequest& request : platform.folderRequests) {
    EXPECT_EQ(request.owner, platform.ownerWindow);
    EXPECT_TRUE(request.onlyFileSystemFolders);
  }
}

TEST_F(Form1Test, RezDialogsAskTheSameFreshQuestionPerKind) {
  const auto request = [&](FileDialogKind kind, const char* title, std::uint32_t flags) {
    return FileDialogRequest{kind,           platform.ownerWindow,
                             title,          "Lithrez File Format",
                             "*.rez",        "c:\\",
                             "Untitled.rez", "rez",
                             flags};
  };
  const std::vector<FileDialogRequest> once = {
      request(FileDialogKind::Save, "Destination for Rez File", 0x280006),
      request(FileDialogKind::Open, "Rez File to UnRez", 0x382000),
      request(FileDialogKind::Open, "Rez File to View", 0x382000),
  };
  platform.fileAnswers = {"/a.rez"};
  for (int round = 0; round < 2; ++round) {
    for (const Control button : {C::Command2, C::Command3, C::Command7}) form.Click(button);
  }
  std::vector<FileDialogRequest> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(platform.fileRequests, twice) << "nothing carries over from an earlier dialog";
}

TEST_F(Form1Test, ConfirmedRezFileReplacesTheFieldAndCancelKeepsIt) {
  const struct {
    Control button;
    Control field;
  } targets[] = {{C::Command2, C::Text1}, {C::Command3, C::Text4}, {C::Command7, C::Text7}};
  for (const auto& target : targets) {
    platform.fields[target.field] = "typed.rez";
    platform.fileAnswers = {"/first.rez", "/second.rez", std::nullopt};
    form.Click(target.button);
    form.Click(target.button);
    EXPECT_EQ(platform.fields[target.field], "/second.rez") << EntryOf(target.field).name;
    form.Click(target.button);
    EXPECT_EQ(platform.fields[target.field], "/second.rez") << EntryOf(target.field).name;
  }
}

// --- Runs ------------------------------------------------------------------------------

// A run that writes conflicts with any run touching the same file, or a folder holding it;
// reading beside reading never does. Windows names ignore case.
TEST(ToolRunRule, WritersConflictWithWhatTheyTouch) {
  constexpr Access R = Access::Reads;
  constexpr Access W = Access::Writes;
  constexpr PathStyle P = PathStyle::Posix;
  const struct {
    PathUse a, b;
    PathStyle style;
    bool conflict;
  } cases[] = {
      {{"/w/a.rez", W}, {"/w/a.rez", W}, P, true},
      {{"/w/a.rez", W}, {"/w/a.rez", R}, P, true},
      {{"/w/a.rez", R}, {"/w/a.rez", R}, P, false},
      {{"/w", R}, {"/w/sub/a.rez", W}, P, true},
      {{"/w/", W}, {"/w/a.rez", R}, P, true},
      {{"/", W}, {"/tmp/a.rez", R}, P, true},
      {{"/w/a", W}, {"/w/ab", W}, P, false},
      {{"/w/A.rez", W}, {"/w/a.rez", W}, P, false},
      {{"C:\\W\\A.rez", W}, {"c:\\w\\a.REZ", R}, PathStyle::Windows, true},
      {{"C:\\w", W}, {"c:/w/x", R}, PathStyle::Windows, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UsesConflict(c.a, c.b, c.style), c.conflict) << c.a.path << " ~ " << c.b.path;
    EXPECT_EQ(UsesConflict(c.b, c.a, c.style), c.conflict) << c.b.path << " ~ " << c.a.path;
  }
}

TEST_F(Form1Test, RunsThatWouldSpoilEachOthersFilesAreRefusedUntilTheyEnd) {
  form.Load();
  platform.canonicalPaths = {{"/tmp/w//dup.rez", "/tmp/w/dup.rez"},
                             {"/tmp/w/./dup.rez", "/tmp/w/dup.rez"},
                             {"src", "/home/me/src"}};
  const auto click = [&](Control button, std::vector<std::pair<Control, std::string>> fields) {
    for (auto& [field, text] : fields) platform.fields[field] = text;
    platform.messages.clear();
    form.Click(button);
    return platform.messages.empty() ? std::string("started") : platform.messages[0].text;
  };
  const std::string refused =
      "lithrez is still running this command:\n\nlithrez cv /tmp/w/dup.rez src";
  EXPECT_EQ(click(C::Command4, {{C::Text1, "/tmp/w/dup.rez"}, {C::Text2, "src"}}), "started");
  EXPECT_EQ(click(C::Command4, {{C::Text1, "/tmp/w//dup.rez"}}), refused);
  EXPECT_EQ(click(C::Command4, {{C::Text1, "/tmp/w/./dup.rez"}, {C::Text2, "other"}}), refused);
  EXPECT_EQ(click(C::Command8, {{C::Text7, "/tmp/w/dup.rez"}}), refused)
      << "it reads what's written";
  EXPECT_EQ(click(C::Command6, {{C::Text4, "/x.rez"}, {C::Text5, "/home/me"}}), refused)
      << "extracting into a folder writes the folder being read";
  EXPECT_EQ(click(C::Command4, {{C::Text1, "/b.rez"}, {C::Text2, "/home/me/src"}}), "started")
      << "two readers of one folder";
  EXPECT_EQ(click(C::Command9, {}), "started");
  EXPECT_EQ(platform.starts.size(), 3u);
  form.RunEnded(Ended(1, 0));
  EXPECT_EQ(click(C::Command8, {{C::Text7, "/tmp/w//dup.rez"}}), "started");
}

TEST_F(Form1Test, EachRunsEndIsToldWithItsNameHowAndHowLong) {
  const struct {
    RunEnd end;
    std::string said;
  } ends[] = {
      {Ended(1, 3.24), "ended with exit code 0 after 3.2 s"},
      {Ended(1, 0, EndKind::Exited, 3), "ended with exit code 3 after 0.0 s"},
      {Ended(1, 12, EndKind::Signalled, 15, "TERM"), "ended by signal SIGTERM (15) after 12.0 s"},
      {Ended(1, 61.06, EndKind::Interrupted, 0xC000013A), "interrupted after 61.1 s"},
      {Ended(1, 1, EndKind::Exited, 0xC0000005),
       "ended with exit code 3221225477 (0xC0000005) after 1.0 s"},
  };
  for (const auto& row : ends)
    EXPECT_EQ(RunEndLine("lithrez v a.rez", row.end), "lithrez v a.rez: " + row.said);

  form.Load();
  platform.fields[C::Text1] = "\"/tmp/my a.rez\"";
  form.Click(C::Command4);
  form.Click(C::Command9);
  platform.calls.clear();
  form.RunEnded(Ended(2, 9.9));
  form.RunEnded(Ended(1, 10, EndKind::Signalled, 9, "KILL"));
  form.RunEnded(Ended(1, 10));
  EXPECT_EQ(
      platform.calls,
      (std::vector<std::string>{
          "WriteRunEnd 2 lithrez: ended with exit code 0 after 9.9 s\r\n",
          "WriteRunEnd 1 lithrez cv /tmp/my a.rez: ended by signal SIGKILL (9) after 10.0 s\r\n",
          "AskForAttention"}))
      << "a long run asks for attention; a run ends once";
}

// --- Fields ----------------------------------------------------------------------------

TEST_F(Form1Test, FieldsKeepOneLineAndDropsReplaceOnlyPathFieldsWithExactLocalNames) {
  platform.SetText(C::Text1, std::string_view("first\0second", 12));
  EXPECT_EQ(platform.fields[C::Text1], "first");
  platform.SetText(C::Text1, "one\r\ntwo");
  EXPECT_EQ(platform.GetText(C::Text1), "one");
  const auto files = [](std::vector<DroppedItem> items) {
    return DroppedData{true, true, std::move(items), std::nullopt};
  };
  const auto text = [](std::string dropped) {
    return DroppedData{true, false, {}, std::move(dropped)};
  };
  const DroppedData moveOnly{false, false, {File("/a.rez")}, std::nullopt};
  const DroppedData linkOnly{false, true, {File("/l.rez")}, std::nullopt};
  const struct {
    Control field;
    DroppedData drop;
    std::optional<std::string> after;
    DropAction action;
  } drops[] = {
      {C::Text1, files({File("/a b/x.rez"), File("/y.rez")}), "/a b/x.rez", DropAction::Copy},
      {C::Text1, files({File("/x.rez", "localhost")}), "/x.rez", DropAction::Copy},
      {C::Text1, files({File("/x.rez", "otherhost")}), std::nullopt, DropAction::Refuse},
      {C::Text1, files({File("/x.rez", "", "http")}), std::nullopt, DropAction::Refuse},
      {C::Text1, files({File("/caf\xe9.rez")}), std::nullopt, DropAction::Refuse},
      {C::Text1, files({File("/a\nb.rez")}), std::nullopt, DropAction::Refuse},
      {C::Text1, files({File("")}), std::nullopt, DropAction::Refuse},
      {C::Text1, files({}), std::nullopt, DropAction::Refuse},
      {C::Text2, text("/typed/dir\r\n"), "/typed/dir", DropAction::Copy},
      {C::Text2, text("typed\nmore"), std::nullopt, DropAction::Refuse},
      {C::Text4, moveOnly, std::nullopt, DropAction::Refuse},
      {C::Text5, linkOnly, "/l.rez", DropAction::Link},
      {C::Text7, files({File("/caf\xc3\xa9.rez")}), "/caf\xc3\xa9.rez", DropAction::Copy},
      {C::Text3, files({File("/x.rez")}), std::nullopt, DropAction::Refuse},
      {C::Text9, text("text"), std::nullopt, DropAction::Refuse},
  };
  for (const auto& row : drops) {
    const std::string name(EntryOf(row.field).name);
    platform.fields[row.field] = "was";
    EXPECT_EQ(DropActionFor(row.field, row.drop), row.action) << name;
    EXPECT_EQ(form.Drop(row.field, row.drop), row.action) << name;
    EXPECT_EQ(platform.fields[row.field], row.after.value_or("was")) << name;
  }
}

}  // namespace
}  // namespace morlett
