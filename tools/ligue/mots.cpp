#include "ligue/prive.h"

namespace {

const Mots francais{
    "Déposer une version",
    "Envoyer",
    "Vos versions",
    "Pas encore de version.",
    "<th>Version</th><th>Langage</th><th>Déposée</th><th>État</th>",
    "Journal de construction",
    "Vos matchs",
    "Pas encore de match.",
    "<th>Match</th><th>État</th><th>Date</th><th>Version</th><th>Rang</th><th></th>",
    "revoir",
    "journal de votre bot",
    "Contre chaque adversaire",
    "<th>Adversaire</th><th>Devant</th><th>Derrière</th><th>À égalité</th>",
    "Votre note",
    "<th>Après le match</th><th>Version</th><th>Note (intervalle à 95 %)</th>",
    "Page introuvable.",
    "en attente",
    "en construction",
    "prête",
    "échec",
    "prévu",
    "en cours",
    "fini",
    "abandonné",
    "Réglages",
    "Saison",
    "en pause",
    "en marche",
    "Mettre en pause",
    "Reprendre",
    "Élèves",
    "<th>Nom</th><th>Lien</th><th>Bot</th><th>Versions</th><th>Dernière</th><th></th>",
    "Activer",
    "Désactiver",
    "Nouveau lien",
    "Ajouter",
    "Résultats",
    "Matchs et enregistrements",
    "télécharger",
    "Votre note au fil des matchs",
    "Matchs en cours",
    "<th>Match</th><th>Bots</th><th>Depuis</th><th>Processus</th>",
    "matchs à la fois",
    "Tous les enregistrements (.tar.gz)",
    "ici",
    "L’archive des enregistrements n’a pas pu être écrite (disque plein ?).\n"};

const Mots anglais{
    "Send a version",
    "Send",
    "Your versions",
    "No version yet.",
    "<th>Version</th><th>Language</th><th>Sent</th><th>State</th>",
    "Build log",
    "Your matches",
    "No matches yet.",
    "<th>Match</th><th>State</th><th>Date</th><th>Version</th><th>Rank</th><th></th>",
    "replay",
    "your bot's log",
    "Against each opponent",
    "<th>Opponent</th><th>Ahead</th><th>Behind</th><th>Tied</th>",
    "Your rating",
    "<th>After match</th><th>Version</th><th>Rating (95 % interval)</th>",
    "No such page.",
    "waiting",
    "building",
    "ready",
    "failed",
    "planned",
    "running",
    "finished",
    "abandoned",
    "Settings",
    "Season",
    "paused",
    "running",
    "Pause",
    "Resume",
    "Students",
    "<th>Name</th><th>Link</th><th>Bot</th><th>Versions</th><th>Latest</th><th></th>",
    "Enable",
    "Disable",
    "New link",
    "Add",
    "Results",
    "Matches and recordings",
    "download",
    "Your rating over the matches",
    "Running matches",
    "<th>Match</th><th>Bots</th><th>Since</th><th>Process</th>",
    "matches at once",
    "Every recording (.tar.gz)",
    "here",
    "The recordings' archive could not be written (a full disk?).\n"};

}  // namespace

const Mots& mots(Langue l) { return l == Langue::Francais ? francais : anglais; }

std::string etat_lisible(const Mots& m, const std::string& etat) {
  const std::pair<const char*, const std::string*> etats[] = {
      {"attente", &m.attente}, {"construction", &m.construction},
      {"prete", &m.prete},     {"echec", &m.echec},
      {"prevu", &m.prevu},     {"en_cours", &m.en_cours},
      {"fini", &m.fini},       {"abandonne", &m.abandonne}};
  for (const auto& [cle, mot] : etats)
    if (etat == cle) return *mot;
  return etat;
}

std::filesystem::path journal_bot(const std::filesystem::path& ligue, std::int64_t match,
                                  std::int64_t version) {
  return ligue / "matchs" / std::to_string(match) / ("version-" + std::to_string(version) + ".log");
}

std::string colonne(sqlite3_stmt* r, int i) {
  const auto* t = sqlite3_column_text(r, i);
  return t ? reinterpret_cast<const char*>(t) : "";
}

std::string liens_enregistrement(const std::string& racine, const std::string& match,
                                 const std::string& mot, const Mots& m) {
  const std::string chemin = racine + "/enregistrement/" + match;
  std::string encode;  // as a query's value: the token's characters need nothing else
  for (const char c : chemin) encode += c == '/' ? std::string("%2F") : std::string(1, c);
  return "<a class=revoir href=\"/visionneuse.html?enregistrement=" + encode + "\">" +
         tribune::echappe_html(mot) + "</a> (<a href=\"" + chemin + "\">" + m.telecharger + "</a>)";
}

std::string cellule(const std::string& t) { return "<td>" + tribune::echappe_html(t) + "</td>"; }
