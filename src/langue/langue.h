// The language of the texts people read: French when the locale says French,
// English otherwise. The English text is the key, so a text without a
// translation reads in English.
#pragma once

#include <libintl.h>

namespace langue {

// Translates a text; xgettext collects the texts marked so.
#define _(texte) gettext(texte)
// Marks a text for collection where it cannot be translated yet (a constant table).
#define N_(texte) texte

// Once, first thing in main, before any thread: picks the language from
// LC_ALL, LC_MESSAGES or LANG and finds the translations.
void initialise_langue();

}  // namespace langue
