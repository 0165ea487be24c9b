// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the settings document as a file's contents, under
// a single-byte and a UTF-8 code page, and checks what the program relies
// on: reading every key of every section agrees with the one-pass reader,
// writing gives a file that reads back to the same document, and the
// program's own keys read back as written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fake_platform.h"
#include "settingsdoc.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Every name and value of the document, section by section.
std::u16string Contents(const calc::SettingsDocument& doc) {
  std::u16string all;
  for (const std::u16string& section : doc.SectionNames()) {
    const std::vector<std::u16string> keys = doc.ReadSection(section);
    const std::vector<std::u16string_view> values = doc.ReadSectionValues(section);
    Check(keys.size() == values.size());
    all += u'[' + section + u']';
    for (std::size_t i = 0; i < keys.size(); ++i) {
      Check(doc.ReadString(section, keys[i], u"") == values[i]);
      all += keys[i] + u'=';
      all += values[i];
      all += u'\n';
    }
  }
  return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (const bool utf8 : {false, true}) {
    calc::test::FakePlatform platform;
    platform.code_page_utf8 = utf8;
    calc::SettingsDocument doc = calc::SettingsDocument::Parse(platform, bytes);
    const std::u16string contents = Contents(doc);

    // Written and read again, the file is the same, and so is the document;
    // except that a file read as Latin-1 for the sake of a byte that is not
    // UTF-8, in a line that was dropped, now reads as UTF-8.
    const std::string written = doc.Serialize();
    const calc::SettingsDocument again = calc::SettingsDocument::Parse(platform, written);
    Check(again.Serialize() == written);
    if (again.encoding() == doc.encoding()) {
      Check(Contents(again) == contents);
    } else {
      Check(doc.encoding() == calc::SettingsDocument::Encoding::kLatin1 &&
            again.encoding() == calc::SettingsDocument::Encoding::kCodePage);
    }

    // The program's own keys, with values taken from the input.
    const std::u16string value = u"2*" + calc::test::U(std::to_string(size)) + u"+1";
    doc.WriteString(u"Interface", u"Top", u"-42");
    doc.WriteString(u"Expressions", u"Expression1", value);
    doc.WriteString(u"expressions", u"EXPRESSION2", u"sin(30)");
    const calc::SettingsDocument mine = calc::SettingsDocument::Parse(platform, doc.Serialize());
    Check(mine.ReadString(u"INTERFACE", u"top", u"") == u"-42");
    Check(mine.ReadString(u"Expressions", u"Expression1", u"") == value);
    Check(mine.ReadString(u"Expressions", u"Expression2", u"") == u"sin(30)");
  }
  return 0;
}
