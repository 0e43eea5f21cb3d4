// TForm1: the main window. It doubles as the data module: the data operations of db::DataModule
// are its own, and every other window calls them through the program-wide reference Form1.
#pragma once

#include <string>
#include <vector>

#include "db/DataModule.h"
#include "platform/ui/controls.h"

class TForm1 : public ui::Form, public db::DataModule {
 public:
  TForm1();
  ~TForm1() override;

  ui::Label Label1;
  ui::Button Button1;
  ui::Button Button2;
  ui::Button Button3;
  ui::Button Button4;
  ui::Button Button5;
  ui::Button Button6;
  ui::Button Button7;
  ui::Button Button0;
  ui::ComboBox ComboBox1;  // never shown, never filled: TableExists keeps the names it reads to itself
  ui::FileDialog SaveDialog1{true};
  ui::FileDialog OpenDialog1{false};

  std::string SettingsFile;

  void FormShow();
  void FormClose();
  // Asked before the main window closes: launches that could not be saved are lost with the
  // program, so the user decides. True lets it close.
  bool FormCloseQuery();
  bool ConfirmUnsavedLaunches(const char* action);
  void FormEndSession();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Button6Click();
  void Button7Click();
  void Button0Click();

  void LoadSettings(const std::string& path);
  void SaveSettings(const std::string& path);
  // A setting was changed: the settings file is written now, not only when the program ends
  // (the end of a Windows session may leave no time for it).
  void SettingsChanged();

  // Started at logon (/autostart): the settings and the connection as at a show, no window and no
  // message box (the check's state says what failed), then the check with the saved interval.
  void StartAtLogon();
  // Asked before the main window closes: whether ending the program may stop the check.
  bool MayStopCheck();

 private:
  // Loads the settings and connects, once per run: at the first show, or at logon.
  void StartUp(bool report_failure);
  bool started_ = false;
  // The user agreed to end the program while the launch check's work ran: the close comes again
  // once it stopped, and asks nothing then; the launches it did not store stay in the journal.
  bool close_agreed_ = false;
};

// The settings file of a program: its path with the extension replaced by ".dat".
std::string SettingsPathFor(const std::string& program_path);
// Whether the program was started at logon: one of its arguments is /autostart (any letter case).
bool StartedAtLogon(const std::vector<std::string>& arguments);
