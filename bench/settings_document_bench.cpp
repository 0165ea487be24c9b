// SPDX-License-Identifier: MIT
// The settings document's work for one window with a full history of 50
// entries, the disk left out: the start's read (the file parsed, the
// window's keys looked up, the history's entries compared as loading
// compares them) and the close's write (the file parsed again, every key
// written, the bytes made), through the Qt platform's locale.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "qtplatform.h"
#include "settingsdoc.h"

namespace {

std::string FileOf50() {
  std::string file =
      "[Information]\r\nProgram=Varnel's Expression Calculator\r\nVersion=1.21\r\n\r\n[Interface]\r\nTop=439\r\n"
      "Left=667\r\nWidth=601\r\nThousandsSeparator=1\r\nDecimalPlaces=2\r\n\r\n[Expressions]\r\n";
  for (int i = 1; i <= 50; ++i) {
    const std::string n = std::to_string(i);
    file += "Expression" + n + "=" + n + "*sqrt(" + n + ")+sin(30)\r\n";
  }
  return file + "\r\n";
}

std::u16string Key(std::size_t number) {
  const std::string digits = std::to_string(number);
  return u"Expression" + std::u16string(digits.begin(), digits.end());
}

void BM_StartAndCloseWith50Entries(benchmark::State& state) {
  calc::QtPlatform platform;
  const std::string bytes = FileOf50();
  for (auto _ : state) {
    const calc::SettingsDocument read = calc::SettingsDocument::Parse(platform, bytes);
    for (const char16_t* key : {u"Top", u"Left", u"Width", u"ThousandsSeparator", u"DecimalPlaces"}) {
      benchmark::DoNotOptimize(read.ReadString(u"Interface", key, u""));
    }
    std::vector<std::u16string> history;
    std::vector<std::u16string> keys;
    for (const std::u16string_view value : read.ReadSectionValues(u"Expressions")) {
      keys.push_back(calc::CaseKey(platform, value));
      history.emplace_back(value);
    }
    calc::SettingsDocument written = calc::SettingsDocument::Parse(platform, bytes);
    written.WriteString(u"Information", u"Program", u"Varnel's Expression Calculator");
    written.WriteString(u"Information", u"Version", u"1.21");
    written.WriteString(u"Interface", u"Top", u"440");
    written.WriteString(u"Interface", u"Left", u"667");
    written.WriteString(u"Interface", u"Width", u"601");
    written.WriteString(u"Interface", u"ThousandsSeparator", u"1");
    written.WriteString(u"Interface", u"DecimalPlaces", u"2");
    // A new entry on top: every key takes another value.
    for (std::size_t i = 0; i < history.size(); ++i) {
      written.WriteString(u"Expressions", Key(i + 1), history[(i + 1) % history.size()]);
    }
    benchmark::DoNotOptimize(written.Serialize());
  }
}
BENCHMARK(BM_StartAndCloseWith50Entries);

}  // namespace

BENCHMARK_MAIN();
