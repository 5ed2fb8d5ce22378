// The commands. Each returns the process's exit status.
#pragma once

#include "args.h"

int RunGenerate(const CliOptions& options);
int RunNewKey(const CliOptions& options);
int RunInit(const CliOptions& options);
int RunShowSettings(const CliOptions& options);
int RunVerify(const CliOptions& options);
int RunExportKey(const CliOptions& options);
int RunImportKey(const CliOptions& options);
int RunChangeKeyPassword(const CliOptions& options);
int RunSealKey(const CliOptions& options);
int RunUnsealKey(const CliOptions& options);
int RunSite(const CliOptions& options);  // site set, list, show, remove, next
int RunConfigure(const CliOptions& options);
