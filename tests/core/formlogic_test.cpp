// SPDX-License-Identifier: MIT
#include "formlogic.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "calc_version.h"
#include "design.h"
#include "fake_platform.h"
#include "utf.h"

namespace calc {
namespace {

// The first section of every file the program writes.
const std::string kInformation =
    std::string("[Information]\r\nProgram=Varnel's Expression Calculator\r\nVersion=") + kVersion + "\r\n\r\n";

using test::FakePlatform;
using test::U;
using History = std::vector<std::u16string>;

constexpr std::u16string_view kFile = u"/home/u/.config/VarnelSoftware/Expression Calculator/brelmont.ini";
const int kOuterWidth = kForm.design_outer_width();
const int kOuterHeight = kForm.outer_height();

class FormLogicTest : public ::testing::Test {
 protected:
  // A window started on the platform's files, as FormCreate starts it.
  FormLogic::Start StartWith(std::string_view file_bytes) {
    platform_.files[std::u16string(kFile)] = file_bytes;
    return logic_.FormCreate(kOuterWidth, kOuterHeight);
  }
  std::string& File() { return platform_.files[std::u16string(kFile)]; }
  bool Save() { return logic_.savedata(kFile, {667, 439, 601}, {true, true}); }

  FakePlatform platform_;
  FormLogic logic_{platform_};
};

TEST(SelectSettingsFile, FoldersAreMadeOneLevelAtATime) {
  struct Row {
    const char* name;
    std::u16string app_data;
    std::set<std::u16string> uncreatable;
    std::u16string path;
  };
  const Row rows[] = {
      {"first run", u"/home/u/.config", {}, std::u16string(kFile)},
      {"no application-data folder", u"", {}, u"brelmont.ini"},
      {"vendor folder refused", u"/home/u/.config", {u"/home/u/.config/VarnelSoftware"}, u"brelmont.ini"},
      {"program folder refused",
       u"/home/u/.config",
       {u"/home/u/.config/VarnelSoftware/Expression Calculator"},
       u"brelmont.ini"},
      {"trailing separator", u"/home/u/.config/", {}, std::u16string(kFile)},
  };
  for (const Row& row : rows) {
    FakePlatform platform;
    platform.app_data = row.app_data;
    platform.uncreatable = row.uncreatable;
    EXPECT_EQ(SelectSettingsFile(platform), row.path) << row.name;
  }
  FakePlatform platform;
  SelectSettingsFile(platform);
  EXPECT_TRUE(platform.FolderExists(u"/home/u/.config/VarnelSoftware/Expression Calculator"));
}

TEST(ReadInteger, DecimalAndHexadecimalForms) {
  const std::pair<const char*, std::optional<int>> rows[] = {
      {"439", 439},
      {"-5", -5},
      {"+7", 7},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt},
      {"4294967296", std::nullopt},
      {"$FFFFFFFF", -1},
      {"0x10", 16},
      {"X258", 600},
      {"-$10", -16},
      {"$123456789", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"abc", std::nullopt},
      {"1 ", std::nullopt},
      {"1.5", std::nullopt},
  };
  for (const auto& [text, value] : rows) EXPECT_EQ(ReadInteger(U(text)), value) << text;
}

TEST_F(FormLogicTest, FirstRunWritesTheFileAndTheNextStartRestoresIt) {
  const FormLogic::Start start = logic_.FormCreate(kOuterWidth, kOuterHeight);
  EXPECT_EQ(logic_.SettingsFileName, kFile);
  EXPECT_EQ(start.left, (1920 - 601) / 2);
  EXPECT_EQ(start.top, (1080 - 202) / 2);
  EXPECT_FALSE(start.stored) << "no file yet";
  EXPECT_TRUE(logic_.DecimalPlacesOn);
  logic_.calculatebuttonClick(u"(2 + 2) / 3", {true, true});
  logic_.calculatebuttonClick(u"2*3", {true, true});
  ASSERT_TRUE(Save());
  EXPECT_EQ(File(),
            kInformation +
                "[Interface]\r\nTop=439\r\nLeft=667\r\nWidth=601\r\nThousandsSeparator=1\r\nDecimalPlaces=2\r\n\r\n"
                "[Expressions]\r\nExpression1=2*3\r\nExpression2=(2 + 2) / 3\r\n\r\n");

  FormLogic again(platform_);
  const FormLogic::Start next = again.FormCreate(kOuterWidth, kOuterHeight);
  ASSERT_TRUE(next.stored && next.stored->placement);
  EXPECT_EQ(next.stored->placement->left, 667);
  EXPECT_EQ(next.stored->placement->top, 439);
  EXPECT_EQ(next.stored->placement->outer_width, 601);
  EXPECT_TRUE(next.stored->separators);
  EXPECT_TRUE(again.DecimalPlacesOn);
  EXPECT_EQ(again.History(), (History{u"2*3", u"(2 + 2) / 3"}));
}

TEST_F(FormLogicTest, NoExpressionsSectionWithoutHistory) {
  ASSERT_TRUE(logic_.savedata(u"/s.ini", {1, 2, 601}, {false, false}));
  EXPECT_EQ(
      platform_.files[u"/s.ini"],
      kInformation + "[Interface]\r\nTop=2\r\nLeft=1\r\nWidth=601\r\nThousandsSeparator=0\r\nDecimalPlaces=-1\r\n\r\n");
}

TEST_F(FormLogicTest, OptionDefaults) {
  struct Row {
    const char* interface;
    bool separators;
    bool two_decimals;
  };
  const Row rows[] = {
      {"Top=abc\r\n", true, false},
      {"ThousandsSeparator=0\r\nDecimalPlaces=2\r\n", false, true},
      {"DecimalPlaces=\r\n", true, true},
      {"ThousandsSeparator=yes\r\nDecimalPlaces=-1\r\n", false, false},
      {"thousandsseparator=0\r\ndecimalplaces=7\r\n", false, true},
  };
  for (const Row& row : rows) {
    FakePlatform platform;
    FormLogic logic(platform);
    platform.files[std::u16string(kFile)] =
        std::string("[interface]\r\n") + row.interface + "[Expressions]\r\nExpression1=1+1\r\n";
    const FormLogic::Start start = logic.FormCreate(kOuterWidth, kOuterHeight);
    ASSERT_TRUE(start.stored) << row.interface;
    EXPECT_EQ(start.stored->separators, row.separators) << row.interface;
    EXPECT_EQ(logic.DecimalPlacesOn, row.two_decimals) << row.interface;
    EXPECT_EQ(logic.History(), History{u"1+1"}) << row.interface;
  }
}

TEST_F(FormLogicTest, PositionGroupAndItsClamps) {
  struct Row {
    const char* values;
    std::optional<WindowPlacement> placement;
  };
  const Row rows[] = {
      {"Top=10\r\nLeft=20\r\nWidth=650\r\n", WindowPlacement{20, 10, 650}},
      {"Top=abc\r\nLeft=20\r\nWidth=650\r\n", std::nullopt},
      {"Top=10\r\nLeft=20\r\n", std::nullopt},
      {"Top=10\r\nLeft=\r\nWidth=650\r\n", std::nullopt},
      {"Top=-5\r\nLeft=-1\r\nWidth=650\r\n", WindowPlacement{0, 0, 650}},
      {"Top=$FFFFFFFF\r\nLeft=0x10\r\nWidth=X258\r\n", WindowPlacement{16, 0, 600}},
      {"Top=1080\r\nLeft=1871\r\nWidth=650\r\n", WindowPlacement{1920 - 601, 1080 - 202, 650}},
      {"Top=1030\r\nLeft=1870\r\nWidth=650\r\n", WindowPlacement{1870, 1030, 650}},
      {"Top=1\r\nLeft=2\r\nWidth=100\r\n", WindowPlacement{2, 1, 580}},
      {"Top=1\r\nLeft=2\r\nWidth=100000\r\n", WindowPlacement{0, 1, 1920}},
      {"Top=1\r\nLeft=-300\r\nWidth=1921\r\n", WindowPlacement{0, 1, 1920}},
      {"Top=1\r\nLeft=1000\r\nWidth=1920\r\n", WindowPlacement{1000, 1, 1920}},
      {"Top=4294967296\r\nLeft=2\r\nWidth=650\r\n", std::nullopt},
  };
  for (const Row& row : rows) {
    FakePlatform platform;
    FormLogic logic(platform);
    platform.files[std::u16string(kFile)] = std::string("[Interface]\r\n") + row.values + "ThousandsSeparator=0\r\n";
    const FormLogic::Start start = logic.FormCreate(kOuterWidth, kOuterHeight);
    ASSERT_TRUE(start.stored) << row.values;
    EXPECT_FALSE(start.stored->separators) << row.values << ": the rest is read all the same";
    ASSERT_EQ(start.stored->placement.has_value(), row.placement.has_value()) << row.values;
    if (!row.placement) continue;
    EXPECT_EQ(start.stored->placement->left, row.placement->left) << row.values;
    EXPECT_EQ(start.stored->placement->top, row.placement->top) << row.values;
    EXPECT_EQ(start.stored->placement->outer_width, row.placement->outer_width) << row.values;
  }
}

// A save cut off at its last step left the settings only in its temporary
// file: the start takes them back before deciding there is no file.
TEST_F(FormLogicTest, AnInterruptedSaveIsTakenBackAtTheStart) {
  platform_.LeaveInterruptedSave(kFile, "[Interface]\r\nDecimalPlaces=-1\r\n[Expressions]\r\nExpression1=6*7\r\n");
  const FormLogic::Start start = logic_.FormCreate(kOuterWidth, kOuterHeight);
  ASSERT_TRUE(start.stored);
  EXPECT_FALSE(logic_.DecimalPlacesOn);
  EXPECT_EQ(logic_.History(), History{u"6*7"});
}

TEST_F(FormLogicTest, UnreadableFileKeepsTheDesignAndIsNotReplaced) {
  platform_.unreadable.insert(std::u16string(kFile));
  const FormLogic::Start start = StartWith("[Interface]\r\nThousandsSeparator=0\r\n");
  EXPECT_FALSE(start.stored);
  EXPECT_FALSE(Save());
  ASSERT_EQ(platform_.boxes.size(), 1u);
  EXPECT_EQ(platform_.boxes[0].message, u"Error saving settings");
  EXPECT_EQ(platform_.boxes[0].detail, std::u16string(kFile) + u"\nAccess is denied.");
  EXPECT_EQ(File(), "[Interface]\r\nThousandsSeparator=0\r\n");
}

TEST_F(FormLogicTest, ReadOnlyFileIsReportedAndKept) {
  StartWith("[Interface]\r\nThousandsSeparator=0\r\n");
  platform_.read_only.insert(std::u16string(kFile));
  logic_.calculatebuttonClick(u"1+1", {true, true});
  EXPECT_FALSE(Save());
  ASSERT_EQ(platform_.boxes.size(), 1u);
  EXPECT_EQ(platform_.boxes[0].message, u"Error saving settings");
  EXPECT_EQ(platform_.boxes[0].detail, std::u16string(kFile) + u"\nAccess is denied.") << "the file and the reason";
  EXPECT_EQ(platform_.boxes[0].caption, u"") << "the application title";
  EXPECT_FALSE(platform_.boxes[0].error);
  EXPECT_EQ(File(), "[Interface]\r\nThousandsSeparator=0\r\n");
}

// A failed save names the file and gives the system's reason.
TEST_F(FormLogicTest, SaveFailuresSayWhatAndWhere) {
  struct Row {
    const char* title;
    void (*arrange)(FakePlatform&);
    std::u16string reason;
  };
  const Row rows[] = {
      {"a read-only file", [](FakePlatform& p) { p.read_only.insert(std::u16string(kFile)); }, u"Access is denied."},
      {"a full disk",
       [](FakePlatform& p) { p.write_failures[std::u16string(kFile)] = u"There is not enough space on the disk."; },
       u"There is not enough space on the disk."},
      {"a file that cannot be read", [](FakePlatform& p) { p.unreadable.insert(std::u16string(kFile)); },
       u"Access is denied."},
      {"a folder in its place",
       [](FakePlatform& p) {
         p.files.erase(std::u16string(kFile));
         p.folders.insert(std::u16string(kFile));
       },
       u"Is a directory"},
  };
  for (const Row& row : rows) {
    FakePlatform platform;
    FormLogic logic(platform);
    platform.files[std::u16string(kFile)] = "[Interface]\r\nTop=1\r\n";
    row.arrange(platform);
    EXPECT_FALSE(logic.savedata(kFile, {1, 2, 601}, {true, true})) << row.title;
    ASSERT_EQ(platform.boxes.size(), 1u) << row.title;
    EXPECT_EQ(platform.boxes[0].message, u"Error saving settings") << row.title;
    EXPECT_EQ(platform.boxes[0].detail, std::u16string(kFile) + u"\n" + row.reason) << row.title;
  }
}

// A file over the reading limit would fail every close: the first save
// renames it aside, never over another file, says so once under a title
// that says what happened and writes a fresh file; the next save shows
// nothing.
TEST_F(FormLogicTest, AFileTooLargeToReadIsRenamedAsideOnce) {
  const std::u16string file(kFile);
  const std::string large(SettingsDocument::kMaxFileSize + 1, 'x');
  struct Row {
    const char* title;
    std::vector<std::u16string> taken;  // aside names in use
    bool refused;                       // the rename fails
    const char16_t* aside;              // where the file goes, or nowhere
    std::u16string detail;
  };
  const std::u16string note = u"\nThe file is larger than 4 MiB. It was renamed to ";
  const Row rows[] = {
      {"a free name", {}, false, u".too-large", note + u"brelmont.ini.too-large, and a new file was written."},
      {"the name taken",
       {file + u".too-large"},
       false,
       u".too-large-2",
       note + u"brelmont.ini.too-large-2, and a new file was written."},
      {"every name taken",
       [&] {
         std::vector<std::u16string> all;
         for (int i = 1; i <= FormLogic::kAsideAttempts; ++i) all.push_back(AsideName(file, i));
         return all;
       }(),
       false, nullptr,
       u"\nThe file is larger than 4 MiB, and the names brelmont.ini.too-large to brelmont.ini.too-large-9 are all "
       u"taken: it was left as it was."},
      {"the rename refused",
       {},
       true,
       nullptr,
       u"\nThe file is larger than 4 MiB, and renaming it to brelmont.ini.too-large failed: Access is denied."},
  };
  for (const Row& row : rows) {
    FakePlatform platform;
    platform.files[file] = large;
    for (const std::u16string& taken : row.taken) platform.files[taken] = "someone's";
    if (row.refused) platform.rename_refused.insert(file);
    FormLogic logic(platform);
    const FormLogic::Start start = logic.FormCreate(kOuterWidth, kOuterHeight);
    EXPECT_FALSE(start.stored) << row.title << ": not read";
    logic.AddToHistory(u"6*7");
    EXPECT_EQ(logic.savedata(kFile, {1, 2, 601}, {true, true}), row.aside != nullptr) << row.title;
    ASSERT_EQ(platform.boxes.size(), 1u) << row.title;
    EXPECT_EQ(platform.boxes[0].message, row.aside ? u"Settings file renamed" : u"Error saving settings") << row.title;
    EXPECT_EQ(platform.boxes[0].detail, file + row.detail) << row.title;
    for (const std::u16string& taken : row.taken) EXPECT_EQ(platform.files[taken], "someone's") << row.title;
    if (!row.aside) {
      EXPECT_EQ(platform.files[file], large) << row.title << ": left as it was";
      continue;
    }
    EXPECT_EQ(platform.files[file + row.aside], large) << row.title << ": kept whole";
    EXPECT_NE(platform.files[file].find("Expression1=6*7\r\n"), std::string::npos) << row.title << ": a fresh file";
    EXPECT_TRUE(logic.savedata(kFile, {1, 2, 601}, {true, true})) << row.title;
    EXPECT_EQ(platform.boxes.size(), 1u) << row.title << ": the next save shows nothing";
  }
}

// A session end that comes while the close shows "Error saving settings",
// or after it, must neither write again nor show the box again.
TEST_F(FormLogicTest, TheCloseSavesOnce) {
  for (const bool writable : {true, false}) {
    FakePlatform platform;
    FormLogic logic(platform);
    logic.FormCreate(kOuterWidth, kOuterHeight);
    if (!writable) platform.read_only.insert(std::u16string(kFile));
    logic.calculatebuttonClick(u"6*7", {true, true});
    logic.FormCloseQuery({1, 2, 601}, {true, true});
    const std::map<std::u16string, std::string> files = platform.files;
    EXPECT_EQ(files.count(std::u16string(kFile)), writable ? 1u : 0u);
    EXPECT_EQ(platform.boxes.size(), writable ? 0u : 1u);
    logic.calculatebuttonClick(u"1+1", {true, true});
    logic.FormCloseQuery({5, 5, 700}, {false, false});
    EXPECT_EQ(platform.files, files) << "writable: " << writable;
    EXPECT_EQ(platform.boxes.size(), writable ? 0u : 1u) << "writable: " << writable;
  }
}

// Where the view cannot learn its position, what it reports is not written:
// Left and Top go back as the file gave them (unclamped, so a position on a
// screen this session lacks survives), or as the centred start.
TEST_F(FormLogicTest, UnknownPositionIsWrittenBackAsRead) {
  struct Row {
    const char* values;
    const char* written;
  };
  const Row rows[] = {
      {"Top=10\r\nLeft=20\r\nWidth=650\r\n", "Top=10\r\nLeft=20\r\nWidth=700\r\n"},
      {"Top=1080\r\nLeft=-300\r\nWidth=650\r\n", "Top=1080\r\nLeft=-300\r\nWidth=700\r\n"},
      {"Top=$10\r\nLeft=0x20\r\nWidth=650\r\n", "Top=16\r\nLeft=32\r\nWidth=700\r\n"},
      {"Top=10\r\nLeft=20\r\n", "Top=439\r\nLeft=659\r\nWidth=700\r\n"},
      {"Top=abc\r\nLeft=20\r\nWidth=650\r\n", "Top=439\r\nLeft=659\r\nWidth=700\r\n"},
      {"", "Top=439\r\nLeft=659\r\nWidth=700\r\n"},
  };
  for (const Row& row : rows) {
    FakePlatform platform;
    FormLogic logic(platform);
    logic.WindowPositionKnown = false;
    platform.files[std::u16string(kFile)] = std::string("[Interface]\r\n") + row.values;
    logic.FormCreate(kOuterWidth, kOuterHeight);
    logic.FormCloseQuery({0, 0, 700}, {true, true});
    EXPECT_NE(platform.files[std::u16string(kFile)].find(row.written), std::string::npos)
        << row.values << "gave\n"
        << platform.files[std::u16string(kFile)];
  }
  FakePlatform platform;
  FormLogic logic(platform);
  logic.WindowPositionKnown = false;
  logic.FormCreate(kOuterWidth, kOuterHeight);
  logic.FormCloseQuery({0, 0, 601}, {true, true});
  EXPECT_NE(platform.files[std::u16string(kFile)].find("[Interface]\r\nTop=439\r\nLeft=659\r\nWidth=601\r\n"),
            std::string::npos)
      << "a first run writes the centred start";
}

// A second copy of the program wrote ten entries meanwhile; this one saves
// its three first, then the file's entries it does not hold, and the next
// start loads them all.
TEST_F(FormLogicTest, HistoryInFileOrderAndTheOtherWindowsEntriesKept) {
  std::string file = "[Expressions]\r\n";
  for (int i = 1; i <= 10; ++i) file += "Expression" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  file += "Odd=last\r\nExpression11=\r\n";
  StartWith(file);
  EXPECT_EQ(logic_.History().size(), 11u);
  EXPECT_EQ(logic_.History().back(), u"last");

  FormLogic second(platform_);
  second.AddToHistory(u"c");
  second.AddToHistory(u"b");
  second.AddToHistory(u"a");
  ASSERT_TRUE(second.savedata(kFile, {1, 1, 601}, {true, true}));
  EXPECT_NE(File().find("Expression1=a\r\nExpression2=b\r\nExpression3=c\r\nExpression4=1\r\n"), std::string::npos)
      << File();
  EXPECT_NE(File().find("Expression10=7\r\nOdd=last\r\nExpression11=8\r\nExpression12=9\r\nExpression13=10\r\n"
                        "Expression14=last\r\n\r\n"),
            std::string::npos)
      << File();
  FormLogic third(platform_);
  third.FormCreate(kOuterWidth, kOuterHeight);
  EXPECT_EQ(third.History(),
            (History{u"a", u"b", u"c", u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"last", u"8", u"9", u"10"}));
}

// Keys beyond those a save writes stay as they were.
TEST_F(FormLogicTest, KeysBeyondTheWrittenOnesAreKept) {
  std::string file = "[Expressions]\r\n";
  for (int i = 1; i <= 60; ++i) file += "Expression" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  platform_.files[std::u16string(kFile)] = file;
  logic_.AddToHistory(u"new");
  ASSERT_TRUE(Save());
  EXPECT_NE(File().find("Expression1=new\r\nExpression2=1\r\n"), std::string::npos) << File();
  EXPECT_NE(File().find("Expression50=49\r\nExpression51=51\r\n"), std::string::npos) << File();
  EXPECT_NE(File().find("Expression60=60\r\n\r\n"), std::string::npos) << File();
}

// Numbered entries "FROM" to "TO", newest first.
History Numbers(int from, int to) {
  History entries;
  for (int i = from; i <= to; ++i) entries.push_back(U(std::to_string(i)));
  return entries;
}

History Join(History first, const History& then) {
  first.insert(first.end(), then.begin(), then.end());
  return first;
}

TEST(MergedHistory, WhatEachWindowAddedThenTheFileThenTheRest) {
  struct Row {
    const char* title;
    History own;        // the window's list, newest first
    std::size_t added;  // how many of its first entries it added
    History file;       // the file's entries now
    History saved;
  };
  const Row rows[] = {
      {"one window alone: its own list", {u"2*3", u"(2 + 2) / 3"}, 1, {u"(2 + 2) / 3"}, {u"2*3", u"(2 + 2) / 3"}},
      {"two windows", {u"30+30"}, 1, {u"20+20", u"10+10"}, {u"30+30", u"20+20", u"10+10"}},
      {"both full, one added on each side", Join({u"901+1"}, Numbers(1, 49)), 1, Join({u"902+2"}, Numbers(1, 49)),
       Join({u"901+1", u"902+2"}, Numbers(1, 48))},
      {"both full, several added on each side", Join({u"a", u"b"}, Numbers(1, 48)), 2,
       Join({u"c", u"d", u"e"}, Numbers(1, 47)), Join({u"a", u"b", u"c", u"d", u"e"}, Numbers(1, 45))},
      {"an entry moved to the top is an addition", Join({u"30"}, Join(Numbers(1, 29), Numbers(31, 50))), 1,
       Numbers(1, 50), Join({u"30"}, Join(Numbers(1, 29), Numbers(31, 50)))},
      {"the same entry added on both sides in other case, the window's spelling",
       {u"sin(30)", u"x"},
       1,
       {u"SIN(30)", u"y", u"X"},
       {u"sin(30)", u"y", u"X"}},
      {"case variants outside ASCII are the same entry",
       {u"caf\u00E9"},
       1,
       {u"CAF\u00C9", u"cos(0)"},
       {u"caf\u00E9", u"cos(0)"}},
      {"the window's older entries the file lacks come last",
       {u"new", u"old1", u"old2"},
       1,
       {u"other", u"old2"},
       {u"new", u"other", u"old2", u"old1"}},
      {"the file's repeats and empty values once", {u"a"}, 1, {u"b", u"", u"B", u"b", u"a"}, {u"a", u"b"}},
      {"nothing in the file", {u"a"}, 1, {}, {u"a"}},
      {"nothing added: the file as it is", Numbers(1, 50), 0, {u"other", u"1"}, {u"other", u"1"}},
      {"nothing added, a file of more than 50", {u"1"}, 0, Numbers(1, 60), Numbers(1, 60)},
      {"a list longer than 50 from an edited file is not cut back", Join({u"new"}, Numbers(1, 60)), 1, Numbers(1, 60),
       Join({u"new"}, Numbers(1, 60))},
  };
  FakePlatform platform;
  for (const Row& row : rows) {
    std::vector<std::u16string_view> file(row.file.begin(), row.file.end());
    EXPECT_EQ(MergedHistory(row.own, row.added, file, platform), row.saved) << row.title;
  }
}

// The save starts from the file as it is then, not as the start read it.
TEST_F(FormLogicTest, ASaveKeepsWhatAnotherCopyWroteMeanwhile) {
  StartWith("[Expressions]\r\nExpression1=1+1\r\nExpression2=2+2\r\n[Mine]\r\nA=1\r\n");
  File() = "[Expressions]\r\nExpression1=1+1\r\nExpression2=2+2\r\n[Mine]\r\nA=2\r\n";
  ASSERT_TRUE(Save());
  EXPECT_NE(File().find("[Mine]\r\nA=2\r\n"), std::string::npos) << File();
  File() = "[Mine]\r\nB=3\r\n";
  ASSERT_TRUE(Save());
  EXPECT_TRUE(File().starts_with("[Mine]\r\nB=3\r\n\r\n[Information]")) << File();
  EXPECT_EQ(File().find("[Expressions]"), std::string::npos) << "nothing added: the file's history as it is\n"
                                                             << File();
  logic_.AddToHistory(u"3+3");
  ASSERT_TRUE(Save());
  EXPECT_NE(File().find("Expression1=3+3\r\nExpression2=1+1\r\nExpression3=2+2\r\n"), std::string::npos) << File();
}

// The read, the merge and the write take turns with other processes'
// saves; no box waits for a click while the lock is held; a lock that
// cannot be had in time does not cost the save.
TEST_F(FormLogicTest, TheSaveTakesTurnsUnderTheLock) {
  StartWith("");
  platform_.read_only.insert(std::u16string(kFile));
  EXPECT_FALSE(Save());
  EXPECT_EQ(platform_.boxes.size(), 1u);
  EXPECT_FALSE(platform_.shown_while_locked);
  platform_.read_only.clear();
  logic_.AddToHistory(u"1+1");
  ASSERT_TRUE(Save());
  EXPECT_EQ(platform_.writes_without_lock, 0);
  EXPECT_FALSE(platform_.lock_held) << "released after the save";
  platform_.lock_taken_elsewhere = true;
  logic_.SaveLockWait = std::chrono::milliseconds(20);
  logic_.AddToHistory(u"2+2");
  ASSERT_TRUE(Save());
  EXPECT_EQ(platform_.writes_without_lock, 1);
  EXPECT_NE(File().find("Expression1=2+2\r\nExpression2=1+1\r\n"), std::string::npos) << File();
}

// Hand-named keys would otherwise come back under a new "Expression" key
// at every close, and the file grow without end.
TEST_F(FormLogicTest, AHandNamedKeyIsLoadedOnceAndTheFileStaysTheSame) {
  StartWith("[Expressions]\r\nExpression1=1+1\r\nexpression2=2+2\r\nfavourite=3*3\r\nOther=2+2\r\nMore=1+1\r\n");
  EXPECT_EQ(logic_.History(), (History{u"1+1", u"2+2", u"3*3"}));
  ASSERT_TRUE(Save());
  const std::string first = File();
  EXPECT_NE(first.find("Expression1=1+1\r\nExpression2=2+2\r\nfavourite=3*3\r\nOther=2+2\r\nMore=1+1\r\n"
                       "Expression3=3*3\r\n\r\n"),
            std::string::npos)
      << first;
  for (int cycle = 0; cycle < 6; ++cycle) {
    FormLogic next(platform_);
    next.FormCreate(kOuterWidth, kOuterHeight);
    EXPECT_EQ(next.History().size(), 3u);
    ASSERT_TRUE(next.savedata(kFile, {667, 439, 601}, {true, true}));
    EXPECT_EQ(File(), first) << "cycle " << cycle;
  }
}

// Loading, adding, merging and the opened list's highlight take two entries
// for the same exactly when the locale upper-cases them alike.
TEST(HistoryComparison, OneRuleForLoadAddMergeAndHighlight) {
  struct Row {
    std::u16string_view a, b;
    bool same;
  };
  const Row rows[] = {
      {u"sin(30)", u"SIN(30)", true},
      {u"caf\u00e9", u"CAF\u00c9", true},
      {u"\u03c0*2", u"\u03a0*2", true},
      {u"\u0436+1", u"\u0416+1", true},
      {u"sin(30)", u"sin(31)", false},
      // Another text, though a linguistic comparison would take it for the same.
      {u"e\u0301", u"\u00e9", false},
      {u"1+\u00ad2", u"1+2", false},
  };
  for (const Row& row : rows) {
    const std::string name = EncodeUtf8(row.a) + " and " + EncodeUtf8(row.b);
    FakePlatform platform;
    platform.code_page_utf8 = true;
    platform.files[std::u16string(kFile)] =
        "[Expressions]\r\nExpression1=" + EncodeUtf8(row.a) + "\r\nExpression2=" + EncodeUtf8(row.b) + "\r\n";
    FormLogic loaded(platform);
    loaded.FormCreate(kOuterWidth, kOuterHeight);
    EXPECT_EQ(loaded.History().size(), row.same ? 1u : 2u) << "loading " << name;

    FormLogic added(platform);
    added.AddToHistory(row.a);
    added.AddToHistory(row.b);
    const History after_adding =
        row.same ? History{std::u16string(row.b)} : History{std::u16string(row.b), std::u16string(row.a)};
    EXPECT_EQ(added.History(), after_adding) << "adding " << name;

    EXPECT_EQ(MergedHistory({std::u16string(row.a)}, 1, {row.b}, platform).size(), row.same ? 1u : 2u)
        << "merging " << name;

    FormLogic listed(platform);
    listed.AddToHistory(row.a);
    listed.AddToHistory(u"7*7");
    EXPECT_EQ(listed.HeldEntry(row.b), row.same ? 1 : 0) << "highlighting " << name;
  }
}

TEST_F(FormLogicTest, TheOpenedListHighlightsTheHeldEntryOrTheNewest) {
  EXPECT_EQ(logic_.HeldEntry(u"1+1"), -1) << "an empty list";
  logic_.AddToHistory(u"1+1");
  logic_.AddToHistory(u"2+2");
  EXPECT_EQ(logic_.HeldEntry(u"1+1"), 1);
  EXPECT_EQ(logic_.HeldEntry(u"3+3"), 0);
  EXPECT_EQ(logic_.HeldEntry(u""), 0);
}

TEST_F(FormLogicTest, MoreThanFiftyFromAFileAreNotCutBack) {
  std::string file = "[Expressions]\r\n";
  for (int i = 1; i <= 60; ++i) file += "Expression" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  StartWith(file);
  EXPECT_EQ(logic_.History().size(), 60u);
  logic_.calculatebuttonClick(u"7+7", {true, true});
  EXPECT_EQ(logic_.History().size(), 61u);
}

TEST_F(FormLogicTest, EncodingKeptOnSave) {
  StartWith("\xEF\xBB\xBF[Interface]\r\nTop=1\r\n");
  ASSERT_TRUE(Save());
  EXPECT_TRUE(File().starts_with("\xEF\xBB\xBF[Interface]\r\nTop=439\r\n")) << File();
}

TEST_F(FormLogicTest, HistoryRule) {
  for (int i = 1; i <= 50; ++i) logic_.AddToHistory(U(std::to_string(i)));
  ASSERT_EQ(logic_.History().size(), 50u);
  logic_.AddToHistory(u"25");
  EXPECT_EQ(logic_.History().size(), 50u) << "re-evaluating an entry only moves it";
  EXPECT_EQ(logic_.History().front(), u"25");
  EXPECT_EQ(logic_.History().back(), u"1");
  logic_.AddToHistory(u"new");
  EXPECT_EQ(logic_.History().size(), 50u);
  EXPECT_EQ(logic_.History().front(), u"new");
  EXPECT_EQ(logic_.History().back(), u"2") << "the oldest went";
}

TEST_F(FormLogicTest, CalculateDecides) {
  struct Row {
    const char* box;
    bool separators;
    bool two_decimals;
    const char* label;
    std::optional<std::u16string> box_text;
  };
  const Row rows[] = {
      {"", true, true, "", std::nullopt},
      {"   ", true, true, "", std::nullopt},
      {",", true, true, "", u","},
      {"  2*3  ", true, true, "6", u"2*3"},
      {"\t(2 + 2) / 3\n", true, true, "1.33", u"(2 + 2) / 3"},
      {"1234.5678", true, false, "1,234.5678", u"1234.5678"},
      {" 1/0 ", true, true, "Division by zero.", std::nullopt},
      {"-2^2", true, true, "Cannot raise negative no.", std::nullopt},
  };
  for (const Row& row : rows) {
    FakePlatform platform;
    FormLogic logic(platform);
    const FormLogic::Calculation c = logic.calculatebuttonClick(U(row.box), {row.separators, row.two_decimals});
    EXPECT_TRUE(c.completed) << row.box;
    EXPECT_EQ(c.label, U(row.label)) << row.box;
    EXPECT_EQ(c.box_text, row.box_text) << row.box;
    EXPECT_EQ(logic.History(), row.box_text ? History{*row.box_text} : History{}) << row.box;
    EXPECT_TRUE(platform.boxes.empty()) << row.box;
  }
}

TEST_F(FormLogicTest, TheResultLinesTooltipShowsTheSteps) {
  const FormLogic::Calculation result = logic_.calculatebuttonClick(u" 1/3*3 ", {true, true});
  EXPECT_EQ(result.tooltip,
            u"Each value in between is cut to 15 digits, so the last digit is off; the exact result is probably 1.\n"
            u"1.00\n\u2192 1*INV(3)*3\n\u2192 1*0.333333333333333*3\n\u2192 0.999999999999999");
  EXPECT_EQ(FormLogic::ResultDescription(result.tooltip), result.tooltip);
  const FormLogic::Calculation message = logic_.calculatebuttonClick(u"(2+2)/(1-1)", {true, true});
  EXPECT_EQ(message.tooltip, u"Division by zero.\n\u2192 (2+2)*INV(1+-1)\n\u2192 4*INV(1+-1)\n\u2192 4*INV(0)");
  EXPECT_EQ(logic_.calculatebuttonClick(u"  ", {true, true}).tooltip, u"");
  EXPECT_EQ(FormLogic::ResultDescription(u""), u"Result");
}

TEST_F(FormLogicTest, TheWorkingIsReadOutInOneAnnouncementALine) {
  const FormLogic::Calculation c = logic_.calculatebuttonClick(u"2pi", {false, false});
  EXPECT_EQ(FormLogic::WorkingAnnouncement(c.tooltip),
            u"Values written side by side join their digits instead of multiplying; write 2*pi.\n"
            u"23.1415926535898\n23.14159265358979");
  // Before any calculation, what the line is.
  EXPECT_EQ(FormLogic::WorkingAnnouncement(u""), u"Result");
}

TEST_F(FormLogicTest, AnOverflowGoesToTheGenericErrorDisplay) {
  logic_.AddToHistory(u"2+2");
  const FormLogic::Calculation c = logic_.calculatebuttonClick(u"1E5000", {true, true});
  EXPECT_FALSE(c.completed) << "the rest of the handler is skipped";
  ASSERT_EQ(platform_.boxes.size(), 1u);
  EXPECT_TRUE(platform_.boxes[0].error);
  EXPECT_EQ(platform_.boxes[0].message, u"Floating point overflow.");
  EXPECT_EQ(logic_.History(), History{u"2+2"});
}

TEST_F(FormLogicTest, CopyAndHelp) {
  EXPECT_TRUE(logic_.copybuttonClick(u"1,234.57"));
  EXPECT_EQ(platform_.clipboard, u"1,234.57");
  EXPECT_TRUE(logic_.copybuttonClick(u""));
  EXPECT_EQ(platform_.clipboard, u"");
  platform_.clipboard_failure = u"Cannot open clipboard: Access is denied";
  EXPECT_FALSE(logic_.copybuttonClick(u"x"));
  ASSERT_EQ(platform_.boxes.size(), 1u);
  EXPECT_TRUE(platform_.boxes[0].error);
  EXPECT_EQ(platform_.boxes[0].message, u"Cannot open clipboard: Access is denied.");

  logic_.aboutbuttonClick();
  ASSERT_EQ(platform_.boxes.size(), 2u);
  EXPECT_EQ(platform_.boxes[1].message, HelpText());
  EXPECT_EQ(platform_.boxes[1].caption, u"");
  EXPECT_EQ(FormLogic::cbClick(), u"");
}

TEST_F(FormLogicTest, FailuresThatEscapeAHandler) {
  const auto fail = [](const char* what) { throw std::runtime_error(what); };
  bool rest_ran = false;
  logic_.Guarded([&] {
    fail("'x' is not a valid floating point value");
    rest_ran = true;
  });
  logic_.Guarded([&] { fail("ends in a point."); });
  logic_.Guarded([] {});
  EXPECT_FALSE(rest_ran);
  ASSERT_EQ(platform_.boxes.size(), 2u);
  EXPECT_EQ(platform_.boxes[0].message, u"'x' is not a valid floating point value.");
  EXPECT_TRUE(platform_.boxes[0].error);
  EXPECT_EQ(platform_.boxes[1].message, u"ends in a point.");
}

TEST(Design, ResizeRuleFollowsTheRightEdge) {
  const ResizeLayout wide = FormResize(800);
  EXPECT_EQ(wide.box_width, 800 - 75 - 54);
  EXPECT_EQ(wide.calculate_left, 800 - 75 - 14);
  EXPECT_EQ(wide.about_left, 800 - 26);
  EXPECT_EQ(wide.copy_left, 800 - 41 - 14);
  EXPECT_EQ(wide.two_decimals_left, 800 - 228 - 40);
  // The window gets its size when it first shows: the rule applies then.
  const ResizeLayout design = FormResize(kForm.client_width);
  EXPECT_EQ(design.box_width, 456);
  EXPECT_EQ(design.calculate_left, 496);
  EXPECT_EQ(design.about_left, 559);
  EXPECT_EQ(FormResize(800, {75, 26, 41, 260}).two_decimals_left, 800 - 260 - 40);
}

TEST(Design, ControlsInTabOrder) {
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    EXPECT_EQ(kControls[i].takes_focus, i + 1 < kControls.size()) << i;
  }
  EXPECT_TRUE(Design(Control::kCalculate).is_default);
  EXPECT_EQ(kForm.outer_height(), 202);
  EXPECT_EQ(kForm.design_outer_width(), 601);
}

// The help text's shape: twelve lines joined by a lone CR, every other
// one empty, and the maker's lines in their frames.
TEST(Design, HelpTextShape) {
  const std::u16string text = HelpText();
  EXPECT_EQ(text.find(u'\n'), std::u16string::npos);
  std::vector<std::u16string> lines(1);
  for (const char16_t c : text) {
    if (c == u'\r') {
      lines.emplace_back();
    } else {
      lines.back().push_back(c);
    }
  }
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_TRUE(lines[0].starts_with(u"VARNEL'S EXPRESSION CALCULATOR (V1.2)  "));
  for (const std::size_t empty : {1u, 4u, 6u, 8u, 10u}) EXPECT_EQ(lines[empty], u"") << empty;
  const std::u16string& last = lines[11];
  EXPECT_TRUE(last.starts_with(std::u16string(15, u' ') + std::u16string(8, u'-') + std::u16string(4, u' ')));
  EXPECT_TRUE(last.ends_with(std::u16string(3, u' ') + std::u16string(9, u'-')));
}

}  // namespace
}  // namespace calc
