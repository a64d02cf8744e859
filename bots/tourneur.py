#!/usr/bin/env python3
"""Spins on the spot and fires every fourth turn, whatever is around."""

import sys

from commun import Bot, Commande, joue

# One bullet every 0.2 radian: no ship within 130 units slips through, and
# further off most do.
TICKS_ENTRE_TIRS = 4


class Tourneur(Bot):
    def __init__(self, arene) -> None:  # type: ignore[no-untyped-def]
        super().__init__(arene)
        self.tours = 0

    def tour(self) -> None:
        self.tours += 1
        if self.tours % TICKS_ENTRE_TIRS == 0:
            self.arene.agit(Commande.GAUCHE, Commande.TIRE)
        else:
            self.arene.agit(Commande.GAUCHE)


if __name__ == "__main__":
    sys.exit(joue("Spins and fires.", 0xFFFF00, Tourneur))
