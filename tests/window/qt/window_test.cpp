// SPDX-License-Identifier: MIT
// The calculator window, headless: controls, handlers, Enter, the history
// rule, Copy, help, resizing and the generic error display.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <memory>

#include "Unit1.h"
#include "design.h"
#include "mydialogs.h"
#include "qtplatform.h"
#include "test_support.h"

namespace calc {

class WindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TemporaryConfig> config_;
  std::unique_ptr<TForm1> form_;

  void Type(const QString& text) {
    form_->cb->setFocus();
    form_->cb->lineEdit()->selectAll();
    QTest::keyClick(form_->cb->lineEdit(), Qt::Key_Delete);
    QTest::keyClicks(form_->cb->lineEdit(), text);
  }
  void Enter() { QTest::keyClick(form_->cb->lineEdit(), Qt::Key_Return); }
  QString Shown() const { return form_->resultlabel->text(); }
  bool InTheBox(const QWidget* w) const { return w == form_->cb || w == form_->cb->lineEdit(); }
  // What the box's drop-down list shows.
  QStringList Listed() const {
    QStringList items;
    for (int i = 0; i < form_->cb->count(); ++i) items << form_->cb->itemText(i);
    return items;
  }

 private slots:
  void init() {
    config_ = std::make_unique<TemporaryConfig>();
    form_ = std::make_unique<TForm1>();
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  }
  void cleanup() {
    form_.reset();
    config_.reset();
  }

  void ControlsAsDesigned() {
    QCOMPARE(form_->windowTitle(), QString("Varnel's Expression calculator"));
    QCOMPARE(form_->calculatebutton->text(), QString("Calculate"));
    QCOMPARE(form_->copybutton->text(), QString("&Copy"));
    QCOMPARE(form_->copybutton->toolTip(), QString("Copy result to clipboard"));
    QCOMPARE(form_->aboutbutton->text(), QString("?"));
    QCOMPARE(form_->aboutbutton->toolTip(), QString("Help"));
    QCOMPARE(form_->sepcb->text(), QString("Thousands separators"));
    QCOMPARE(form_->dec2cb->text(), QString("Display only 2 decimal places accuracy"));
    QVERIFY(form_->sepcb->isChecked());
    QVERIFY(form_->dec2cb->isChecked());
    QVERIFY(form_->cb->isEditable());
    QVERIFY(form_->cb->completer() == nullptr);
    QCOMPARE(form_->cb->insertPolicy(), QComboBox::NoInsert);
    QCOMPARE(form_->cb->currentText(), QString());
    QCOMPARE(form_->cb->currentIndex(), -1);
    QCOMPARE(Shown(), QString());
    QCOMPARE(form_->resultlabel->alignment(), Qt::AlignCenter);
    QCOMPARE(form_->resultlabel->geometry(), QRect(31, 72, 521, 29));
    QCOMPARE(form_->resultlabel->palette().color(QPalette::WindowText), QColor(43, 53, 77));
    QCOMPARE(form_->cb->font().pointSize(), 10);
    QVERIFY(!(form_->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form_->windowFlags() & Qt::WindowMinimizeButtonHint);
    QTRY_VERIFY(InTheBox(QApplication::focusWidget()));
  }

  void TabOrder() {
    QWidget* expected[] = {form_->calculatebutton, form_->copybutton,  form_->sepcb,
                           form_->dec2cb,          form_->aboutbutton, form_->cb};
    for (int i = 0; i + 1 < 6; ++i) {
      QWidget* next = expected[i]->nextInFocusChain();
      while (next->focusProxy() == expected[i] || !next->isVisible() || next->focusPolicy() == Qt::NoFocus ||
             next->parentWidget() == expected[i]) {
        next = next->nextInFocusChain();
      }
      QCOMPARE(next, expected[i + 1]);
    }
  }

  void AccessibleNames() {
    QCOMPARE(form_->cb->accessibleName(), QString("Expression"));
    QCOMPARE(form_->resultlabel->accessibleName(), QString("Result"));
    QCOMPARE(form_->calculatebutton->accessibleName(), QString("Calculate"));
    QCOMPARE(form_->copybutton->accessibleName(), QString("Copy"));
    QCOMPARE(form_->sepcb->accessibleName(), QString("Thousands separators"));
  }

  void CentredOnTheScreenAtStart() {
    const ScreenSize screen = QtPlatform().PrimaryScreenSize();
    QCOMPARE(form_->x(), (screen.width - kForm.design_outer_width()) / 2);
    QCOMPARE(form_->y(), (screen.height - kForm.outer_height()) / 2);
  }

  void EnterInTheBoxCalculates() {
    Type("2 * sqrt(16) + sin(30)^2");
    Enter();
    QCOMPARE(Shown(), QString("8.25"));
    QCOMPARE(form_->History(), QStringList{"2 * sqrt(16) + sin(30)^2"});
    QCOMPARE(form_->cb->currentText(), QString("2 * sqrt(16) + sin(30)^2"));
    QVERIFY(InTheBox(QApplication::focusWidget()));
  }

  void EnterOnAnEntryOfTheListDoesNotClearTheResult() {
    Type("1+1");
    Enter();
    Type("2+2");
    Enter();
    Type("1+1");  // equals an entry: Qt's box could take Enter as choosing it
    Enter();
    QCOMPARE(Shown(), QString("2"));
    QCOMPARE(form_->History(), (QStringList{"1+1", "2+2"}));
    // The same with the key delivered to the box rather than its line edit.
    Type("2+2");
    QTest::keyClick(form_->cb, Qt::Key_Return);
    QCOMPARE(Shown(), QString("4"));
    QCOMPARE(form_->History(), (QStringList{"2+2", "1+1"}));
    // Leaving the box does not choose an entry either.
    form_->sepcb->setFocus();
    QCOMPARE(Shown(), QString("4"));
  }

  void EnterOnACheckBoxCalculates() {
    Type("1234.5678");
    form_->sepcb->setFocus();
    QTest::keyClick(form_->sepcb, Qt::Key_Return);
    QCOMPARE(Shown(), QString("1,234.57"));
  }

  void CalculateButton() {
    Type("(2 + 2) / 3");
    QTest::mouseClick(form_->calculatebutton, Qt::LeftButton);
    QCOMPARE(Shown(), QString("1.33"));
    QVERIFY(InTheBox(QApplication::focusWidget()));
  }

  void CheckBoxesRedisplay() {
    Type("1234.5678");
    Enter();
    QCOMPARE(Shown(), QString("1,234.57"));
    QTest::mouseClick(form_->sepcb, Qt::LeftButton);
    QCOMPARE(Shown(), QString("1234.57"));
    QTest::mouseClick(form_->dec2cb, Qt::LeftButton);
    QCOMPARE(Shown(), QString("1234.5678"));
    QVERIFY(InTheBox(QApplication::focusWidget()));
    // Re-evaluating moves the expression to the top of the history.
    Type("5");
    Enter();
    Type("1234.5678");
    QTest::mouseClick(form_->sepcb, Qt::LeftButton);
    QCOMPARE(form_->History().first(), QString("1234.5678"));
    QCOMPARE(Shown(), QString("1,234.5678"));
  }

  void BlankAndEmptyExpressions() {
    Type("   ");
    Enter();
    QCOMPARE(Shown(), QString());
    QVERIFY(form_->History().isEmpty());
    QCOMPARE(form_->cb->currentText(), QString("   "));
    // Not blank, but nothing once commas are gone: added all the same.
    Type(",");
    Enter();
    QCOMPARE(Shown(), QString());
    QCOMPARE(form_->History(), QStringList{","});
  }

  void TrimmedExpressionEntersTheHistory() {
    Type("  2*3  ");
    Enter();
    QCOMPARE(Shown(), QString("6"));
    QCOMPARE(form_->cb->currentText(), QString("2*3"));
    QCOMPARE(form_->History(), QStringList{"2*3"});
  }

  void ErrorMessageLeavesBoxAndHistory() {
    Type(" 1/0 ");
    Enter();
    QCOMPARE(Shown(), QString("Division by zero."));
    QCOMPARE(form_->cb->currentText(), QString(" 1/0 "));
    QVERIFY(form_->History().isEmpty());
  }

  void ChoosingAnEntryClearsTheResult() {
    Type("7*6");
    Enter();
    Type("1+2");
    Enter();
    QCOMPARE(Shown(), QString("3"));
    form_->cb->showPopup();
    QAbstractItemView* view = form_->cb->view();
    QTRY_VERIFY(view->isVisible());
    const QModelIndex second = view->model()->index(1, 0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(second).center());
    QTRY_COMPARE(form_->cb->currentText(), QString("7*6"));
    QCOMPARE(Shown(), QString());
    QCOMPARE(form_->History(), (QStringList{"1+2", "7*6"}));
  }

  // The list shows the history, newest first, and changing it never
  // changes what the box shows.
  void ListShowsTheHistory() {
    for (int i = 1; i <= 50; ++i) form_->AddToHistory(QString::number(i));
    form_->AddToHistory("25");
    form_->AddToHistory("new");
    QCOMPARE(Listed(), form_->History());
    QCOMPARE(Listed().size(), 50);
    QCOMPARE(Listed().first(), QString("new"));
    QCOMPARE(form_->cb->currentText(), QString());
    QCOMPARE(form_->cb->currentIndex(), -1);
    Type("7*7");
    Enter();
    QCOMPARE(Listed().first(), QString("7*7"));
    QCOMPARE(Listed(), form_->History());
  }

  void CopyPutsTheDisplayedText() {
    Type("1234.5678");
    Enter();
    QTest::mouseClick(form_->copybutton, Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), QString("1,234.57"));
    QVERIFY(InTheBox(QApplication::focusWidget()));
    Type("1/0");
    Enter();
    QTest::mouseClick(form_->copybutton, Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), QString("Division by zero."));
    Type("");
    Enter();
    QApplication::clipboard()->setText("something else");
    QTest::mouseClick(form_->copybutton, Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), QString());
  }

  void HelpBox() {
    const QStringList lines = ToQString(HelpText()).split(u'\r');
    SeenBox seen;
    CloseNextBox(&seen);
    QTest::mouseClick(form_->aboutbutton, Qt::LeftButton);
    QVERIFY(seen.shown);
    QCOMPARE(seen.title, ApplicationTitle());
    QCOMPARE(seen.text, lines.join(u'\n'));
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QCOMPARE(seen.buttons, 1);
    QTRY_VERIFY(InTheBox(form_->focusWidget()));
  }

  void GenericErrorDisplay() {
    Type("2+2");
    Enter();
    Type("1E5000");
    SeenBox seen;
    CloseNextBox(&seen);
    Enter();
    QVERIFY(seen.shown);
    QCOMPARE(seen.text, QString("Floating point overflow."));
    QCOMPARE(seen.title, ApplicationTitle());
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QCOMPARE(seen.buttons, 1);
    // The rest of the handler was skipped; the window goes on working.
    QCOMPARE(Shown(), QString("4"));
    QCOMPARE(form_->History(), QStringList{"2+2"});
    Type("3*3");
    Enter();
    QCOMPARE(Shown(), QString("9"));
  }

  void ResizeRule() {
    form_->resize(800, 300);
    QCOMPARE(form_->height(), kForm.client_height);
    QCOMPARE(form_->width(), 800);
    QCOMPARE(form_->cb->width(), 800 - 75 - 54);
    QCOMPARE(form_->calculatebutton->x(), 800 - 75 - 14);
    QCOMPARE(form_->aboutbutton->x(), 800 - 26);
    QCOMPARE(form_->copybutton->x(), 800 - 41 - 14);
    QCOMPARE(form_->dec2cb->x(), 800 - form_->dec2cb->width() - 40);
    QCOMPARE(form_->resultlabel->geometry(), QRect(31, 72, 521, 29));
    QCOMPARE(form_->sepcb->pos(), QPoint(16, 136));
    form_->resize(100, 100);
    QCOMPARE(form_->OuterWidth(), kForm.min_outer_width);
    QCOMPARE(form_->height(), kForm.client_height);
  }

  // The label's colour as painted, not only as set: the window's
  // background role once made Qt paint it in the button text colour.
  void ResultIsPaintedInItsColour() {
    Type("8888888");
    Enter();
    const QImage image = form_->resultlabel->grab().toImage();
    const QColor wanted(43, 53, 77);
    int hits = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) hits += QColor(image.pixel(x, y)) == wanted;
    }
    QVERIFY2(hits > 20, qPrintable(QString("%1 pixels of the result colour").arg(hits)));
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) QVERIFY(QColor(image.pixel(x, y)) != QColor(Qt::black));
    }
  }

  // Calculate stays the default button (and shows it) wherever the focus
  // goes, except while another button has it, as in a dialog.
  void CalculateStaysTheDefaultButton() {
    struct Step {
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
      QWidget* focus;
      bool calculate_default;
    };
    const Step steps[] = {
        {Qt::Key_Tab, Qt::NoModifier, form_->calculatebutton, true},
        {Qt::Key_Tab, Qt::NoModifier, form_->copybutton, false},
        {Qt::Key_Tab, Qt::NoModifier, form_->sepcb, true},
        {Qt::Key_Backtab, Qt::ShiftModifier, form_->copybutton, false},
        {Qt::Key_Backtab, Qt::ShiftModifier, form_->calculatebutton, true},
        {Qt::Key_Backtab, Qt::ShiftModifier, form_->cb, true},
        {Qt::Key_Backtab, Qt::ShiftModifier, form_->aboutbutton, false},
        {Qt::Key_Backtab, Qt::ShiftModifier, form_->dec2cb, true},
    };
    form_->cb->setFocus();
    QTRY_VERIFY(InTheBox(QApplication::focusWidget()));
    for (const Step& step : steps) {
      QTest::keyClick(QApplication::focusWidget(), step.key, step.modifiers);
      QWidget* now = QApplication::focusWidget();
      QVERIFY(now == step.focus || (step.focus == form_->cb && InTheBox(now)));
      QCOMPARE(form_->calculatebutton->isDefault(), step.calculate_default);
    }
    Type("6*7");
    form_->dec2cb->setFocus();
    QTest::keyClick(form_->dec2cb, Qt::Key_Return);
    QCOMPARE(Shown(), QString("42"));
    QVERIFY(form_->calculatebutton->isDefault());
  }

  // The help box keeps every line whole and shows the message as a task
  // dialog's main instruction, with a plain OK.
  void HelpBoxLooksLikeATaskDialog() {
    std::unique_ptr<QMessageBox> box(CreateMessageBox(ToQString(HelpText()), "", "", true));
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    auto* label = box->findChild<QLabel*>("qt_msgbox_label");
    QVERIFY(label);
    const QFontMetrics metrics(label->font());
    for (const QString& line : label->text().split(u'\n')) {
      QVERIFY2(metrics.horizontalAdvance(line) <= label->contentsRect().width(), qPrintable(line));
    }
    const QFont window_font = QApplication::font(box.get());
    QVERIFY(label->font().pointSizeF() > window_font.pointSizeF());
    QCOMPARE(label->palette().color(QPalette::WindowText), kMainInstructionColour);
    QVERIFY(box->button(QMessageBox::Ok)->icon().isNull());
  }

  void TitleFromTheExecutableName() {
    QCOMPARE(TitleFromExecutablePath("/usr/bin/exprcalc"), QString("Exprcalc"));
    QCOMPARE(TitleFromExecutablePath("C:\\Tools\\MyTool.Setup.exe"), QString("Mytool"));
    QCOMPARE(TitleFromExecutablePath("/opt/x/EXPRCALC"), QString("Exprcalc"));
  }

  void MessageBoxPaths() {
    std::unique_ptr<QMessageBox> themed(CreateMessageBox("Main", "Detail", "", true));
    QCOMPARE(themed->text(), QString("Main"));
    QCOMPARE(themed->informativeText(), QString("Detail"));
    QCOMPARE(themed->windowTitle(), ApplicationTitle());
    std::unique_ptr<QMessageBox> classic(CreateMessageBox("Main", "Detail", "Caption", false));
    QCOMPARE(classic->text(), QString("Main\n\nDetail"));
    QCOMPARE(classic->windowTitle(), QString("Caption"));
    QVERIFY(classic->parentWidget() == nullptr);
    QCOMPARE(classic->buttons().size(), 1);
  }
};

}  // namespace calc

QTEST_MAIN(calc::WindowTest)
#include "window_test.moc"
