// Linux: the C library's gettext, with the catalogue beside the program as
// installed (bin/../share/locale); a build runs from its own folder the same way.
#include <libintl.h>
#include <limits.h>
#include <locale.h>
#include <string.h>
#include <unistd.h>

#include "text.h"
#include "translate.h"

namespace {

const char DOMAIN[] = "sorrel-cli";

}  // namespace

void TranslateStart() {
  setlocale(LC_MESSAGES, "");
  // Where the program cannot tell where it is, the folder it is installed to.
  char folder[PATH_MAX] = SORREL_LOCALE_DIR;
  char exe[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0 && n < (ssize_t)sizeof exe - 1) {
    exe[n] = 0;
    char* slash = strrchr(exe, '/');
    if (slash) {
      slash[1] = 0;
      if (AppendText(exe, sizeof exe, SORREL_LOCALE_FROM_BIN)) CopyText(folder, sizeof folder, exe);
    }
  }
  bindtextdomain(DOMAIN, folder);
  bind_textdomain_codeset(DOMAIN, "CP932");
}

const char* Translate(const char* text) { return dgettext(DOMAIN, text); }

const char* TranslatePlural(const char* one, const char* many, unsigned long n) {
  return dngettext(DOMAIN, one, many, n);
}
