#include "ligue/depot.h"

#include <fstream>

#include "ligue/base.h"
#include "ligue/jetons.h"
#include "ligue/langages.h"

namespace fs = std::filesystem;

namespace {

bool nom_simple(std::string_view nom) {
  if (nom.empty() || nom.size() > 100 || nom.front() == '.') return false;
  for (const char c : nom)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-')
      return false;
  return true;
}

bool archive_de(std::string_view nom) {
  return nom.ends_with(".zip") || nom.ends_with(".tar.gz") || nom.ends_with(".tgz");
}

// A single source must carry its language's extension; a Java one names its class.
bool source_du_langage(std::string_view nom, std::string_view langage) {
  if (langage == "python") return nom.ends_with(".py");
  if (langage == "javascript") return nom.ends_with(".js");
  if (langage == "c") return nom.ends_with(".c");
  if (langage == "cpp") return nom.ends_with(".cpp") || nom.ends_with(".cc");
  return nom.ends_with(".java") && nom.find('-') == std::string_view::npos &&
         nom.find('.') == nom.size() - 5 && !std::isdigit(static_cast<unsigned char>(nom[0]));
}

fs::path fichier_source(const fs::path& ligue, std::int64_t version) {
  return dossier_version(ligue, version).string() + ".source";
}

std::optional<std::string> refus(const Depot& d) {
  if (!langage_connu(d.langage)) return "unknown language";
  if (!nom_simple(d.nom)) return "file name: letters, digits, '.', '_' and '-' only";
  if (d.octets.size() > depot_max) return "more than 4 MiB";
  if (!archive_de(d.nom) && !source_du_langage(d.nom, d.langage))
    return "not a .zip, a .tar.gz nor a " + d.langage + " source file";
  return std::nullopt;
}

std::optional<std::string> range(const Depot& d, const fs::path& dossier,
                                 const PlafondsArchive& plafonds) {
  fs::create_directories(dossier);
  if (archive_de(d.nom)) try {
      return deballe(d.octets, dossier, plafonds);
    } catch (const fs::filesystem_error& e) {
      return std::string("cannot unpack: ") + e.code().message();
    }
  std::ofstream(dossier / d.nom, std::ios::binary)
      .write(d.octets.data(), static_cast<std::streamsize>(d.octets.size()));
  return std::nullopt;
}

std::int64_t enregistre(sqlite3* base, std::int64_t eleve, const std::string& langage) {
  Requete r = prepare(base,
                      "INSERT INTO versions (eleve, numero, langage, deposee, etat) VALUES "
                      "(?1, (SELECT COALESCE(MAX(numero), 0) + 1 FROM versions WHERE eleve = ?1), "
                      "?2, strftime('%Y-%m-%d %H:%M:%S', 'now'), 'attente')");
  sqlite3_bind_int64(r.get(), 1, eleve);
  sqlite3_bind_text(r.get(), 2, langage.data(), static_cast<int>(langage.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(r.get()) != SQLITE_DONE) throw ErreurBase(sqlite3_errmsg(base));
  return sqlite3_last_insert_rowid(base);
}

}  // namespace

std::variant<std::int64_t, std::string> depose(sqlite3* base, const fs::path& ligue,
                                               std::int64_t eleve, const Depot& d,
                                               const PlafondsArchive& plafonds) {
  if (auto r = refus(d)) return *r;
  const fs::path provisoire = ligue / "versions" / (".depot-" + nouveau_jeton());
  if (auto r = range(d, provisoire, plafonds)) {
    fs::remove_all(provisoire);
    return *r;
  }
  try {
    execute(base, "BEGIN IMMEDIATE");
    const std::int64_t id = enregistre(base, eleve, d.langage);
    fs::remove_all(dossier_version(ligue, id));  // left by a crash before a commit
    fs::rename(provisoire, dossier_version(ligue, id));
    std::ofstream(fichier_source(ligue, id)) << (archive_de(d.nom) ? "" : d.nom);
    execute(base, "COMMIT");
    return id;
  } catch (...) {
    sqlite3_exec(base, "ROLLBACK", nullptr, nullptr, nullptr);
    fs::remove_all(provisoire);
    throw;
  }
}

std::string source_unique(const fs::path& ligue, std::int64_t version) {
  std::string nom;
  std::ifstream(fichier_source(ligue, version)) >> nom;
  return nom;
}
