// Colours for the bots the tournament file gives none: far apart to the eye,
// and light enough to stand out on the viewer's dark board.
//
// Greedy farthest-point choice in OKLab (a space where distance follows the
// difference people see) over a fixed grid of 16 levels per RGB channel: each
// new colour is the candidate farthest from every colour taken so far, the
// file's own colours and the viewer's white hit flash included. The choice
// depends only on the colours before it, so a bot added at the end of the
// list changes no other bot's colour.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

struct Oklab {
  double l = 0, a = 0, b = 0;
};

// A bot's display colour is 24-bit RGB; in a match it plays under that colour
// plus bits above drawn for this match alone, so that no rival can guess its
// colour and register it first. Viewers show the low 24 bits.
inline constexpr std::int64_t masque_affichage = 0xFFFFFF;
// The bits drawn stay below 2^53: the JavaScript kit and the viewer read
// colours as doubles, exact only up to there.
inline constexpr int bits_tires = 53 - 24;

// `affichage` (0xRRGGBB) with non-zero bits above drawn from the system's
// random source.
std::int64_t couleur_de_match(std::int64_t affichage);

// The low 24 bits of `couleur` read as sRGB 0xRRGGBB.
Oklab oklab(std::int64_t couleur);
double distance(const Oklab& x, const Oklab& y);

// The lightness (OKLab L) below which no colour is given.
inline constexpr double clarte_min = 0.6;

// `nombre` colours, in order, distinct from `fixees` and from each other.
// Beyond the candidates (some 2,400), the next free 24-bit values; nothing
// when there are not enough of those.
std::optional<std::vector<std::int64_t>> couleurs_eloignees(const std::vector<std::int64_t>& fixees,
                                                            std::size_t nombre);
