#include "ligue/ligue_de_test.h"

#include <unistd.h>

#include <fstream>
#include <regex>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// The 43 characters after `quoi` ("/admin/") in the links, the last such link's.
std::string jeton(const std::string& liens, const std::string& quoi) {
  const auto ou = liens.rfind(quoi);
  return ou == std::string::npos ? "" : liens.substr(ou + quoi.size(), 43);
}

}  // namespace

LigueDeTest::LigueDeTest(const std::string& nom)
    : racine(fs::temp_directory_path() / (nom + "_" + std::to_string(::getpid()))),
      dossier(racine / "ligue") {
  fs::remove_all(racine);
  fs::create_directories(racine);
}

LigueDeTest::~LigueDeTest() {
  std::error_code ignoree;
  fs::remove_all(racine, ignoree);
}

fs::path LigueDeTest::classe(const std::string& texte) const {
  const fs::path chemin = racine / "classe.csv";
  std::ofstream(chemin) << texte;
  return chemin;
}

Execution LigueDeTest::init(const std::string& texte_classe,
                            const std::vector<std::string>& environnement) {
  std::vector<std::string> arguments = environnement;
  arguments.insert(arguments.end(),
                   {ARENE_LIGUE, "init", dossier.string(), "--classe", classe(texte_classe)});
  Execution e = execute("/usr/bin/env", arguments, 30s);
  if (e.statut == 0) {
    admin = jeton(e.sortie, "/admin/");
    eleve = jeton(e.sortie, "/eleve/");
  }
  return e;
}

ServiceLigue sert_ligue(const fs::path& dossier, const std::vector<std::string>& en_plus) {
  std::vector<std::string> arguments{"sert", dossier, "--port", "0", "--adresse", "127.0.0.1"};
  arguments.insert(arguments.end(), en_plus.begin(), en_plus.end());
  ServiceLigue s{std::make_unique<Processus>(ARENE_LIGUE, arguments), 0};
  if (!s.processus->attend_sortie("/\n", 20s)) return s;
  std::smatch m;
  const std::string sortie = s.processus->sortie();
  if (std::regex_search(sortie, m, std::regex(R"(127\.0\.0\.1:(\d+)/)"))) s.port = std::stoi(m[1]);
  return s;
}
