// The client side of the arena's line protocol: which reply a request gets, and
// reading replies line by line, list replies included, with their syntax checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace commun {

// The shape of the reply that a request gets.
enum class Genre {
  Inscription,  // "VAISSEAU ENREGISTRE" | "ERREUR COULEUR UTILISEE" | "ERREUR SYNTAXE"
  Ok,           // "OK"
  Statut,       // "PUT STATUT vivant" | "PUT STATUT mort"
  Taille,       // "PUT TAILLE PLATEAU w h"
  RayonVaisseau,
  RayonBalle,
  MaxPtVie,
  Vaisseaux,  // "PUT VAISSEAUX n" then n lines "x y angle pt_vie id"
  Balles,     // "PUT BALLES n" then n lines "x y id"
  Cubes,      // "PUT CUBES n" then n lines "x_min y_min x_max y_max"
  Erreur,     // what an unrecognised request gets: "ERREUR SYNTAXE"
  Pong,       // not the arena's: Redis's "+PONG" to an inline "PING", our yardstick
};

// The reply shape of a request line (without its CR LF).
Genre genre_de(std::string_view requete);

// The elements of list replies, as the client reads them (the recording has
// its own, evenements' VaisseauVu and BalleVue).
struct VaisseauVu {
  double x, y, angle;
  std::int64_t pt_vie, id;
};
struct BalleVue {
  double x, y;
  std::int64_t id;
};
struct CubeVu {
  double x_min, y_min, x_max, y_max;
};

std::optional<VaisseauVu> lit_vaisseau(std::string_view ligne);
std::optional<BalleVue> lit_balle(std::string_view ligne);
std::optional<CubeVu> lit_cube(std::string_view ligne);
// A float as the server writes it: "%.12g", with a trailing "." on whole values.
std::optional<double> lit_flottant(std::string_view texte);
std::optional<std::int64_t> lit_entier_signe(std::string_view texte);

// A complete reply: its lines without CR LF, and whether their syntax is right.
struct Reponse {
  Genre genre;
  std::vector<std::string> lignes;
  bool valide = true;
};

// Builds one reply from lines as they arrive.
class LectureReponse {
 public:
  explicit LectureReponse(Genre genre) : reponse_{genre, {}, true} {}
  // Takes the next line (CR LF removed); true when the reply is complete.
  bool ajoute(std::string_view ligne);
  Reponse& reponse() { return reponse_; }

 private:
  bool ajoute_en_tete(std::string_view ligne);
  bool ligne_d_element_valide(std::string_view ligne) const;
  Reponse reponse_;
  std::size_t elements_attendus_ = 0;
};

}  // namespace commun
