// SPDX-License-Identifier: MIT
// The window's own title bar where the platform would draw Qt's: on Wayland,
// Qt's title bar has a maximise button, which the window has nowhere else.
// This one offers what the window has: its caption, minimise and close; the
// width still resizes at the side edges, the height stays fixed.
#pragma once

#include <QWidget>

class QLabel;

namespace calc {

class TitleFrame : public QWidget {
 public:
  // Whether the platform would give the window Qt's own title bar.
  static bool Needed();

  // Holds the window below the title bar; closing either closes both, the
  // window's close running first.
  explicit TitleFrame(QWidget& form);
  // Gives the window back: it outlives the frame.
  ~TitleFrame() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // The side edge under the point, if any: where the width is dragged.
  Qt::Edges EdgeAt(const QPoint& point) const;

  QWidget& form_;
  QLabel* caption_ = nullptr;
  bool form_closed_ = false;
};

}  // namespace calc
