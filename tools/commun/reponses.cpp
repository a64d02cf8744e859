#include "commun/reponses.h"

#include <charconv>

namespace commun {

namespace {

struct Correspondance {
  std::string_view requete;
  Genre genre;
};

constexpr Correspondance requetes[] = {
    {"GET BALLES", Genre::Balles},
    {"GET CUBES", Genre::Cubes},
    {"GET MAX PT VIE", Genre::MaxPtVie},
    {"GET RAYON BALLE", Genre::RayonBalle},
    {"GET RAYON VAISSEAU", Genre::RayonVaisseau},
    {"GET STATUT", Genre::Statut},
    {"GET TAILLE PLATEAU", Genre::Taille},
    {"GET VAISSEAUX", Genre::Vaisseaux},
    {"PUT ACTION ACCELERE", Genre::Ok},
    {"PUT ACTION DECELERE", Genre::Ok},
    {"PUT ACTION DROITE", Genre::Ok},
    {"PUT ACTION GAUCHE", Genre::Ok},
    {"PUT ACTION TIRE", Genre::Ok},
    {"PUT ACTION QUITTE", Genre::Ok},
};

// Splits on single blanks; nothing if there are not exactly `n` fields.
std::optional<std::vector<std::string_view>> champs(std::string_view ligne, std::size_t n) {
  std::vector<std::string_view> resultat;
  for (;;) {
    const auto blanc = ligne.find(' ');
    resultat.push_back(ligne.substr(0, blanc));
    if (resultat.back().empty()) return std::nullopt;
    if (blanc == std::string_view::npos) break;
    ligne.remove_prefix(blanc + 1);
  }
  if (resultat.size() != n) return std::nullopt;
  return resultat;
}

std::optional<std::size_t> compte_apres(std::string_view ligne, std::string_view prefixe) {
  if (!ligne.starts_with(prefixe)) return std::nullopt;
  const auto n = lit_entier_signe(ligne.substr(prefixe.size()));
  if (!n || *n < 0) return std::nullopt;
  return static_cast<std::size_t>(*n);
}

bool valeur_flottante(std::string_view ligne, std::string_view prefixe) {
  return ligne.starts_with(prefixe) && lit_flottant(ligne.substr(prefixe.size()));
}

}  // namespace

Genre genre_de(std::string_view requete) {
  if (requete.starts_with("PUT COULEUR VAISSEAU ")) return Genre::Inscription;
  if (requete == "PING") return Genre::Pong;
  for (const auto& c : requetes)
    if (c.requete == requete) return c.genre;
  return Genre::Erreur;
}

std::optional<std::int64_t> lit_entier_signe(std::string_view texte) {
  std::int64_t valeur = 0;
  const auto [fin, erreur] = std::from_chars(texte.data(), texte.data() + texte.size(), valeur);
  if (erreur != std::errc{} || fin != texte.data() + texte.size()) return std::nullopt;
  // The server writes no leading zeros and no "-0".
  const std::string_view chiffres = texte.starts_with('-') ? texte.substr(1) : texte;
  if (chiffres.size() > 1 && chiffres[0] == '0') return std::nullopt;
  if (texte == "-0") return std::nullopt;
  return valeur;
}

std::optional<double> lit_flottant(std::string_view texte) {
  double valeur = 0;
  const auto [fin, erreur] = std::from_chars(texte.data(), texte.data() + texte.size(), valeur);
  if (erreur != std::errc{} || fin != texte.data() + texte.size()) return std::nullopt;
  // A whole value carries a trailing point (from_chars reads "1408." whole);
  // "1e+20", "inf" and "nan" need none.
  if (texte.find_first_of(".en") == std::string_view::npos) return std::nullopt;
  return valeur;
}

std::optional<VaisseauVu> lit_vaisseau(std::string_view ligne) {
  const auto c = champs(ligne, 5);
  if (!c) return std::nullopt;
  const auto x = lit_flottant((*c)[0]), y = lit_flottant((*c)[1]), a = lit_flottant((*c)[2]);
  const auto pt = lit_entier_signe((*c)[3]), id = lit_entier_signe((*c)[4]);
  if (!x || !y || !a || !pt || !id) return std::nullopt;
  return VaisseauVu{*x, *y, *a, *pt, *id};
}

std::optional<BalleVue> lit_balle(std::string_view ligne) {
  const auto c = champs(ligne, 3);
  if (!c) return std::nullopt;
  const auto x = lit_flottant((*c)[0]), y = lit_flottant((*c)[1]);
  const auto id = lit_entier_signe((*c)[2]);
  if (!x || !y || !id) return std::nullopt;
  return BalleVue{*x, *y, *id};
}

std::optional<CubeVu> lit_cube(std::string_view ligne) {
  const auto c = champs(ligne, 4);
  if (!c) return std::nullopt;
  double v[4];
  for (int i = 0; i < 4; ++i) {
    const auto f = lit_flottant((*c)[static_cast<std::size_t>(i)]);
    if (!f) return std::nullopt;
    v[i] = *f;
  }
  return CubeVu{v[0], v[1], v[2], v[3]};
}

bool LectureReponse::ajoute(std::string_view ligne) {
  if (reponse_.lignes.empty()) {
    reponse_.lignes.emplace_back(ligne);
    return ajoute_en_tete(ligne);
  }
  reponse_.lignes.emplace_back(ligne);
  if (!ligne_d_element_valide(ligne)) reponse_.valide = false;
  return reponse_.lignes.size() == elements_attendus_ + 1;
}

bool LectureReponse::ajoute_en_tete(std::string_view ligne) {
  const auto valide_si = [&](bool condition) {
    reponse_.valide = condition;
    return true;
  };
  switch (reponse_.genre) {
    case Genre::Inscription:
      return valide_si(ligne == "VAISSEAU ENREGISTRE" || ligne == "ERREUR COULEUR UTILISEE" ||
                       ligne == "ERREUR SYNTAXE");
    case Genre::Ok:
      return valide_si(ligne == "OK");
    case Genre::Erreur:
      return valide_si(ligne == "ERREUR SYNTAXE");
    case Genre::Pong:
      return valide_si(ligne == "+PONG");
    case Genre::Statut:
      return valide_si(ligne == "PUT STATUT vivant" || ligne == "PUT STATUT mort");
    case Genre::Taille: {
      const auto c = champs(ligne, 5);
      return valide_si(c && ligne.starts_with("PUT TAILLE PLATEAU ") && lit_flottant((*c)[3]) &&
                       lit_flottant((*c)[4]));
    }
    case Genre::RayonVaisseau:
      return valide_si(valeur_flottante(ligne, "PUT RAYON VAISSEAU "));
    case Genre::RayonBalle:
      return valide_si(valeur_flottante(ligne, "PUT RAYON BALLE "));
    case Genre::MaxPtVie:
      return valide_si(compte_apres(ligne, "PUT MAX PT VIE ").has_value());
    case Genre::Vaisseaux:
    case Genre::Balles:
    case Genre::Cubes: {
      const std::string_view prefixe = reponse_.genre == Genre::Vaisseaux ? "PUT VAISSEAUX "
                                       : reponse_.genre == Genre::Balles  ? "PUT BALLES "
                                                                          : "PUT CUBES ";
      const auto n = compte_apres(ligne, prefixe);
      if (!n) return valide_si(false);
      elements_attendus_ = *n;
      return elements_attendus_ == 0;
    }
  }
  return valide_si(false);
}

bool LectureReponse::ligne_d_element_valide(std::string_view ligne) const {
  switch (reponse_.genre) {
    case Genre::Vaisseaux:
      return lit_vaisseau(ligne).has_value();
    case Genre::Balles:
      return lit_balle(ligne).has_value();
    case Genre::Cubes:
      return lit_cube(ligne).has_value();
    default:
      return false;
  }
}

}  // namespace commun
