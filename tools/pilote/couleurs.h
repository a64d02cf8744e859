// Terminal colours for colour numbers, which the game reads as 0xRRGGBB.
#pragma once

#include <cstdint>

using Rgb = std::uint32_t;  // 0xRRGGBB

// The low 24 bits of a colour number: -5 is 0xFFFFFB, 0x1FF0000 is 0xFF0000.
Rgb rgb_de(std::int64_t couleur);

// The same hue at least half bright, so that a dark ship stays visible on the
// black board; black itself becomes mid grey.
Rgb visible_sur_noir(Rgb rgb);

// The terminal colour nearest to `rgb`. 256 colours or more: the index in
// 16..255 (the 6x6x6 cube and the grey ramp; 0..15 differ from one terminal to
// the next) at the least squared distance in RGB, the lowest on a tie. 8 or 16
// colours: 0..7 in the curses COLOR_* order, by the primaries that are at least
// half as strong as the strongest; below 0x40 it is black. Fewer: -1, no colour.
int couleur_terminal(Rgb rgb, int nb_couleurs);
