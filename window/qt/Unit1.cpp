// SPDX-License-Identifier: MIT
#include "Unit1.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QToolTip>
#include <algorithm>
#include <functional>

#include "design.h"
#include "presentation.h"
#include "translation.h"

namespace calc {
namespace {

// The expression box's line edit: Enter calculates (and is not also taken
// as choosing a list entry), and leaving the box chooses nothing.
class ExpressionEdit : public QLineEdit {
 public:
  explicit ExpressionEdit(std::function<void()> on_enter) : on_enter_(std::move(on_enter)) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      event->accept();
      on_enter_();
      return;
    }
    QLineEdit::keyPressEvent(event);
  }
  void focusInEvent(QFocusEvent* event) override {
    // Coming in by Tab selects the text: a screen reader would read it a
    // second time, as selected, before the box's name and text.
    Unannounced(this, [&] { QLineEdit::focusInEvent(event); });
  }
  void focusOutEvent(QFocusEvent* event) override {
    // Qt's box would otherwise take a typed text that equals an entry as a
    // choice from the list.
    const QSignalBlocker blocker(this);
    // Leaving by Tab or a click drops the selection, which a screen reader
    // would announce ("Text unselected") before the control the focus goes to.
    Unannounced(this, [&] { QLineEdit::focusOutEvent(event); });
  }

 private:
  std::function<void()> on_enter_;
};

// The history as the box's list. Entries are inserted, moved and removed
// with their text, never reset: a reset, or a row inserted empty and filled
// after, makes the box set its editor's text again, which a screen reader
// reads back.
class HistoryModel : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;

  const QStringList& Entries() const { return entries_; }
  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= entries_.size()) return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    return entries_[index.row()];
  }
  void Insert(int row, const QString& entry) {
    beginInsertRows({}, row, row);
    entries_.insert(row, entry);
    endInsertRows();
  }
  // Moves an entry up the list.
  void MoveUp(int from, int to) {
    beginMoveRows({}, from, from, {}, to);
    entries_.move(from, to);
    endMoveRows();
  }
  void RemoveFrom(int row) {
    if (row >= entries_.size()) return;
    beginRemoveRows({}, row, static_cast<int>(entries_.size()) - 1);
    entries_.resize(row);
    endRemoveRows();
  }
  void Reset(const QStringList& entries) {
    beginResetModel();
    entries_ = entries;
    endResetModel();
  }

 private:
  QStringList entries_;
};

// List entries of the designed height.
class HistoryItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), kForm.box_item_height};
  }
};

QFont DesignFont(const FontDesign& design) {
  QFont font(ToQString(design.family));
  font.setPointSize(design.point_size);
  return font;
}

template <typename Widget>
Widget* Build(const ControlDesign& design, QWidget* parent) {
  auto* widget = new Widget(parent);
  if constexpr (std::is_base_of_v<QAbstractButton, Widget>) widget->setText(ToQString(Tr(design.text)));
  if constexpr (std::is_same_v<QCheckBox, Widget>) widget->setChecked(design.checked);
  return widget;
}

QWidget* BuildControl(const ControlDesign& design, QWidget* parent) {
  QWidget* widget = nullptr;
  switch (design.kind) {
    case ControlKind::kPushButton:
      widget = Build<QPushButton>(design, parent);
      break;
    case ControlKind::kCheckBox:
      widget = Build<QCheckBox>(design, parent);
      break;
    case ControlKind::kComboBox:
      widget = Build<ExpressionBox>(design, parent);
      break;
    case ControlKind::kLabel:
      widget = Build<ResultLabel>(design, parent);
      break;
  }
  widget->setObjectName(ToQString(design.name));
  widget->setGeometry(design.left, design.top, design.width, design.height);
  widget->setToolTip(ToQString(Tr(design.hint)));
  widget->setAccessibleName(ToQString(Tr(design.accessible_name)));
  widget->setAccessibleDescription(ToQString(Tr(design.accessible_description)));
  if (!design.takes_focus) widget->setFocusPolicy(Qt::NoFocus);
  return widget;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent, Qt::Window) {
  // A Wayland client can neither place its window nor learn where it is.
  logic_.WindowPositionKnown = !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
  CreateControls();
  logic_.Guarded([this] { FormCreate(); });
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
  InstallAccessibleInterfaces();
  setObjectName(ToQString(kForm.class_name));
  setWindowTitle(ToQString(Tr(kForm.caption)));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFont(DesignFont(kForm.font));
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  resize(kForm.client_width, kForm.client_height);
  setMaximumSize(QWIDGETSIZE_MAX, kForm.client_height);

  // The table is in tab order.
  QWidget* previous = nullptr;
  for (const ControlDesign& design : kControls) {
    QWidget* widget = BuildControl(design, this);
    if (previous && design.takes_focus) setTabOrder(previous, widget);
    if (design.takes_focus) previous = widget;
  }
  calculatebutton = Find<QPushButton>(Control::kCalculate);
  copybutton = Find<QPushButton>(Control::kCopy);
  sepcb = Find<QCheckBox>(Control::kSeparators);
  dec2cb = Find<QCheckBox>(Control::kTwoDecimals);
  aboutbutton = Find<QPushButton>(Control::kAbout);
  cb = Find<QComboBox>(Control::kBox);
  resultlabel = Find<ResultLabel>(Control::kResult);

  SetUpBox();
  SetUpResultLabel();
  SetUpButtons();
  FitTexts();
}

void TForm1::FitTexts() {
  // A push button draws its text inside its frame and margin.
  const int button_frame =
      style()->pixelMetric(QStyle::PM_ButtonMargin) + 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
  const auto button = [&](const QPushButton* b) {
    QString text = b->text();
    text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return b->fontMetrics().horizontalAdvance(text) + button_frame;
  };
  grown_ = GrowForTexts({.calculate = button(calculatebutton),
                         .copy = button(copybutton),
                         .separators = sepcb->sizeHint().width(),
                         .two_decimals = dec2cb->sizeHint().width(),
                         .about = button(aboutbutton)});
  setMinimumSize(grown_.min_client_width, kForm.client_height);
  if (width() < grown_.min_client_width) resize(grown_.min_client_width, height());
  FormResize();
}

template <typename Widget>
Widget* TForm1::Find(Control id) const {
  return findChild<Widget*>(ToQString(Design(id).name), Qt::FindDirectChildrenOnly);
}

void TForm1::SetUpBox() {
  // An expression reads left to right in every language.
  cb->setLayoutDirection(Qt::LeftToRight);
  cb->setEditable(true);
  cb->setLineEdit(new ExpressionEdit([this] { logic_.Guarded([this] { calculatebuttonClick(); }); }));
  // The box's editor has the focus: it is what a screen reader names.
  cb->lineEdit()->setAccessibleName(cb->accessibleName());
  cb->setInsertPolicy(QComboBox::NoInsert);
  cb->setCompleter(nullptr);
  // A plain string list keeps a long history from a hand-edited file quick.
  cb->setModel(new HistoryModel(cb));
  cb->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cb->setItemDelegate(new HistoryItemDelegate(cb));
  static_cast<ExpressionBox*>(cb)->SetHeldEntry(
      [this](const QString& text) { return static_cast<int>(logic_.HeldEntry(ToU16(text))); });
  connect(cb, &QComboBox::activated, this, [this] { logic_.Guarded([this] { cbClick(); }); });
}

void TForm1::SetUpResultLabel() {
  resultlabel->setLayoutDirection(Qt::LeftToRight);
  resultlabel->setAlignment(Qt::AlignCenter);
  resultlabel->setTextFormat(Qt::PlainText);
  QFont resultFont(ToQString(kForm.result_font.family));
  resultFont.setPixelSize(kForm.result_font.pixel_height);
  resultlabel->setFont(resultFont);
  // The window's button-face background would otherwise make the label
  // paint in the button text colour.
  resultlabel->setForegroundRole(QPalette::WindowText);
  ApplyColours();
}

void TForm1::ApplyColours() {
  // The label is drawn on the window's button face.
  QPalette resultPalette = resultlabel->palette();
  resultPalette.setColor(QPalette::WindowText,
                         ReadableTextColour(kForm.result_colour, palette().color(QPalette::Button),
                                            palette().color(QPalette::ButtonText)));
  resultlabel->setPalette(resultPalette);
}

void TForm1::SetUpButtons() {
  // Buttons take Enter themselves when they have the focus; everywhere else
  // Enter reaches keyPressEvent and presses Calculate. Calculate keeps its
  // default frame throughout: an auto-default button loses it for good when
  // the focus leaves it outside a dialog.
  calculatebutton->setDefault(Design(Control::kCalculate).is_default);
  for (QPushButton* b : {copybutton, aboutbutton}) b->setAutoDefault(true);
  // As in a dialog, a focused button shows the frame in Calculate's place.
  // The window's own members are gone by the time its destruction moves the
  // focus: the handler holds the buttons themselves, and its connection ends
  // with Calculate.
  connect(qApp, &QApplication::focusChanged, calculatebutton,
          [calculate = calculatebutton, copy = copybutton, about = aboutbutton](QWidget*, QWidget* now) {
            calculate->setDefault(now != copy && now != about);
          });

  connect(calculatebutton, &QPushButton::clicked, this, [this] { logic_.Guarded([this] { calculatebuttonClick(); }); });
  connect(sepcb, &QCheckBox::clicked, this, [this] { logic_.Guarded([this] { calculatebuttonClick(); }); });
  connect(dec2cb, &QCheckBox::clicked, this, [this] { logic_.Guarded([this] { calculatebuttonClick(); }); });
  connect(copybutton, &QPushButton::clicked, this, [this] { logic_.Guarded([this] { copybuttonClick(); }); });
  connect(aboutbutton, &QPushButton::clicked, this, [this] { logic_.Guarded([this] { aboutbuttonClick(); }); });
}

int TForm1::OuterWidth() const { return width() + kForm.frame_width; }

int TForm1::OuterHeight() const { return height() + kForm.frame_height; }

void TForm1::SetOuterWidth(int outer_width) { resize(outer_width - kForm.frame_width, height()); }

QString TForm1::SettingsFileName() const { return ToQString(logic_.SettingsFileName); }

void TForm1::FormCreate() {
  cb->setEditText(QString());
  resultlabel->clear();
  QFont boxFont = cb->font();
  boxFont.setPointSize(kForm.box_font.point_size);
  cb->setFont(boxFont);
  const FormLogic::Start start = logic_.FormCreate(OuterWidth(), OuterHeight());
  move(start.left, start.top);
  if (start.stored) Apply(*start.stored);
}

void TForm1::Apply(const FormLogic::Stored& stored) {
  if (stored.placement) {
    move(stored.placement->left, y());
    move(x(), stored.placement->top);
    SetOuterWidth(stored.placement->outer_width);
  }
  sepcb->setChecked(stored.separators);
  ShowHistory();
}

void TForm1::FormShow() {
  dec2cb->setChecked(logic_.DecimalPlacesOn);
  cb->setFocus();
}

void TForm1::FormResize() {
  // Qt mirrors what it lays out, not what is placed: a right-to-left
  // window places its controls mirrored itself.
  const auto places = PlaceControls(width(), grown_, layoutDirection() == Qt::RightToLeft);
  for (const ControlDesign& design : kControls) {
    const Rect& r = places[static_cast<std::size_t>(design.id)];
    findChild<QWidget*>(ToQString(design.name), Qt::FindDirectChildrenOnly)
        ->setGeometry(r.left, r.top, r.width, r.height);
  }
}

void TForm1::FormCloseQuery(bool& CanClose) {
  logic_.FormCloseQuery({x(), y(), OuterWidth()},
                        {.separators = sepcb->isChecked(), .two_decimals = dec2cb->isChecked()});
  CanClose = true;
}

void TForm1::calculatebuttonClick() {
  const FormLogic::Calculation c = logic_.calculatebuttonClick(
      ToU16(cb->currentText()), {.separators = sepcb->isChecked(), .two_decimals = dec2cb->isChecked()});
  if (!c.completed) return;
  ShowResultTip(c.tooltip);
  // Announced first: nothing the box does after is heard before it.
  resultlabel->Present(ToQString(c.label));
  if (c.box_text) {
    // The trimmed text: the user typed it, and hears the result.
    const QString box = ToQString(*c.box_text);
    if (cb->currentText() != box) Unannounced(cb, [&] { cb->setEditText(box); });
    // The new entry is the box's text, which the list then leaves alone.
    ShowHistory();
  }
  FocusTheBox();
}

void TForm1::copybuttonClick() {
  const std::u16string copied = ToU16(resultlabel->text());
  if (!logic_.copybuttonClick(copied)) return;
  resultlabel->Announce(ToQString(CopiedAnnouncement(copied)));
  FocusTheBox();
}

void TForm1::aboutbuttonClick() {
  logic_.aboutbuttonClick();
  FocusTheBox();
}

void TForm1::FocusTheBox() {
  cb->setFocus();
  // Typing starts a new expression; End or an arrow key edits this one. A
  // screen reader would read the selected text before the result: it is
  // told nothing, and finds the selection when it asks.
  Unannounced(cb, [this] { cb->lineEdit()->selectAll(); });
}

void TForm1::cbClick() {
  ShowResultTip({});
  resultlabel->Present(ToQString(FormLogic::cbClick()));
}

namespace {
// A tooltip that looks like markup would be drawn as markup.
QString PlainToolTip(const QString& text) {
  return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap) : text;
}
}  // namespace

void TForm1::ShowResultTip(std::u16string_view tip) {
  working_ = tip;
  resultlabel->setToolTip(PlainToolTip(ToQString(tip)));
  resultlabel->setAccessibleDescription(ToQString(FormLogic::ResultDescription(tip)));
}

void TForm1::ShowWorking() {
  const QString text = ToQString(FormLogic::ResultDescription(working_));
  QToolTip::showText(resultlabel->mapToGlobal(QPoint(0, resultlabel->height())), PlainToolTip(text), resultlabel);
  resultlabel->Announce(ToQString(FormLogic::WorkingAnnouncement(working_)));
}

bool TForm1::readdata(const QString& datafilename) {
  const std::optional<FormLogic::Stored> stored = logic_.readdata(ToU16(datafilename), OuterWidth(), OuterHeight());
  if (stored) Apply(*stored);
  return stored.has_value();
}

bool TForm1::savedata(const QString& datafilename) {
  return logic_.savedata(ToU16(datafilename), {x(), y(), OuterWidth()},
                         {.separators = sepcb->isChecked(), .two_decimals = dec2cb->isChecked()});
}

void TForm1::AddToHistory(const QString& expression) {
  logic_.AddToHistory(ToU16(expression));
  ShowHistory();
}

QStringList TForm1::History() const {
  QStringList items;
  items.reserve(static_cast<qsizetype>(logic_.History().size()));
  for (const std::u16string& entry : logic_.History()) items << ToQString(entry);
  return items;
}

void TForm1::ShowHistory() {
  auto* model = static_cast<HistoryModel*>(cb->model());
  const QStringList history = History();
  if (model->Entries() == history) return;
  const QSignalBlocker blocker(cb);
  const QString shown = cb->currentText();
  const auto keep = static_cast<int>(history.indexOf(shown));
  // The box makes its first entry its current one, with that entry's text.
  if (keep < 0 || (model->rowCount({}) == 0 && keep != 0)) {
    // The box's text is no entry (at the start, or history added from
    // outside): the list is laid anew and the text put back.
    model->Reset(history);
    cb->setCurrentIndex(-1);
    cb->setEditText(shown);
    return;
  }
  for (int row = 0; row < history.size(); ++row) {
    if (row < model->rowCount({}) && model->Entries()[row] == history[row]) continue;
    const auto from = static_cast<int>(model->Entries().indexOf(history[row], row + 1));
    if (from >= 0) {
      model->MoveUp(from, row);
    } else {
      model->Insert(row, history[row]);
    }
  }
  // The box gives its editor the text of a current entry that is removed
  // or moved by a removal: the current entry is one that stays.
  if (cb->currentIndex() >= static_cast<int>(history.size())) cb->setCurrentIndex(keep);
  model->RemoveFrom(static_cast<int>(history.size()));
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) logic_.Guarded([this] { FormShow(); });
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  logic_.Guarded([this] { FormResize(); });
}

void TForm1::closeEvent(QCloseEvent* event) {
  bool canClose = true;
  logic_.Guarded([&] { FormCloseQuery(canClose); });
  // The window always closes, whatever happened while saving.
  event->accept();
}

void TForm1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // A new palette or theme while the window is open.
  if (resultlabel && (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange ||
                      event->type() == QEvent::ThemeChange)) {
    ApplyColours();
  }
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    calculatebutton->click();
    return;
  }
  // Shift+F1, "what is this", shows how the result came about.
  if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::ShiftModifier) {
    event->accept();
    ShowWorking();
    return;
  }
  // F1 opens a program's help. A key the focused control leaves comes
  // here, also where the window is not the active one to Qt's shortcuts.
  if (event->matches(QKeySequence::HelpContents)) {
    event->accept();
    logic_.Guarded([this] { aboutbuttonClick(); });
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace calc
