#include "program_windows.h"

ProgramWindows::ProgramWindows(Prompts& prompts, Clock& clock)
    : MDIParent(prompts, clock), OpenDir(prompts), ChooseVSForm(prompts) {
  MDIParent.setToolWindows({&OpenDir, &AboutBox, &ChooseVSForm});
}
