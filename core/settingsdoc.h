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
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform.h"

namespace calc {

// Texts as the user's locale upper-cases them, so that two texts compare
// the same when their upper-cased forms are equal: settings names and
// history entries. ASCII letters are upper-cased here when the locale does
// that as ASCII does, which spares the platform most calls.
class UpperCaser {
 public:
  explicit UpperCaser(Platform& platform);
  std::u16string operator()(std::u16string_view text) const;

 private:
  Platform* platform_;
  bool ascii_stands_for_itself_;
};

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
  static constexpr std::u16string_view kMaxFileSizeText = u"4 MiB";

  // An empty document, written in the code page without a byte-order mark.
  explicit SettingsDocument(Platform& platform);

  // Decodes and parses a file's bytes.
  static SettingsDocument Parse(Platform& platform, std::string_view bytes);

  // The document of a file, empty unless kRead; on kFailed, `why` is the
  // system's description of the failure.
  static ReadStatus Open(Platform& platform, std::u16string_view path, SettingsDocument& document, std::u16string& why);

  // The section names in document order (a name may repeat).
  std::vector<std::u16string> SectionNames() const;

  std::u16string ReadString(std::u16string_view section, std::u16string_view key, std::u16string_view fallback) const;
  // Whether the section has a line of that name with '=', empty value or not.
  bool HasKey(std::u16string_view section, std::u16string_view key) const;
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
  // the file untouched and the reason in `why`, when it cannot be written or
  // would be too large.
  bool UpdateFile(std::u16string_view path, std::u16string& why) const;

  Encoding encoding() const { return encoding_; }

 private:
  // Names and values are views into the file's text or into a text written
  // since, which the document owns.
  struct Line {
    bool has_equals = false;
    std::u16string_view name;   // trimmed; the whole line when !has_equals
    std::u16string_view value;  // trimmed, when has_equals
    std::size_t first = 0;      // the section's first line of this name
  };

  struct Section {
    std::u16string name;
    std::u16string key;  // the name upper-cased
    std::vector<Line> lines;
    // The first line of each upper-cased name, of the lines with '='.
    std::unordered_map<std::u16string, std::size_t> first_lines;
  };

  // The file's text, decoded as its byte-order mark or else the code page
  // says, up to the first NUL; notes the encoding.
  std::u16string Decode(std::string_view bytes);
  // A section's line: the trimmed name and value around its first '=', or
  // the whole line.
  static Line SplitLine(std::u16string_view line);
  // Notes the line's first line of its name, and the line as that first
  // line when it is.
  void Index(Section& section, std::size_t number) const;
  const Section* FindSection(std::u16string_view name) const;
  // The section's first line with '=' of that name, or null.
  const Line* FindLine(const Section& section, std::u16string_view key) const;

  Platform* platform_;
  UpperCaser upper_;
  // A copy of a text written to the document, for its lines to refer to.
  std::u16string_view Keep(std::u16string_view text);

  Encoding encoding_ = Encoding::kCodePage;
  // The decoded file, and every text written since: neither moves while the
  // document lives, moved or not.
  std::unique_ptr<const std::u16string> text_;
  std::deque<std::u16string> written_;
  std::vector<Section> sections_;
};

}  // namespace calc
