// SPDX-License-Identifier: MIT
#include "titleframe.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include "translation.h"

namespace calc {
namespace {

constexpr int kBorder = 3;  // the frame's edge, where the width is dragged
constexpr int kTitleHeight = 30;

}  // namespace

bool TitleFrame::Needed() {
  return QGuiApplication::platformName().startsWith(QLatin1String("wayland")) &&
         qEnvironmentVariableIsEmpty("QT_WAYLAND_DISABLE_WINDOWDECORATION");
}

TitleFrame::TitleFrame(QWidget& form) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), form_(form) {
  setWindowTitle(form.windowTitle());
  setWindowIcon(form.windowIcon());
  setMouseTracking(true);
  const int width = form.width();

  auto* bar = new QWidget(this);
  bar->setFixedHeight(kTitleHeight);
  caption_ = new QLabel(form.windowTitle(), bar);
  caption_->setAttribute(Qt::WA_TransparentForMouseEvents);
  const auto button = [&](QStyle::StandardPixmap icon, std::u16string_view name) {
    auto* b = new QToolButton(bar);
    b->setIcon(style()->standardIcon(icon, nullptr, this));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);  // the window's tab order stays its own
    const QString text = QString::fromUtf16(Tr(name).data(), static_cast<qsizetype>(Tr(name).size()));
    b->setToolTip(text);
    b->setAccessibleName(text);
    return b;
  };
  // TRANSLATORS: Tooltip and screen-reader name of the minimise button in the window's own title bar on Wayland.
  QToolButton* minimise = button(QStyle::SP_TitleBarMinButton, CALC_N(u"Minimise"));
  // TRANSLATORS: Tooltip and screen-reader name of the close button in the window's own title bar on Wayland.
  QToolButton* close = button(QStyle::SP_TitleBarCloseButton, CALC_N(u"Close"));
  connect(minimise, &QToolButton::clicked, this, [this] { setWindowState(windowState() | Qt::WindowMinimized); });
  connect(close, &QToolButton::clicked, this, &QWidget::close);
  auto* bar_layout = new QHBoxLayout(bar);
  bar_layout->setContentsMargins(8, 0, 4, 0);
  bar_layout->addWidget(caption_, 1);
  bar_layout->addWidget(minimise);
  bar_layout->addWidget(close);

  form.setParent(this, Qt::Widget);
  form.installEventFilter(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kBorder, 0, kBorder, kBorder);
  layout->setSpacing(0);
  layout->addWidget(bar);
  layout->addWidget(&form);
  setMinimumWidth(form.minimumWidth() + 2 * kBorder);
  setFixedHeight(kTitleHeight + form.height() + kBorder);
  resize(width + 2 * kBorder, height());
  form.show();
}

TitleFrame::~TitleFrame() {
  form_.removeEventFilter(this);
  form_.setParent(nullptr);
}

bool TitleFrame::eventFilter(QObject* watched, QEvent* event) {
  // The window closed itself (a signal at the session's end): the frame
  // goes with it, once the window's own close has run.
  if (watched == &form_ && event->type() == QEvent::Close && !form_closed_) {
    form_closed_ = true;
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
  }
  return QWidget::eventFilter(watched, event);
}

void TitleFrame::closeEvent(QCloseEvent* event) {
  if (!form_closed_) form_.close();
  event->accept();
}

Qt::Edges TitleFrame::EdgeAt(const QPoint& point) const {
  if (point.x() < kBorder) return Qt::LeftEdge;
  if (point.x() >= width() - kBorder) return Qt::RightEdge;
  return {};
}

void TitleFrame::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !windowHandle()) return QWidget::mousePressEvent(event);
  if (const Qt::Edges edge = EdgeAt(event->position().toPoint())) {
    windowHandle()->startSystemResize(edge);
  } else if (event->position().y() < kTitleHeight) {
    windowHandle()->startSystemMove();
  }
}

void TitleFrame::mouseMoveEvent(QMouseEvent* event) {
  setCursor(EdgeAt(event->position().toPoint()) ? Qt::SizeHorCursor : Qt::ArrowCursor);
  QWidget::mouseMoveEvent(event);
}

void TitleFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace calc
