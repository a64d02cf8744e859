#include "ligue/service.h"

#include <signal.h>

#include <cstdlib>
#include <iostream>
#include <thread>
#include <variant>

#include "ligue/base.h"
#include "ligue/configuration.h"
#include "ligue/constructeur.h"
#include "ligue/creation.h"
#include "ligue/depot.h"
#include "ligue/pages.h"
#include "ligue/partie.h"
#include "ligue/saison.h"

namespace {

sigset_t signaux_d_arret() {
  sigset_t s;
  sigemptyset(&s);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&s, signal);
  return s;
}

// The one thread that takes the signals, blocked everywhere else: it stops
// the season, so that its matches end before the program does.
void attend_arret(Saison& saison) {
  const sigset_t s = signaux_d_arret();
  int signal = 0;
  sigwait(&s, &signal);
  saison.arrete();
  std::_Exit(0);
}

}  // namespace

int sert_ligue(const OptionsSertLigue& o) {
  const auto lue = lit_configuration(o.dossier / fichier_configuration);
  if (const auto* erreur = std::get_if<std::string>(&lue)) {
    std::cerr << *erreur << "\n";
    return 1;
  }
  const std::filesystem::path dossier = std::filesystem::absolute(o.dossier);
  const std::filesystem::path base = dossier / fichier_base;
  const auto& configuration = std::get<ConfigurationLigue>(lue);
  if (o.slurm)
    if (const auto raison = empechement_slurm(dossier, o.partition)) {
      std::cerr << "arene-ligue: " << *raison << "\n";
      return 1;
    }
  const sigset_t s = signaux_d_arret();
  pthread_sigmask(SIG_BLOCK, &s, nullptr);  // before any thread, which inherits it
  Programmes programmes = execution_par_defaut();
  programmes.slurm = o.slurm;
  programmes.partition = o.partition;
  // Builds and matches read one kits folder, so a version runs with what it was built against.
  if (!o.kits.empty()) programmes.kits = std::filesystem::absolute(o.kits);
  auto direct = std::make_shared<EnDirect>();
  std::optional<Saison> saison;
  try {
    (void)ouvre_base(base, true);  // a league folder, before anyone asks
    saison.emplace(
        OptionsSaison{dossier, configuration,
                      static_cast<int>(o.paralleles.value_or(configuration.matchs_simultanes)),
                      programmes, direct});
  } catch (const ErreurBase& e) {
    std::cerr << "arene-ligue: " << e.what() << "\n";
    return 1;
  }
  std::thread signaux(attend_arret, std::ref(*saison));
  signaux.detach();
  const std::jthread constructeur = lance_constructeur({dossier, programmes.kits});
  tribune::OptionsServiceHttp service{o.port.value_or(configuration.port), o.adresse, "arene-ligue",
                                      depot_max};
  const Postes postes{static_cast<int>(o.paralleles.value_or(configuration.matchs_simultanes)),
                      o.slurm, o.partition.value_or("")};
  auto relais = std::make_shared<tribune::Places>(relais_max);
  const int statut = tribune::sert_http(
      service,
      [base, postes, direct](const tribune::DemandeHttp& r) {
        return page_ligue(base, r, postes, *direct);
      },
      [direct, relais](auto& flux, auto& ioc, const auto& requete) {
        return relaie_direct(*direct, *relais, flux, ioc, requete);
      });
  saison->arrete();
  std::_Exit(statut);
}
