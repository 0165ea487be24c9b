// SPDX-License-Identifier: MIT
#include "accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyle>
#include <vector>

#include "Unit1.h"
#include "presentation.h"
#include "qtplatform.h"

namespace calc {
namespace {

// The result line read as text: its name and its text are what it shows,
// "Result" is what it is.
class ResultAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit ResultAccessible(ResultLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return Shown();
    return QAccessibleWidget::text(t);
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }

  // Read-only: no caret and no selection of its own.
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  void scrollToSubstring(int, int) override {}

  QString text(int start, int end) const override { return Shown().mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(Shown().size()); }
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return {};
  }

  // Where each character is drawn: one line, aligned as the label aligns it.
  QRect characterRect(int offset) const override {
    const QString shown = Shown();
    if (offset < 0 || offset >= shown.size()) return {};
    const QFontMetrics metrics(Label()->font());
    const QRect line = LineRect(metrics);
    // Measured as prefixes, so that kerning does not let characters overlap.
    const int left = metrics.horizontalAdvance(shown.left(offset));
    const int right = metrics.horizontalAdvance(shown.left(offset + 1));
    const QRect character(line.left() + left, line.top(), right - left, line.height());
    return {Label()->mapToGlobal(character.topLeft()), character.size()};
  }
  int offsetAtPoint(const QPoint& point) const override {
    const QString shown = Shown();
    const QFontMetrics metrics(Label()->font());
    const QRect line = LineRect(metrics);
    const QPoint local = Label()->mapFromGlobal(point);
    if (!line.contains(local)) return -1;
    for (int i = 0; i < shown.size(); ++i) {
      if (local.x() < line.left() + metrics.horizontalAdvance(shown.left(i + 1))) return i;
    }
    return -1;
  }

 private:
  const ResultLabel* Label() const { return static_cast<const ResultLabel*>(widget()); }
  QString Shown() const { return Label()->text(); }
  QRect LineRect(const QFontMetrics& metrics) const {
    const QSize size(metrics.horizontalAdvance(Shown()), metrics.height());
    // An elided text starts at the line's left edge.
    const Qt::Alignment alignment = Label()->Elided() ? Qt::AlignLeft | Qt::AlignVCenter : Label()->alignment();
    return QStyle::alignedRect(Label()->layoutDirection(), alignment, size, Label()->contentsRect());
  }
};

// The box with its name kept: otherwise as Qt presents an editable box, with
// its list and its editor as children and an action that opens the list.
class ExpressionBoxAccessible : public QAccessibleWidget {
 public:
  explicit ExpressionBoxAccessible(ExpressionBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return Box()->currentText();
    return QAccessibleWidget::text(t);
  }
  int childCount() const override { return Box()->lineEdit() ? 2 : 1; }
  QAccessibleInterface* child(int index) const override {
    if (index == 0) return QAccessible::queryAccessibleInterface(Box()->view());
    if (index == 1 && Box()->lineEdit()) return QAccessible::queryAccessibleInterface(Box()->lineEdit());
    return nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child->object() == Box()->view()) return 0;
    if (Box()->lineEdit() && child->object() == Box()->lineEdit()) return 1;
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    QLineEdit* editor = Box()->lineEdit();
    if (editor && editor->rect().contains(editor->mapFromGlobal(QPoint(x, y)))) return child(1);
    return nullptr;
  }
  QStringList actionNames() const override {
    return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (name == showMenuAction() || name == pressAction()) {
      if (Box()->view()->isVisible()) {
        Box()->hidePopup();
      } else {
        Box()->showPopup();
      }
      return;
    }
    QAccessibleWidget::doAction(name);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = Box()->view()->isVisible();
    s.editable = Box()->isEditable();
    return s;
  }

 private:
  ExpressionBox* Box() const { return static_cast<ExpressionBox*>(widget()); }
};

// The filters in force while changes run, innermost last, and the handler
// that was in place before the first: events that all filters let through go
// on to it, or to the platform's bridge when there was none.
std::vector<const std::function<bool(QAccessibleEvent*)>*> filters;
QAccessible::UpdateHandler outer_handler = nullptr;

void FilterEvent(QAccessibleEvent* event) {
  for (const auto* filter : filters) {
    if (!(*filter)(event)) return;
  }
  // Qt has applied a list's model change before any handler runs: told
  // again, it would be applied twice.
  if (event->type() == QAccessible::TableModelChanged) return;
  QAccessible::installUpdateHandler(outer_handler);
  QAccessible::updateAccessibility(event);
  QAccessible::installUpdateHandler(FilterEvent);
}

void Filtered(const std::function<bool(QAccessibleEvent*)>& filter, const std::function<void()>& change) {
  if (filters.empty()) outer_handler = QAccessible::installUpdateHandler(FilterEvent);
  filters.push_back(&filter);
  struct Restore {
    ~Restore() {
      filters.pop_back();
      if (filters.empty()) QAccessible::installUpdateHandler(outer_handler);
    }
  } restore;
  change();
}

QAccessibleInterface* Factory(const QString& key, QObject* object) {
  // A parentless widget is otherwise a plain container ("filler") to a
  // screen reader, which then does not present it as the application's
  // window.
  if (key == QLatin1String(TForm1::staticMetaObject.className())) {
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
  }
  if (key == QLatin1String(ExpressionBox::staticMetaObject.className())) {
    return new ExpressionBoxAccessible(static_cast<ExpressionBox*>(object));
  }
  if (key == QLatin1String(ResultLabel::staticMetaObject.className())) {
    return new ResultAccessible(static_cast<ResultLabel*>(object));
  }
  if (key == QLatin1String(ResultNotice::staticMetaObject.className())) {
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
  }
  if (key == QLatin1String(NoticeArea::staticMetaObject.className())) {
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::StatusBar);
  }
  return nullptr;
}

}  // namespace

void InstallAccessibleInterfaces() {
  static const bool installed = [] {
    QAccessible::installFactory(Factory);
    return true;
  }();
  (void)installed;
}

void Unannounced(const QWidget* control, const std::function<void()>& change) {
  Filtered(
      [control](QAccessibleEvent* event) {
        const auto* widget = qobject_cast<const QWidget*>(event->object());
        return !widget || (widget != control && !control->isAncestorOf(widget));
      },
      change);
}

void ExpressionBox::showPopup() {
  // The list opens on the entry the window's logic names for the box's
  // text. An entry of exactly the box's text is made the box's current one
  // first, which leaves the editor alone; any other is highlighted in the
  // opened list only, since the box would give its editor the current
  // entry's text (and with it a new selection).
  const int held = held_entry_ ? held_entry_(currentText()) : -1;
  if (held >= 0 && held != currentIndex() && itemText(held) == currentText()) {
    const QSignalBlocker blocker(this);
    Unannounced(this, [&] { setCurrentIndex(held); });
  }
  // The list takes the focus after its entry did: a screen reader would
  // name the list last, and not the entry. The list's own focus is told as
  // its entry's.
  QAbstractItemView* list = view();
  Filtered(
      [list](QAccessibleEvent* event) {
        return !(event->type() == QAccessible::Focus && event->object() == list && event->child() < 0);
      },
      [this] { QComboBox::showPopup(); });
  if (held >= 0 && list->currentIndex().row() != held) {
    list->setCurrentIndex(model()->index(held, modelColumn(), rootModelIndex()));
  }
  if (list->hasFocus() && list->currentIndex().isValid()) {
    QAccessibleEvent focus(list, QAccessible::Focus);
    focus.setChild(list->currentIndex().row());
    QAccessible::updateAccessibility(&focus);
  }
}

NoticeArea::NoticeArea(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setGeometry(0, 0, 0, 0);
}

ResultNotice::ResultNotice(QWidget* parent) : QWidget(new NoticeArea(parent)) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setGeometry(0, 0, 0, 0);
  hide();
}

void ResultNotice::Announce(const QString& text) {
  // Qt 6.4 sends no announcements of its own, and screen readers such as
  // Orca speak a changed name or text only of the focused control. Orca
  // speaks in the order events come: the notice shows before the handler
  // moves the focus, so the result comes before what the focus's move says.
  hide();
  setAccessibleName(text);
  show();
}

void ResultLabel::Announce(const QString& text) { notice_->Announce(text); }

bool ResultLabel::Elided() const { return fontMetrics().horizontalAdvance(text()) > contentsRect().width(); }

void ResultLabel::paintEvent(QPaintEvent* event) {
  if (!Elided()) {
    QLabel::paintEvent(event);
    return;
  }
  QPainter painter(this);
  const QRect area = contentsRect();
  style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                        fontMetrics().elidedText(text(), Qt::ElideRight, area.width()), foregroundRole());
}

ResultLabel::ResultLabel(QWidget* parent) : QLabel(parent), notice_(new ResultNotice(parent)) {}

void ResultLabel::Present(const QString& text) {
  const QString previous = QLabel::text();
  // A number or an expression reads left to right in every language; a
  // message in a right-to-left language reads as its words do, its full
  // stop at their end.
  setLayoutDirection(text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
  // QLabel reports a changed name itself.
  setText(text);
  QAccessibleTextUpdateEvent update(this, 0, previous, text);
  QAccessible::updateAccessibility(&update);
  if (!text.isEmpty()) notice_->Announce(text);
}

}  // namespace calc
