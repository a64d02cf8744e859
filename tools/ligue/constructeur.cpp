#include "ligue/constructeur.h"

#include <chrono>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "cage/construction.h"
#include "langue/langue.h"
#include "ligue/base.h"
#include "ligue/creation.h"
#include "ligue/depot.h"
#include "ligue/langages.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct Attente {
  std::int64_t id = 0;
  std::string langage;
};

std::optional<Attente> prochaine(sqlite3* base) {
  Requete r =
      prepare(base, "SELECT id, langage FROM versions WHERE etat = 'attente' ORDER BY id LIMIT 1");
  if (sqlite3_step(r.get()) != SQLITE_ROW) return std::nullopt;
  return Attente{sqlite3_column_int64(r.get(), 0),
                 reinterpret_cast<const char*>(sqlite3_column_text(r.get(), 1))};
}

void marque(sqlite3* base, std::int64_t id, const std::string& etat, const std::string& journal,
            const std::string& commande) {
  execute_avec(base,
               "UPDATE versions SET etat = ?1, journal = ?2, commande = NULLIF(?3, '') "
               "WHERE id = ?4",
               {etat, journal, commande, std::to_string(id)});
}

// The log's end, where a compiler's first error usually is not but its verdict is.
std::string fin_du_journal(const fs::path& fichier) {
  std::ifstream in(fichier, std::ios::binary);
  std::ostringstream tout;
  tout << in.rdbuf();
  std::string texte = tout.str();
  if (texte.size() > journal_construction_max)
    texte = "[...]\n" + texte.substr(texte.size() - journal_construction_max);
  return texte;
}

// The file the run command starts: the script, the program, the main class.
fs::path point_d_entree(const Attente& v, const CommandesLangage& c) {
  const std::string debut = c.lancement.substr(0, c.lancement.find(" {host}"));
  const std::string mot = debut.substr(debut.rfind(' ') + 1);
  return v.langage == "java" ? fs::path("classes") / (mot + ".class") : fs::path(mot);
}

// Why the version cannot be built or run; empty when it built.
std::string construit_version(const OptionsConstructeur& o, const Attente& v,
                              const CommandesLangage& c, const fs::path& journal) {
  const fs::path dossier = dossier_version(o.ligue, v.id);
  if (c.construction.empty()) {
    std::ofstream(journal) << "nothing to build for " << v.langage << "\n";
  } else {
    if (const auto pourquoi = cage::empechement()) return "cannot build in the cage: " + *pourquoi;
    if (auto echec = cage::construit({dossier, c.construction, journal, {o.kits}, o.limites, true});
        !echec.empty())
      return echec;
  }
  const fs::path entree = point_d_entree(v, c);
  return fs::is_regular_file(dossier / entree) ? "" : "no " + entree.string() + " in the project";
}

}  // namespace

void reprend_constructions(sqlite3* base) {
  execute(base, "UPDATE versions SET etat = 'attente' WHERE etat = 'construction'");
}

bool construit_suivante(sqlite3* base, const OptionsConstructeur& o) {
  const auto v = prochaine(base);
  if (!v) return false;
  marque(base, v->id, "construction", "", "");
  const fs::path dossier = dossier_version(o.ligue, v->id);
  const auto c = commandes_langage(v->langage, source_unique(o.ligue, v->id), o.kits,
                                   fs::exists(dossier / "Makefile"));
  const fs::path journal = dossier.string() + ".construction.log";
  std::string echec = c ? "" : "unknown language";
  try {
    if (c) echec = construit_version(o, *v, *c, journal);
  } catch (const std::exception& e) {
    echec = e.what();
  }
  std::string texte = fin_du_journal(journal);
  if (!echec.empty()) texte += "\n[arene-ligue: build failed: " + echec + "]\n";
  marque(base, v->id, echec.empty() ? "prete" : "echec", texte, echec.empty() ? c->lancement : "");
  return true;
}

std::jthread lance_constructeur(OptionsConstructeur o) {
  return std::jthread([o = std::move(o)](std::stop_token fin) {
    bool repris = false;
    while (!fin.stop_requested()) {
      bool encore = false;
      try {
        Base base = ouvre_base(o.ligue / fichier_base, false);
        if (!repris) reprend_constructions(base.get());
        repris = true;
        encore = construit_suivante(base.get(), o);
      } catch (const std::exception& e) {
        std::cerr << _("arene-ligue: the builds cannot reach the database: ") << e.what() << "\n";
      }
      if (!encore) std::this_thread::sleep_for(500ms);
    }
  });
}
