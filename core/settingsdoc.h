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
#include <deque>
#include <memory>
#include <memory_resource>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform.h"

namespace calc {

// Texts compared as the user's locale upper-cases them, as settings names
// and history entries are. Hash and Equal fold ASCII letters themselves, so
// an ASCII text is its own key when the locale upper-cases ASCII letters as
// ASCII does; any other text is keyed by its upper-cased copy (which the
// folding leaves alone: no upper-casing gives a small ASCII letter).
class UpperCaseKeys {
 public:
  explicit UpperCaseKeys(Platform& platform);

  // The key of a text for a look-up; a copy it needs goes into `scratch`.
  std::u16string_view Key(std::u16string_view text, std::u16string& scratch) const;
  // The key of a text that is kept; a copy it needs is kept here.
  std::u16string_view Keep(std::u16string_view text);

  // Not noexcept, so that the standard library's tables keep each key's
  // hash beside it instead of hashing keys again as they search and grow.
  struct Hash {
    std::size_t operator()(std::u16string_view key) const;
  };
  struct Equal {
    bool operator()(std::u16string_view a, std::u16string_view b) const noexcept;
  };

 private:
  Platform* platform_;
  bool ascii_stands_for_itself_;
  std::deque<std::u16string> copies_;  // a deque never moves its strings
};

template <typename Value>
using UpperCaseMap = std::pmr::unordered_map<std::u16string_view, Value, UpperCaseKeys::Hash, UpperCaseKeys::Equal>;

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
  // something is there and cannot be read. A document parsed from exactly
  // the bytes the file holds, and not written to since, is kept as it is.
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
  struct Line {
    bool has_equals = false;
    std::u16string_view name;   // trimmed; the whole line when !has_equals
    std::u16string_view value;  // trimmed, when has_equals
    std::size_t first = 0;      // the section's first line of this name
  };

  struct Section {
    Section(std::u16string_view section_name, std::pmr::memory_resource* pool)
        : name(section_name), first_lines(pool) {}
    std::u16string_view name;
    std::vector<Line> lines;
    UpperCaseMap<std::size_t> first_lines;  // of each name, when has_equals
  };

  // The texts the lines refer to and the tables over them, apart from the
  // document, so that moving the document moves none of them. The tables
  // take their entries from the pool, which gives them back all at once.
  struct Content {
    explicit Content(Platform& platform) : keys(platform) {}
    std::pmr::monotonic_buffer_resource pool;
    std::deque<std::u16string> texts;  // the decoded file and every text written since
    UpperCaseKeys keys;
    std::vector<Section> sections;
    UpperCaseMap<std::size_t> first_sections{&pool};  // of each name
  };

  // The file's text, decoded as its byte-order mark or else the code page
  // says, up to the first NUL; notes the encoding.
  std::u16string Decode(std::string_view bytes);
  // A section's line: the trimmed name and value around its first '=', or
  // the whole line.
  static Line SplitLine(std::u16string_view line);
  const Section* FindSection(std::u16string_view name) const;
  // The first section of that name, or a new one at the end.
  Section& SectionForWriting(std::u16string_view name);
  // A new section at the end, even when one has that name already.
  Section& AddSection(std::u16string_view name);
  // Sets the line's first line of its name, and indexes the line when it
  // is that first line.
  void Index(Section& section, std::size_t number);
  // The value of the section's first line of that name, if any.
  std::optional<std::u16string_view> FindValue(const Section& section, std::u16string_view key) const;
  // A copy of a text written to the document, for its lines to refer to.
  std::u16string_view Keep(std::u16string_view text);

  Platform* platform_;
  Encoding encoding_ = Encoding::kCodePage;
  std::unique_ptr<Content> content_;
  // The bytes the document was parsed from, until it is written to.
  std::optional<std::string> source_;
};

}  // namespace calc
