#include "program_windows.h"

ProgramWindows::ProgramWindows(Prompts& prompts, Clock& clock)
    : MDIParent(prompts, clock),
      OpenDir(prompts),
      SoundAlarmForm(prompts),
      MaskForm(prompts),
      ChooseVSForm(prompts) {
  MDIParent.setToolWindows({&OpenDir, &AboutBox, &ChooseVSForm, &MaskForm, &SoundAlarmForm});
}
