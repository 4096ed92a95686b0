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
      {C::Command4, {banner, "StartProgram 2 lithrez cv \"\" \"\""}},
      {C::Command5, {"BrowseForFolder Expand Rez to what Directory?"}},
      {C::Command6, {banner, "StartProgram 2 lithrez xv \"\" \"\""}},
      {C::Command7, {"ShowFileDialog Rez File to View"}},
      {C::Command8, {banner, "StartProgram 2 lithrez v \"\""}},
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
    EXPECT_EQ(request.program, "/usr/bin/lithrez");
    EXPECT_EQ(request.commandLine, row.line);
    EXPECT_EQ(JoinCommandLine(request.arguments[0], std::span(request.arguments).subspan(1)),
              row.line)
        << "the arguments are the line's own";
  }
}

TEST_F(Form1Test, FailedStartIsReportedAndTheProgramAndFieldsCarryOn) {
  const std::string kFailed = "Couldn't start lithrez\n\n";
  const struct {
    StartOutcome outcome;
    std::string reason, program, message;
  } failures[] = {
      {StartOutcome::Failed, "Denied", "/usr/bin/lithrez", kFailed + "Denied"},
      {StartOutcome::CommandLineTooLong, "", "/usr/bin/lithrez",
       kFailed + "The command line is too long for this system."},
      {StartOutcome::Started, "", "/usr/bin/lithrez/",
       kFailed + "The program was not found.\nMorlett looked for lithrez in: /opt/tools, /usr/bin"},
  };
  for (const auto& failure : failures) {
    FakePlatform fresh;
    fresh.startResult = {failure.outcome, failure.reason};
    fresh.programFiles = {failure.program};
    fresh.searchPlaces.pathVariable = "/opt/tools::.:bin:/usr/bin";
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

TEST_F(Form1Test, ArchiveCommandRunsOnceAtATimeWhileOtherRunsGoSideBySide) {
  form.Load();
  platform.fields[C::Text1] = "a.rez";
  platform.fields[C::Text7] = "a.rez";
  for (const Control button : {C::Command4, C::Command4, C::Command8, C::Command8, C::Command9,
                               C::Command9, C::Command6, C::Command6}) {
    form.Click(button);
  }
  ASSERT_EQ(platform.messages.size(), 2u) << "the second Create and the second Extract";
  EXPECT_EQ(platform.messages[0].text,
            "lithrez is still running this command:\n\nlithrez cv a.rez \"\"");
  EXPECT_EQ(platform.starts.size(), 6u);
  platform.fields[C::Text2] = "other";
  form.Click(C::Command4);
  EXPECT_EQ(platform.starts.size(), 7u) << "another line is another archive";
  EXPECT_EQ(platform.fields[C::Text3], "lithrez cv a.rez other") << "read at the click, replaced";
  platform.runningRuns.erase(1);
  platform.fields[C::Text2] = "";
  form.Click(C::Command4);
  EXPECT_EQ(platform.starts.size(), 8u) << "once the run has ended, the line starts again";
  EXPECT_EQ(platform.messages.size(), 2u);
}

// --- Fields ----------------------------------------------------------------------------

TEST_F(Form1Test, FieldsKeepOneLineAndDropsReplaceOnlyPathFields) {
  platform.SetText(C::Text1, std::string_view("first\0second", 12));
  EXPECT_EQ(platform.fields[C::Text1], "first");
  platform.SetText(C::Text1, "one\r\ntwo");
  EXPECT_EQ(platform.GetText(C::Text1), "one");
  const struct {
    Control field;
    DroppedData drop;
    std::optional<std::string> after;
  } drops[] = {
      {C::Text1, {{"/a b/x.rez", "/y.rez"}, {}}, "/a b/x.rez"},
      {C::Text2, {{}, "typed\nmore"}, "typed"},
      {C::Text4, {{std::nullopt, "/y.rez"}, {}}, std::nullopt},
      {C::Text5, {{"/dir"}, {}}, "/dir"},
      {C::Text7, {{"/v.rez"}, {}}, "/v.rez"},
      {C::Text3, {{"/x.rez"}, {}}, std::nullopt},
      {C::Text9, {{}, "text"}, std::nullopt},
  };
  for (const auto& row : drops) {
    platform.fields[row.field] = "was";
    EXPECT_EQ(form.Drop(row.field, row.drop), row.after.has_value()) << EntryOf(row.field).name;
    EXPECT_EQ(platform.fields[row.field], row.after.value_or("was")) << EntryOf(row.field).name;
  }
}

}  // namespace
}  // namespace morlett
