#include "pilote/rejoue.h"

#include "config/configuration.h"
#include "pilote/ecran.h"
#include "pilote/etat.h"
#include "pilote/film.h"
#include "pilote/options.h"
#include "pilote/signaux.h"
#include "pilote/tableau_relecture.h"

namespace {

using namespace std::chrono_literals;

// Playing at 8x shows 320 ticks a second: the screen follows at this rate,
// skipping what it cannot show. Paused, only keys and signals wake it.
constexpr auto periode_lecture = 15ms;
constexpr auto periode_pause = 250ms;

std::vector<std::int64_t> ticks_de(const Film& film) {
  std::vector<std::int64_t> ticks;
  for (const Repere& r : film.reperes()) ticks.push_back(r.tick);
  return ticks;
}

}  // namespace

int rejoue(const std::string& chemin, const noms::Noms& noms_en_plus) {
  const Film film(chemin);
  noms::Noms noms = film.noms();
  noms.insert(noms_en_plus.begin(), noms_en_plus.end());  // the recording's names win
  exige_un_terminal();
  const GardeSignaux signaux;
  Platine platine(ticks_de(film), config::periode);
  Curseur curseur(film);
  Ecran ecran;
  Instant avant = Horloge::now();
  for (;;) {
    if (const int signal = GardeSignaux::recu()) return 128 + signal;
    const enregistrement::EtatRelu& etat = curseur.va(film.reperes()[platine.instant()]);
    ecran.affiche(image_de_relecture(film, etat, platine, ecran.taille(), noms));
    auto appui = ecran.touche(platine.en_lecture() ? periode_lecture : periode_pause);
    // The time waited counts in the state it was waited in, before the keys change it.
    const Instant maintenant = Horloge::now();
    platine.avance(maintenant - avant);
    avant = maintenant;
    for (; appui; appui = ecran.touche(0ms))
      if (!platine.appuie(*appui)) return static_cast<int>(Sortie::Fin);
  }
}
