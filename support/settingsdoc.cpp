#include "settingsdoc.h"

#include <langinfo.h>

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <clocale>

namespace calc {

QByteArray SystemCodePage() {
  static const QByteArray codePage = [] {
    // Ask the environment's locale without changing the program's own.
    const char* previous = std::setlocale(LC_CTYPE, nullptr);
    const QByteArray saved = previous ? QByteArray(previous) : QByteArray("C");
    std::setlocale(LC_CTYPE, "");
    QByteArray name = nl_langinfo(CODESET);
    std::setlocale(LC_CTYPE, saved.constData());
    if (name.isEmpty() || name == "ANSI_X3.4-1968" || name == "US-ASCII" || name == "ASCII") name = "ISO-8859-1";
    if (!QStringDecoder(name.constData()).isValid() || !QStringEncoder(name.constData()).isValid()) name = "UTF-8";
    return name;
  }();
  return codePage;
}

QString LocaleUpper(const QString& text) { return QLocale::system().toUpper(text); }

bool SameIgnoringCase(const QString& a, const QString& b) { return LocaleUpper(a) == LocaleUpper(b); }

namespace {

// Trims every character up to and including U+0020 at both ends.
QStringView TrimControls(QStringView text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin].unicode() <= 0x20) ++begin;
  while (end > begin && text[end - 1].unicode() <= 0x20) --end;
  return text.mid(begin, end - begin);
}

}  // namespace

SettingsDocument SettingsDocument::Parse(const QByteArray& bytes) {
  SettingsDocument doc;
  QString text;
  if (bytes.startsWith("\xEF\xBB\xBF")) {
    doc.encoding_ = Encoding::kUtf8;
    text = QStringDecoder(QStringConverter::Utf8).decode(QByteArrayView(bytes).sliced(3));
  } else if (bytes.startsWith("\xFF\xFE")) {
    doc.encoding_ = Encoding::kUtf16Le;
    text = QStringDecoder(QStringConverter::Utf16LE).decode(QByteArrayView(bytes).sliced(2));
  } else if (bytes.startsWith("\xFE\xFF")) {
    doc.encoding_ = Encoding::kUtf16Be;
    text = QStringDecoder(QStringConverter::Utf16BE).decode(QByteArrayView(bytes).sliced(2));
  } else {
    doc.encoding_ = Encoding::kCodePage;
    text = QStringDecoder(SystemCodePage().constData()).decode(bytes);
  }
  if (const qsizetype nul = text.indexOf(QChar(0)); nul >= 0) text.truncate(nul);

  const QStringView all(text);
  Section* current = nullptr;
  qsizetype start = 0;
  while (start <= all.size()) {
    qsizetype end = start;
    while (end < all.size() && all[end] != u'\r' && all[end] != u'\n') ++end;
    const QStringView line = TrimControls(all.mid(start, end - start));
    start = end + 1;
    if (end < all.size() && all[end] == u'\r' && end + 1 < all.size() && all[end + 1] == u'\n') ++start;

    if (line.isEmpty() || line.startsWith(u';')) continue;
    if (line.startsWith(u'[') && line.endsWith(u']') && line.size() >= 2) {
      Section section;
      section.name = TrimControls(line.mid(1, line.size() - 2)).toString();
      section.upper = LocaleUpper(section.name);
      doc.sections_.push_back(std::move(section));
      current = &doc.sections_.back();
      continue;
    }
    if (!current) continue;
    Line entry;
    if (const qsizetype eq = line.indexOf(u'='); eq >= 0) {
      entry.has_equals = true;
      entry.name = TrimControls(line.left(eq)).toString();
      entry.value = TrimControls(line.mid(eq + 1)).toString();
    } else {
      entry.text = line.toString();
    }
    current->lines.push_back(std::move(entry));
  }
  return doc;
}

bool SettingsDocument::Open(const QString& path, SettingsDocument& document) {
  document = SettingsDocument();
  const QFileInfo info(path);
  if (!info.exists() && !info.isSymLink()) return true;
  if (!info.exists()) return true;  // a dangling link: no file yet
  if (!info.isFile() || info.size() > kMaxFileSize) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.read(kMaxFileSize + 1);
  if (file.error() != QFileDevice::NoError || bytes.size() > kMaxFileSize) return false;
  document = Parse(bytes);
  return true;
}

const SettingsDocument::Section* SettingsDocument::FindSection(const QString& name) const {
  const QString upper = LocaleUpper(name);
  for (const Section& s : sections_) {
    if (s.upper == upper) return &s;
  }
  return nullptr;
}

QString SettingsDocument::ReadString(const QString& section, const QString& key, const QString& fallback) const {
  const Section* s = FindSection(section);
  if (!s) return fallback;
  const QString upper = LocaleUpper(key);
  for (const Line& line : s->lines) {
    if (line.has_equals && LocaleUpper(line.name) == upper) return line.value;
  }
  return fallback;
}

QStringList SettingsDocument::ReadSection(const QString& section) const {
  QStringList keys;
  if (const Section* s = FindSection(section)) {
    for (const Line& line : s->lines) keys << (line.has_equals ? line.name : QString());
  }
  return keys;
}

void SettingsDocument::WriteString(const QString& section, const QString& key, const QString& value) {
  Section* s = FindSection(section);
  if (!s) {
    sections_.push_back(Section{section, LocaleUpper(section), {}});
    s = &sections_.back();
  }
  const QString upper = LocaleUpper(key);
  for (Line& line : s->lines) {
    if (line.has_equals && LocaleUpper(line.name) == upper) {
      line.name = key;
      line.value = value;
      return;
    }
  }
  s->lines.push_back(Line{true, key, value, {}});
}

QByteArray SettingsDocument::Serialize() const {
  QString text;
  for (const Section& s : sections_) {
    text += u'[' + s.name + QStringLiteral("]\r\n");
    for (const Line& line : s.lines) {
      text += line.has_equals ? line.name + u'=' + line.value : line.text;
      text += QStringLiteral("\r\n");
    }
    text += QStringLiteral("\r\n");
  }
  switch (encoding_) {
    case Encoding::kUtf8:
      return QByteArray("\xEF\xBB\xBF") + QStringEncoder(QStringConverter::Utf8).encode(text);
    case Encoding::kUtf16Le:
      return QByteArray("\xFF\xFE") + QStringEncoder(QStringConverter::Utf16LE).encode(text);
    case Encoding::kUtf16Be:
      return QByteArray("\xFE\xFF") + QStringEncoder(QStringConverter::Utf16BE).encode(text);
    case Encoding::kCodePage:
      break;
  }
  return QStringEncoder(SystemCodePage().constData()).encode(text);
}

bool SettingsDocument::UpdateFile(const QString& path) const { return WriteFileAtomically(path, Serialize()); }

bool WriteFileAtomically(const QString& path, const QByteArray& bytes) {
  if (path.isEmpty()) return false;
  // Write through links to their final target, so a link stays a link.
  QString target = path;
  for (int depth = 0; depth < 40 && QFileInfo(target).isSymLink(); ++depth) {
    target = QFileInfo(target).symLinkTarget();
  }
  const QFileInfo info(target);
  // Renaming over a read-only file would silently replace it. Its mode is
  // asked as well, since the superuser may write anything.
  constexpr QFile::Permissions kAnyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
  if (info.exists() && (!info.isFile() || !info.isWritable() || !(info.permissions() & kAnyWrite))) return false;

  QSaveFile file(target);
  if (!file.open(QIODevice::WriteOnly)) return false;
  // A small document sits in the write buffer until the flush, and commit()
  // would rename the file over the old one without noticing that flush fail.
  if (file.write(bytes) != bytes.size() || !file.flush()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace calc
