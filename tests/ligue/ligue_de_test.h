// A league for the end-to-end tests: a scratch folder of its own, a class
// file, the real `arene-ligue init` on it, and `arene-ligue sert` on a free
// port of this machine; the folder goes, and the service stops, with them.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "e2e/tribune_de_test.h"

class LigueDeTest {
 public:
  // `nom` makes the scratch folder's name, with this process's id.
  explicit LigueDeTest(const std::string& nom);
  ~LigueDeTest();
  LigueDeTest(const LigueDeTest&) = delete;
  LigueDeTest& operator=(const LigueDeTest&) = delete;

  // Writes the class file, racine/classe.csv.
  std::filesystem::path classe(const std::string& texte) const;
  // `arene-ligue init dossier --classe ...` with that class; on success, the
  // teacher's token and the last student's are kept. `environnement` is put
  // before it as `env` takes it (LANG=...).
  Execution init(const std::string& texte_classe,
                 const std::vector<std::string>& environnement = {});

  const std::filesystem::path racine;
  const std::filesystem::path dossier;  // racine/ligue
  std::string admin, eleve;             // tokens
};

// `arene-ligue sert dossier` on a free port of 127.0.0.1, with `en_plus` after.
struct ServiceLigue {
  std::unique_ptr<Processus> processus;
  int port = 0;  // 0 when it did not start
};
ServiceLigue sert_ligue(const std::filesystem::path& dossier,
                        const std::vector<std::string>& en_plus = {});
