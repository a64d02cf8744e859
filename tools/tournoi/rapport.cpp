#include "tournoi/rapport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>

#include "langue/langue.h"
#include "resultats/resultats.h"
#include "tournoi/noms.h"
#include "tribune/service_http.h"

namespace {

using nlohmann::json;

std::string format(const char* modele, auto... valeurs) {
  char texte[512];
  std::snprintf(texte, sizeof texte, modele, valeurs...);
  return texte;
}

std::string couleur_css(std::int64_t couleur) {
  return format("#%06llx", static_cast<unsigned long long>(couleur) & 0xFFFFFFULL);
}

std::string encode_url(const std::string& texte) {
  std::string sortie;
  for (unsigned char c : texte) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~' || c == '/')
      sortie += static_cast<char>(c);
    else
      sortie += format("%%%02X", c);
  }
  return sortie;
}

// Quoted when it holds a comma, a quote or a line break (RFC 4180).
std::string champ_csv(const std::string& texte) {
  if (texte.find_first_of(",\"\r\n") == std::string::npos) return texte;
  std::string sortie = "\"";
  for (char c : texte) sortie += c == '"' ? std::string("\"\"") : std::string(1, c);
  return sortie + "\"";
}

// "1612 [1540, 1690]", or the rating alone with why it has no interval.
std::string texte_note(const LigneClassement& l, const char* trop_peu) {
  if (l.intervalle_note_valable)
    return format("%.0f [%.0f, %.0f]", l.note, l.intervalle_note.bas, l.intervalle_note.haut);
  return format("%.0f (%s)", l.note, trop_peu);
}

// The page holds both languages: English in the text, French in data-fr,
// which its script shows to a French browser. Both are HTML.
std::string en_deux_langues(const std::string& en, const std::string& fr) {
  return "<span data-fr=\"" + tribune::echappe_html(fr) + "\">" + en + "</span>";
}

std::string separation(bool dernier, bool separe, bool page) {
  if (dernier) return "";
  if (page)
    return separe ? en_deux_langues("ahead", "devant")
                  : en_deux_langues("not separated", "non séparé");
  return separe ? _("ahead") : _("not separated");
}

// `texte` as one word for sh, quoted only when it has to be.
std::string citation_shell(const std::string& texte) {
  if (!texte.empty() &&
      texte.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                              "0123456789_-./+:@%,") == std::string::npos)
    return texte;
  std::string sortie = "'";
  for (char c : texte) sortie += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return sortie + "'";
}

std::size_t termines(const Rapport& r) {
  return static_cast<std::size_t>(std::count_if(r.resultats.begin(), r.resultats.end(),
                                                [](const auto& m) { return m.termine; }));
}

}  // namespace

std::string tableau(const Rapport& r) {
  std::string texte = format(_("%s: %zu of %zu matches finished\n"), r.plan.tournoi.nom.c_str(),
                             termines(r), r.plan.matchs.size());
  std::size_t largeur = 20;
  for (const auto& l : r.lignes) largeur = std::max(largeur, noms::caracteres(l.nom).size());
  // Translations keep the columns' widths.
  texte += " #  " + cadre_a_gauche(_("bot"), largeur) +
           _(" colour                          matches  wins  win rate [95 %]     mean rank  "
             "rating [95 %]           vs next        failures\n");
  bool non_separes = false;
  for (std::size_t i = 0; i < r.lignes.size(); ++i) {
    const LigneClassement& l = r.lignes[i];
    const bool dernier = i + 1 == r.lignes.size();
    non_separes |= !dernier && !l.separe_du_suivant;
    texte += format("%2zu  ", i + 1) + cadre_a_gauche(l.nom, largeur) +
             format(" %-30s  %7zu %5zu  %5.1f%% [%5.1f, %5.1f]  %9.2f  %-22s  %-13s  %8zu\n",
                    resultats::couleur_lisible(l.couleur).c_str(), l.matchs, l.victoires,
                    100 * l.taux_victoire, 100 * l.intervalle_victoire.bas,
                    100 * l.intervalle_victoire.haut, l.rang_moyen,
                    texte_note(l, _("too few matches")).c_str(),
                    separation(dernier, l.separe_du_suivant, false).c_str(), l.defaillances);
  }
  if (non_separes)
    texte +=
        _("not separated: this bot's rating interval and the next one's overlap, so their "
          "order may be chance\n");
  return texte;
}

std::string texte_csv(const Rapport& r) {
  std::string texte =
      "rang,bot,couleur,matchs,victoires,taux_victoire,victoire_bas,victoire_haut,rang_moyen,"
      "note,note_bas,note_haut,defaillances\n";
  for (std::size_t i = 0; i < r.lignes.size(); ++i) {
    const LigneClassement& l = r.lignes[i];
    texte += format("%zu,", i + 1) + champ_csv(l.nom) +
             format(",%lld,%zu,%zu,%.6f,%.6f,%.6f,%.4f,%.2f,%.2f,%.2f,%zu\n",
                    static_cast<long long>(l.couleur), l.matchs, l.victoires, l.taux_victoire,
                    l.intervalle_victoire.bas, l.intervalle_victoire.haut, l.rang_moyen, l.note,
                    l.intervalle_note.bas, l.intervalle_note.haut, l.defaillances);
  }
  return texte;
}

std::string texte_json(const Rapport& r) {
  json bots = json::array();
  for (std::size_t i = 0; i < r.lignes.size(); ++i) {
    const LigneClassement& l = r.lignes[i];
    bots.push_back(
        {{"rang", i + 1},
         {"nom", l.nom},
         {"couleur", l.couleur},
         {"matchs", l.matchs},
         {"victoires", l.victoires},
         {"taux_victoire", l.taux_victoire},
         {"intervalle_victoire", {l.intervalle_victoire.bas, l.intervalle_victoire.haut}},
         {"rang_moyen", l.rang_moyen},
         {"note", l.note},
         {"intervalle_note", {l.intervalle_note.bas, l.intervalle_note.haut}},
         {"defaillances", l.defaillances}});
  }
  json echecs = json::array();
  for (const auto& m : r.resultats)
    if (!m.termine) echecs.push_back({{"match", m.indice}, {"erreur", m.erreur}});
  return json{{"tournoi", r.plan.tournoi.nom},
              {"matchs", r.plan.matchs.size()},
              {"matchs_termines", termines(r)},
              {"matchs_en_echec", echecs},
              {"matchs_manquants", r.manquants},
              {"modele_note", "plackett-luce"},
              {"bots", bots}}
             .dump(1) +
         "\n";
}

std::string lien_visionneuse(const std::filesystem::path& dossier,
                             const std::filesystem::path& visionneuse,
                             const std::filesystem::path& enregistrement) {
  const auto vers_page =
      visionneuse.lexically_normal().lexically_relative(dossier.lexically_normal());
  const auto vers_fichier = enregistrement.lexically_normal().lexically_relative(
      visionneuse.lexically_normal().parent_path());
  return encode_url(vers_page.generic_string()) +
         "?enregistrement=" + encode_url(vers_fichier.generic_string());
}

namespace {

// One row per bot: its interval as a bar, its rating as a dot.
std::string graphique(const std::vector<LigneClassement>& lignes) {
  double bas = 1500, haut = 1500;
  for (const auto& l : lignes) {
    bas = std::min({bas, l.intervalle_note.bas, l.note});
    haut = std::max({haut, l.intervalle_note.haut, l.note});
  }
  const double pas =
      std::max(50.0, std::pow(10.0, std::floor(std::log10(std::max(1.0, haut - bas)))));
  bas = std::floor(bas / pas) * pas;
  haut = std::ceil(haut / pas) * pas + (haut == bas ? pas : 0);
  const double gauche = 160, largeur = 560, ligne = 28;
  const double hauteur = ligne * static_cast<double>(lignes.size()) + 40;
  const auto x = [&](double note) { return gauche + (note - bas) / (haut - bas) * largeur; };
  std::string svg = format(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
      "font-family=\"sans-serif\" font-size=\"13\">\n",
      gauche + largeur + 20, hauteur);
  for (double n = bas; n <= haut + 1e-9; n += pas)
    svg += format(
        "<line x1=\"%.1f\" y1=\"10\" x2=\"%.1f\" y2=\"%.0f\" stroke=\"#ddd\"/>"
        "<text x=\"%.1f\" y=\"%.0f\" text-anchor=\"middle\" fill=\"#555\">%.0f</text>\n",
        x(n), x(n), hauteur - 25, x(n), hauteur - 8, n);
  for (std::size_t i = 0; i < lignes.size(); ++i) {
    const LigneClassement& l = lignes[i];
    const double y = 25 + ligne * static_cast<double>(i);
    const std::string c = couleur_css(l.couleur);
    svg += format("<text x=\"%.0f\" y=\"%.1f\" text-anchor=\"end\">%s</text>", gauche - 10, y + 4,
                  tribune::echappe_html(l.nom).c_str());
    if (l.intervalle_note_valable)
      svg += format(
          "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#333\" "
          "stroke-width=\"3\"/>",
          x(l.intervalle_note.bas), y, x(l.intervalle_note.haut), y);
    svg += format(
        "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"6\" fill=\"%s\" stroke=\"#333\">"
        "<title data-fr=\"%s\">%s</title></circle>\n",
        x(l.note), y, c.c_str(), tribune::echappe_html(texte_note(l, "trop peu de matchs")).c_str(),
        texte_note(l, "too few matches").c_str());
  }
  return svg + "</svg>\n";
}

// One sentence per column of the ranking, in the table's order, in both languages.
struct Colonne {
  const char* titre;
  const char* sens;
  const char* titre_fr;
  const char* sens_fr;
};
constexpr Colonne colonnes[] = {
    {"#", "the place in the ranking, by rating.", "#", "la place au classement, par note."},
    {"bot", "the bot's name, and the colour it plays under in every match.", "bot",
     "le nom du bot, et la couleur sous laquelle il joue chaque match."},
    {"matches", "the finished matches it played in.", "matchs",
     "les matchs terminés qu'il a joués."},
    {"wins", "the matches it finished first alone (a shared first place is no win).", "victoires",
     "les matchs qu'il a finis premier seul (une première place partagée n'est pas une "
     "victoire)."},
    {"win rate [95 %]",
     "wins divided by matches, with the range that holds its true rate 19 times out of 20 "
     "(Wilson interval).",
     "taux de victoire [95 %]",
     "les victoires divisées par les matchs, avec l'intervalle qui contient le vrai taux 19 "
     "fois sur 20 (intervalle de Wilson)."},
    {"mean rank", "its average finishing place, 1 being first.", "rang moyen",
     "sa place d'arrivée moyenne, 1 étant la première."},
    {"rating [95 %]",
     "its strength fitted to every finishing order, on the Elo scale (400 points: 10 to 1 odds "
     "of finishing ahead in a duel), with the range 95 % of resamplings of the matches give; "
     "\"too few matches\" until it has played enough matches that differ.",
     "note [95 %]",
     "sa force ajustée à tous les ordres d'arrivée, sur l'échelle Elo (400 "
     "points : 10 contre 1 de finir devant en duel), avec l'intervalle que donnent 95 % des "
     "rééchantillonnages des matchs ; « trop peu de matchs » tant qu'il n'a "
     "pas joué assez de matchs différents."},
    {"vs next",
     "\"ahead\" when its rating range lies wholly above the next bot's; \"not separated\" "
     "when the two overlap, so that their order may be chance.",
     "face au suivant",
     "« devant » quand son intervalle de note est tout entier au-dessus de celui du bot "
     "suivant ; « non séparé » quand les deux se chevauchent, et que leur "
     "ordre peut tenir au hasard."},
    {"failures", "the matches it crashed in or never registered for, each a last place.",
     "défaillances",
     "les matchs où il a planté ou ne s'est jamais inscrit, chacun une dernière "
     "place."},
};

// A column's title or sentence, in both languages.
std::string titre(const Colonne& c) {
  return en_deux_langues(tribune::echappe_html(c.titre), tribune::echappe_html(c.titre_fr));
}
std::string sens(const Colonne& c) {
  return en_deux_langues(tribune::echappe_html(c.sens), tribune::echappe_html(c.sens_fr));
}

std::string tableau_html(const std::vector<LigneClassement>& lignes) {
  std::string html = "<table><tr>";
  for (const Colonne& c : colonnes) html += "<th>" + titre(c) + "</th>";
  html += "</tr>\n";
  for (std::size_t i = 0; i < lignes.size(); ++i) {
    const LigneClassement& l = lignes[i];
    const bool dernier = i + 1 == lignes.size();
    html += format(
        "<tr><td>%zu</td><td><span class=\"pastille\" style=\"background:%s\"></span>%s"
        "</td><td>%zu</td><td>%zu</td><td>%.1f %% [%.1f, %.1f]</td><td>%.2f</td>"
        "<td>%s</td><td%s>%s</td><td>%zu</td></tr>\n",
        i + 1, couleur_css(l.couleur).c_str(), tribune::echappe_html(l.nom).c_str(), l.matchs,
        l.victoires, 100 * l.taux_victoire, 100 * l.intervalle_victoire.bas,
        100 * l.intervalle_victoire.haut, l.rang_moyen,
        en_deux_langues(texte_note(l, "too few matches"), texte_note(l, "trop peu de matchs"))
            .c_str(),
        dernier || l.separe_du_suivant ? "" : " class=\"non-separe\"",
        separation(dernier, l.separe_du_suivant, true).c_str(), l.defaillances);
  }
  html += "</table>\n<dl class=\"colonnes\">\n";
  for (const Colonne& c : colonnes) html += "<dt>" + titre(c) + "</dt><dd>" + sens(c) + "</dd>\n";
  return html + "</dl>\n";
}

// A match's end for people, from the results' keyword.
std::string texte_fin(const ResultatMatch& m) {
  constexpr const char* fins[][3] = {{"duree", "time up", "temps écoulé"},
                                     {"survivant", "one ship left", "un seul vaisseau restant"},
                                     {"interrompu", "stopped", "interrompu"},
                                     {"annule", "cancelled", "annulé"}};
  if (!m.termine)
    return en_deux_langues("failed: " + tribune::echappe_html(m.erreur),
                           "échec : " + tribune::echappe_html(m.erreur));
  for (const auto& [cle, en, fr] : fins)
    if (m.raison == cle) return en_deux_langues(en, fr);
  return tribune::echappe_html(m.raison);
}

std::string matchs_html(const Rapport& r, const std::filesystem::path& dossier,
                        const std::filesystem::path& visionneuse) {
  constexpr Remarques anglais{" (crashed", " (never registered", " (killed after the end)",
                              " (stopped: limit ", " (build failed)"};
  constexpr Remarques francais{" (planté", " (jamais inscrit", " (détruit après la fin)",
                               " (arrêté : limite ", " (construction échouée)"};
  std::string html = "<table><tr><th>" + en_deux_langues("match", "match") + "</th><th>" +
                     en_deux_langues("seed", "graine") + "</th><th>" +
                     en_deux_langues("end", "fin") + "</th><th>" +
                     en_deux_langues("ranking", "classement") + "</th><th>" +
                     en_deux_langues("files", "fichiers") + "</th></tr>\n";
  for (const auto& m : r.resultats) {
    const auto ici = dossier_match(dossier, m.indice);
    const std::string relatif = ici.lexically_relative(dossier).generic_string();
    html += format("<tr%s><td>%zu</td><td>%llu</td><td>%s</td><td>",
                   m.termine ? "" : " class=\"echec\"", m.indice,
                   static_cast<unsigned long long>(m.graine), texte_fin(m).c_str());
    html += en_deux_langues(tribune::echappe_html(texte_arrivee(m, anglais)),
                            tribune::echappe_html(texte_arrivee(m, francais))) +
            "</td><td>";
    html += "<a class=\"regarder\" href=\"" +
            tribune::echappe_html(
                lien_visionneuse(dossier, visionneuse, ici / fichier_enregistrement)) +
            "\">" + en_deux_langues("watch", "regarder") + "</a> · <a href=\"" + relatif +
            "/resultat.json\">" + en_deux_langues("result", "résultat") + "</a> · <a href=\"" +
            relatif + "/\">" + en_deux_langues("logs", "journaux") + "</a></td></tr>\n";
  }
  return html + "</table>\n";
}

}  // namespace

namespace {

// Browsers do not let a page opened from disk read other files, so the
// viewer could not load a recording: the page says so and what to run.
std::string avis_disque(const std::filesystem::path& dossier) {
  const std::string commande = "<code>arene-tournoi sert " +
                               tribune::echappe_html(citation_shell(dossier.string())) + "</code>";
  return "<p id=\"disque\" hidden>" +
         en_deux_langues(
             "This page was opened as a file, and browsers do not let a page read "
             "recordings from disk: to watch the matches, run " +
                 commande + " and open the address it prints.",
             "Cette page a été ouverte comme un fichier, et les navigateurs "
             "ne laissent pas une page lire des enregistrements sur le disque : pour "
             "regarder les matchs, lancez " +
                 commande + " et ouvrez l'adresse qu'il affiche.") +
         "</p>\n"
         "<script>if (location.protocol === 'file:') {\n"
         "  const avis = document.getElementById('disque');\n"
         "  avis.hidden = false;\n"
         "  document.addEventListener('click', (e) => {\n"
         "    if (!e.target.closest('a.regarder')) return;\n"
         "    e.preventDefault();\n"
         "    avis.scrollIntoView();\n"
         "  });\n"
         "}</script>\n";
}

// Last in the page: a French browser gets the French of every text that has one.
constexpr const char* choix_langue =
    "<script>if (/^fr\\b/i.test((navigator.languages && navigator.languages[0]) || "
    "navigator.language || '')) {\n"
    "  document.documentElement.lang = 'fr';\n"
    "  for (const e of document.querySelectorAll('[data-fr]')) e.innerHTML = e.dataset.fr;\n"
    "}</script>\n";

// "3 of 4 matches finished; every bot in every match, 20s each, 3 bots.", in both languages.
std::string resume(const Rapport& r) {
  const Tournoi& t = r.plan.tournoi;
  const std::string duree = tribune::echappe_html(texte_de(t.duree));
  const bool melee = t.format == Format::Melee;
  const std::string taille = std::to_string(t.taille);
  return en_deux_langues(
      format("%zu of %zu matches finished; %s, %s each, %zu bots.", termines(r),
             r.plan.matchs.size(),
             melee ? "every bot in every match" : ("groups of " + taille).c_str(), duree.c_str(),
             t.bots.size()),
      format("%zu matchs terminés sur %zu ; %s, %s chacun, %zu bots.", termines(r),
             r.plan.matchs.size(),
             melee ? "tous les bots dans chaque match" : ("groupes de " + taille).c_str(),
             duree.c_str(), t.bots.size()));
}

std::string explication_notes() {
  const std::string n = std::to_string(matchs_min_intervalle);
  return en_deux_langues(
      "Plackett-Luce fit of the finishing orders on the Elo scale (400 points: 10 to 1 odds in "
      "a duel), with 95 % bootstrap intervals over the matches; a bot with fewer than " +
          n + " finished matches, or whose matches all came out alike, has no interval.",
      "Modèle de Plackett-Luce ajusté aux ordres d'arrivée sur l'échelle Elo "
      "(400 points : 10 contre 1 en duel), avec des intervalles à 95 % par bootstrap sur "
      "les matchs ; un bot qui a moins de " +
          n +
          " matchs terminés, ou dont les matchs se sont tous finis pareil, n'a pas "
          "d'intervalle.");
}

}  // namespace

std::string page_html(const Rapport& r, const std::filesystem::path& dossier,
                      const std::filesystem::path& visionneuse) {
  const Tournoi& t = r.plan.tournoi;
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" +
      tribune::echappe_html(t.nom) +
      "</title>\n<style>body{font-family:sans-serif;margin:2em;color:#222}"
      "table{border-collapse:collapse;margin:1em 0}td,th{border:1px solid #ccc;padding:.25em .6em;"
      "text-align:left}th{background:#f3f3f3}.echec{background:#fdd}.pastille{display:inline-block;"
      "width:.8em;height:.8em;border-radius:50%;margin-right:.4em;border:1px solid #333}"
      ".non-separe{color:#a15c00}.colonnes dt{font-weight:bold}.colonnes dd{margin:0 0 .3em 1.5em}"
      "#disque{background:#fff3cd;border:1px solid #e0c060;padding:.6em 1em}</style>"
      "</head><body>\n<h1>" +
      tribune::echappe_html(t.nom) + "</h1>\n" + avis_disque(dossier);
  html += "<p>" + resume(r) + "</p>\n";
  html += tableau_html(r.lignes);
  html +=
      "<h2>" + en_deux_langues("Ratings", "Notes") + "</h2>\n<p>" + explication_notes() + "</p>\n";
  html += graphique(r.lignes);
  if (!r.manquants.empty()) {
    std::string liste;
    for (std::size_t m : r.manquants) liste += " " + std::to_string(m);
    html += "<p class=\"echec\">" +
            en_deux_langues("Matches without a result yet:" + liste,
                            "Matchs encore sans résultat :" + liste) +
            "</p>\n";
  }
  html += "<h2>" + en_deux_langues("Matches", "Matchs") + "</h2>\n" +
          matchs_html(r, dossier, visionneuse);
  return html + choix_langue + "</body></html>\n";
}
