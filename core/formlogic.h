// SPDX-License-Identifier: MIT
// What the calculator window decides, apart from drawing: its start, its
// handlers, the settings file and the expression history. A view (Qt,
// Win32) owns the controls, forwards each event here with the controls'
// state and shows what comes back.
#pragma once

#include <chrono>
#include <cstddef>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "display.h"
#include "platform.h"
#include "savesequence.h"
#include "settingsdoc.h"

namespace calc {

// The window's outer geometry as the settings file stores it.
struct WindowPlacement {
  int left = 0;
  int top = 0;
  int outer_width = 0;
};

// A stored position value: an optional sign, then decimal digits within the
// signed 32-bit range, or up to eight hexadecimal digits after "$", "x" or
// "0x" taken as a 32-bit pattern ("$FFFFFFFF" is -1).
std::optional<int> ReadInteger(std::u16string_view text);

// The settings file's path: "brelmont.ini" in the program's folder of the
// application-data folder, created one level at a time when missing, or
// the bare name when that cannot be had.
std::u16string SelectSettingsFile(Platform& platform);

// The history a save writes. `own` is the window's list, newest first,
// whose first `added` entries it added since it read the file; `file` the
// file's entries as the file holds them now. The added entries come first,
// then the file's, then the rest of the window's list, each once (compared
// as the history compares), up to 50, or up to the window's own length
// when an edited file made that longer. A window that added nothing writes
// the file's history as the file has it. One window alone thus writes its
// own list; several open at once keep each other's entries, the newest 50.
std::vector<std::u16string> MergedHistory(const std::vector<std::u16string>& own, std::size_t added,
                                          const std::vector<std::u16string_view>& file, Platform& platform);

// The name a settings file too large to read is renamed to, at the given
// attempt (1, 2, ...): PATH.too-large, PATH.too-large-2, ...
std::u16string AsideName(std::u16string_view path, int attempt);

class FormLogic {
 public:
  static constexpr std::size_t kHistoryLimit = 50;
  // How many aside names a save tries before it leaves the file alone.
  static constexpr int kAsideAttempts = 9;

  explicit FormLogic(Platform& platform) : platform_(platform) {}

  // What the settings file gave, for the view to apply.
  struct Stored {
    std::optional<WindowPlacement> placement;  // only when all three values count
    bool separators = true;
  };

  struct Start {
    int left = 0;  // centred on the primary screen
    int top = 0;
    std::optional<Stored> stored;  // when a file was there and could be read
  };

  // Chooses the settings file, centres the window of the given outer size
  // and reads the file when there is one.
  Start FormCreate(int outer_width, int outer_height);

  // Reads the settings file: DecimalPlacesOn and the history are taken
  // here; the position (clamped to the screen) and the separators option
  // come back. nullopt when the file could not be read.
  std::optional<Stored> readdata(std::u16string_view datafilename, int outer_width, int outer_height);

  // Writes the settings file, keeping whatever else it holds, its history
  // merged with this window's (MergedHistory). The read, the merge and the
  // write take turns with other processes' saves (SaveLock). A failure is
  // reported with "Error saving settings" and the file and the reason in the
  // box's detail; false then. A file too large to read is renamed aside
  // first, and a box titled "Settings file renamed" says so once.
  bool savedata(std::u16string_view datafilename, const WindowPlacement& window, DisplayOptions options);

  // The close's save into SettingsFileName. A run saves at its close once:
  // a session end during or after the close (a second signal, or the end
  // of the session while "Error saving settings" is shown) writes nothing.
  void FormCloseQuery(const WindowPlacement& window, DisplayOptions options);

  struct Calculation {
    // False when a failure went to the generic error display: the rest of
    // the handler is skipped and nothing changes.
    bool completed = false;
    std::u16string label;
    // The box's new text (the trimmed expression) once it entered the
    // history; nullopt leaves the box as typed.
    std::optional<std::u16string> box_text;
    // The result line's tooltip: the sentence that explains the result, in
    // the user's language, when there is one, the label's full text, then the steps
    // that led to it (see ResultToolTip).
    std::u16string tooltip;
  };
  Calculation calculatebuttonClick(std::u16string_view box_text, DisplayOptions options);

  // The result line's accessible description with this tooltip: the
  // tooltip, or what the line is while it shows nothing.
  static std::u16string_view ResultDescription(std::u16string_view tooltip);

  // What a screen reader is told when the working is asked for from the
  // keyboard: the description's lines without the step mark, in one
  // announcement, one a line (several announcements at once leave only the
  // last to be heard).
  static std::u16string WorkingAnnouncement(std::u16string_view tooltip);

  // Puts the label's text on the clipboard. False when that failed and the
  // generic error display showed why.
  bool copybuttonClick(std::u16string_view label_text);

  void aboutbuttonClick();

  // The label's text after an entry was chosen from the list.
  static std::u16string cbClick() { return {}; }

  // Shows a failure that escaped a handler on the generic error display.
  void ReportFailure(std::string_view what);
  // Runs a view's handler: a failure that escapes it goes to the generic
  // error display, the rest of the handler is skipped and the window stays
  // usable.
  template <typename Handler>
  void Guarded(Handler&& handler) {
    try {
      std::forward<Handler>(handler)();
    } catch (const std::exception& e) {
      ReportFailure(e.what());
    }
  }

  // Moves the expression to the top of the history, in place of an entry
  // that is the same but for letter case (SameIgnoringCase, as loading and
  // saving compare). A history of exactly 50 loses its oldest entry; a
  // longer one, which only an edited file gives, keeps all of its entries.
  void AddToHistory(std::u16string_view expression);
  const std::vector<std::u16string>& History() const { return history_; }
  // The entry an opened list highlights: the one the box's text is, compared
  // as AddToHistory compares, or else the newest; -1 for an empty history.
  std::ptrdiff_t HeldEntry(std::u16string_view box_text) const;

  std::u16string SettingsFileName;
  bool DecimalPlacesOn = true;
  // False where the platform cannot tell where the window is (a Wayland
  // client): savedata then writes the Left and Top the file gave back as
  // they were, or the centred start when it gave none.
  bool WindowPositionKnown = true;
  // How long a save waits for another process's save (SaveLock).
  std::chrono::milliseconds SaveLockWait = SaveLock::kWait;

 private:
  // Whether a file is at the path. When nothing is there but a save that
  // was cut off after its new file was whole left that file, it takes the
  // path first (`locked`: while this process holds the save lock).
  bool SettingsFileThere(std::u16string_view path, bool locked);
  // Opens the settings file for a save: the reason when it cannot be; a
  // file too large to read is renamed aside, and `note` says so.
  std::optional<std::u16string> OpenForSaving(std::u16string_view path, bool locked, SettingsDocument& doc,
                                              std::u16string& note);
  // Renames a file too large to read to the first free aside name. `changed`
  // says that the file at the path is no longer too large (another process
  // saved meanwhile) and was left alone.
  std::optional<std::u16string> MoveAside(std::u16string_view path, std::u16string& note, bool& changed);
  // Adds the file's expressions that the history does not hold yet.
  void LoadHistory(SettingsDocument& doc);
  void WriteSettings(SettingsDocument& doc, const WindowPlacement& window, DisplayOptions options) const;
  // The index of the entry that is the same as the text, or -1.
  std::ptrdiff_t FindEntry(std::u16string_view text) const;

  Platform& platform_;
  WindowPlacement start_;  // left and top: centred, or as the file gave them
  bool closed_ = false;
  std::vector<std::u16string> history_;  // newest first
  // How many of history_'s first entries this window added since it read
  // the file: an added entry always goes to the top.
  std::size_t added_ = 0;
};

}  // namespace calc
