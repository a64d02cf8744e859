// The ranking as a terminal table, CSV, JSON and an HTML page.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tournoi/classement.h"
#include "tournoi/plan.h"
#include "tournoi/resultat.h"

struct Rapport {
  const Plan& plan;
  const std::vector<LigneClassement>& lignes;
  const std::vector<ResultatMatch>& resultats;  // every match found, finished or not
  std::vector<std::size_t> manquants;           // matches with no result yet
};

std::string tableau(const Rapport& rapport);
std::string texte_csv(const Rapport& rapport);
std::string texte_json(const Rapport& rapport);
// `visionneuse`: the viewer page, absolute; each match links to it with its
// recording, both as paths relative to the report's folder `dossier`.
std::string page_html(const Rapport& rapport, const std::filesystem::path& dossier,
                      const std::filesystem::path& visionneuse);

// The link that opens `enregistrement` in the viewer, from a page in `dossier`
// (all absolute): the viewer relative to the page, the recording relative to
// the viewer, as the viewer fetches it.
std::string lien_visionneuse(const std::filesystem::path& dossier,
                             const std::filesystem::path& visionneuse,
                             const std::filesystem::path& enregistrement);
