#include "program_windows.h"

ProgramWindows::ProgramWindows(Prompts& prompts, Clock& clock, const ProgramPaths& paths)
    : MDIParent(prompts, clock, paths),
      OpenDir(prompts, paths),
      SoundAlarmForm(prompts, paths.settingsFile),
      ImageViewerForm(prompts, paths),
      LogForm(prompts, [this] { return MDIParent.eventLog(); }),
      MaskForm(prompts, paths.programFolder),
      AllWizForm(prompts, {[this] { MDIParent.ConnectionExecute(); }, [this] { MDIParent.EmailWizExecute(); },
                           [this] { MDIParent.FTPWizBtnExecute(); }, [this] { MDIParent.OutDirExecute(); }}),
      ChooseVSForm(prompts),
      RasFormEntries(clock),
      RasForm(prompts, paths.settingsFile, RasFormEntries) {
  MDIParent.setToolWindows({&OpenDir, &AboutBox, &ChooseVSForm, &MaskForm, &SoundAlarmForm, &ImageViewerForm,
                            &LogForm, &RasForm, &AllWizForm});
}
