// What the private pages send: a student's upload, the teacher's changes.
// Each needs the link's token and a request from the league's own pages.
#include <map>

#include "ligue/base.h"
#include "ligue/depot.h"
#include "ligue/jetons.h"
#include "ligue/prive.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* texte_brut = "text/plain; charset=utf-8";

tribune::PageHttp interdit() { return {403, texte_brut, "forbidden\n"}; }

// A browser says where a POST comes from: from another site, it is refused,
// and so is one that says nothing at all. A form's POST says "null" as its
// origin, the pages sending no referrer, and counts on Sec-Fetch-Site.
bool meme_site(const tribune::DemandeHttp& r) {
  if (!r.site.empty() && r.site != "same-origin") return false;
  if (!r.origine.empty() && r.origine != "null") return r.origine == "http://" + r.hote;
  return r.site == "same-origin";
}

int chiffre_hexa(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string decode(std::string_view s) {
  std::string sortie;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '+') {
      sortie += ' ';
    } else if (s[i] == '%' && i + 2 < s.size() && chiffre_hexa(s[i + 1]) >= 0 &&
               chiffre_hexa(s[i + 2]) >= 0) {
      sortie += static_cast<char>(chiffre_hexa(s[i + 1]) * 16 + chiffre_hexa(s[i + 2]));
      i += 2;
    } else {
      sortie += s[i];
    }
  }
  return sortie;
}

// "a=1&b=x%20y" as a map, for a query string and a form's body alike.
std::map<std::string, std::string> champs(std::string_view texte) {
  std::map<std::string, std::string> c;
  while (!texte.empty()) {
    const std::string_view paire = texte.substr(0, texte.find('&'));
    const auto egal = paire.find('=');
    c[decode(paire.substr(0, egal))] =
        egal == std::string_view::npos ? "" : decode(paire.substr(egal + 1));
    texte.remove_prefix(std::min(texte.size(), paire.size() + 1));
  }
  return c;
}

tribune::PageHttp retour(const std::string& racine) {
  tribune::PageHttp p{303, texte_brut, ""};
  p.emplacement = racine;
  return p;
}

tribune::PageHttp depot(sqlite3* base, const fs::path& ligue, std::int64_t eleve,
                        const tribune::DemandeHttp& r) {
  const auto q = r.cible.find('?');
  auto c = champs(q == std::string::npos ? "" : std::string_view(r.cible).substr(q + 1));
  const auto resultat = depose(base, ligue, eleve, {c["langage"], c["nom"], r.corps});
  if (const auto* pourquoi = std::get_if<std::string>(&resultat))
    return {400, texte_brut, *pourquoi + "\n"};
  // The number the student's page shows, theirs; not the league's count of versions.
  Requete numero = prepare(base, "SELECT numero FROM versions WHERE id = ?1");
  sqlite3_bind_int64(numero.get(), 1, std::get<std::int64_t>(resultat));
  if (sqlite3_step(numero.get()) != SQLITE_ROW) throw ErreurBase(sqlite3_errmsg(base));
  return {200, texte_brut, "version " + colonne(numero.get(), 0) + "\n"};
}

std::optional<tribune::PageHttp> action_admin(sqlite3* base, const std::string& racine,
                                              std::string_view quoi,
                                              const tribune::DemandeHttp& r) {
  auto c = champs(r.corps);
  if (quoi == "pause") {
    met_en_pause(base, c["pause"] == "1");
  } else if (quoi == "eleve") {
    if (c["nom"].empty() || c["nom"].size() > 100)
      return tribune::PageHttp{400, texte_brut, "name\n"};
    try {
      execute_avec(base, "INSERT INTO eleves (nom, jeton) VALUES (?1, ?2)",
                   {c["nom"], nouveau_jeton()});
    } catch (const ErreurBase&) {
      return tribune::PageHttp{409, texte_brut, "this name is taken\n"};
    }
  } else if (quoi == "actif") {
    execute_avec(base, "UPDATE eleves SET actif = ?1 WHERE id = ?2",
                 {c["actif"] == "1" ? "1" : "0", c["eleve"]});
  } else if (quoi == "jeton") {
    execute_avec(base, "UPDATE eleves SET jeton = ?1 WHERE id = ?2", {nouveau_jeton(), c["eleve"]});
  } else {
    return std::nullopt;
  }
  return retour(racine);
}

}  // namespace

tribune::PageHttp action_ligue(const fs::path& fichier, const tribune::DemandeHttp& r, Langue l) {
  const std::string_view chemin = std::string_view(r.cible).substr(0, r.cible.find('?'));
  const bool admin = chemin.starts_with("/admin/");
  if (!admin && !chemin.starts_with("/eleve/")) return interdit();
  const std::string_view apres = chemin.substr(7);
  const std::string_view jeton = apres.substr(0, apres.find('/'));
  const std::string_view quoi =
      jeton.size() < apres.size() ? apres.substr(jeton.size() + 1) : std::string_view();
  Base base = ouvre_base(fichier, false);
  if (admin) {
    if (!jeton_admin_valide(base.get(), jeton) || !meme_site(r)) return interdit();
    if (auto p = action_admin(base.get(), "/admin/" + std::string(jeton), quoi, r)) return *p;
  } else {
    const auto eleve = eleve_du_jeton(base.get(), jeton);
    if (!eleve || !meme_site(r)) return interdit();
    if (quoi == "depot") return depot(base.get(), fichier.parent_path(), *eleve, r);
  }
  return {404, texte_brut, mots(l).introuvable + "\n"};
}

tribune::PageHttp script_depot() {
  // The file goes as the POST's raw body, its name and language in the query.
  return {200, "text/javascript; charset=utf-8",
          R"(document.getElementById('depot').onsubmit = async (e) => {
  e.preventDefault();
  const f = document.getElementById('fichier').files[0];
  const r = document.getElementById('reponse');
  if (!f) return;
  const q = new URLSearchParams({langage: document.getElementById('langage').value, nom: f.name});
  const reponse = await fetch(e.target.dataset.cible + '?' + q, {method: 'POST', body: f});
  r.textContent = await reponse.text();
  if (reponse.ok) setTimeout(() => location.reload(), 500);
};
)"};
}
