#include "ligue/service.h"

#include <iostream>
#include <variant>

#include "ligue/base.h"
#include "ligue/configuration.h"
#include "ligue/creation.h"
#include "ligue/pages.h"

int sert_ligue(const OptionsSertLigue& o) {
  const auto lue = lit_configuration(o.dossier / fichier_configuration);
  if (const auto* erreur = std::get_if<std::string>(&lue)) {
    std::cerr << *erreur << "\n";
    return 1;
  }
  const std::filesystem::path base = std::filesystem::absolute(o.dossier / fichier_base);
  try {
    (void)ouvre_base(base, true);  // a league folder, before anyone asks
  } catch (const ErreurBase& e) {
    std::cerr << "arene-ligue: " << e.what() << "\n";
    return 1;
  }
  tribune::OptionsServiceHttp service{o.port.value_or(std::get<ConfigurationLigue>(lue).port),
                                      o.adresse, "arene-ligue"};
  return tribune::sert_http(service,
                            [base](const tribune::DemandeHttp& r) { return page_ligue(base, r); });
}
