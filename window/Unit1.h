// The calculator window: one expression box with its history, Calculate,
// one result line, two display options, Copy and help.
#pragma once

#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace calc {

// Design sizes in pixels at 96 dpi. The outer size of the window is its
// client size plus the frame it was designed with (585 x 163 inside a
// 601 x 202 frame); the settings file stores outer sizes.
inline constexpr int kClientWidth = 585;
inline constexpr int kClientHeight = 163;
inline constexpr int kFrameWidth = 16;
inline constexpr int kFrameHeight = 39;
inline constexpr int kMinOuterWidth = 580;
inline constexpr int kHistoryLimit = 50;

// The help text: twelve lines joined by carriage returns.
QString HelpText();

// The settings file's path; creates the settings folders when missing.
QString SelectSettingsFile();

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

  // Result presentation, under the current state of the check boxes.
  QString decimals(const QString& s);
  QString AddThousandSeparator(const QString& S, QChar Chr);

  // Settings and history.
  bool readdata(const QString& datafilename);
  bool savedata(const QString& datafilename);
  void AddToHistory(const QString& expression);
  QStringList History() const;

  // The outer geometry the settings file speaks of.
  int OuterWidth() const { return width() + kFrameWidth; }
  int OuterHeight() const { return height() + kFrameHeight; }
  void SetOuterWidth(int outer_width);

  QPushButton* calculatebutton = nullptr;
  QPushButton* copybutton = nullptr;
  QCheckBox* sepcb = nullptr;
  QCheckBox* dec2cb = nullptr;
  QPushButton* aboutbutton = nullptr;
  QComboBox* cb = nullptr;
  QLabel* resultlabel = nullptr;

  QString SettingsFileName;
  bool DecimalPlacesOn = true;

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Runs a handler; a failure that escapes it goes to the generic error
  // display, the rest of the handler is skipped and the window stays usable.
  void Guarded(const std::function<void()>& handler);
  void CreateControls();
  // Changes the box's item list without changing what the box shows.
  void EditHistory(const std::function<void()>& change);
};

// The generic error display: the message (with "." appended by its rule),
// the application title, an error icon and OK.
void ShowGenericError(const QString& message);

}  // namespace calc
