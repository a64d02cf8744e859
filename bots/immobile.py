#!/usr/bin/env python3
"""The easiest opponent: registers a ship and leaves it where it spawned."""

import sys

from commun import Bot, joue


class Immobile(Bot):
    def tour(self) -> None:
        # Asking keeps the conversation alive and notices the end of a match.
        self.arene.statut()


if __name__ == "__main__":
    sys.exit(joue("Sits still until its time is up.", 0x808080, Immobile))
