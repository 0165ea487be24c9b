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
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform.h"

namespace calc {

// Settings names and history entries match without regard to letter case:
// two texts are the same when the user's locale upper-cases them alike.
// CaseKey is the form compared.
//
//   SameIgnoringCase(platform, u"sin(30)", u"SIN(30)")   -> true
//   SameIgnoringCase(platform, u"\u00e9", u"\u00c9")       -> true
//   SameIgnoringCase(platform, u"e\u0301", u"\u00e9")      -> false: another text
std::u16string CaseKey(Platform& platform, std::u16string_view text);
bool SameIgnoringCase(Platform& platform, std::u16string_view a, std::u16string_view b);

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
  // The key names of the section's lines in order; the empty name for a
  // line without '='.
  std::vector<std::u16string> ReadSection(std::u16string_view section) const;
  // ReadString(section, name, "") of each of those names, in one pass: what
  // a loop over ReadSection gives, without looking every name up again. The
  // texts live until the document is next written to.
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
  struct Line {
    bool has_equals = false;
    std::u16string name;    // trimmed; the whole line when !has_equals
    std::u16string value;   // trimmed, when has_equals
    std::size_t first = 0;  // the section's first line of this name
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

  std::u16string Upper(std::u16string_view text) const { return CaseKey(*platform_, text); }

  Platform* platform_;
  Encoding encoding_ = Encoding::kCodePage;
  std::vector<Section> sections_;
};

}  // namespace calc
