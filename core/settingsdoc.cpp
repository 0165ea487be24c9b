// SPDX-License-Identifier: MIT
#include "settingsdoc.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "savesequence.h"
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

// The text up to the next line break (CR LF, a lone CR or a lone LF), taken
// off the front of `rest` together with the break.
std::u16string_view TakeLine(std::u16string_view& rest) {
  const auto end = std::find_if(rest.begin(), rest.end(), [](char16_t c) { return c == u'\r' || c == u'\n'; });
  const std::u16string_view line(rest.begin(), end);
  rest.remove_prefix(line.size());
  if (rest.starts_with(u"\r\n")) {
    rest.remove_prefix(2);
  } else if (!rest.empty()) {
    rest.remove_prefix(1);
  }
  return line;
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

std::u16string CaseKey(Platform& platform, std::u16string_view text) { return platform.LocaleUpper(text); }

bool SameIgnoringCase(Platform& platform, std::u16string_view a, std::u16string_view b) {
  return a == b || CaseKey(platform, a) == CaseKey(platform, b);
}

SettingsDocument::SettingsDocument(Platform& platform) : platform_(&platform) {}

std::u16string SettingsDocument::Decode(std::string_view bytes) {
  std::u16string text;
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    encoding_ = Encoding::kUtf8;
    DecodeUtf8(bytes.substr(3), text);
  } else if (bytes.starts_with("\xFF\xFE")) {
    encoding_ = Encoding::kUtf16Le;
    text = DecodeUtf16(bytes.substr(2), false);
  } else if (bytes.starts_with("\xFE\xFF")) {
    encoding_ = Encoding::kUtf16Be;
    text = DecodeUtf16(bytes.substr(2), true);
  } else if (platform_->CodePageIsUtf8()) {
    // A byte that is not UTF-8 would come back as U+FFFD in keys this
    // program does not own: such a file is kept byte for byte instead.
    if (!DecodeUtf8(bytes, text)) {
      encoding_ = Encoding::kLatin1;
      text = DecodeLatin1(bytes);
    }
  } else {
    text = platform_->DecodeCodePage(bytes);
  }
  text.erase(std::find(text.begin(), text.end(), u'\0'), text.end());
  return text;
}

SettingsDocument SettingsDocument::Parse(Platform& platform, std::string_view bytes) {
  SettingsDocument doc(platform);
  const std::u16string text = doc.Decode(bytes);
  std::u16string_view rest = text;
  while (!rest.empty()) {
    const std::u16string_view line = TrimControls(TakeLine(rest));
    if (line.empty() || line.front() == u';') continue;
    if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
      const std::u16string_view name = TrimControls(line.substr(1, line.size() - 2));
      doc.sections_.push_back({std::u16string(name), doc.Upper(name), {}, {}});
    } else if (!doc.sections_.empty()) {
      doc.sections_.back().lines.push_back(SplitLine(line));
    }
  }
  // Each section's names are noted once all its lines are known, so that
  // its table is sized once.
  for (Section& section : doc.sections_) {
    section.first_lines.reserve(section.lines.size());
    for (std::size_t number = 0; number < section.lines.size(); ++number) doc.Index(section, number);
  }
  return doc;
}

SettingsDocument::Line SettingsDocument::SplitLine(std::u16string_view line) {
  const auto equals = std::find(line.begin(), line.end(), u'=');
  if (equals == line.end()) return Line{false, std::u16string(line), {}};
  return Line{true, std::u16string(TrimControls({line.begin(), equals})),
              std::u16string(TrimControls({equals + 1, line.end()}))};
}

void SettingsDocument::Index(Section& section, std::size_t number) const {
  Line& line = section.lines[number];
  line.first = number;
  if (line.has_equals) line.first = section.first_lines.try_emplace(Upper(line.name), number).first->second;
}

const SettingsDocument::Section* SettingsDocument::FindSection(std::u16string_view name) const {
  const std::u16string key = Upper(name);
  const auto found = std::ranges::find(sections_, key, &Section::key);
  return found == sections_.end() ? nullptr : &*found;
}

const SettingsDocument::Line* SettingsDocument::FindLine(const Section& section, std::u16string_view key) const {
  const auto found = section.first_lines.find(Upper(key));
  return found == section.first_lines.end() ? nullptr : &section.lines[found->second];
}

ReadStatus SettingsDocument::Open(Platform& platform, std::u16string_view path, SettingsDocument& document,
                                  std::u16string& why) {
  std::string bytes;
  const ReadStatus status = platform.ReadWholeFile(path, kMaxFileSize, bytes, why);
  document = status == ReadStatus::kRead ? Parse(platform, bytes) : SettingsDocument(platform);
  return status;
}

std::vector<std::u16string> SettingsDocument::SectionNames() const {
  std::vector<std::u16string> names;
  names.reserve(sections_.size());
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

std::u16string SettingsDocument::ReadString(std::u16string_view section, std::u16string_view key,
                                            std::u16string_view fallback) const {
  const Section* s = FindSection(section);
  const Line* line = s ? FindLine(*s, key) : nullptr;
  return std::u16string(line ? line->value : fallback);
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
  const Line* unnamed = FindLine(*s, u"");
  values.reserve(s->lines.size());
  for (const Line& line : s->lines) {
    if (line.has_equals) {
      values.push_back(s->lines[line.first].value);
    } else {
      values.push_back(unnamed ? unnamed->value : std::u16string_view());
    }
  }
  return values;
}

void SettingsDocument::WriteString(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
  const Section* found = FindSection(section);
  Section& s = found ? sections_[static_cast<std::size_t>(found - sections_.data())]
                     : sections_.emplace_back(Section{std::u16string(section), Upper(section), {}, {}});
  if (const Line* line = FindLine(s, key)) {
    // The line takes the name as now spelled.
    Line& replaced = s.lines[line->first];
    replaced.name = key;
    replaced.value = value;
    return;
  }
  s.lines.push_back(Line{true, std::u16string(key), std::u16string(value)});
  Index(s, s.lines.size() - 1);
}

std::string SettingsDocument::Serialize() const {
  constexpr std::u16string_view kLineEnd = u"\r\n";
  // Sized first: a large document is written into one buffer instead of
  // being copied into a larger one again and again.
  std::size_t size = 0;
  for (const Section& s : sections_) {
    size += s.name.size() + 2 * kLineEnd.size() + 2;
    for (const Line& line : s.lines) size += line.name.size() + line.value.size() + kLineEnd.size() + 1;
  }
  std::u16string text;
  text.reserve(size);
  for (const Section& s : sections_) {
    text.append(u"[").append(s.name).append(u"]").append(kLineEnd);
    for (const Line& line : s.lines) {
      text += line.name;
      if (line.has_equals) text.append(u"=").append(line.value);
      text += kLineEnd;
    }
    text += kLineEnd;
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

bool SettingsDocument::UpdateFile(std::u16string_view path, std::u16string& why) const {
  const std::string bytes = Serialize();
  if (bytes.size() > kMaxFileSize) {
    why = u"The settings would be larger than " + std::u16string(kMaxFileSizeText) + u".";
    return false;
  }
  const std::optional<FileCalls::Error> failure = SaveFile(platform_->Files(), path, bytes);
  if (failure) why = platform_->ErrorText(failure->code);
  return !failure;
}

}  // namespace calc
