// SPDX-License-Identifier: MIT
// The Qt window in each language, as the environment chooses it: every
// caption whole inside its control (the test also runs at 200 %), the
// window mirrored for a right-to-left language with the expression box and
// the result line still left to right, the box's context menu in the same
// language, and a translated message.
#include "language.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyleOptionButton>
#include <memory>

#include "Unit1.h"
#include "messages.h"
#include "qtplatform.h"
#include "test_support.h"
#include "translation.h"

namespace calc {

class LanguageTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TemporaryConfig> config_;

  std::unique_ptr<TForm1> OpenIn(const QByteArray& language, const QByteArray& lang) {
    qputenv("LANGUAGE", language);
    qputenv("LANG", lang);
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    UseUserLanguage(*qApp);
    auto form = std::make_unique<TForm1>();
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) return nullptr;
    return form;
  }

  // The room the style gives a control's text against the text's width.
  template <typename Button>
  static void CheckWhole(const Button* b, const char* language) {
    QStyleOptionButton option;
    option.initFrom(b);
    option.text = b->text();
    const QStyle::SubElement contents =
        std::is_same_v<Button, QCheckBox> ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents;
    const QRect room = b->style()->subElementRect(contents, &option, b);
    QString shown = b->text();
    shown.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    const int needed = b->fontMetrics().horizontalAdvance(shown);
    QVERIFY2(needed <= room.width(),
             qPrintable(
                 QStringLiteral("%1: \"%2\" needs %3 px, has %4").arg(language, shown).arg(needed).arg(room.width())));
    QVERIFY2(b->geometry().right() < b->parentWidget()->width() && b->x() >= 0,
             qPrintable(QStringLiteral("%1: \"%2\" leaves the window").arg(language, shown)));
  }

 private slots:
  void init() { config_ = std::make_unique<TemporaryConfig>(); }
  void cleanup() {
    qputenv("LANGUAGE", "");
    qputenv("LANG", "C.UTF-8");
    UseUserLanguage(*qApp);
    config_.reset();
  }

  void EveryCaptionWhole_data() {
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QByteArray>("lang");
    QTest::newRow("en") << QByteArray() << QByteArray("C.UTF-8");
    for (const char* lang :
         {"ar_EG", "de_DE", "es_ES", "fr_FR", "it_IT", "ja_JP", "nl_NL", "pl_PL", "pt_BR", "ru_RU", "zh_CN"}) {
      QTest::newRow(lang) << QByteArray(lang) << QByteArray(lang) + ".UTF-8";
    }
  }
  void EveryCaptionWhole() {
    QFETCH(QByteArray, language);
    QFETCH(QByteArray, lang);
    const auto form = OpenIn(language, lang);
    QVERIFY(form);
    if (!language.isEmpty()) QVERIFY(!ChosenLanguage().empty());
    for (const QPushButton* b : {form->calculatebutton, form->copybutton, form->aboutbutton}) {
      CheckWhole(b, QTest::currentDataTag());
    }
    for (const QCheckBox* b : {form->sepcb, form->dec2cb}) CheckWhole(b, QTest::currentDataTag());
    // The two check boxes share their row without meeting.
    const QRect left = form->sepcb->geometry().united(form->dec2cb->geometry());
    QVERIFY(!form->sepcb->geometry().intersects(form->dec2cb->geometry()));
    QVERIFY(left.width() <= form->width());
    // Narrowed as far as it goes, the window still holds them.
    form->resize(1, form->height());
    QVERIFY(!form->sepcb->geometry().intersects(form->dec2cb->geometry()));
    QVERIFY(!form->calculatebutton->geometry().intersects(form->cb->geometry()));
  }

  // Each message of the result line whole in the line's large type (the
  // messages of the error boxes are not shown there).
  void EveryMessageFitsTheResultLine_data() { EveryCaptionWhole_data(); }
  void EveryMessageFitsTheResultLine() {
    QFETCH(QByteArray, language);
    QFETCH(QByteArray, lang);
    const auto form = OpenIn(language, lang);
    QVERIFY(form);
    const QFontMetrics metrics(form->resultlabel->font());
    const int room = form->resultlabel->contentsRect().width();
    QStringList too_long;
    for (std::u16string_view pattern : MessagePatterns()) {
      if (pattern.ends_with(u"floating point value.") || pattern.starts_with(u"Floating point") ||
          pattern.starts_with(u"Cannot open clipboard")) {
        continue;
      }
      const QString shown = ToQString(Tr(pattern, u"2A"));
      const int needed = metrics.horizontalAdvance(shown);
      if (needed > room) too_long << QStringLiteral("\"%1\" needs %2 px").arg(shown).arg(needed);
    }
    QVERIFY2(too_long.isEmpty(), qPrintable(QStringLiteral("%1: the line has %2 px: %3")
                                                .arg(QTest::currentDataTag())
                                                .arg(room)
                                                .arg(too_long.join(QStringLiteral("; ")))));
  }

  void ArabicIsMirroredButTheExpressionIsNot() {
    const auto form = OpenIn("ar", "ar_EG.UTF-8");
    QVERIFY(form);
    QCOMPARE(form->layoutDirection(), Qt::RightToLeft);
    QCOMPARE(form->aboutbutton->x(), 0);
    QVERIFY(form->calculatebutton->geometry().right() < form->cb->x());
    QVERIFY(form->copybutton->x() < form->resultlabel->x());
    QVERIFY(form->sepcb->x() > form->dec2cb->x());
    QCOMPARE(form->cb->layoutDirection(), Qt::LeftToRight);
    QCOMPARE(form->cb->lineEdit()->layoutDirection(), Qt::LeftToRight);
    QCOMPARE(form->resultlabel->layoutDirection(), Qt::LeftToRight);
    form->cb->setEditText(QStringLiteral("1234.5678"));
    form->calculatebutton->click();
    QCOMPARE(form->resultlabel->text(), QStringLiteral("1,234.57"));
    QCOMPARE(form->resultlabel->layoutDirection(), Qt::LeftToRight);
    // A message in Arabic reads right to left, its full stop at its end.
    form->cb->setEditText(QStringLiteral("1/0"));
    form->calculatebutton->click();
    QCOMPARE(form->resultlabel->layoutDirection(), Qt::RightToLeft);
  }

  void EnglishIsNotMirrored() {
    const auto form = OpenIn("", "C.UTF-8");
    QVERIFY(form);
    QCOMPARE(form->layoutDirection(), Qt::LeftToRight);
    QCOMPARE(form->aboutbutton->geometry().right(), form->width() - 1);
  }

  void MessagesAndQtsOwnTextsInTheLanguage() {
    const auto form = OpenIn("de", "de_DE.UTF-8");
    QVERIFY(form);
    form->cb->setEditText(QStringLiteral("1/0"));
    form->calculatebutton->click();
    QCOMPARE(form->resultlabel->text(), QString::fromUtf16(Tr(u"Division by zero.").data())
                                            .left(static_cast<qsizetype>(Tr(u"Division by zero.").size())));
    QVERIFY(form->resultlabel->text() != QStringLiteral("Division by zero."));
    // Qt's own texts: the box's context menu.
    std::unique_ptr<QMenu> menu(form->cb->lineEdit()->createStandardContextMenu());
    QStringList actions;
    for (const QAction* a : menu->actions()) actions << a->text();
    QVERIFY2(actions.filter(QStringLiteral("Copy")).isEmpty(), qPrintable(actions.join(QStringLiteral(", "))));
    QVERIFY2(!actions.filter(QStringLiteral("Kopieren")).isEmpty(), qPrintable(actions.join(QStringLiteral(", "))));
  }

  void CLocaleIsEnglish() {
    OpenIn("de", "de_DE.UTF-8");
    const auto form = OpenIn("de", "C.UTF-8");
    QVERIFY(form);
    std::unique_ptr<QMenu> menu(form->cb->lineEdit()->createStandardContextMenu());
    QVERIFY(menu->actions().first()->text().contains(QStringLiteral("Undo")));
    form->cb->setEditText(QStringLiteral("1/0"));
    form->calculatebutton->click();
    QCOMPARE(form->resultlabel->text(), QStringLiteral("Division by zero."));
    QCOMPARE(form->calculatebutton->text(), QStringLiteral("Calculate"));
  }
};

}  // namespace calc

QTEST_MAIN(calc::LanguageTest)
#include "language_test.moc"
