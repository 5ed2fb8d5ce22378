// Tallies of the faults the fault tests cause, printed at the end of the run.
#pragma once

extern int g_faultsInjected;  // steps failed through g_fileFaultHook
extern int g_realFaults;      // failures caused by the file system or a killed process
