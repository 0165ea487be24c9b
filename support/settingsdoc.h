// The settings document: an INI file read whole into ordered sections and
// written back whole, in the encoding it was found in.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace calc {

// The system's code page for files without a byte-order mark: the locale's
// character set, with Latin-1 for a plain ASCII locale so every byte of an
// existing file survives a rewrite.
QByteArray SystemCodePage();

// Upper-casing and case-insensitive comparison under the user's locale.
QString LocaleUpper(const QString& text);
bool SameIgnoringCase(const QString& a, const QString& b);

class SettingsDocument {
 public:
  enum class Encoding { kCodePage, kUtf8, kUtf16Le, kUtf16Be };

  // Files larger than this are neither read nor replaced. The program's own
  // files stay far below it (50 expressions of at most 4096 characters), and
  // decoding many megabytes of junk would hold up the start.
  static constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

  // An empty document, written in the code page without a byte-order mark.
  SettingsDocument() = default;

  // Decodes and parses a file's bytes.
  static SettingsDocument Parse(const QByteArray& bytes);

  // Opens the document of a file: empty when there is no file; false when a
  // file (or something else) is there and cannot be read.
  static bool Open(const QString& path, SettingsDocument& document);

  QString ReadString(const QString& section, const QString& key, const QString& fallback) const;
  QStringList ReadSection(const QString& section) const;
  void WriteString(const QString& section, const QString& key, const QString& value);

  // The whole document as the file's bytes, with CR LF after every line.
  QByteArray Serialize() const;

  // Replaces the file with the whole document only once it is completely
  // written and flushed; a failure leaves the old file exactly as it was.
  // A file that cannot be written is left alone, and a link keeps being a
  // link (its target is replaced). False on any failure.
  bool UpdateFile(const QString& path) const;

  Encoding encoding() const { return encoding_; }

 private:
  struct Line {
    bool has_equals = false;
    QString name;   // trimmed, when has_equals
    QString value;  // trimmed, when has_equals
    QString text;   // the whole line, when not has_equals
  };
  struct Section {
    QString name;
    QString upper;  // the name under LocaleUpper, for lookups
    std::vector<Line> lines;
  };

  const Section* FindSection(const QString& name) const;
  Section* FindSection(const QString& name) {
    return const_cast<Section*>(static_cast<const SettingsDocument*>(this)->FindSection(name));
  }

  std::vector<Section> sections_;
  Encoding encoding_ = Encoding::kCodePage;
};

// Writes bytes to the path with the guarantees of UpdateFile.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes);

}  // namespace calc
