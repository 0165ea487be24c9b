// SPDX-License-Identifier: MIT
#include "settingsdoc.h"

#include <algorithm>

#include "utf.h"

namespace calc {
namespace {

// Trims every character up to and including U+0020 at both ends.
std::u16string_view TrimControls(std::u16string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && text[begin] <= 0x20) ++begin;
  while (end > begin && text[end - 1] <= 0x20) --end;
  return text.substr(begin, end - begin);
}

std::u16string DecodeUtf16(std::string_view bytes, bool big_endian) {
  std::u16string text;
  text.reserve(bytes.size() / 2 + 1);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    text += static_cast<char16_t>(big_endian ? (first << 8) | second : (second << 8) | first);
  }
  if (bytes.size() % 2 != 0) text += u'\uFFFD';
  return text;
}

std::string EncodeUtf16(std::u16string_view text, bool big_endian) {
  std::string bytes;
  bytes.reserve(text.size() * 2 + 2);
  bytes += big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const auto high = static_cast<char>(unit >> 8);
    const auto low = static_cast<char>(unit & 0xFF);
    bytes += big_endian ? high : low;
    bytes += big_endian ? low : high;
  }
  return bytes;
}

std::u16string DecodeLatin1(std::string_view bytes) {
  std::u16string text(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) text[i] = static_cast<unsigned char>(bytes[i]);
  return text;
}

std::string EncodeLatin1(std::u16string_view text) {
  std::string bytes(text.size(), '\0');
  for (std::size_t i = 0; i < text.size(); ++i) bytes[i] = text[i] <= 0xFF ? static_cast<char>(text[i]) : '?';
  return bytes;
}

}  // namespace

SettingsDocument::SettingsDocument(Platform& platform)
    : platform_(&platform),
      plain_ascii_case_(platform.LocaleUpper(u"abcdefghijklmnopqrstuvwxyz") == u"ABCDEFGHIJKLMNOPQRSTUVWXYZ") {}

SettingsDocument SettingsDocument::Parse(Platform& platform, std::string_view bytes) {
  SettingsDocument doc(platform);
  std::u16string text;
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    doc.encoding_ = Encoding::kUtf8;
    DecodeUtf8(bytes.substr(3), text);
  } else if (bytes.starts_with("\xFF\xFE")) {
    doc.encoding_ = Encoding::kUtf16Le;
    text = DecodeUtf16(bytes.substr(2), false);
  } else if (bytes.starts_with("\xFE\xFF")) {
    doc.encoding_ = Encoding::kUtf16Be;
    text = DecodeUtf16(bytes.substr(2), true);
  } else if (platform.CodePageIsUtf8()) {
    // A byte that is not UTF-8 would come back as U+FFFD in keys this
    // program does not own: such a file is kept byte for byte instead.
    if (!DecodeUtf8(bytes, text)) {
      doc.encoding_ = Encoding::kLatin1;
      text = DecodeLatin1(bytes);
    }
  } else {
    text = platform.DecodeCodePage(bytes);
  }
  if (const std::size_t nul = text.find(u'\0'); nul != std::u16string::npos) text.resize(nul);

  const std::u16string_view all = doc.texts_.Keep(text);
  // A large section grows in one step to what the rest of the file can
  // hold, instead of doubling (and copying) its lines again and again.
  std::size_t lines_left = 1 + static_cast<std::size_t>(std::count_if(
                                   all.begin(), all.end(), [](char16_t c) { return c == u'\r' || c == u'\n'; }));
  constexpr std::size_t kLargeSection = 1024;
  Section* current = nullptr;
  std::size_t start = 0;
  while (start <= all.size()) {
    --lines_left;
    std::size_t end = start;
    while (end < all.size() && all[end] != u'\r' && all[end] != u'\n') ++end;
    const std::u16string_view line = TrimControls(all.substr(start, end - start));
    start = end + 1;
    if (end < all.size() && all[end] == u'\r' && end + 1 < all.size() && all[end + 1] == u'\n') ++start;

    if (line.empty() || line.front() == u';') continue;
    if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
      current = &doc.SectionForWriting(TrimControls(line.substr(1, line.size() - 2)), /*append=*/true);
      continue;
    }
    if (!current) continue;
    if (current->lines.size() == kLargeSection) current->lines.reserve(kLargeSection + 1 + lines_left);
    Line entry;
    if (const std::size_t eq = line.find(u'='); eq != std::u16string_view::npos) {
      entry.has_equals = true;
      entry.name = TrimControls(line.substr(0, eq));
      entry.value = TrimControls(line.substr(eq + 1));
    } else {
      entry.name = line;
    }
    doc.AddLine(*current, std::move(entry));
  }
  return doc;
}

bool SettingsDocument::Open(Platform& platform, std::u16string_view path, SettingsDocument& document) {
  document = SettingsDocument(platform);
  std::string bytes;
  switch (platform.ReadWholeFile(path, kMaxFileSize, bytes)) {
    case ReadStatus::kMissing:
      return true;
    case ReadStatus::kFailed:
      return false;
    case ReadStatus::kRead:
      break;
  }
  document = Parse(platform, bytes);
  return true;
}

char16_t* SettingsDocument::TextStore::Reserve(std::size_t size) {
  // Blocks grow with the document: a small one stays small.
  constexpr std::size_t kFirstBlock = 256;
  constexpr std::size_t kLargestBlock = 64 * 1024;
  if (capacity_ - used_ < size) {
    capacity_ = std::max(size, std::clamp(capacity_ * 2, kFirstBlock, kLargestBlock));
    blocks_.push_back(std::make_unique_for_overwrite<char16_t[]>(capacity_));
    used_ = 0;
  }
  char16_t* room = blocks_.back().get() + used_;
  used_ += size;
  return room;
}

std::u16string_view SettingsDocument::TextStore::Keep(std::u16string_view text) {
  if (text.empty()) return {};
  char16_t* kept = Reserve(text.size());
  std::copy(text.begin(), text.end(), kept);
  return {kept, text.size()};
}

namespace {

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - (u'a' - u'A')) : c; }

}  // namespace

bool SettingsDocument::PlainAscii(std::u16string_view name) const {
  return plain_ascii_case_ && std::all_of(name.begin(), name.end(), [](char16_t c) { return c < 0x80; });
}

std::u16string_view SettingsDocument::KeepUpper(std::u16string_view name) {
  if (!PlainAscii(name)) return texts_.Keep(platform_->LocaleUpper(name));
  if (name.empty()) return {};
  char16_t* upper = texts_.Reserve(name.size());
  std::transform(name.begin(), name.end(), upper, AsciiUpper);
  return {upper, name.size()};
}

std::size_t SettingsDocument::KeyIndex::Find(const std::vector<Line>& lines, std::u16string_view upper,
                                             std::size_t hash) const {
  if (slots_.empty()) return lines.size();
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    if (slots_[i] == 0) return lines.size();
    const Line& line = lines[slots_[i] - 1];
    if (line.hash == hash && line.upper == upper) return slots_[i] - 1;
  }
}

std::size_t SettingsDocument::KeyIndex::Add(const std::vector<Line>& lines) {
  const std::size_t number = lines.size() - 1;
  const Line& line = lines[number];
  if (const std::size_t first = Find(lines, line.upper, line.hash); first != lines.size()) return first;
  if ((count_ + 1) * 2 > slots_.size()) Grow(lines);
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = line.hash & mask;
  while (slots_[i] != 0) i = (i + 1) & mask;
  slots_[i] = static_cast<std::uint32_t>(number + 1);
  ++count_;
  return number;
}

void SettingsDocument::KeyIndex::Grow(const std::vector<Line>& lines) {
  std::vector<std::uint32_t> old = std::move(slots_);
  slots_.assign(std::max<std::size_t>(16, old.size() * 2), 0);
  const std::size_t mask = slots_.size() - 1;
  for (const std::uint32_t slot : old) {
    if (slot == 0) continue;
    std::size_t i = lines[slot - 1].hash & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

std::optional<std::size_t> SettingsDocument::FindSectionIndex(std::u16string_view name) const {
  // Callers ask for the same section many times in a row.
  if (last_found_ && name == last_found_->first) return last_found_->second;
  const auto found = first_section_.find(platform_->LocaleUpper(name));
  if (found == first_section_.end()) return std::nullopt;
  last_found_.emplace(std::u16string(name), found->second);
  return found->second;
}

const SettingsDocument::Section* SettingsDocument::FindSection(std::u16string_view name) const {
  const std::optional<std::size_t> index = FindSectionIndex(name);
  return index ? &sections_[*index] : nullptr;
}

SettingsDocument::Section& SettingsDocument::SectionForWriting(std::u16string_view name, bool append) {
  if (!append) {
    if (const std::optional<std::size_t> index = FindSectionIndex(name)) return sections_[*index];
  }
  first_section_.try_emplace(platform_->LocaleUpper(name), sections_.size());
  sections_.push_back(Section{texts_.Keep(name), {}, {}});
  return sections_.back();
}

void SettingsDocument::AddLine(Section& section, Line line) {
  if (line.has_equals) {
    line.upper = KeepUpper(line.name);
    line.hash = std::hash<std::u16string_view>{}(line.upper);
  }
  section.lines.push_back(line);
  Line& added = section.lines.back();
  added.first = added.has_equals ? section.keys.Add(section.lines) : section.lines.size() - 1;
}

std::size_t SettingsDocument::FindLine(const Section& section, std::u16string_view key) const {
  if (PlainAscii(key)) {
    scratch_.resize(key.size());
    std::transform(key.begin(), key.end(), scratch_.begin(), AsciiUpper);
  } else {
    scratch_ = platform_->LocaleUpper(key);
  }
  return section.keys.Find(section.lines, scratch_, std::hash<std::u16string_view>{}(scratch_));
}

std::vector<std::u16string> SettingsDocument::SectionNames() const {
  std::vector<std::u16string> names;
  names.reserve(sections_.size());
  for (const Section& s : sections_) names.emplace_back(s.name);
  return names;
}

std::u16string SettingsDocument::ReadString(std::u16string_view section, std::u16string_view key,
                                            std::u16string_view fallback) const {
  const Section* s = FindSection(section);
  if (!s) return std::u16string(fallback);
  const std::size_t found = FindLine(*s, key);
  return std::u16string(found == s->lines.size() ? fallback : s->lines[found].value);
}

std::vector<std::u16string> SettingsDocument::ReadSection(std::u16string_view section) const {
  std::vector<std::u16string> keys;
  if (const Section* s = FindSection(section)) {
    keys.reserve(s->lines.size());
    for (const Line& line : s->lines) keys.emplace_back(line.has_equals ? line.name : std::u16string_view());
  }
  return keys;
}

std::vector<std::u16string_view> SettingsDocument::ReadSectionValues(std::u16string_view section) const {
  std::vector<std::u16string_view> values;
  const Section* s = FindSection(section);
  if (!s) return values;
  // A line without '=' has the empty name: the value of the first "=value".
  const std::size_t empty_name = FindLine(*s, u"");
  const std::u16string_view unnamed = empty_name == s->lines.size() ? u"" : s->lines[empty_name].value;
  values.reserve(s->lines.size());
  for (const Line& line : s->lines) values.emplace_back(line.has_equals ? s->lines[line.first].value : unnamed);
  return values;
}

void SettingsDocument::WriteString(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
  Section& s = SectionForWriting(section, /*append=*/false);
  if (const std::size_t found = FindLine(s, key); found != s.lines.size()) {
    // The same name under the locale: its upper-cased form stays.
    Line& line = s.lines[found];
    line.name = texts_.Keep(key);
    line.value = texts_.Keep(value);
    return;
  }
  AddLine(s, Line{true, texts_.Keep(key), texts_.Keep(value), {}, 0, 0});
}

std::string SettingsDocument::Serialize() const {
  std::u16string text;
  for (const Section& s : sections_) {
    text += u'[';
    text += s.name;
    text += u"]\r\n";
    for (const Line& line : s.lines) {
      text += line.name;
      if (line.has_equals) {
        text += u'=';
        text += line.value;
      }
      text += u"\r\n";
    }
    text += u"\r\n";
  }
  switch (encoding_) {
    case Encoding::kUtf8:
      return "\xEF\xBB\xBF" + EncodeUtf8(text);
    case Encoding::kUtf16Le:
      return EncodeUtf16(text, false);
    case Encoding::kUtf16Be:
      return EncodeUtf16(text, true);
    case Encoding::kLatin1:
      return EncodeLatin1(text);
    case Encoding::kCodePage:
      break;
  }
  return platform_->EncodeCodePage(text);
}

bool SettingsDocument::UpdateFile(std::u16string_view path) const {
  const std::string bytes = Serialize();
  if (bytes.size() > kMaxFileSize) return false;
  return platform_->WriteFileAtomically(path, bytes);
}

}  // namespace calc
