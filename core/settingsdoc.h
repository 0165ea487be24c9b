// SPDX-License-Identifier: MIT
// The settings document: an INI file read whole into ordered sections and
// written back whole, in the encoding it was found in.
//
// Reading keeps every section and key in its place and order, drops
// comments, blank lines and lines before the first section, and trims
// names and values. Names match without regard to letter case (under the
// user's locale), and the first occurrence of a name counts:
//
//   [Interface]          ReadString("interface", "TOP", "") == "10"
//   Top = 10             ReadSection("Interface") == {"Top", "", "Top"}
//   free text            WriteString("Interface", "top", "5") rewrites the
//   Top=20               first line as "top=5"
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform.h"

namespace calc {

class SettingsDocument {
 public:
  enum class Encoding {
    kCodePage,  // no byte-order mark: the system's code page
    kLatin1,    // no mark, under a UTF-8 code page, but not valid UTF-8
    kUtf8,      // with the mark EF BB BF
    kUtf16Le,   // FF FE
    kUtf16Be,   // FE FF
  };

  // Files larger than this are neither read nor written: the program's own
  // files stay far below it, and decoding many megabytes of junk would hold
  // up the start. The writer keeps to it too, so that whatever the program
  // writes it can read back.
  static constexpr std::size_t kMaxFileSize = 4 * 1024 * 1024;

  // An empty document, written in the code page without a byte-order mark.
  explicit SettingsDocument(Platform& platform);

  // Decodes and parses a file's bytes.
  static SettingsDocument Parse(Platform& platform, std::string_view bytes);

  // The document of a file: empty when there is no file; false when
  // something is there and cannot be read.
  static bool Open(Platform& platform, std::u16string_view path, SettingsDocument& document);

  // The section names in document order (a name may repeat).
  std::vector<std::u16string> SectionNames() const;

  std::u16string ReadString(std::u16string_view section, std::u16string_view key, std::u16string_view fallback) const;
  // The key names of the section's lines in order; the empty name for a
  // line without '='.
  std::vector<std::u16string> ReadSection(std::u16string_view section) const;
  // ReadString(section, name, "") of each of those names, in one pass: what
  // a loop over ReadSection gives, without looking every name up again. The
  // texts live as long as the document.
  std::vector<std::u16string_view> ReadSectionValues(std::u16string_view section) const;
  void WriteString(std::u16string_view section, std::u16string_view key, std::u16string_view value);

  // The whole document as the file's bytes, with CR LF after every line.
  std::string Serialize() const;

  // Replaces the file with the whole document all-or-nothing. False, with
  // the file untouched, when it cannot be written or would be too large.
  bool UpdateFile(std::u16string_view path) const;

  Encoding encoding() const { return encoding_; }

 private:
  // Keeps the document's texts in a few large blocks that never move, so
  // that lines can refer to them without a string of their own each.
  class TextStore {
   public:
    std::u16string_view Keep(std::u16string_view text);
    // Room for `size` characters that the caller fills at once.
    char16_t* Reserve(std::size_t size);

   private:
    std::vector<std::unique_ptr<char16_t[]>> blocks_;
    std::size_t used_ = 0;
    std::size_t capacity_ = 0;
  };

  struct Line {
    bool has_equals = false;
    std::u16string_view name;   // trimmed; the whole line when !has_equals
    std::u16string_view value;  // trimmed, when has_equals
    std::u16string_view upper;  // the name under LocaleUpper, when has_equals
    std::size_t hash = 0;       // of upper
    std::size_t first = 0;      // the first line of the section with this name
  };

  // The first line of each upper-cased name: open addressing over line
  // numbers, so that a large section costs no allocation per key.
  class KeyIndex {
   public:
    // The first line whose name is `upper`, or `lines.size()` for none.
    std::size_t Find(const std::vector<Line>& lines, std::u16string_view upper, std::size_t hash) const;
    // Records the last of `lines` unless its name is there already; the
    // first line of its name.
    std::size_t Add(const std::vector<Line>& lines);

   private:
    void Grow(const std::vector<Line>& lines);
    std::vector<std::uint32_t> slots_;  // line number + 1; 0 for none
    std::size_t count_ = 0;
  };

  struct Section {
    std::u16string_view name;
    std::vector<Line> lines;
    KeyIndex keys;
  };

  std::optional<std::size_t> FindSectionIndex(std::u16string_view name) const;
  const Section* FindSection(std::u16string_view name) const;
  // The first section of that name, or a new one at the end; `append`
  // always adds one (a file may repeat a section).
  Section& SectionForWriting(std::u16string_view name, bool append);
  void AddLine(Section& section, Line line);
  // The first line of the section with that name; lines.size() for none.
  std::size_t FindLine(const Section& section, std::u16string_view key) const;
  // A name under the locale's upper-casing, kept in the document.
  std::u16string_view KeepUpper(std::u16string_view name);
  // True when the name is ASCII and the locale upper-cases ASCII as ASCII
  // does, so that the document can do it without asking the platform.
  bool PlainAscii(std::u16string_view name) const;

  Platform* platform_;
  bool plain_ascii_case_;
  TextStore texts_;
  std::vector<Section> sections_;
  // The first section of each upper-cased section name.
  std::unordered_map<std::u16string, std::size_t> first_section_;
  Encoding encoding_ = Encoding::kCodePage;
  // The last section name looked up, as given, and its section.
  mutable std::optional<std::pair<std::u16string, std::size_t>> last_found_;
  mutable std::u16string scratch_;  // a name being looked up, upper-cased
};

}  // namespace calc
