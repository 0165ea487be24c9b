// SPDX-License-Identifier: MIT
// The Qt view, headless: what only it can get wrong. Its controls against
// the design data, the wiring of each event to the logic and of each answer
// back to the widgets, Enter, focus and the default button, the list, the
// resize, the painted colour. The rules themselves are the core's tests.
#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolTip>
#include <algorithm>
#include <functional>
#include <memory>

#include "Unit1.h"
#include "contrast.h"
#include "dark_palette.h"
#include "design.h"
#include "mydialogs.h"
#include "qtplatform.h"
#include "test_support.h"

namespace calc {

// Runs `seen` for each event of one type that reaches the watched object.
class EventRecorder : public QObject {
 public:
  EventRecorder(QEvent::Type type, std::function<void()> seen) : type_(type), seen_(std::move(seen)) {}
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == type_) seen_();
    return false;
  }

 private:
  QEvent::Type type_;
  std::function<void()> seen_;
};

class WindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TemporaryConfig> config_;
  std::unique_ptr<TForm1> form_;
  const QPalette light_ = QApplication::palette();

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
    QApplication::setPalette(light_);
    form_.reset();
    config_.reset();
  }

  void ControlsAsDesigned() {
    QCOMPARE(form_->objectName(), ToQString(kForm.class_name));
    QCOMPARE(form_->windowTitle(), ToQString(kForm.caption));
    for (const ControlDesign& design : kControls) {
      const QString name = ToQString(design.name);
      auto* widget = form_->findChild<QWidget*>(name);
      QVERIFY2(widget, qPrintable(name));
      QCOMPARE(widget->y(), design.top);
      // A check box may be wider than designed where the font is, and the
      // box widens with the window.
      QVERIFY2(widget->width() >= design.width, qPrintable(name));
      QCOMPARE(widget->height(), design.height);
      QCOMPARE(widget->toolTip(), ToQString(design.hint));
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        QCOMPARE(button->text(), ToQString(design.text));
        QCOMPARE(button->isChecked(), design.checked);
      }
      QCOMPARE(widget->focusPolicy() != Qt::NoFocus, design.takes_focus);
      QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
      if (!design.accessible_name.empty()) {
        QCOMPARE(accessible->text(QAccessible::Name), ToQString(design.accessible_name));
      }
      if (!design.accessible_description.empty()) {
        QCOMPARE(accessible->text(QAccessible::Description), ToQString(design.accessible_description));
      }
    }
    QVERIFY(form_->calculatebutton->isDefault());
    QVERIFY(form_->cb->isEditable());
    QVERIFY(form_->cb->completer() == nullptr);
    QCOMPARE(form_->cb->insertPolicy(), QComboBox::NoInsert);
    QCOMPARE(form_->cb->font().pointSize(), kForm.box_font.point_size);
    QCOMPARE(form_->cb->currentIndex(), -1);
    QCOMPARE(form_->resultlabel->alignment(), Qt::AlignCenter);
    QVERIFY(!(form_->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form_->windowFlags() & Qt::WindowMinimizeButtonHint);
    QTRY_VERIFY(InTheBox(QApplication::focusWidget()));
  }

  void TabOrder() {
    QList<QWidget*> expected;
    for (const ControlDesign& design : kControls) {
      if (design.takes_focus) expected << form_->findChild<QWidget*>(ToQString(design.name));
    }
    for (qsizetype i = 0; i + 1 < expected.size(); ++i) {
      QWidget* next = expected[i]->nextInFocusChain();
      while (next->focusProxy() == expected[i] || !next->isVisible() || next->focusPolicy() == Qt::NoFocus ||
             next->parentWidget() == expected[i]) {
        next = next->nextInFocusChain();
      }
      QCOMPARE(next, expected[i + 1]);
    }
  }

  // The result line is named by what it shows.
  void ResultLineReadsItsText() {
    Type("1/0");
    Enter();
    QAccessibleInterface* result = QAccessible::queryAccessibleInterface(form_->resultlabel);
    QCOMPARE(result->text(QAccessible::Name), QString("Division by zero."));
  }

  // Its tooltip and description show the steps, until the line is cleared.
  void ResultLineShowsTheStepsOfItsCalculation() {
    Type("1/3*3");
    Enter();
    const QString tip = QString::fromUtf8(
        "Each value in between is cut to 15 digits, so the last digit is off; the exact result is probably 1.\n"
        "1.00\n\u2192 1*INV(3)*3\n\u2192 1*0.333333333333333*3\n\u2192 0.999999999999999");
    QCOMPARE(form_->resultlabel->toolTip(), tip);
    QAccessibleInterface* result = QAccessible::queryAccessibleInterface(form_->resultlabel);
    QCOMPARE(result->text(QAccessible::Description), tip);
    form_->cbClick();
    QCOMPARE(form_->resultlabel->toolTip(), QString());
    QCOMPARE(result->text(QAccessible::Description), ToQString(Design(Control::kResult).accessible_description));
  }

  // Shift+F1 in the box shows the working at the result line, and a screen
  // reader is told it, one line after another.
  void ShiftF1ShowsAndReadsTheWorking() {
    auto* notice = form_->findChild<ResultNotice*>();
    QVERIFY(notice);
    QStringList heard;
    EventRecorder recorder(QEvent::Show, [&] { heard << notice->accessibleName(); });
    notice->installEventFilter(&recorder);
    Type("2pi");
    Enter();
    QTRY_COMPARE(heard, QStringList{"23.14"});
    heard.clear();
    QTest::keyClick(form_->cb->lineEdit(), Qt::Key_F1, Qt::ShiftModifier);
    const QString sentence = "Values written side by side join their digits instead of multiplying; write 2*pi.";
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), sentence + "\n23.14\n\u2192 23.14159265358979");
    QTRY_COMPARE(heard, QStringList{sentence + "\n23.14\n23.14159265358979"});
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

  // Each click recalculates under the box's new state.
  void CheckBoxesRedisplay() {
    Type("1234.5678");
    Enter();
    QCOMPARE(Shown(), QString("1,234.57"));
    QTest::mouseClick(form_->sepcb, Qt::LeftButton);
    QCOMPARE(Shown(), QString("1234.57"));
    QTest::mouseClick(form_->dec2cb, Qt::LeftButton);
    QCOMPARE(Shown(), QString("1234.5678"));
    QVERIFY(InTheBox(QApplication::focusWidget()));
  }

  // The box gets the logic's text on success and keeps the typed one
  // otherwise.
  void BoxTextAfterACalculation() {
    Type("  2*3  ");
    Enter();
    QCOMPARE(Shown(), QString("6"));
    QCOMPARE(form_->cb->currentText(), QString("2*3"));
    Type(" 1/0 ");
    Enter();
    QCOMPARE(Shown(), QString("Division by zero."));
    QCOMPARE(form_->cb->currentText(), QString(" 1/0 "));
    QCOMPARE(form_->History(), QStringList{"2*3"});
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

  // The opened list highlights the entry the logic names for the box's
  // text, here one in other letters, and leaves the text as typed.
  void TheOpenedListHighlightsTheHeldEntry() {
    Type("sqrt(4)");
    Enter();
    Type("2+2");
    Enter();
    Type("SQRT(4)");
    form_->cb->showPopup();
    QAbstractItemView* view = form_->cb->view();
    QTRY_VERIFY(view->isVisible());
    QCOMPARE(view->currentIndex().row(), 1);
    QCOMPARE(form_->cb->currentText(), QString("SQRT(4)"));
    form_->cb->hidePopup();
    QCOMPARE(form_->cb->currentText(), QString("SQRT(4)"));
  }

  // The list shows the history, newest first, and changing it never
  // changes what the box shows.
  void ListShowsTheHistory() {
    for (const char* entry : {"1", "2", "3"}) form_->AddToHistory(entry);
    QCOMPARE(Listed(), (QStringList{"3", "2", "1"}));
    QCOMPARE(form_->cb->currentText(), QString());
    QCOMPARE(form_->cb->currentIndex(), -1);
    Type("7*7");
    Enter();
    QCOMPARE(Listed(), (QStringList{"7*7", "3", "2", "1"}));
    QCOMPARE(form_->cb->currentText(), QString("7*7"));
  }

  // A calculation's entry joins the list, new, moved up or past the limit,
  // without the box's text being set again, not even emptied for a moment:
  // a screen reader would read it back.
  void TheListChangesWithoutSettingTheBoxText() {
    const QSignalSpy texts(form_->cb->lineEdit(), &QLineEdit::textChanged);
    const auto enter = [&](const QString& expression) {
      Type(expression);
      const qsizetype before = texts.size();
      Enter();
      return texts.size() == before;
    };
    struct Case {
      const char* expression;
      QStringList listed;
    };
    const Case cases[] = {
        {"1+1", {"1+1"}},
        {"2+2", {"2+2", "1+1"}},
        {"1+1", {"1+1", "2+2"}},
        {"sqrt(4)", {"sqrt(4)", "1+1", "2+2"}},
        {"2+2", {"2+2", "sqrt(4)", "1+1"}},
        {"SQRT(4)", {"SQRT(4)", "2+2", "1+1"}},
    };
    for (const Case& c : cases) {
      QVERIFY2(enter(c.expression), c.expression);
      QCOMPARE(Listed(), c.listed);
      QCOMPARE(form_->cb->currentText(), QString(c.expression));
    }
    // The oldest entry leaves a full list.
    QStringList listed = Listed();
    for (auto i = static_cast<int>(listed.size()); i <= static_cast<int>(FormLogic::kHistoryLimit); ++i) {
      const QString expression = QString("%1*1").arg(i);
      QVERIFY2(enter(expression), qPrintable(expression));
      listed.prepend(expression);
    }
    listed.resize(static_cast<qsizetype>(FormLogic::kHistoryLimit));
    QCOMPARE(Listed(), listed);
  }

  void CopyPutsTheDisplayedText() {
    Type("1234.5678");
    Enter();
    QTest::mouseClick(form_->copybutton, Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), QString("1,234.57"));
    QVERIFY(InTheBox(QApplication::focusWidget()));
    Type("1/0");
    Enter();
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

  // The controls go where the core's rule puts them; the height is fixed
  // and the width has its minimum.
  void Resize() {
    QCOMPARE(form_->sepcb->x(), Design(Control::kSeparators).left);
    QCOMPARE(form_->cb->x(), Design(Control::kBox).left);
    form_->resize(800, 300);
    QCOMPARE(form_->height(), kForm.client_height);
    const ResizeLayout layout = FormResize(800, {form_->calculatebutton->width(), form_->aboutbutton->width(),
                                                 form_->copybutton->width(), form_->dec2cb->width()});
    QCOMPARE(form_->cb->width(), layout.box_width);
    QCOMPARE(form_->calculatebutton->x(), layout.calculate_left);
    QCOMPARE(form_->aboutbutton->x(), layout.about_left);
    QCOMPARE(form_->copybutton->x(), layout.copy_left);
    QCOMPARE(form_->dec2cb->x(), layout.two_decimals_left);
    const ControlDesign& result = Design(Control::kResult);
    QCOMPARE(form_->resultlabel->geometry(), QRect(result.left, result.top, result.width, result.height));
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
    const QColor wanted(kForm.result_colour.red, kForm.result_colour.green, kForm.result_colour.blue);
    int hits = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) hits += QColor(image.pixel(x, y)) == wanted;
    }
    QVERIFY2(hits > 20, qPrintable(QString("%1 pixels of the result colour").arg(hits)));
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) QVERIFY(QColor(image.pixel(x, y)) != QColor(Qt::black));
    }
  }

  // The result's text against the window's background, as drawn: the
  // pixel of the label's box that differs most from its corner.
  double DrawnContrast() const {
    const QImage image = form_->grab(form_->resultlabel->geometry()).toImage();
    const auto colour = [&](int x, int y) {
      const QColor c(image.pixel(x, y));
      return ColourDesign{c.red(), c.green(), c.blue()};
    };
    const ColourDesign background = colour(0, 0);
    double best = 1;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) best = std::max(best, ContrastRatio(colour(x, y), background));
    }
    return best;
  }

  // After each calculation the box's text is selected: typing starts a new
  // expression.
  void TextSelectedAfterEachCalculation() {
    struct Action {
      const char* what;
      std::function<void()> act;
    };
    const Action actions[] = {
        {"Enter", [this] { Enter(); }},
        {"Calculate", [this] { QTest::mouseClick(form_->calculatebutton, Qt::LeftButton); }},
        {"a check box", [this] { QTest::mouseClick(form_->sepcb, Qt::LeftButton); }},
        {"Copy", [this] { QTest::mouseClick(form_->copybutton, Qt::LeftButton); }},
        {"the help box closed",
         [this] {
           SeenBox seen;
           CloseNextBox(&seen);
           QTest::mouseClick(form_->aboutbutton, Qt::LeftButton);
         }},
    };
    for (const Action& action : actions) {
      Type(" 2+2 ");
      action.act();
      QTRY_VERIFY2(InTheBox(form_->focusWidget()), action.what);
      QVERIFY2(!form_->cb->currentText().isEmpty() && form_->cb->lineEdit()->selectedText() == form_->cb->currentText(),
               action.what);
    }
    QTest::keyClicks(form_->cb->lineEdit(), "5*5");
    QCOMPARE(form_->cb->currentText(), QString("5*5"));
  }

  // A text wider than the line shows its start; all of it is the tooltip's
  // first line, the accessible name and what Copy copies.
  void LongTextElidedWithTheWholeTextAsTooltip() {
    Type("abcdefghijklmnopqrstuvwxyz(1)");
    Enter();
    const QString message = Shown();
    QVERIFY2(form_->resultlabel->Elided(), qPrintable(message));
    QCOMPARE(form_->resultlabel->toolTip().section('\n', 0, 0), message);
    QCOMPARE(QAccessible::queryAccessibleInterface(form_->resultlabel)->text(QAccessible::Name), message);
    QTest::mouseClick(form_->copybutton, Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), message);
    // Its start drawn as a label aligned left draws it.
    const QImage shown = form_->grab(form_->resultlabel->geometry()).toImage();
    QLabel left(message, form_.get());
    left.setGeometry(form_->resultlabel->geometry());
    left.setFont(form_->resultlabel->font());
    left.setPalette(form_->resultlabel->palette());
    left.setForegroundRole(form_->resultlabel->foregroundRole());
    left.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    left.show();
    form_->resultlabel->hide();
    const QImage wanted = form_->grab(form_->resultlabel->geometry()).toImage();
    form_->resultlabel->show();
    const QRect start(0, 0, shown.width() / 2, shown.height());
    QVERIFY2(shown.copy(start) == wanted.copy(start), "the text's start is not drawn from the left edge");
    Type("2+2");
    Enter();
    QVERIFY(!form_->resultlabel->Elided());
  }

  void F1OpensTheHelpBox() {
    SeenBox seen;
    CloseNextBox(&seen);
    QTest::keyClick(form_->cb->lineEdit(), Qt::Key_F1);
    QVERIFY(seen.shown);
    QCOMPARE(seen.text, ToQString(HelpText()).replace(u'\r', u'\n'));
  }

  // A dark palette while the window is open: the design colour would be
  // unreadable there, and comes back with the light one.
  void ResultReadableUnderADarkPalette() {
    Type("8888888");
    Enter();
    QApplication::setPalette(DarkPalette());
    QTRY_COMPARE(form_->palette().color(QPalette::Button), DarkPalette().color(QPalette::Button));
    QVERIFY2(DrawnContrast() >= kMinimumTextContrast,
             qPrintable(QString("the result's contrast under a dark palette is %1").arg(DrawnContrast())));
    QApplication::setPalette(light_);
    QTRY_COMPARE(form_->resultlabel->palette().color(QPalette::WindowText), ToQColor(kForm.result_colour));
    QVERIFY2(DrawnContrast() >= kMinimumTextContrast,
             qPrintable(QString("the result's contrast under a light palette is %1").arg(DrawnContrast())));
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
};

}  // namespace calc

QTEST_MAIN(calc::WindowTest)
#include "window_test.moc"
