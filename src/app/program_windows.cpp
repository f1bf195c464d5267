#include "program_windows.h"

ProgramWindows::ProgramWindows(Prompts& prompts, Clock& clock, const ProgramPaths& paths)
    : MDIParent(prompts, clock, paths),
      OpenDir(prompts),
      SoundAlarmForm(prompts),
      ImageViewerForm(prompts),
      LogForm(prompts, [this] { return MDIParent.eventLog(); }),
      MaskForm(prompts),
      ChooseVSForm(prompts) {
  MDIParent.setToolWindows(
      {&OpenDir, &AboutBox, &ChooseVSForm, &MaskForm, &SoundAlarmForm, &ImageViewerForm, &LogForm});
}
