#include "enregistrement/format.h"

#include <charconv>
#include <nlohmann/json.hpp>
#include <type_traits>

#include "config/configuration.h"
#include "enregistrement/limites.h"
#include "langue/langue.h"
#include "world/constantes.h"
#include "world/echec.h"

namespace enregistrement {

namespace {

using nlohmann::json;

// ---- Writing: by hand, as the recording writes tens of thousands of numbers a second.

void nombre(std::string& s, double x) {
  char tampon[32];
  const auto fin = std::to_chars(tampon, tampon + sizeof tampon, x).ptr;
  s.append(tampon, fin);
}

void nombre(std::string& s, std::int64_t n) {
  char tampon[24];
  const auto fin = std::to_chars(tampon, tampon + sizeof tampon, n).ptr;
  s.append(tampon, fin);
}

template <typename... Nombres>
void tableau(std::string& s, Nombres... valeurs) {
  s += '[';
  bool premier = true;
  ((s += premier ? "" : ",", premier = false, nombre(s, valeurs)), ...);
  s += ']';
}

void ecrit(std::string& s, const evenements::VaisseauVu& v) {
  tableau(s, v.x, v.y, v.angle, v.pt_vie, v.couleur);
}
void ecrit(std::string& s, const evenements::BalleVue& b) {
  tableau(s, b.x, b.y, b.pas_x, b.pas_y, b.couleur);
}
void ecrit(std::string& s, const world::cube& k) { tableau(s, k.x_min, k.y_min, k.x_max, k.y_max); }
void ecrit(std::string& s, std::uint32_t n) { nombre(s, static_cast<std::int64_t>(n)); }

template <typename T>
void liste(std::string& s, const std::vector<T>& elements) {
  s += '[';
  for (std::size_t i = 0; i < elements.size(); ++i) {
    if (i > 0) s += ',';
    ecrit(s, elements[i]);
  }
  s += ']';
}

// `"cle":` after the type or a previous key.
void cle(std::string& s, std::string_view nom) {
  s += ",\"";
  s += nom;
  s += "\":";
}

void type(std::string& s, std::string_view nom) {
  s += "{\"t\":\"";
  s += nom;
  s += '"';
}

template <typename T>
void optionnel(std::string& s, const std::optional<T>& valeur) {
  if (valeur) {
    nombre(s, *valeur);
  } else {
    s += "null";
  }
}

void ecrit(std::string& s, const evenements::ParametresMatch& m) {
  s += "{\"joueurs\":";
  optionnel(s, m.joueurs ? std::optional<std::int64_t>(*m.joueurs) : std::nullopt);
  s += ",\"attente\":";
  optionnel(s, m.attente_s);
  s += ",\"duree\":";
  optionnel(s, m.duree_ticks);
  s += ",\"fin\":";
  s += m.fin_survivant ? "\"survivant\"}" : "null}";
}

void ecrit(std::string& s, const noms::Noms& noms) {
  s += '[';
  for (const auto& [couleur, nom] : noms) {
    if (s.back() != '[') s += ',';
    s += '[';
    nombre(s, couleur);
    s += ',';
    s += json(nom).dump();
    s += ']';
  }
  s += ']';
}

void ecrit(std::string& s, const evenements::EvEntete& e) {
  type(s, "entete");
  s += ",\"format\":\"arene\",\"version\":";
  nombre(s, std::int64_t{version_format});
  cle(s, "graine");
  s += std::to_string(e.graine);
  cle(s, "plateau");
  tableau(s, world::largeur_plateau, world::hauteur_plateau);
  cle(s, "rayon_vaisseau");
  nombre(s, config::rayon_vaisseau);
  cle(s, "rayon_balle");
  nombre(s, config::rayon_balle);
  cle(s, "pt_vie_max");
  nombre(s, config::pt_vie_max);
  cle(s, "periode");
  nombre(s, config::periode);
  cle(s, "cubes");
  liste(s, e.cubes);
  cle(s, "noms");
  ecrit(s, e.noms);
  cle(s, "match");
  ecrit(s, e.match);
}

void ecrit(std::string& s, const evenements::EvEnregistre& e) {
  type(s, "enregistre");
  cle(s, "tick");
  nombre(s, e.tick);
  cle(s, "v");
  ecrit(s, e.v);
}

void ecrit(std::string& s, const evenements::EvDebut& e) {
  type(s, "debut");
  cle(s, "tick");
  nombre(s, e.tick);
}

void ecrit(std::string& s, const evenements::EvTourne& e) {
  type(s, "tourne");
  cle(s, "c");
  nombre(s, e.couleur);
  cle(s, "a");
  nombre(s, e.angle);
}

void ecrit(std::string& s, const evenements::EvTir& e) {
  type(s, "tir");
  cle(s, "b");
  ecrit(s, e.b);
}

void ecrit(std::string& s, const evenements::EvTouche& e) {
  type(s, "touche");
  cle(s, "tick");
  nombre(s, e.tick);
  cle(s, "tireur");
  nombre(s, e.tireur);
  cle(s, "cible");
  nombre(s, e.cible);
  cle(s, "pt_vie");
  nombre(s, e.pt_vie);
}

void ecrit(std::string& s, const evenements::EvDetruit& e) {
  type(s, "detruit");
  cle(s, "tick");
  nombre(s, e.tick);
  cle(s, "c");
  nombre(s, e.couleur);
  cle(s, "par");
  nombre(s, e.par);
}

void ecrit(std::string& s, const evenements::EvPart& e) {
  type(s, "part");
  cle(s, "tick");
  nombre(s, e.tick);
  cle(s, "c");
  nombre(s, e.couleur);
  cle(s, "raison");
  s += e.raison == world::Depart::Quitte ? "\"quitte\"" : "\"deconnexion\"";
}

void ecrit(std::string& s, const evenements::EvTick& e) {
  type(s, "tick");
  cle(s, "n");
  nombre(s, e.n);
  cle(s, "retirees");
  liste(s, e.retirees);
  cle(s, "v");
  liste(s, e.vaisseaux);
}

void ecrit(std::string& s, const evenements::EvPerdu& e) {
  type(s, "perdu");
  cle(s, "de");
  nombre(s, e.de);
  cle(s, "a");
  nombre(s, e.a);
}

void ecrit(std::string& s, const evenements::EvEtat& e) {
  type(s, "etat");
  cle(s, "tick");
  nombre(s, e.tick);
  cle(s, "v");
  liste(s, e.vaisseaux);
  cle(s, "b");
  liste(s, e.balles);
  cle(s, "joueurs");
  s += resultats::texte_json_joueurs(e.joueurs);
}

void ecrit(std::string& s, const evenements::EvFin& e) {
  type(s, "fin");
  cle(s, "tick");
  nombre(s, e.tick);
  cle(s, "raison");
  s += '"';
  s += resultats::nom_raison(e.raison);
  s += '"';
  cle(s, "resultats");
  s += resultats::texte_json(e.resultats, false);
}

// ---- Reading: nlohmann's parser reads a real back to the very double written.

// An integer written as one: 1.5 or true is no tick and no colour.
std::int64_t entier(const json& j) {
  if (!j.is_number_integer()) throw world::Echec(_("integer expected: ") + j.dump());
  return j.get<std::int64_t>();
}

double reel(const json& j) { return j.get<double>(); }

evenements::VaisseauVu lit_vaisseau(const json& j) {
  return {reel(j.at(0)), reel(j.at(1)), reel(j.at(2)), entier(j.at(3)), entier(j.at(4))};
}

evenements::BalleVue lit_balle(const json& j) {
  return {reel(j.at(0)), reel(j.at(1)), reel(j.at(2)), reel(j.at(3)), entier(j.at(4))};
}

template <typename T, typename Lecture>
std::vector<T> lit_liste(const json& j, Lecture lecture) {
  if (!j.is_array()) throw world::Echec(_("list expected: ") + j.dump().substr(0, 40));
  std::vector<T> elements;
  elements.reserve(j.size());
  for (const json& e : j) elements.push_back(lecture(e));
  return elements;
}

resultats::RaisonFin lit_raison(const std::string& nom) {
  for (resultats::RaisonFin r :
       {resultats::RaisonFin::DureeEcoulee, resultats::RaisonFin::Survivant,
        resultats::RaisonFin::Interrompu, resultats::RaisonFin::Annule})
    if (resultats::nom_raison(r) == nom) return r;
  throw world::Echec(_("unknown end reason: ") + nom);
}

// Names from a file of any origin: one that is no name is left out, and its
// colour shows as a colour.
noms::Noms lit_noms(const json& j) {
  if (!j.is_array()) throw world::Echec(_("names: list expected: ") + j.dump().substr(0, 40));
  if (j.size() > taille_etat_max)
    throw LimiteDepassee(_("more than ") + std::to_string(taille_etat_max) +
                         _(" names (state size limit)"));
  noms::Noms noms;
  for (const json& paire : j) {
    if (!paire.is_array() || paire.size() != 2 || !paire[0].is_number_integer() ||
        !paire[1].is_string())
      continue;
    const std::string nom = paire[1].get<std::string>();
    if (noms::defaut_du_nom(nom).empty()) noms.emplace(paire[0].get<std::int64_t>(), nom);
  }
  return noms;
}

std::optional<std::int64_t> entier_ou_rien(const json& j, const char* cle) {
  const auto trouve = j.find(cle);
  if (trouve == j.end() || !trouve->is_number_integer()) return std::nullopt;
  return trouve->get<std::int64_t>();
}

evenements::ParametresMatch lit_match(const json& j) {
  if (!j.is_object()) return {};
  evenements::ParametresMatch m;
  if (const auto n = entier_ou_rien(j, "joueurs"); n && *n > 0 && *n <= 1'000'000)
    m.joueurs = static_cast<int>(*n);
  if (const auto a = j.find("attente"); a != j.end() && a->is_number()) m.attente_s = reel(*a);
  m.duree_ticks = entier_ou_rien(j, "duree");
  m.fin_survivant = j.value("fin", json()) == "survivant";
  return m;
}

evenements::EvEntete lit_entete(const json& j) {
  if (!j.contains("format") || j.at("format") != "arene")
    throw world::Echec(_("format ") +
                       (j.contains("format") ? j.at("format").dump() : _("missing")) +
                       _(": not an arene recording"));
  const json version = j.contains("version") ? j.at("version") : json();
  if (!version.is_number_integer() || !version_lue(version.get<std::int64_t>()))
    throw world::Echec(_("recording version not supported: ") + version.dump());
  const json& cubes = j.at("cubes");
  if (cubes.size() > taille_etat_max)
    throw LimiteDepassee(_("more than ") + std::to_string(taille_etat_max) +
                         _(" cubes (state size limit)"));
  return evenements::EvEntete{
      j.at("graine").get<std::uint64_t>(),
      lit_liste<world::cube>(
          cubes,
          [](const json& k) {
            return world::cube{reel(k.at(0)), reel(k.at(1)), reel(k.at(2)), reel(k.at(3))};
          }),
      lit_noms(j.value("noms", json::array())), lit_match(j.value("match", json()))};
}

evenements::Evenement lit_objet(const json& j) {
  const std::string t = j.at("t").get<std::string>();
  if (t == "entete") return lit_entete(j);
  if (t == "enregistre")
    return evenements::EvEnregistre{entier(j.at("tick")), lit_vaisseau(j.at("v"))};
  if (t == "debut") return evenements::EvDebut{entier(j.at("tick"))};
  if (t == "tourne") return evenements::EvTourne{entier(j.at("c")), reel(j.at("a"))};
  if (t == "tir") return evenements::EvTir{lit_balle(j.at("b"))};
  if (t == "touche")
    return evenements::EvTouche{entier(j.at("tick")), entier(j.at("tireur")), entier(j.at("cible")),
                                entier(j.at("pt_vie"))};
  if (t == "detruit")
    return evenements::EvDetruit{entier(j.at("tick")), entier(j.at("c")), entier(j.at("par"))};
  if (t == "part")
    return evenements::EvPart{entier(j.at("tick")), entier(j.at("c")),
                              j.at("raison").get<std::string>() == "quitte"
                                  ? world::Depart::Quitte
                                  : world::Depart::Deconnexion};
  if (t == "tick")
    return evenements::EvTick{entier(j.at("n")), j.at("retirees").get<std::vector<std::uint32_t>>(),
                              lit_liste<evenements::VaisseauVu>(j.at("v"), lit_vaisseau)};
  if (t == "perdu") return evenements::EvPerdu{entier(j.at("de")), entier(j.at("a"))};
  if (t == "etat")
    return evenements::EvEtat{entier(j.at("tick")),
                              lit_liste<evenements::VaisseauVu>(j.at("v"), lit_vaisseau),
                              lit_liste<evenements::BalleVue>(j.at("b"), lit_balle),
                              {}};
  if (t == "fin") {
    evenements::EvFin fin{entier(j.at("tick")), lit_raison(j.at("raison").get<std::string>()), {}};
    fin.resultats.raison = fin.raison;
    return fin;
  }
  throw world::Echec(_("unknown event type: ") + t);
}

// Stops a line nested beyond the limit before it is built, and leaves out the
// players and results no reader of this file uses.
bool garde(int profondeur, json::parse_event_t evenement, json& valeur) {
  if (profondeur > profondeur_max)
    throw LimiteDepassee(_("nesting deeper than ") + std::to_string(profondeur_max) +
                         _(" levels (depth limit)"));
  return !(evenement == json::parse_event_t::key && profondeur == 1 &&
           (valeur == "joueurs" || valeur == "resultats"));
}

}  // namespace

void ajoute_ligne(std::string& sortie, const evenements::Evenement& evenement) {
  std::visit([&](const auto& e) { ecrit(sortie, e); }, evenement);
  sortie += '}';
}

void ajoute_lignes(std::string& sortie, const evenements::Lot& lot) {
  for (const evenements::Evenement& e : lot) {
    ajoute_ligne(sortie, e);
    sortie += '\n';
  }
}

std::string ligne(const evenements::Evenement& evenement) {
  std::string s;
  ajoute_ligne(s, evenement);
  return s;
}

evenements::Evenement lit_ligne(std::string_view texte) {
  try {
    return lit_objet(json::parse(texte, garde));
  } catch (const json::exception& e) {
    // The JSON library's own words would be English: its error number says enough.
    throw world::Echec(_("unreadable recording line (JSON error ") + std::to_string(e.id) + ")");
  }
}

}  // namespace enregistrement
