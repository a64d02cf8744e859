#include "tournoi/configuration.h"

#include <toml++/toml.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numeric>
#include <set>
#include <string_view>

#include "langue/langue.h"
#include "tournoi/couleurs.h"
#include "tournoi/fichiers.h"
#include "tournoi/noms.h"

namespace {

using Cles = std::initializer_list<std::string_view>;

struct Lecteur {
  std::filesystem::path dossier_base;
  std::vector<ErreurTournoi> erreurs;

  void erreur(const toml::node* noeud, std::string cle, std::string message) {
    const int ligne = noeud ? static_cast<int>(noeud->source().begin.line) : 0;
    erreurs.push_back({ligne, std::move(cle), std::move(message)});
  }

  void cles_connues(const toml::table& table, const std::string& prefixe, Cles connues) {
    for (auto&& [cle, valeur] : table)
      if (std::find(connues.begin(), connues.end(), cle.str()) == connues.end())
        erreur(&valeur, prefixe + std::string(cle.str()), _("unknown key"));
  }

  std::optional<std::int64_t> entier(const toml::table& table, const std::string& prefixe,
                                     std::string_view cle, std::int64_t min, std::int64_t max) {
    const toml::node* noeud = table.get(cle);
    if (!noeud) return std::nullopt;
    const auto valeur = noeud->value_exact<std::int64_t>();
    if (!valeur || *valeur < min || *valeur > max) {
      erreur(
          noeud, prefixe + std::string(cle),
          _("expected an integer from ") + std::to_string(min) + _(" to ") + std::to_string(max));
      return std::nullopt;
    }
    return valeur;
  }

  std::optional<double> secondes(const toml::table& table, const std::string& prefixe,
                                 std::string_view cle) {
    const toml::node* noeud = table.get(cle);
    if (!noeud) return std::nullopt;
    const auto valeur = noeud->value<double>();
    if (!valeur || !(*valeur > 0) || *valeur > 86400) {
      erreur(noeud, prefixe + std::string(cle), _("expected a number of seconds above 0"));
      return std::nullopt;
    }
    return valeur;
  }

  std::optional<std::string> texte(const toml::table& table, const std::string& prefixe,
                                   std::string_view cle) {
    const toml::node* noeud = table.get(cle);
    if (!noeud) return std::nullopt;
    if (!noeud->is_string()) {
      erreur(noeud, prefixe + std::string(cle), _("expected a string"));
      return std::nullopt;
    }
    return noeud->as_string()->get();
  }

  const toml::table* sous_table(const toml::table& table, std::string_view cle) {
    const toml::node* noeud = table.get(cle);
    if (noeud && !noeud->is_table()) erreur(noeud, std::string(cle), _("expected a table"));
    return noeud ? noeud->as_table() : nullptr;
  }

  std::filesystem::path chemin(const std::string& texte_chemin) const {
    return (dossier_base / texte_chemin).lexically_normal();
  }
};

// A number of seconds, or the referee's own text; a day at most.
std::optional<match::DureePartie> lit_duree_toml(const toml::node& noeud) {
  std::optional<match::DureePartie> duree;
  if (const auto nombre = noeud.value<double>(); nombre && !noeud.is_string()) {
    if (*nombre > 0 && std::isfinite(*nombre)) duree = match::DureePartie{*nombre};
  } else if (noeud.is_string()) {
    duree = match::lit_duree(noeud.as_string()->get());
  }
  if (duree && !(secondes_de(*duree) <= max_duree_s)) return std::nullopt;
  return duree;
}

void lit_format(Lecteur& l, const toml::table& racine, Tournoi& t) {
  const toml::table* table = l.sous_table(racine, "format");
  if (!table) return;
  l.cles_connues(*table, "format.", {"type", "taille", "repetitions"});
  if (const auto type = l.texte(*table, "format.", "type")) {
    if (*type == "groupes")
      t.format = Format::Groupes;
    else if (*type != "melee")
      l.erreur(table->get("type"), "format.type", _("expected \"melee\" or \"groupes\""));
  }
  if (const auto taille = l.entier(*table, "format.", "taille", 2, 64))
    t.taille = static_cast<int>(*taille);
  if (const auto repetitions = l.entier(*table, "format.", "repetitions", 1, 100000))
    t.repetitions = static_cast<int>(*repetitions);
}

void lit_graines(Lecteur& l, const toml::table& table, Tournoi& t) {
  const toml::node* noeud = table.get("graines");
  if (!noeud) return;
  const toml::array* liste = noeud->as_array();
  if (!liste || liste->empty()) {
    l.erreur(noeud, "match.graines", _("expected a non-empty list of integers"));
    return;
  }
  for (std::size_t i = 0; i < liste->size(); ++i) {
    const auto graine = (*liste)[i].value_exact<std::int64_t>();
    if (!graine || *graine < 0)
      l.erreur(&(*liste)[i], "match.graines[" + std::to_string(i) + "]",
               _("expected an integer from 0"));
    else
      t.graines.push_back(static_cast<std::uint64_t>(*graine));
  }
}

void lit_match(Lecteur& l, const toml::table& racine, Tournoi& t) {
  const toml::table* table = l.sous_table(racine, "match");
  if (!table) {
    l.erreur(nullptr, "match", _("missing table: the match duration is needed"));
    return;
  }
  l.cles_connues(*table, "match.",
                 {"duree", "fin", "attente", "delai_fin", "graines", "graine_base"});
  if (const toml::node* noeud = table->get("duree")) {
    if (const auto duree = lit_duree_toml(*noeud))
      t.duree = *duree;
    else
      l.erreur(noeud, "match.duree",
               _("expected seconds (20, \"20s\") or ticks (\"800t\"), a day at most (86400 s, "
                 "3456000t)"));
  } else {
    l.erreur(table, "match.duree", _("missing key: how long a match lasts"));
  }
  if (const auto fin = l.texte(*table, "match.", "fin")) {
    if (*fin == "survivant")
      t.fin = RegleFin::Survivant;
    else if (*fin != "duree")
      l.erreur(table->get("fin"), "match.fin", _("expected \"duree\" or \"survivant\""));
  }
  if (const auto s = l.secondes(*table, "match.", "attente")) t.attente_s = *s;
  if (const auto s = l.secondes(*table, "match.", "delai_fin")) t.delai_fin_s = *s;
  if (const auto base = l.entier(*table, "match.", "graine_base", 0, INT64_MAX))
    t.graine_base = static_cast<std::uint64_t>(*base);
  lit_graines(l, *table, t);
  if (table->get("graines") && table->get("graine_base"))
    l.erreur(table->get("graine_base"), "match.graine_base",
             _("give graines or graine_base, not both"));
}

// Only the placeholders a match fills in may appear, so that a typo shows now
// rather than as a bot that never registers.
void verifie_commande(Lecteur& l, const toml::node* noeud, const std::string& cle,
                      const std::string& commande) {
  static const std::set<std::string> connus = {"{host}", "{port}", "{couleur}", "{duree}"};
  for (std::size_t debut = commande.find('{'); debut != std::string::npos;
       debut = commande.find('{', debut + 1)) {
    const std::size_t fin = commande.find('}', debut);
    const std::string champ =
        commande.substr(debut, fin == std::string::npos ? fin : fin - debut + 1);
    if (!connus.contains(champ))
      l.erreur(noeud, cle,
               _("unknown placeholder ") + champ + _(" (known: {host} {port} {couleur} {duree})"));
  }
  for (const char* requis : {"{port}", "{couleur}"})
    if (commande.find(requis) == std::string::npos)
      l.erreur(noeud, cle, std::string(_("the command needs ")) + requis);
}

bool nom_valide(const std::string& nom) {
  return !nom.empty() && nom.size() <= 64 && nom.front() != '.' &&
         std::all_of(nom.begin(), nom.end(), [](char c) {
           return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
         });
}

void lit_bot(Lecteur& l, const toml::table& table, std::size_t i, Tournoi& t) {
  const std::string prefixe = "bots[" + std::to_string(i) + "].";
  l.cles_connues(table, prefixe, {"nom", "commande", "dossier", "couleur", "construction"});
  BotInscrit bot;
  bot.dossier = l.dossier_base;
  if (const auto nom = l.texte(table, prefixe, "nom")) {
    bot.nom = *nom;
    if (const auto probleme = probleme_nom(bot.nom))
      l.erreur(table.get("nom"), prefixe + "nom",
               *probleme + _(" (any letters, digits, spaces and signs, ") +
                   std::to_string(noms::nom_max) + _(" characters at most)"));
    for (const auto& autre : t.bots)
      if (autre.nom == bot.nom) l.erreur(table.get("nom"), prefixe + "nom", _("name already used"));
  } else if (!table.get("nom")) {
    l.erreur(&table, prefixe + "nom", _("missing key"));
  }
  if (const auto commande = l.texte(table, prefixe, "commande")) {
    bot.commande = *commande;
    verifie_commande(l, table.get("commande"), prefixe + "commande", bot.commande);
  } else if (!table.get("commande")) {
    l.erreur(&table, prefixe + "commande", _("missing key"));
  }
  if (const auto dossier = l.texte(table, prefixe, "dossier")) {
    bot.dossier = l.chemin(*dossier);
    // Else every match would start it in vain, and it would lose them all.
    if (!std::filesystem::is_directory(bot.dossier))
      l.erreur(table.get("dossier"), prefixe + "dossier",
               _("no such folder: ") + bot.dossier.string());
  }
  bot.construction = l.texte(table, prefixe, "construction").value_or("");
  if (const auto couleur = l.entier(table, prefixe, "couleur", 0, masque_affichage)) {
    bot.couleur = *couleur;
    for (const auto& autre : t.bots)
      if (autre.couleur == bot.couleur)
        l.erreur(table.get("couleur"), prefixe + "couleur",
                 _("colour already used by ") + autre.nom);
  } else {
    bot.couleur = -1;  // chosen once every bot is read
  }
  t.bots.push_back(std::move(bot));
}

void donne_couleurs(Lecteur& l, const toml::node* noeud, Tournoi& t,
                    const std::vector<bool>& choisies) {
  std::vector<std::int64_t> fixees;
  for (std::size_t i = 0; i < t.bots.size(); ++i)
    if (choisies[i]) fixees.push_back(t.bots[i].couleur);
  const auto couleurs = couleurs_eloignees(fixees, t.bots.size() - fixees.size());
  if (!couleurs)
    return l.erreur(noeud, "bots",
                    _("more bots without a colour than the 16777216 colours to give"));
  auto suivante = couleurs->begin();
  for (std::size_t i = 0; i < t.bots.size(); ++i)
    if (!choisies[i]) t.bots[i].couleur = *suivante++;
}

void lit_bots(Lecteur& l, const toml::table& racine, Tournoi& t) {
  const toml::node* noeud = racine.get("bots");
  if (!noeud || !noeud->is_array_of_tables()) {
    l.erreur(noeud, "bots", _("expected [[bots]] tables, one per bot"));
    return;
  }
  std::vector<bool> choisies;
  const toml::array& bots = *noeud->as_array();
  for (std::size_t i = 0; i < bots.size(); ++i) {
    choisies.push_back(bots[i].as_table()->get("couleur") != nullptr);
    lit_bot(l, *bots[i].as_table(), i, t);
  }
  donne_couleurs(l, noeud, t, choisies);
  if (t.bots.size() < 2) l.erreur(noeud, "bots", _("a tournament needs at least 2 bots"));
}

void lit_classement(Lecteur& l, const toml::table& racine, Tournoi& t) {
  const toml::table* table = l.sous_table(racine, "classement");
  if (!table) return;
  l.cles_connues(*table, "classement.", {"bootstrap"});
  if (const auto n = l.entier(*table, "classement.", "bootstrap", 0, 100000))
    t.bootstrap = static_cast<int>(*n);
}

// Each bot's limits in its cage; sizes in MiB.
void lit_cage(Lecteur& l, const toml::table& racine, Tournoi& t) {
  const toml::table* table = l.sous_table(racine, "cage");
  if (!table) return;
  l.cles_connues(*table, "cage.",
                 {"memoire", "processus", "fichiers", "brouillon", "journal", "lectures"});
  if (const toml::node* noeud = table->get("lectures")) {
    const toml::array* liste = noeud->as_array();
    if (!liste) l.erreur(noeud, "cage.lectures", "expected an array of folders");
    for (std::size_t i = 0; liste && i < liste->size(); ++i) {
      const auto dossier = liste->get(i)->value<std::string>();
      if (dossier)
        t.lectures.push_back(l.chemin(*dossier));
      else
        l.erreur(liste->get(i), "cage.lectures", "expected a folder");
    }
  }
  cage::Limites& c = t.limites;
  const auto taille = [&](std::string_view cle, std::uint64_t& valeur) {
    if (const auto n = l.entier(*table, "cage.", cle, 1, 1 << 20))
      valeur = static_cast<std::uint64_t>(*n) * cage::mio;
  };
  taille("memoire", c.memoire);
  taille("brouillon", c.brouillon);
  taille("journal", c.journal);
  if (const auto n = l.entier(*table, "cage.", "processus", 8, 100000))
    c.processus = static_cast<int>(*n);
  if (const auto n = l.entier(*table, "cage.", "fichiers", 16, 1 << 20))
    c.fichiers = static_cast<int>(*n);
}

// Checks that need the whole file: the group size against the bots, the seeds
// against the matches.
void verifie_ensemble(Lecteur& l, const toml::table& racine, const Tournoi& t) {
  if (t.format == Format::Groupes && t.taille > static_cast<int>(t.bots.size()) &&
      t.bots.size() >= 2)
    l.erreur(racine["format"]["taille"].node(), "format.taille",
             _("groups of ") + std::to_string(t.taille) + _(" need as many bots; there are ") +
                 std::to_string(t.bots.size()));
  if (t.format == Format::Melee && t.bots.size() > max_bots_par_match)
    l.erreur(racine["bots"].node(), "bots",
             std::to_string(t.bots.size()) + _(" bots in one match; a match takes at most ") +
                 std::to_string(max_bots_par_match) +
                 _(" (each bot is a process): use [format] type = \"groupes\""));
  if (!l.erreurs.empty()) return;
  const auto matchs = nombre_de_matchs(t);
  if (!matchs || *matchs > max_matchs) {
    const std::string nombre =
        matchs ? std::to_string(*matchs)
               : _("more than ") + std::to_string(std::numeric_limits<std::uint64_t>::max());
    const std::string fois =
        t.repetitions > 1 ? ", " + std::to_string(t.repetitions) + _(" times each,") : "";
    return l.erreur(racine["format"].node(), "format",
                    std::to_string(t.bots.size()) + _(" bots in groups of ") +
                        std::to_string(t.taille) + fois + _(" make ") + nombre +
                        _(" matches; a tournament plays at most ") + std::to_string(max_matchs));
  }
  if (!t.graines.empty() && t.graines.size() < *matchs)
    l.erreur(racine["match"]["graines"].node(), "match.graines",
             std::to_string(t.graines.size()) + _(" seeds for ") + std::to_string(*matchs) +
                 _(" matches"));
}

}  // namespace

std::string texte_nombre(double valeur) {
  char texte[32];
  const auto fin = std::to_chars(texte, texte + sizeof texte, valeur).ptr;
  return std::string(texte, fin);
}

std::string texte_de(const match::DureePartie& duree) {
  return texte_nombre(duree.valeur) + (duree.unite == match::DureePartie::Unite::Ticks ? "t" : "s");
}

double secondes_de(const match::DureePartie& duree) {
  return duree.unite == match::DureePartie::Unite::Ticks ? duree.valeur / 40.0 : duree.valeur;
}

std::optional<std::uint64_t> nombre_de_matchs(const Tournoi& tournoi) {
  const auto repetitions = static_cast<std::uint64_t>(tournoi.repetitions);
  if (tournoi.format == Format::Melee) return repetitions;
  // Every group of `taille` bots once per repetition: n choose k, built as
  // C(n, i + 1) = C(n, i) (n - i) / (i + 1), each step exact. Dividing first
  // by what i + 1 shares with C(n, i) keeps the product from overflowing
  // unless the result does.
  const std::uint64_t n = tournoi.bots.size();
  const std::uint64_t k = std::min<std::uint64_t>(static_cast<std::uint64_t>(tournoi.taille),
                                                  n - std::min<std::uint64_t>(n, tournoi.taille));
  if (static_cast<std::uint64_t>(tournoi.taille) > n) return 0;
  std::uint64_t groupes = 1;
  for (std::uint64_t i = 0; i < k; ++i) {
    const std::uint64_t commun = std::gcd(groupes, i + 1);
    if (__builtin_mul_overflow(groupes / commun, (n - i) / ((i + 1) / commun), &groupes))
      return std::nullopt;
  }
  std::uint64_t matchs = 0;
  if (__builtin_mul_overflow(groupes, repetitions, &matchs)) return std::nullopt;
  return matchs;
}

LectureTournoi lit_tournoi_texte(const std::string& texte,
                                 const std::filesystem::path& dossier_base) {
  Lecteur l{dossier_base, {}};
  toml::table racine;
  try {
    racine = toml::parse(texte);
  } catch (const toml::parse_error& e) {
    l.erreurs.push_back(
        {static_cast<int>(e.source().begin.line), "", std::string(e.description())});
    return {std::nullopt, l.erreurs};
  }
  Tournoi t;
  l.cles_connues(racine, "", {"nom", "arbitre", "format", "match", "bots", "classement", "cage"});
  t.nom = l.texte(racine, "", "nom").value_or("");
  if (!t.nom.empty() && !nom_valide(t.nom))
    l.erreur(racine.get("nom"), "nom", _("use letters, digits, '_', '-' and '.' (64 at most)"));
  if (const auto arbitre = l.texte(racine, "", "arbitre")) t.arbitre = l.chemin(*arbitre);
  lit_format(l, racine, t);
  lit_match(l, racine, t);
  lit_bots(l, racine, t);
  lit_classement(l, racine, t);
  lit_cage(l, racine, t);
  verifie_ensemble(l, racine, t);
  std::stable_sort(l.erreurs.begin(), l.erreurs.end(),
                   [](const auto& a, const auto& b) { return a.ligne < b.ligne; });
  if (!l.erreurs.empty()) return {std::nullopt, l.erreurs};
  return {std::move(t), {}};
}

LectureTournoi lit_tournoi(const std::filesystem::path& fichier) {
  std::string texte;
  try {
    texte = lit_fichier(fichier);
  } catch (const std::runtime_error&) {
    return {std::nullopt, {{0, "", _("cannot be read")}}};
  }
  const auto dossier = std::filesystem::absolute(fichier).parent_path();
  LectureTournoi lecture = lit_tournoi_texte(texte, dossier);
  if (lecture.tournoi && lecture.tournoi->nom.empty()) {
    const std::string tige = fichier.stem().string();
    lecture.tournoi->nom = nom_valide(tige) ? tige : "tournoi";
  }
  return lecture;
}

std::string texte_erreur(const std::filesystem::path& fichier, const ErreurTournoi& erreur) {
  std::string texte = fichier.string();
  if (erreur.ligne > 0) texte += ":" + std::to_string(erreur.ligne);
  texte += ": ";
  if (!erreur.cle.empty()) texte += erreur.cle + ": ";
  return texte + erreur.message;
}
