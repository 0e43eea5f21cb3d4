// TForm3: the launch check window. While the check runs, Timer1 scans the desktop for Jw_cad
// drawing windows and stores one BOOTJWW row for every drawing newly seen.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/DataModule.h"
#include "monitor/JournalPlaces.h"
#include "monitor/LaunchJournal.h"
#include "monitor/AttachPacing.h"
#include "monitor/JwScan.h"
#include "monitor/LaunchRegistrar.h"
#include "platform/services.h"
#include "platform/ui/check_box.h"
#include "platform/ui/controls.h"

class TForm3 : public ui::Form {
 public:
  TForm3(db::DataModule& data, platform::Services& services);
  ~TForm3() override;

  ui::Panel Panel1;
  ui::Label Label4;
  ui::Edit Edit1;
  ui::Label Label5;
  ui::Label LabelA;  // never shown: Jw_cad's folder as read by the current tick
  ui::Label LabelB;  // never shown: the current tick's date
  ui::Label LabelC;  // never shown: the current tick's time
  ui::ListBox ListBox1;  // the drawings known to be open
  ui::ListBox ListBox2;  // never shown: the drawings found by the current tick's scan
  ui::CheckBox CheckBox1;  // ログオン時に自動で開始: the current user's Run value names this program
  ui::Button Button1;
  ui::Button Button2;
  ui::Button Button3;
  ui::Label LabelState;  // one line under the buttons: what keeps launches from being stored
  ui::Timer Timer1;

  void FormShow();
  // Closing while the check runs stops it: asked first, never at the end of the session.
  bool FormCloseQuery();
  void FormClose();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Timer1Timer();
  void CheckBox1Click();
  void ShowLogonStart();

  // Stores one launch of the drawing at `path` with the tick's date and time (LabelB, LabelC).
  void RegisterLaunch(const std::string& path);
  std::string ExpandDriveToUnc(const std::string& drive);

  // Launches seen but not stored yet; they outlive stopping and closing the window.
  const monitor::LaunchRegistrar& Registrar() const { return registrar_; }
  // Stores them now if the server answers, the journal's first (also called by showing the
  // window and by starting the check, and meant for the start of the program, once connected,
  // and its end, before the connection is closed).
  void StorePendingLaunches();
  // Writes the waiting launches that no journal lists yet to one, storing none: the end of a
  // program whose catch-up the user stopped.
  void KeepPendingLaunches();

  // A tick or a catch-up is at work further down the stack: its server work runs on the
  // long-call worker, and the handlers let run meanwhile must not start another, nor close the
  // connection. What cannot wait is not asked of it; what can is run once it has ended.
  bool Working() const { return work_depth_ > 0; }
  // Runs `then` now, or, while Working(), asks the work to stop after the batch in flight and
  // runs `then` once it has ended.
  void AfterWork(std::function<void()> then);
  // While Working(), asks the work to stop after the batch in flight.
  void StopWork() { registrar_.RequestStop(); }

  // What the check is doing, for whatever shows it outside this window (the notification-area
  // icon): stopped, running with the server answering, or running while the server cannot be
  // reached (the launches seen meanwhile wait).
  // NotSet: running while the settings name no database (no settings file, or no server
  // folder in it); the launches wait in the journal for the first database that is set.
  enum class CheckStatus { Stopped, Checking, Unreachable, NotSet };
  CheckStatus Status() const;
  // Launches seen but not stored yet.
  std::size_t WaitingLaunches() const;
  // Launches this program stored today (the local date of the tick that stored them).
  int StoredToday() const { return stored_today_; }
  // Called after anything above may have changed (a start, a stop, the end of a tick).
  std::function<void()> OnStatusChanged;
  // Called when the user changed a setting here (the interval), so that it is written at once.
  std::function<void()> OnSettingsChanged;
  // Starts the check with the saved interval as 起動チェック開始 does, whether the window is shown
  // or not (a program started at logon). False when the saved interval is not 1 to 999.
  bool StartCheck();
  bool Checking() const;

  // Launches waiting for the server are kept in a journal file, so that they outlive the
  // program; refused ones are set aside in a rejected file. `journal_path` (the settings file's
  // path with ".jnl") and `rejected_path` (".rej") are the files while the settings name no
  // database; with one named, its own files beside them (monitor/JournalPlaces.h).
  // `fallback_folder` (ending in a path separator; empty: none) is a second place for the same
  // files, used when the first cannot be written; launches waiting in either are stored.
  // Called again after the settings changed: for another database, the launches seen for the
  // one used until now stay in its journals (those no journal could keep are let go).
  void UseJournal(const std::string& journal_path, const std::string& rejected_path,
                  const std::string& fallback_folder = std::string());
  // Waiting launches that neither journal place could keep: lost if the program ends now.
  std::size_t UnsavedLaunches() const { return registrar_.Unsaved(); }

 private:
  void StampTick();
  void NoteStored(int count);
  void StatusChanged();
  // Attaches and makes the table usable when needed (paced while the server cannot be
  // reached); true when launches can be stored now.
  bool ReachServer();
  // The settings name a database to store in.
  static bool DatabaseSet();
  void ShowState();
  void Tick();
  void StoreOrKeepPending(bool store);
  // Marks the stack as Working() while it lives; the last to end runs what waited for the work.
  class WorkScope {
   public:
    explicit WorkScope(TForm3& form);
    ~WorkScope();
    WorkScope(const WorkScope&) = delete;
    WorkScope& operator=(const WorkScope&) = delete;

   private:
    TForm3& form_;
  };

  db::DataModule& data_;
  platform::Services& services_;
  // Outlive the registrar that uses them.
  monitor::JournalPlaces journals_;
  long long other_database_launches_ = 0;  // as last counted
  // Counts the launches waiting for other databases and shows the line about them.
  void CountOtherDatabases();
  monitor::LaunchRegistrar registrar_;
  // The entries ListBox1 shows, in its order: the tick works on these, the list box only shows
  // their texts.
  std::vector<monitor::WindowEntry> known_;
  bool checking_ = false;
  bool unreachable_ = false;  // the last attempt to reach the server or store failed
  bool table_ready_ = false;  // the table was found or made since the last attach
  monitor::AttachPacing pacing_;
  std::string notice_;        // told once: launches moved to the rejected file
  int stored_today_ = 0;
  std::string stored_today_date_;
  int work_depth_ = 0;
  std::vector<std::function<void()>> after_work_;
};
