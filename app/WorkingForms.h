// The windows that the main strip's menu commands open. The program is put together here, so
// the shell keeps only the mechanism (create, dock, unload) and depends on no working form.
#pragma once

#include "shell/frmMainCode.h"

// (menu key, item number) -> a new instance of the working form.
const frmMainCode::WorkingFormTable& ProgramWorkingForms();

// Hands the table to the main strip; called once at start.
void InstallWorkingForms();
