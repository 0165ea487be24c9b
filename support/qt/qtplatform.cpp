// SPDX-License-Identifier: MIT
#include "qtplatform.h"

#include <langinfo.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QStringDecoder>
#include <QStringEncoder>
#include <clocale>

#include "FUtils.h"
#include "contrast.h"
#include "mydialogs.h"
#include "savefile.h"
#include "systemerror.h"
#include "translation.h"

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

QColor ToQColor(const ColourDesign& colour) { return {colour.red, colour.green, colour.blue}; }

QColor ReadableTextColour(const ColourDesign& design, const QColor& background, const QColor& theme_text) {
  const auto from = [](const QColor& c) { return ColourDesign{c.red(), c.green(), c.blue()}; };
  return ToQColor(calc::ReadableTextColour(design, from(background), from(theme_text)));
}

QString ToQString(std::u16string_view text) {
  // A plain copy: QString::fromUtf16 would take a leading U+FEFF or U+FFFE
  // as a byte-order mark, drop it and even swap the bytes of the rest.
  return QStringView(text.data(), static_cast<qsizetype>(text.size())).toString();
}

std::u16string ToU16(const QString& text) { return text.toStdU16String(); }

QtPlatform::QtPlatform() : locale_(QLocale::system()) {}

std::u16string QtPlatform::GetAppDataFolder() { return ToU16(calc::GetAppDataFolder()); }

bool QtPlatform::FolderExists(std::u16string_view path) { return calc::FolderExists(ToQString(path)); }

bool QtPlatform::CreateFolder(std::u16string_view path) { return calc::CreateFolder(ToQString(path)); }

bool QtPlatform::FileExistsAt(std::u16string_view path) { return calc::FileExistsAt(ToQString(path)); }

ReadStatus QtPlatform::ReadWholeFile(std::u16string_view path, std::size_t max_size, std::string& bytes,
                                     std::u16string& why) {
  QByteArray read;
  QString reason;
  const ReadStatus status = calc::ReadWholeFile(ToQString(path), static_cast<qint64>(max_size), read, &reason);
  bytes.assign(read.constData(), static_cast<std::size_t>(read.size()));
  why = ToU16(reason);
  return status;
}

std::u16string QtPlatform::ErrorText(long code) { return SystemErrorText(static_cast<int>(code)); }

bool QtPlatform::CodePageIsUtf8() { return SystemCodePage().compare("UTF-8", Qt::CaseInsensitive) == 0; }

std::u16string QtPlatform::DecodeCodePage(std::string_view bytes) {
  return ToU16(QStringDecoder(SystemCodePage().constData()).decode(QByteArrayView(bytes.data(), bytes.size())));
}

std::string QtPlatform::EncodeCodePage(std::u16string_view text) {
  const QByteArray bytes = QStringEncoder(SystemCodePage().constData())
                               .encode(QStringView(text.data(), static_cast<qsizetype>(text.size())));
  return bytes.toStdString();
}

std::u16string QtPlatform::LocaleUpper(std::u16string_view text) { return ToU16(locale_.toUpper(ToQString(text))); }

ScreenSize QtPlatform::PrimaryScreenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {};
  return {screen->geometry().width(), screen->geometry().height()};
}

std::optional<std::u16string> QtPlatform::SetClipboardText(std::u16string_view text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  // TRANSLATORS: Error box after Copy: the reason when there is no clipboard at all.
  if (!clipboard) return u"Cannot open clipboard: " + std::u16string(Tr(u"no clipboard"));
  clipboard->setText(ToQString(text));
  return std::nullopt;
}

void QtPlatform::ShowMessageBox(std::u16string_view message, std::u16string_view detail, std::u16string_view caption) {
  calc::ShowMessageBox(ToQString(message), ToQString(detail), ToQString(caption));
}

void QtPlatform::ShowErrorBox(std::u16string_view text) {
  QMessageBox box(QMessageBox::Critical, ApplicationTitle(), ToQString(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

}  // namespace calc
