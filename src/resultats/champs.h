// The field names of the results' JSON, written once: texte_json writes them
// and the programs that read a results file (arene-tournoi) look them up.
#pragma once

namespace resultats {

namespace champ {

// The match.
inline constexpr const char* format = "format";
inline constexpr const char* version = "version";
inline constexpr const char* graine = "graine";
inline constexpr const char* raison = "raison";
inline constexpr const char* tick_debut = "tick_debut";
inline constexpr const char* tick_fin = "tick_fin";
inline constexpr const char* ticks = "ticks";
inline constexpr const char* duree_s = "duree_s";
inline constexpr const char* cadence = "cadence";
inline constexpr const char* en_cours = "en_cours";
inline constexpr const char* enregistrement = "enregistrement";  // present when recorded
inline constexpr const char* ticks_perdus = "ticks_perdus";      // in enregistrement
inline constexpr const char* erreur = "erreur";                  // in enregistrement
inline constexpr const char* joueurs = "joueurs";

// Each player of joueurs.
inline constexpr const char* couleur = "couleur";
inline constexpr const char* nom = "nom";  // when the colour was given a name
inline constexpr const char* rang = "rang";
inline constexpr const char* etat = "etat";
inline constexpr const char* pt_vie = "pt_vie";
inline constexpr const char* tick_enregistrement = "tick_enregistrement";
inline constexpr const char* tick_destruction = "tick_destruction";
inline constexpr const char* detruit_par = "detruit_par";
inline constexpr const char* tick_depart = "tick_depart";
inline constexpr const char* touches_donnees = "touches_donnees";
inline constexpr const char* touches_recues = "touches_recues";
inline constexpr const char* touches = "touches";
inline constexpr const char* cible = "cible";  // in touches
inline constexpr const char* n = "n";          // in touches
inline constexpr const char* balles_tirees = "balles_tirees";
inline constexpr const char* quitte = "quitte";
inline constexpr const char* deconnexions = "deconnexions";

}  // namespace champ

}  // namespace resultats
