// SPDX-License-Identifier: MIT
#include "formlogic.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <unordered_set>

#include "calc_version.h"
#include "calcexpr.h"
#include "design.h"
#include "mymisc.h"
#include "presentation.h"
#include "utf.h"

namespace calc {
namespace {

// The settings file's names.
constexpr std::u16string_view kFileName = u"brelmont.ini";
constexpr std::u16string_view kVendorFolder = u"VarnelSoftware";
constexpr std::u16string_view kProgramFolder = u"VarnelSoftware\\Expression Calculator";
constexpr std::u16string_view kInformation = u"Information";
constexpr std::u16string_view kInterface = u"Interface";
constexpr std::u16string_view kExpressions = u"Expressions";
constexpr std::u16string_view kExpressionKey = u"Expression";
constexpr std::u16string_view kProgramName = u"Varnel's Expression Calculator";
constexpr std::u16string_view kAsideSuffix = u".too-large";

// A stored value closer than this to the screen's right or bottom edge
// would leave too little of the window to grab.
constexpr int kEdgeMargin = 50;

std::u16string Decimal(long long value) {
  char digits[24];
  return std::u16string(digits, std::to_chars(std::begin(digits), std::end(digits), value).ptr);
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

std::optional<int> ReadInteger(std::u16string_view s) {
  if (s.empty()) return std::nullopt;
  bool negative = false;
  if (s.front() == u'+' || s.front() == u'-') {
    negative = s.front() == u'-';
    s.remove_prefix(1);
  }
  long long magnitude = 0;
  if (s.starts_with(u'$') || s.starts_with(u'x') || s.starts_with(u'X') || s.starts_with(u"0x") ||
      s.starts_with(u"0X")) {
    s.remove_prefix(s.starts_with(u'0') ? 2 : 1);
    if (s.empty() || s.size() > 8) return std::nullopt;
    std::uint32_t bits = 0;
    for (const char16_t c : s) {
      const int digit = HexDigit(c);
      if (digit < 0) return std::nullopt;
      bits = bits * 16 + static_cast<std::uint32_t>(digit);
    }
    magnitude = static_cast<std::int32_t>(bits);
  } else {
    if (s.empty()) return std::nullopt;
    for (const char16_t c : s) {
      if (c < u'0' || c > u'9') return std::nullopt;
      magnitude = magnitude * 10 + (c - u'0');
      if (magnitude > 2147483648LL) return std::nullopt;
    }
  }
  const long long v = negative ? -magnitude : magnitude;
  if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return static_cast<int>(v);
}

std::u16string SelectSettingsFile(Platform& platform) {
  const std::u16string appData = platform.GetAppDataFolder();
  std::u16string path(kFileName);
  if (appData.empty()) return path;
  const char16_t separator = platform.PathSeparator();
  const std::u16string vendor = JoinPath(appData, kVendorFolder, separator);
  if (!platform.FolderExists(vendor)) platform.CreateFolder(vendor);
  const std::u16string folder = JoinPath(appData, kProgramFolder, separator);
  if (platform.FolderExists(folder) || platform.CreateFolder(folder)) path = JoinPath(folder, kFileName, separator);
  return path;
}

FormLogic::Start FormLogic::FormCreate(int outer_width, int outer_height) {
  DecimalPlacesOn = true;
  SettingsFileName = SelectSettingsFile(platform_);
  const ScreenSize screen = platform_.PrimaryScreenSize();
  Start start;
  start.left = (screen.width - outer_width) / 2;
  start.top = (screen.height - outer_height) / 2;
  start_ = {start.left, start.top, outer_width};
  if (SettingsFileThere(SettingsFileName)) start.stored = readdata(SettingsFileName, outer_width, outer_height);
  return start;
}

bool FormLogic::SettingsFileThere(std::u16string_view path) {
  return platform_.FileExistsAt(path) || platform_.RecoverInterruptedSave(path);
}

std::optional<FormLogic::Stored> FormLogic::readdata(std::u16string_view datafilename, int outer_width,
                                                     int outer_height) {
  SettingsDocument doc(platform_);
  std::u16string why;
  const ReadStatus status = SettingsDocument::Open(platform_, datafilename, doc, why);
  if (status == ReadStatus::kFailed || status == ReadStatus::kTooLarge) return std::nullopt;

  Stored stored;
  if (const std::optional<int> top = ReadInteger(doc.ReadString(kInterface, u"Top", u""))) {
    if (const std::optional<int> left = ReadInteger(doc.ReadString(kInterface, u"Left", u""))) {
      if (const std::optional<int> width = ReadInteger(doc.ReadString(kInterface, u"Width", u""))) {
        const ScreenSize screen = platform_.PrimaryScreenSize();
        WindowPlacement p{*left, *top, *width};
        start_ = p;
        if (p.left > screen.width - kEdgeMargin) p.left = screen.width - outer_width;
        if (p.left < 0) p.left = 0;
        if (p.top > screen.height - kEdgeMargin) p.top = screen.height - outer_height;
        if (p.top < 0) p.top = 0;
        // A width beyond the screen would put the buttons out of reach: the
        // window takes the screen's width, and moves left as far as that needs.
        if (screen.width > 0 && p.outer_width > screen.width) {
          p.outer_width = screen.width;
          p.left = std::max(0, std::min(p.left, screen.width - p.outer_width));
        }
        p.outer_width = std::max(p.outer_width, kForm.min_outer_width);
        stored.placement = p;
      }
    }
  }

  stored.separators = doc.ReadString(kInterface, u"ThousandsSeparator", u"1") == u"1";
  DecimalPlacesOn = doc.ReadString(kInterface, u"DecimalPlaces", u"-1") != u"-1";

  // Every key of the section counts, in file order. An entry equal to one
  // already loaded is skipped: a hand-named key would otherwise come back
  // under an "Expression" key at every close, and the file grow without end.
  const UpperCaser upper(platform_);
  const std::vector<std::u16string_view> values = doc.ReadSectionValues(kExpressions);
  std::unordered_set<std::u16string> loaded;
  loaded.reserve(history_.size() + values.size());
  for (const std::u16string& entry : history_) loaded.insert(upper(entry));
  for (const std::u16string_view value : values) {
    if (!value.empty() && loaded.insert(upper(value)).second) history_.emplace_back(value);
  }
  return stored;
}

std::vector<std::u16string> OtherWindowsEntries(const std::vector<std::u16string>& list,
                                                const std::vector<std::u16string_view>& file, Platform& platform) {
  std::vector<std::u16string> added;
  const auto held = [&](std::u16string_view entry) {
    const auto same = [&](const std::u16string& kept) { return platform.SameIgnoringCase(kept, entry); };
    return std::ranges::any_of(list, same) || std::ranges::any_of(added, same);
  };
  for (auto entry = file.begin(); entry != file.end() && list.size() + added.size() < FormLogic::kHistoryLimit;
       ++entry) {
    if (!entry->empty() && !held(*entry)) added.emplace_back(*entry);
  }
  return added;
}

std::u16string AsideName(std::u16string_view path, int attempt) {
  std::u16string name(path);
  name += kAsideSuffix;
  if (attempt > 1) name.append(u"-").append(Decimal(attempt));
  return name;
}

namespace {

std::u16string_view FileNameOf(std::u16string_view path) {
  const std::size_t cut = path.find_last_of(u"/\\");
  return cut == std::u16string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace

std::optional<std::u16string> FormLogic::MoveAside(std::u16string_view path, std::u16string& note) {
  const std::u16string too_large = u"The file is larger than " + std::u16string(SettingsDocument::kMaxFileSizeText);
  for (int attempt = 1; attempt <= kAsideAttempts; ++attempt) {
    const std::u16string aside = AsideName(path, attempt);
    std::u16string why;
    switch (platform_.RenameWithoutReplacing(path, aside, why)) {
      case RenameStatus::kRenamed:
        note =
            too_large + u". It was renamed to " + std::u16string(FileNameOf(aside)) + u", and a new file was written.";
        return std::nullopt;
      case RenameStatus::kNameTaken:
        break;
      case RenameStatus::kFailed:
        return too_large + u", and renaming it to " + std::u16string(FileNameOf(aside)) + u" failed: " + why;
    }
  }
  return too_large + u", and the names " + std::u16string(FileNameOf(AsideName(path, 1))) + u" to " +
         std::u16string(FileNameOf(AsideName(path, kAsideAttempts))) + u" are all taken: it was left as it was.";
}

std::optional<std::u16string> FormLogic::OpenForSaving(std::u16string_view path, SettingsDocument& doc,
                                                       std::u16string& note) {
  // A save cut off at its last step left the settings only in its
  // temporary file: they are taken back before they are added to.
  SettingsFileThere(path);
  std::u16string why;
  switch (SettingsDocument::Open(platform_, path, doc, why)) {
    case ReadStatus::kRead:
    case ReadStatus::kMissing:
      return std::nullopt;
    case ReadStatus::kTooLarge:
      // Not read, it would fail every close: it goes aside, kept whole, and
      // the settings start afresh.
      return MoveAside(path, note);
    case ReadStatus::kFailed:
      break;
  }
  return why;
}

void FormLogic::WriteSettings(SettingsDocument& doc, const WindowPlacement& window, bool separators,
                              bool two_decimals) const {
  const std::vector<std::u16string> added =
      OtherWindowsEntries(history_, doc.ReadSectionValues(kExpressions), platform_);
  doc.WriteString(kInformation, u"Program", kProgramName);
  doc.WriteString(kInformation, u"Version", FromAscii(kVersion));
  const WindowPlacement& at = WindowPositionKnown ? window : start_;
  doc.WriteString(kInterface, u"Top", Decimal(at.top));
  doc.WriteString(kInterface, u"Left", Decimal(at.left));
  doc.WriteString(kInterface, u"Width", Decimal(window.outer_width));
  doc.WriteString(kInterface, u"ThousandsSeparator", separators ? u"1" : u"0");
  doc.WriteString(kInterface, u"DecimalPlaces", two_decimals ? u"2" : u"-1");
  std::u16string key(kExpressionKey);
  for (std::size_t i = 0; i < history_.size() + added.size(); ++i) {
    key.resize(kExpressionKey.size());
    key += Decimal(static_cast<long long>(i + 1));
    doc.WriteString(kExpressions, key, i < history_.size() ? history_[i] : added[i - history_.size()]);
  }
}

bool FormLogic::savedata(std::u16string_view datafilename, const WindowPlacement& window, bool separators,
                         bool two_decimals) {
  SettingsDocument doc(platform_);
  std::u16string note;  // said once, though the settings were saved
  std::optional<std::u16string> failure = OpenForSaving(datafilename, doc, note);
  if (!failure) {
    WriteSettings(doc, window, separators, two_decimals);
    std::u16string why;
    if (!doc.UpdateFile(datafilename, why)) failure = why;
  }
  if (failure || !note.empty()) {
    platform_.ShowMessageBox(u"Error saving settings", std::u16string(datafilename) + u"\n" + failure.value_or(note),
                             u"");
  }
  return !failure;
}

void FormLogic::FormCloseQuery(const WindowPlacement& window, bool separators, bool two_decimals) {
  if (closed_) return;
  closed_ = true;
  savedata(SettingsFileName, window, separators, two_decimals);
}

FormLogic::Calculation FormLogic::calculatebuttonClick(std::u16string_view box_text, bool separators,
                                                       bool two_decimals) {
  const std::u16string_view t = TrimControlCharacters(box_text);
  Presentation shown = PresentCalculation(t, separators, two_decimals);
  Calculation c;
  switch (shown.kind) {
    case Presentation::Kind::kFailure:
      platform_.ShowErrorBox(shown.text);
      return c;
    case Presentation::Kind::kMessage:
      c.label = std::move(shown.text);
      break;
    case Presentation::Kind::kResult:
      c.label = std::move(shown.text);
      if (!t.empty()) {
        AddToHistory(t);
        c.box_text = std::u16string(t);
      }
      break;
  }
  c.completed = true;
  return c;
}

bool FormLogic::copybuttonClick(std::u16string_view label_text) {
  if (const std::optional<std::u16string> failure = platform_.SetClipboardText(label_text)) {
    platform_.ShowErrorBox(GenericErrorText(*failure));
    return false;
  }
  return true;
}

void FormLogic::aboutbuttonClick() { platform_.ShowMessageBox(HelpText(), u"", u""); }

void FormLogic::ReportFailure(std::string_view what) {
  std::u16string text;
  DecodeUtf8(what, text);
  platform_.ShowErrorBox(GenericErrorText(text));
}

void FormLogic::AddToHistory(std::u16string_view expression) {
  const auto same = std::find_if(history_.begin(), history_.end(), [&](const std::u16string& entry) {
    return platform_.SameIgnoringCase(entry, expression);
  });
  if (same != history_.end()) history_.erase(same);
  // Exactly 50: a longer list, which only an edited file can give, is not
  // cut back.
  if (history_.size() == kHistoryLimit) history_.pop_back();
  history_.insert(history_.begin(), std::u16string(expression));
}

}  // namespace calc
