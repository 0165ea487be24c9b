// SPDX-License-Identifier: MIT
// Starts exprcalc.exe, types an expression and Enter as a user does, then
// ends the session as Windows does (WM_QUERYENDSESSION, WM_ENDSESSION, the
// process ended at once) and checks that the settings file holds the
// expression. Its waits are long: the calculator may run under an emulator.
// Usage: session_end_probe.exe PATH\TO\exprcalc.exe   (exit status 0: passed)
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "probe_support.h"

namespace {

using probe::Key;
using probe::ReadFile;
using probe::SettingsPath;
using probe::Utf8;

// Ends the probe with the reason, naming the calculator's exit status when it
// has ended by itself, as a fault of the program rather than of the probe.
[[noreturn]] void Fail(const std::string& what, HANDLE process) {
  DWORD status = STILL_ACTIVE;
  GetExitCodeProcess(process, &status);
  if (status == STILL_ACTIVE) {
    std::printf("FAILED: %s\n", what.c_str());
    TerminateProcess(process, 1);
  } else {
    std::printf("FAILED: %s: exprcalc.exe ended with exit status 0x%lx\n", what.c_str(), status);
  }
  std::fflush(stdout);
  ExitProcess(1);
}

// Waits for a condition while the calculator runs.
template <typename Condition>
bool WaitUntil(HANDLE process, Condition done, DWORD milliseconds) {
  return probe::PumpUntil([&] { return WaitForSingleObject(process, 0) != WAIT_TIMEOUT || done(); }, milliseconds) &&
         WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

void TypeAndEnter(const std::wstring& text) {
  std::vector<INPUT> inputs;
  for (const wchar_t c : text) {
    inputs.push_back(Key(c, false, KEYEVENTF_UNICODE));
    inputs.push_back(Key(c, true, KEYEVENTF_UNICODE));
  }
  inputs.push_back(Key(VK_RETURN, false));
  inputs.push_back(Key(VK_RETURN, true));
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::printf("usage: session_end_probe PATH\\TO\\exprcalc.exe\n");
    return 2;
  }
  const std::wstring settings = SettingsPath();
  DeleteFileW(settings.c_str());

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
  if (!CreateProcessW(argv[1], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::printf("FAILED: cannot start %s\n", Utf8(argv[1]).c_str());
    return 1;
  }
  const HANDLE app = process.hProcess;
  HWND form = nullptr;
  if (!WaitUntil(
          app, [&] { return (form = probe::FindTopLevel(process.dwProcessId, L"TForm1")) != nullptr; }, 300000)) {
    Fail("the calculator window did not appear", app);
  }
  const HWND cb = FindWindowExW(form, nullptr, L"ComboBox", nullptr);
  SetForegroundWindow(form);
  if (!WaitUntil(
          app, [&] { return GetForegroundWindow() == form; }, 60000))
    Fail("the window did not come to the front", app);
  TypeAndEnter(L"6*7");
  if (!WaitUntil(
          app, [&] { return SendMessageW(cb, CB_GETCOUNT, 0, 0) == 1; }, 120000)) {
    Fail("6*7 and Enter did not enter the history", app);
  }

  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(form, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 60000, &answer) ||
      answer != TRUE) {
    Fail("WM_QUERYENDSESSION was not answered TRUE", app);
  }
  if (!SendMessageTimeoutW(form, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 60000, &answer)) {
    Fail("WM_ENDSESSION was not answered", app);
  }
  DWORD status = STILL_ACTIVE;
  GetExitCodeProcess(app, &status);
  TerminateProcess(app, 0);
  WaitForSingleObject(app, 10000);
  if (status != STILL_ACTIVE) {
    std::printf("FAILED: exprcalc.exe ended during the session end, exit status 0x%lx\n", status);
    return 1;
  }
  const std::string saved = ReadFile(settings);
  if (saved.find("\r\nExpression1=6*7\r\n") == std::string::npos) {
    std::printf("FAILED: after the session end the settings file holds:\n%s\n", saved.c_str());
    return 1;
  }
  std::printf("the window took 6*7 and Enter and kept it through a session end\n");
  return 0;
}
