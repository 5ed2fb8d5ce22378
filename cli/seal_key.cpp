// seal-key and unseal-key: the same key pool in the other form of key file,
// under the same key password. A sealed key costs an attacker one Argon2id
// run per guess of the key password; an original one, copied, gives the pool
// away to a short search. Anything refused or failed leaves the key file as
// it was.
#include <stdio.h>

#include "commands.h"
#include "key_input.h"
#include "key_rewrite.h"
#include "report.h"
#include "secrets.h"
#include "text.h"
#include "translate.h"

namespace {

// The derivation the key's passwords are made by today: a sealed key's own,
// else the settings' one; 0 (reported) when the settings cannot be read.
int CurrentDerivation(const CliOptions& options, int count) {
  SealParameters header;
  if (IsSealedKey(g_keyBytes, count) && ReadSealParameters(g_keyBytes, &header) == SEAL_OK) return header.derivation;
  char settingsPath[PATH_CAPACITY];
  SettingsRecord settings;
  if (!LoadSettingsReported(options, settingsPath, &settings,
                            _("give --derivation N: the derivation the key's passwords are made by"))) {
    return 0;
  }
  return (settings.optionFlags & OPT_DERIVATION_2) ? 2 : 1;
}

bool SayDone(const SealParameters& params, int before, const char* keyPath, const char* keepOldPath) {
  char text[512];
  if (params.derivation == before) {
    snprintf(text, sizeof text,
             _("the key is sealed (Argon2id, %lu MiB, passes: %lu): every password stays the same\n"),
             (unsigned long)(params.memoryKiB / 1024), (unsigned long)params.passes);
  } else {
    snprintf(text, sizeof text,
             _("the key is sealed (Argon2id, %lu MiB, passes: %lu); its passwords are now made by derivation %d, "
               "not %d: every password changes\n"),
             (unsigned long)(params.memoryKiB / 1024), (unsigned long)params.passes, params.derivation, before);
  }
  return ConsoleWriteOut(text) == CONSOLE_OK && SayOldKept(keepOldPath) &&
         ReportWritten(_("sealed key file written"), keyPath,
                       _("destroy the copies of the old key file and the paper backups made before, which are not "
                         "sealed, or make new ones ('sorrel-cli export-key')"));
}

}  // namespace

int RunSealKey(const CliOptions& options) {
  char keyPath[PATH_CAPACITY];
  if (!MayKeepOld(options.keepOldPath) || !KeyPathFor(options, keyPath)) return EXIT_FAILED;
  const char* advice = _("the key file is not sealed");
  const int count = ReadKeyChecked(keyPath, advice);
  if (count == 0) return EXIT_FAILED;
  const int before = CurrentDerivation(options, count);
  if (before == 0) return EXIT_FAILED;
  if (!OpenKeyReported(count, keyPath, true, advice)) return EXIT_FAILED;

  // A sealed key keeps what is not given; an original one takes a new key's defaults.
  SealParameters params =
      SealParametersFor(options, g_openedKey.sealed ? ResealParameters(g_openedKey.seal) : DefaultSealParameters());
  params.derivation = options.derivation ? options.derivation : before;
  const SealStatus status = SealOpenedKey(g_openedKey, g_keyPassword, params, g_changedKey);
  ReportSeal(status, params.memoryKiB);
  if (status != SEAL_OK || !RewriteKeyFile(keyPath, options.keepOldPath, count, SEALED_KEY_SIZE)) return EXIT_FAILED;
  return SayDone(params, before, keyPath, options.keepOldPath) ? EXIT_OK : EXIT_FAILED;
}

int RunUnsealKey(const CliOptions& options) {
  char keyPath[PATH_CAPACITY];
  if (!MayKeepOld(options.keepOldPath) || !KeyPathFor(options, keyPath)) return EXIT_FAILED;
  const char* advice = _("the key file is not changed");
  const int count = ReadKeyChecked(keyPath, advice);
  if (count == 0) return EXIT_FAILED;
  if (!IsSealedKey(g_keyBytes, count)) {
    ReportFile(_("nothing to unseal"), keyPath, _("the key file is not sealed"));
    return EXIT_FAILED;
  }
  if (!OpenKeyReported(count, keyPath, true, advice)) return EXIT_FAILED;
  const int newCount = UnsealOpenedKey(g_openedKey, g_keyPassword, g_changedKey);
  if (newCount == 0) {
    Report(_("the key could not be masked with the key password"), keyPath);
    return EXIT_FAILED;
  }
  if (!RewriteKeyFile(keyPath, options.keepOldPath, count, newCount)) return EXIT_FAILED;

  char text[768];
  snprintf(text, sizeof text,
           _("the key is of the original form again, which Sorrel 1.0.0.1 and other versions before sealed keys "
             "read\n"
             "it is weaker: a copied original key file gives away every password to a short search, whatever the "
             "key password\n"
             "an original key file names no derivation: the settings' one applies; this key's passwords are made "
             "by derivation %d\n"),
           g_openedKey.seal.derivation);
  const bool ok = ConsoleWriteOut(text) == CONSOLE_OK && SayOldKept(options.keepOldPath) &&
                  ReportWritten(_("original key file written"), keyPath,
                                _("seal it again ('sorrel-cli seal-key') once no older copy needs it"));
  return ok ? EXIT_OK : EXIT_FAILED;
}
