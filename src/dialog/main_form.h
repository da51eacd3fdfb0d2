// The program's one window: it asks which plan the user registered for and
// writes that plan's number into the profile in the directory it was given.
#pragma once

#include <windows.h>

#include <exception>
#include <optional>
#include <string>

#include "dialog/controls.h"
#include "dialog/screen_reader.h"
#include "logic/outcome.h"
#include "platform/owner.h"

namespace planchoice {

class Main {
 public:
  // Creates the window and its controls, hidden.
  explicit Main(HINSTANCE instance);
  Main(const Main&) = delete;
  Main& operator=(const Main&) = delete;

  // Loads the form, shows it and runs it until it is unloaded. When a
  // handler fails (the profile could not be rewritten, say, and was left as
  // it was), says why in a box over the window, still shown, and returns the
  // failure's code once the user has dismissed it.
  ExitCode Run(int show_command);

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  // Takes the directory from the command line; without one the form unloads.
  void Form_Load();
  void OK_Click();
  // Says why the plan text cannot be taken, then selects it whole, so that
  // what the user types next replaces it.
  void RefusePlan(const std::wstring& title, const std::wstring& text);

  void CenterOnScreen();
  HWND Control(int id) const { return ::GetDlgItem(window_.get(), id); }
  // Ends the form the way the user or the program chose.
  void Unload(ExitCode outcome);

  std::string Directory;  // the target directory, UTF-8

  ControlFonts fonts_;
  ExitCode outcome_ = ExitCode::kClosed;
  // A failure inside a handler, kept until the message loop has ended: it
  // must not unwind through the system's frames that called the handler.
  // Once there is one, no handler runs again.
  std::exception_ptr failure_;
  // After the fonts, so that the window goes before the fonts its controls use.
  WindowOwner window_;
  // Last, so that it goes while the windows it annotates still exist.
  std::optional<ScreenReaderNames> screen_reader_names_;
};

}  // namespace planchoice
