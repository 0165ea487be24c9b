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
#include "explanation.h"
#include "messages.h"
#include "mymisc.h"
#include "presentation.h"
#include "savesequence.h"
#include "translation.h"
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
constexpr std::u16string_view kAlwaysOnTop = u"AlwaysOnTop";
constexpr std::u16string_view kAsideSuffix = u".too-large";

// A stored value closer than this to the screen's right or bottom edge
// would leave too little of the window to grab.
constexpr int kEdgeMargin = 50;

std::u16string Decimal(long long value) {
  char digits[24];
  return std::u16string(digits, std::to_chars(std::begin(digits), std::end(digits), value).ptr);
}

// The number that the digits in `base` make, all of `text` and no sign.
std::optional<std::uint64_t> ReadDigits(std::u16string_view text, int base) {
  std::string ascii(text.size(), '\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] > 0x7F) return std::nullopt;
    ascii[i] = static_cast<char>(text[i]);
  }
  std::uint64_t value = 0;
  const char* const end = ascii.data() + ascii.size();
  const auto [stop, error] = std::from_chars(ascii.data(), end, value, base);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::size_t HexPrefixLength(std::u16string_view s) {
  if (s.starts_with(u"0x") || s.starts_with(u"0X")) return 2;
  return s.starts_with(u'$') || s.starts_with(u'x') || s.starts_with(u'X') ? 1 : 0;
}

// A stored place that would leave the window out of reach is moved back
// onto the screen.
WindowPlacement FitOnScreen(WindowPlacement p, ScreenSize screen, int outer_width, int outer_height) {
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
  return p;
}

}  // namespace

std::optional<int> ReadInteger(std::u16string_view s) {
  bool negative = false;
  if (s.starts_with(u'+') || s.starts_with(u'-')) {
    negative = s.front() == u'-';
    s.remove_prefix(1);
  }
  long long magnitude = 0;
  if (const std::size_t prefix = HexPrefixLength(s); prefix > 0) {
    s.remove_prefix(prefix);
    const std::optional<std::uint64_t> bits = s.size() <= 8 ? ReadDigits(s, 16) : std::nullopt;
    if (!bits) return std::nullopt;
    magnitude = static_cast<std::int32_t>(static_cast<std::uint32_t>(*bits));
  } else {
    const std::optional<std::uint64_t> digits = ReadDigits(s, 10);
    if (!digits || *digits > 2147483648u) return std::nullopt;
    magnitude = static_cast<long long>(*digits);
  }
  const long long v = negative ? -magnitude : magnitude;
  if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return static_cast<int>(v);
}

std::u16string SelectSettingsFile(Platform& platform) {
  // A copy run from a stick says so with a settings file beside it; one it
  // could not write back would lose every change, so the profile's then.
  if (const std::u16string program = platform.ProgramFolder(); !program.empty()) {
    std::u16string beside = JoinPath(program, kFileName, platform.PathSeparator());
    if (platform.FileExistsAt(beside) && platform.FolderWritable(program)) return beside;
  }
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
  AlwaysOnTop = false;
  SettingsFileName = SelectSettingsFile(platform_);
  const ScreenSize screen = platform_.PrimaryScreenSize();
  Start start;
  start.left = (screen.width - outer_width) / 2;
  start.top = (screen.height - outer_height) / 2;
  start_ = {start.left, start.top, outer_width};
  bool there = platform_.FileExistsAt(SettingsFileName);
  if (!there) {
    const SaveLock lock(platform_.Files(), SettingsFileName, SaveLockWait);
    there = SettingsFileThere(SettingsFileName, lock.held());
  }
  if (there) start.stored = readdata(SettingsFileName, outer_width, outer_height);
  return start;
}

bool FormLogic::SettingsFileThere(std::u16string_view path, bool locked) {
  return platform_.FileExistsAt(path) || RecoverInterruptedSave(platform_.Files(), path, locked);
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
        start_ = WindowPlacement{*left, *top, *width};
        stored.placement = FitOnScreen(start_, platform_.PrimaryScreenSize(), outer_width, outer_height);
      }
    }
  }

  stored.separators = doc.ReadString(kInterface, u"ThousandsSeparator", u"1") == u"1";
  DecimalPlacesOn = doc.ReadString(kInterface, u"DecimalPlaces", u"-1") != u"-1";
  AlwaysOnTop = doc.ReadString(kInterface, kAlwaysOnTop, u"0") == u"1";

  LoadHistory(doc);
  return stored;
}

void FormLogic::LoadHistory(SettingsDocument& doc) {
  // Every key of the section counts, in file order. An entry equal to one
  // already loaded is skipped: a hand-named key would otherwise come back
  // under an "Expression" key at every close, and the file grow without end.
  const std::vector<std::u16string_view> values = doc.ReadSectionValues(kExpressions);
  std::unordered_set<std::u16string> loaded;
  loaded.reserve(history_.size() + values.size());
  for (const std::u16string& entry : history_) loaded.insert(CaseKey(platform_, entry));
  for (const std::u16string_view value : values) {
    if (!value.empty() && loaded.insert(CaseKey(platform_, value)).second) history_.emplace_back(value);
  }
}

std::vector<std::u16string> MergedHistory(const std::vector<std::u16string>& own, std::size_t added,
                                          const std::vector<std::u16string_view>& file, Platform& platform) {
  added = std::min(added, own.size());
  std::size_t limit = std::max(FormLogic::kHistoryLimit, own.size());
  if (added == 0) limit = file.size();
  std::vector<std::u16string> merged;
  merged.reserve(std::min(limit, own.size() + file.size()));
  std::unordered_set<std::u16string> taken;
  taken.reserve(own.size() + file.size());
  const auto take = [&](std::u16string_view entry) {
    if (merged.size() < limit && !entry.empty() && taken.insert(CaseKey(platform, entry)).second)
      merged.emplace_back(entry);
  };
  for (std::size_t i = 0; i < added; ++i) take(own[i]);
  for (const std::u16string_view entry : file) take(entry);
  if (added > 0) {
    for (std::size_t i = added; i < own.size(); ++i) take(own[i]);
  }
  return merged;
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

std::optional<std::u16string> FormLogic::MoveAside(std::u16string_view path, std::u16string& note, bool& changed) {
  changed = false;
  const std::u16string_view limit = SettingsDocument::kMaxFileSizeText;
  for (int attempt = 1; attempt <= kAsideAttempts; ++attempt) {
    const std::u16string aside = AsideName(path, attempt);
    FileCalls::Error error;
    switch (MoveTooLargeAside(platform_.Files(), path, aside, SettingsDocument::kMaxFileSize, error)) {
      case RenameStatus::kRenamed:
        // TRANSLATORS: Detail of the "Error saving settings" box, under the file's path: %1 is a size such as
        // 1 MiB, %2 a file name. The box wraps long lines.
        note = Tr(u"The file is larger than %1. It was renamed to %2, and a new file was written.",
                  {limit, FileNameOf(aside)});
        return std::nullopt;
      case RenameStatus::kChanged:
        changed = true;
        return std::nullopt;
      case RenameStatus::kNameTaken:
        break;
      case RenameStatus::kFailed:
        // TRANSLATORS: Detail of the "Error saving settings" box: %1 is a size, %2 a file name, %3 the system's
        // reason.
        return Tr(u"The file is larger than %1, and renaming it to %2 failed: %3",
                  {limit, FileNameOf(aside), platform_.ErrorText(error.code)});
    }
  }
  // TRANSLATORS: Detail of the "Error saving settings" box: %1 is a size, %2 and %3 the first and the last of
  // the file names tried.
  return Tr(u"The file is larger than %1, and the names %2 to %3 are all taken: it was left as it was.",
            {limit, FileNameOf(AsideName(path, 1)), FileNameOf(AsideName(path, kAsideAttempts))});
}

std::optional<std::u16string> FormLogic::OpenForSaving(std::u16string_view path, bool locked, SettingsDocument& doc,
                                                       std::u16string& note) {
  // A save cut off at its last step left the settings only in its
  // temporary file: they are taken back before they are added to.
  SettingsFileThere(path, locked);
  std::u16string why;
  // The file judged too large is renamed only while it still is: a second
  // look finds another process's fresh save in its place, which is read.
  for (int look = 0; look < 2; ++look) {
    switch (SettingsDocument::Open(platform_, path, doc, why)) {
      case ReadStatus::kRead:
      case ReadStatus::kMissing:
        return std::nullopt;
      case ReadStatus::kTooLarge: {
        // Not read, it would fail every close: it goes aside, kept whole,
        // and the settings start afresh.
        bool changed = false;
        std::optional<std::u16string> failure = MoveAside(path, note, changed);
        if (!changed) return failure;
        continue;
      }
      case ReadStatus::kFailed:
        return why;
    }
  }
  return why;
}

void FormLogic::WriteSettings(SettingsDocument& doc, const WindowPlacement& window, DisplayOptions options) const {
  const std::vector<std::u16string> history =
      MergedHistory(history_, added_, doc.ReadSectionValues(kExpressions), platform_);
  doc.WriteString(kInformation, u"Program", kProgramName);
  doc.WriteString(kInformation, u"Version", FromAscii(kVersion));
  const WindowPlacement& at = WindowPositionKnown ? window : start_;
  doc.WriteString(kInterface, u"Top", Decimal(at.top));
  doc.WriteString(kInterface, u"Left", Decimal(at.left));
  doc.WriteString(kInterface, u"Width", Decimal(window.outer_width));
  doc.WriteString(kInterface, u"ThousandsSeparator", options.separators ? u"1" : u"0");
  doc.WriteString(kInterface, u"DecimalPlaces", options.two_decimals ? u"2" : u"-1");
  if (AlwaysOnTop || doc.HasKey(kInterface, kAlwaysOnTop))
    doc.WriteString(kInterface, kAlwaysOnTop, AlwaysOnTop ? u"1" : u"0");
  std::u16string key(kExpressionKey);
  for (std::size_t i = 0; i < history.size(); ++i) {
    key.resize(kExpressionKey.size());
    key += Decimal(static_cast<long long>(i + 1));
    doc.WriteString(kExpressions, key, history[i]);
  }
}

bool FormLogic::savedata(std::u16string_view datafilename, const WindowPlacement& window, DisplayOptions options) {
  std::u16string note;  // said once, though the settings were saved
  std::optional<std::u16string> failure;
  {
    // Another process's save between this one's read and its rename would
    // be lost: the whole of it takes turns. No box is shown while the lock
    // is held, or every other save would wait for a click.
    const SaveLock lock(platform_.Files(), datafilename, SaveLockWait);
    SettingsDocument doc(platform_);
    failure = OpenForSaving(datafilename, lock.held(), doc, note);
    if (!failure) {
      WriteSettings(doc, window, options);
      std::u16string why;
      if (doc.UpdateFile(datafilename, why)) {
        added_ = 0;  // the file holds them now
      } else {
        failure = why;
      }
    }
  }
  if (failure || !note.empty()) {
    // TRANSLATORS: Main text of the box shown when the settings could not be saved at close; the file's path
    // and the reason follow below it. A short sentence.
    platform_.ShowMessageBox(failure ? Tr(u"Error saving settings")
                                     // TRANSLATORS: Main text of the box shown once when a settings file too large
                                     // to read was renamed aside and a new one written; the path and what happened
                                     // follow below it. A short sentence.
                                     : Tr(u"Settings file renamed"),
                             std::u16string(datafilename) + u"\n" + failure.value_or(note), u"");
  }
  return !failure;
}

void FormLogic::FormCloseQuery(const WindowPlacement& window, DisplayOptions options) {
  if (closed_) return;
  closed_ = true;
  savedata(SettingsFileName, window, options);
}

FormLogic::Calculation FormLogic::calculatebuttonClick(std::u16string_view box_text, DisplayOptions options) {
  const std::u16string_view t = TrimControlCharacters(box_text);
  StepList steps;
  Presentation shown = PresentCalculation(t, options, &steps);
  std::u16string sentence;
  if (const std::optional<Explanation> e = ExplainCalculation(t, steps.steps, shown)) {
    sentence = SentenceText(Tr(e->sentence), *e);
  }
  Calculation c;
  switch (shown.kind) {
    case Presentation::Kind::kFailure:
      platform_.ShowErrorBox(TranslateMessage(shown.text));
      return c;
    case Presentation::Kind::kMessage:
      c.label = TranslateMessage(shown.text);
      break;
    case Presentation::Kind::kResult:
      c.label = std::move(shown.text);
      if (!t.empty()) {
        AddToHistory(t);
        c.box_text = std::u16string(t);
      }
      break;
  }
  c.tooltip = ResultToolTip(c.label, steps.steps, sentence);
  c.completed = true;
  return c;
}

std::u16string_view FormLogic::ResultDescription(std::u16string_view tooltip) {
  return tooltip.empty() ? Tr(Design(Control::kResult).accessible_description) : tooltip;
}

std::u16string FormLogic::WorkingAnnouncement(std::u16string_view tooltip) {
  std::u16string spoken;
  std::u16string_view rest = ResultDescription(tooltip);
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find(u'\n'), rest.size());
    std::u16string_view line = rest.substr(0, end);
    if (line.starts_with(kStepMark)) line.remove_prefix(kStepMark.size());
    if (!line.empty()) {
      if (!spoken.empty()) spoken += u'\n';
      spoken += line;
    }
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  return spoken;
}

bool FormLogic::copybuttonClick(std::u16string_view label_text) {
  if (const std::optional<std::u16string> failure = platform_.SetClipboardText(label_text)) {
    platform_.ShowErrorBox(TranslateMessage(GenericErrorText(*failure)));
    return false;
  }
  return true;
}

void FormLogic::aboutbuttonClick() { platform_.ShowMessageBox(HelpText(), u"", u""); }

void FormLogic::ReportFailure(std::string_view what) {
  std::u16string text;
  DecodeUtf8(what, text);
  platform_.ShowErrorBox(TranslateMessage(GenericErrorText(text)));
}

std::ptrdiff_t FormLogic::FindEntry(std::u16string_view text) const {
  const std::u16string key = CaseKey(platform_, text);
  const auto same = std::ranges::find_if(
      history_, [&](const std::u16string& entry) { return entry == text || CaseKey(platform_, entry) == key; });
  return same == history_.end() ? -1 : same - history_.begin();
}

std::ptrdiff_t FormLogic::HeldEntry(std::u16string_view box_text) const {
  if (history_.empty()) return -1;
  return std::max<std::ptrdiff_t>(FindEntry(box_text), 0);
}

void FormLogic::AddToHistory(std::u16string_view expression) {
  const std::ptrdiff_t same = FindEntry(expression);
  // An entry that was among the added ones stays one; any other becomes one.
  if (same < 0 || static_cast<std::size_t>(same) >= added_) ++added_;
  if (same >= 0) history_.erase(history_.begin() + same);
  // Exactly 50: a longer list, which only an edited file can give, is not
  // cut back.
  if (history_.size() == kHistoryLimit) history_.pop_back();
  history_.insert(history_.begin(), std::u16string(expression));
  added_ = std::min(added_, history_.size());
}

}  // namespace calc
