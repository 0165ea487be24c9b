// SPDX-License-Identifier: MIT
// The calculator window on Linux: Qt widgets built from the design data,
// each event forwarded to the calculator's logic, and what it decides shown.
#pragma once

#include <QStringList>
#include <QWidget>

#include "accessibility.h"
#include "design.h"
#include "formlogic.h"
#include "qtplatform.h"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace calc {

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // Event handlers.
  void FormCreate();
  void FormShow();
  void FormResize();
  void FormCloseQuery(bool& CanClose);
  void calculatebuttonClick();
  void copybuttonClick();
  void aboutbuttonClick();
  void cbClick();

  // Settings and history.
  bool readdata(const QString& datafilename);
  bool savedata(const QString& datafilename);
  void AddToHistory(const QString& expression);
  QStringList History() const;
  QString SettingsFileName() const;

  // The outer geometry the settings file speaks of: the client area plus
  // the frame the window was designed in.
  int OuterWidth() const;
  int OuterHeight() const;
  void SetOuterWidth(int outer_width);

  QPushButton* calculatebutton = nullptr;
  QPushButton* copybutton = nullptr;
  QCheckBox* sepcb = nullptr;
  QCheckBox* dec2cb = nullptr;
  QPushButton* aboutbutton = nullptr;
  QComboBox* cb = nullptr;
  ResultLabel* resultlabel = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void CreateControls();
  template <typename Widget>
  Widget* Find(Control id) const;
  void SetUpBox();
  void SetUpResultLabel();
  // The result's colour for the palette in use.
  void ApplyColours();
  void SetUpButtons();
  void Apply(const FormLogic::Stored& stored);
  // Shows the logic's history as the box's list without changing what the
  // box shows.
  void ShowHistory();
  // The result line's tooltip and accessible description.
  void ShowResultTip(std::u16string_view tip);
  // Shift+F1: the working in a tooltip at the result line, read out line by
  // line.
  void ShowWorking();
  // Gives the box the focus with its text selected.
  void FocusTheBox();
  // Widens the controls whose text needs more room than designed.
  void FitTexts();

  GrownLayout grown_;

  std::u16string working_;  // the result line's tooltip
  QtPlatform platform_;
  FormLogic logic_{platform_};
};

}  // namespace calc
