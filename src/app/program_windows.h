#pragma once

#include "alarm/ui/t_sound_alarm_form.h"
#include "app/t_about.h"
#include "app/t_about_box.h"
#include "app/t_all_wiz_form.h"
#include "app/t_choose_vs_form.h"
#include "app/tmdi_parent.h"
#include "detect/ui/t_mask_form.h"
#include "dialup/t_ras_manager.h"
#include "dialup/ui/t_ras_form.h"
#include "eventlog/ui/t_log_form.h"
#include "viewer/t_image_viewer_form.h"
#include "viewer/t_open_dir.h"

// The program's windows, each made once and hidden; the main window first, as
// the others are handed to it. Showing the main window starts the program.
class ProgramWindows {
 public:
  ProgramWindows(Prompts& prompts, Clock& clock, const ProgramPaths& paths);

  TMDIParent MDIParent;
  TAbout About;
  TOpenDir OpenDir;
  TSoundAlarmForm SoundAlarmForm;
  TImageViewerForm ImageViewerForm;
  TLogForm LogForm;
  TMaskForm MaskForm;
  TAllWizForm AllWizForm;
  TAboutBox AboutBox;
  TChooseVSForm ChooseVSForm;
  // The connection dialog lists the phonebook once, with a manager of its own.
  TRasManager RasFormEntries;
  TRasForm RasForm;
};
