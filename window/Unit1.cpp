#include "Unit1.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <algorithm>
#include <stdexcept>

#include "FUtils.h"
#include "calcexpr.h"
#include "display.h"
#include "mydialogs.h"
#include "mymisc.h"
#include "platform.h"
#include "settingsdoc.h"

namespace calc {
namespace {

// A failure of a handler that the generic error display shows.
class HandlerFailure : public std::runtime_error {
 public:
  explicit HandlerFailure(const QString& message) : std::runtime_error(message.toStdString()) {}
};

QString FromU16(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string ToU16(const QString& text) { return text.toStdU16String(); }

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
  void focusOutEvent(QFocusEvent* event) override {
    // Qt's box would otherwise take a typed text that equals an entry as a
    // choice from the list.
    const QSignalBlocker blocker(this);
    QLineEdit::focusOutEvent(event);
  }

 private:
  std::function<void()> on_enter_;
};

// List entries 20 pixels high.
class HistoryItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), 20};
  }
};

// A stored position value: an optional sign, then decimal digits within the
// signed 32-bit range, or up to eight hexadecimal digits after "$", "x" or
// "0x" taken as a 32-bit pattern.
bool ReadInteger(const QString& text, int& value) {
  QStringView s(text);
  if (s.isEmpty()) return false;
  bool negative = false;
  if (s.front() == u'+' || s.front() == u'-') {
    negative = s.front() == u'-';
    s = s.mid(1);
  }
  qint64 magnitude = 0;
  if (s.startsWith(u'$') || s.startsWith(u'x') || s.startsWith(u'X') || s.startsWith(u"0x") || s.startsWith(u"0X")) {
    s = s.mid(s.startsWith(u'0') ? 2 : 1);
    if (s.isEmpty() || s.size() > 8) return false;
    quint32 bits = 0;
    for (QChar c : s) {
      const char16_t u = c.unicode();
      quint32 digit = 0;
      if (u >= u'0' && u <= u'9') {
        digit = u - u'0';
      } else if (u >= u'a' && u <= u'f') {
        digit = u - u'a' + 10u;
      } else if (u >= u'A' && u <= u'F') {
        digit = u - u'A' + 10u;
      } else {
        return false;
      }
      bits = bits * 16 + digit;
    }
    magnitude = static_cast<qint32>(bits);
  } else {
    if (s.isEmpty()) return false;
    for (QChar c : s) {
      if (c < u'0' || c > u'9') return false;
      magnitude = magnitude * 10 + (c.unicode() - u'0');
      if (magnitude > 2147483648LL) return false;
    }
  }
  const qint64 v = negative ? -magnitude : magnitude;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

}  // namespace

QString HelpText() {
  const QStringList lines = {
      QStringLiteral("VARNEL'S EXPRESSION CALCULATOR (V1.2)  (c) 2024-2026 the exprcalc developers"),
      QString(),
      QStringLiteral("FUNCTIONS: +, -, *, /, ^,  PI,  INV(),  SQR(),  SQRT(),  EXP(),  LOG(), LN(),"),
      QStringLiteral("FACT(),  SIN(),  ARCSIN(),  COS(),  ARCCOS(), TAN(),  ARCTAN()"),
      QString(),
      QStringLiteral("For example,  2 * 2     (answer will be 4)"),
      QString(),
      QStringLiteral("or   (2 + 2) / 3     (answer will be 1.3333333)"),
      QString(),
      QStringLiteral("or   pi * (2 * sqrt(cos(23)))/2.345E-2 + (2 + 15) * sqr(2^-2.1)"),
      QString(),
      QString(15, u' ') + QString(8, u'-') + QString(4, u' ') + QStringLiteral("www.exprcalc.example") +
          QString(3, u' ') + QString(9, u'-'),
  };
  return lines.join(u'\r');
}

QString SelectSettingsFile() {
  const QString appData = GetAppDataFolder();
  QString path = QStringLiteral("brelmont.ini");
  if (appData.isEmpty()) return path;
  const QString vendor = JoinPath(appData, QStringLiteral("VarnelSoftware"));
  if (!FolderExists(vendor)) CreateFolder(vendor);
  const QString folder = JoinPath(appData, QStringLiteral("VarnelSoftware\\Expression Calculator"));
  if (FolderExists(folder) || CreateFolder(folder)) path = JoinPath(folder, QStringLiteral("brelmont.ini"));
  return path;
}

void ShowGenericError(const QString& message) {
  QMessageBox box(QMessageBox::Critical, ApplicationTitle(), FromU16(GenericErrorText(ToU16(message))), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

TForm1::TForm1(QWidget* parent) : QWidget(parent, Qt::Window) {
  CreateControls();
  Guarded([this] { FormCreate(); });
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
  setWindowTitle(QStringLiteral("Varnel's Expression calculator"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  QFont font(QStringLiteral("Tahoma"));
  font.setPointSize(9);
  setFont(font);
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  resize(kClientWidth, kClientHeight);
  setMinimumSize(kMinOuterWidth - kFrameWidth, kClientHeight);
  setMaximumSize(QWIDGETSIZE_MAX, kClientHeight);

  calculatebutton = new QPushButton(QStringLiteral("Calculate"), this);
  calculatebutton->setGeometry(488, 32, 75, 29);
  calculatebutton->setDefault(true);

  copybutton = new QPushButton(QStringLiteral("&Copy"), this);
  copybutton->setGeometry(536, 104, 41, 24);
  copybutton->setToolTip(QStringLiteral("Copy result to clipboard"));

  sepcb = new QCheckBox(QStringLiteral("Thousands separators"), this);
  sepcb->setGeometry(16, 136, 142, 18);
  sepcb->setChecked(true);

  dec2cb = new QCheckBox(QStringLiteral("Display only 2 decimal places accuracy"), this);
  dec2cb->setGeometry(328, 136, 228, 18);
  dec2cb->setChecked(true);

  aboutbutton = new QPushButton(QStringLiteral("?"), this);
  aboutbutton->setGeometry(551, 0, 26, 26);
  aboutbutton->setToolTip(QStringLiteral("Help"));

  cb = new QComboBox(this);
  cb->setEditable(true);
  cb->setLineEdit(new ExpressionEdit([this] { Guarded([this] { calculatebuttonClick(); }); }));
  cb->setInsertPolicy(QComboBox::NoInsert);
  cb->setCompleter(nullptr);
  cb->setGeometry(24, 34, 449, 22);
  cb->setItemDelegate(new HistoryItemDelegate(cb));

  resultlabel = new QLabel(this);
  resultlabel->setGeometry(31, 72, 521, 29);
  resultlabel->setAlignment(Qt::AlignCenter);
  resultlabel->setTextFormat(Qt::PlainText);
  QFont resultFont(QStringLiteral("Verdana"));
  resultFont.setPixelSize(24);
  resultlabel->setFont(resultFont);
  QPalette resultPalette = resultlabel->palette();
  resultPalette.setColor(QPalette::WindowText, QColor(43, 53, 77));
  resultlabel->setPalette(resultPalette);

  // A substitute for a missing design font may be wider: never cut a label.
  for (QCheckBox* box : {sepcb, dec2cb}) box->resize(std::max(box->width(), box->sizeHint().width()), box->height());

  // Buttons take Enter themselves when they have the focus; everywhere else
  // Enter reaches keyPressEvent and presses Calculate.
  for (QPushButton* b : {calculatebutton, copybutton, aboutbutton}) b->setAutoDefault(true);

  setTabOrder(calculatebutton, copybutton);
  setTabOrder(copybutton, sepcb);
  setTabOrder(sepcb, dec2cb);
  setTabOrder(dec2cb, aboutbutton);
  setTabOrder(aboutbutton, cb);

  cb->setAccessibleName(QStringLiteral("Expression"));
  resultlabel->setAccessibleName(QStringLiteral("Result"));
  calculatebutton->setAccessibleName(QStringLiteral("Calculate"));
  copybutton->setAccessibleName(QStringLiteral("Copy"));
  aboutbutton->setAccessibleName(QStringLiteral("Help"));
  sepcb->setAccessibleName(sepcb->text());
  dec2cb->setAccessibleName(dec2cb->text());

  connect(calculatebutton, &QPushButton::clicked, this, [this] { Guarded([this] { calculatebuttonClick(); }); });
  connect(sepcb, &QCheckBox::clicked, this, [this] { Guarded([this] { calculatebuttonClick(); }); });
  connect(dec2cb, &QCheckBox::clicked, this, [this] { Guarded([this] { calculatebuttonClick(); }); });
  connect(copybutton, &QPushButton::clicked, this, [this] { Guarded([this] { copybuttonClick(); }); });
  connect(aboutbutton, &QPushButton::clicked, this, [this] { Guarded([this] { aboutbuttonClick(); }); });
  connect(cb, &QComboBox::activated, this, [this] { Guarded([this] { cbClick(); }); });
}

void TForm1::Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowGenericError(QString::fromUtf8(e.what()));
  }
}

void TForm1::SetOuterWidth(int outer_width) { resize(outer_width - kFrameWidth, height()); }

void TForm1::FormCreate() {
  DecimalPlacesOn = true;
  cb->setEditText(QString());
  resultlabel->clear();
  QFont boxFont = cb->font();
  boxFont.setPointSize(10);
  cb->setFont(boxFont);
  SettingsFileName = SelectSettingsFile();
  const QSize screen = PrimaryScreenSize();
  move((screen.width() - OuterWidth()) / 2, (screen.height() - OuterHeight()) / 2);
  if (FileExistsAt(SettingsFileName)) readdata(SettingsFileName);
}

void TForm1::FormShow() {
  dec2cb->setChecked(DecimalPlacesOn);
  cb->setFocus();
}

void TForm1::FormResize() {
  const int cw = width();
  cb->resize(cw - calculatebutton->width() - 54, cb->height());
  calculatebutton->move(cw - calculatebutton->width() - 14, calculatebutton->y());
  aboutbutton->move(cw - aboutbutton->width(), aboutbutton->y());
  copybutton->move(cw - copybutton->width() - 14, copybutton->y());
  dec2cb->move(cw - dec2cb->width() - 40, dec2cb->y());
}

void TForm1::FormCloseQuery(bool& CanClose) {
  savedata(SettingsFileName);
  CanClose = true;
}

void TForm1::calculatebuttonClick() {
  const QString t = FromU16(std::u16string(TrimControlCharacters(ToU16(cb->currentText()))));
  const EvaluationResult r = EvaluateExpression(ToU16(t));
  if (!r.errorMessage.empty()) {
    resultlabel->setText(FromU16(r.errorMessage));
  } else {
    resultlabel->setText(AddThousandSeparator(decimals(FromU16(r.resultText)), QChar(u',')));
    if (!t.isEmpty()) {
      AddToHistory(t);
      cb->setEditText(t);
    }
  }
  cb->setFocus();
}

void TForm1::copybuttonClick() {
  QApplication::clipboard()->setText(resultlabel->text());
  cb->setFocus();
}

void TForm1::aboutbuttonClick() {
  ShowMessageBox(HelpText(), QString(), QString());
  cb->setFocus();
}

void TForm1::cbClick() { resultlabel->clear(); }

QString TForm1::decimals(const QString& s) {
  const std::optional<std::u16string> fixed = TwoDecimals(ToU16(s), dec2cb->isChecked());
  if (!fixed) throw HandlerFailure(FromU16(InvalidFloatingPointMessage(ToU16(s))));
  return FromU16(*fixed);
}

QString TForm1::AddThousandSeparator(const QString& S, QChar Chr) {
  return FromU16(GroupThousands(ToU16(S), Chr.unicode(), sepcb->isChecked()));
}

void TForm1::EditHistory(const std::function<void()>& change) {
  const QSignalBlocker blocker(cb);
  const QString shown = cb->currentText();
  change();
  cb->setCurrentIndex(-1);
  cb->setEditText(shown);
}

void TForm1::AddToHistory(const QString& expression) {
  EditHistory([&] {
    for (int i = 0; i < cb->count(); ++i) {
      if (QString::compare(cb->itemText(i), expression, Qt::CaseInsensitive) == 0) {
        cb->removeItem(i);
        break;
      }
    }
    if (cb->count() == kHistoryLimit) cb->removeItem(kHistoryLimit - 1);
    cb->insertItem(0, expression);
  });
}

QStringList TForm1::History() const {
  QStringList items;
  for (int i = 0; i < cb->count(); ++i) items << cb->itemText(i);
  return items;
}

bool TForm1::readdata(const QString& datafilename) {
  SettingsDocument doc;
  if (!SettingsDocument::Open(datafilename, doc)) return false;

  int top = 0;
  int left = 0;
  int outerWidth = 0;
  if (ReadInteger(doc.ReadString(QStringLiteral("Interface"), QStringLiteral("Top"), QString()), top) &&
      ReadInteger(doc.ReadString(QStringLiteral("Interface"), QStringLiteral("Left"), QString()), left) &&
      ReadInteger(doc.ReadString(QStringLiteral("Interface"), QStringLiteral("Width"), QString()), outerWidth)) {
    const QSize screen = PrimaryScreenSize();
    if (left > screen.width() - 50) left = screen.width() - OuterWidth();
    if (left < 0) left = 0;
    if (top > screen.height() - 50) top = screen.height() - OuterHeight();
    if (top < 0) top = 0;
    move(left, y());
    move(x(), top);
    SetOuterWidth(outerWidth);
  }

  sepcb->setChecked(doc.ReadString(QStringLiteral("Interface"), QStringLiteral("ThousandsSeparator"),
                                   QStringLiteral("1")) == QStringLiteral("1"));
  DecimalPlacesOn = doc.ReadString(QStringLiteral("Interface"), QStringLiteral("DecimalPlaces"),
                                   QStringLiteral("-1")) != QStringLiteral("-1");

  const QStringList keys = doc.ReadSection(QStringLiteral("Expressions"));
  EditHistory([&] {
    for (const QString& key : keys) {
      const QString value = doc.ReadString(QStringLiteral("Expressions"), key, QString());
      if (!value.isEmpty()) cb->addItem(value);
    }
  });
  return true;
}

bool TForm1::savedata(const QString& datafilename) {
  SettingsDocument doc;
  bool written = SettingsDocument::Open(datafilename, doc);
  if (written) {
    doc.WriteString(QStringLiteral("Information"), QStringLiteral("Program"),
                    QStringLiteral("Varnel's Expression Calculator"));
    doc.WriteString(QStringLiteral("Information"), QStringLiteral("Version"), QStringLiteral("1.21"));
    doc.WriteString(QStringLiteral("Interface"), QStringLiteral("Top"), QString::number(y()));
    doc.WriteString(QStringLiteral("Interface"), QStringLiteral("Left"), QString::number(x()));
    doc.WriteString(QStringLiteral("Interface"), QStringLiteral("Width"), QString::number(OuterWidth()));
    doc.WriteString(QStringLiteral("Interface"), QStringLiteral("ThousandsSeparator"),
                    sepcb->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    doc.WriteString(QStringLiteral("Interface"), QStringLiteral("DecimalPlaces"),
                    dec2cb->isChecked() ? QStringLiteral("2") : QStringLiteral("-1"));
    for (int i = 0; i < cb->count(); ++i) {
      doc.WriteString(QStringLiteral("Expressions"), QStringLiteral("Expression") + QString::number(i + 1),
                      cb->itemText(i));
    }
    written = doc.UpdateFile(datafilename);
  }
  if (!written) ShowMessageBox(QStringLiteral("Error saving settings"), QString(), QString());
  return written;
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) Guarded([this] { FormShow(); });
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Guarded([this] { FormResize(); });
}

void TForm1::closeEvent(QCloseEvent* event) {
  bool canClose = true;
  Guarded([&] { FormCloseQuery(canClose); });
  // The window always closes, whatever happened while saving.
  event->accept();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    calculatebutton->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace calc
