// The text forms of numbers and of the list elements in replies. Every reply
// line ends with CR LF and separates its fields with one blank.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "world/elements.h"

namespace protocol {

inline constexpr std::string_view fin_de_ligne = "\r\n";

// Plain decimal: a "-" for negative numbers, no "+", no leading zeros.
std::string texte_entier(std::int64_t n);
void ajoute_entier(std::string& sortie, std::int64_t n);

// "%.12g", then a "." appended when that text holds only digits and "-":
// 1408.0 gives "1408.", 0.00001 gives "1e-05", infinity "inf", NaN "nan".
std::string texte_flottant(double x);
void ajoute_flottant(std::string& sortie, double x);

// One element line each, CR LF included, appended to `sortie`:
// "x y angle pt_vie id", "x y id" and "x_min y_min x_max y_max".
void envoie_vaisseau(std::string& sortie, const world::vaisseau& v);
void envoie_balle(std::string& sortie, const world::balle& b);
void envoie_cube(std::string& sortie, const world::cube& c);

}  // namespace protocol
