"""Reading the server's reply lines: numbers, records and list headers.

Every function here takes one line without its CR LF and raises
ErreurProtocole, naming what was expected, when the text is not what the
server sends.
"""

from __future__ import annotations

import re
from dataclasses import dataclass
from enum import Enum
from typing import Callable


class ErreurArene(Exception):
    """Any failure of the conversation with the server."""


class ErreurProtocole(ErreurArene):
    """The server answered something that is not the expected reply."""

    def __init__(self, attendu: str, recu: str, message: str = "") -> None:
        super().__init__(message or f"expected {attendu}, got {recu!r}")
        self.attendu = attendu
        self.recu = recu


class ConnexionFermee(ErreurArene, ConnectionError):
    """The server closed the connection (end of a match, or after a quit)."""


class CouleurUtilisee(ErreurArene):
    """Every colour tried is already carried by a ship in play."""


@dataclass(frozen=True)
class Vaisseau:
    """A ship as GET VAISSEAUX lists it. Its speed is never sent."""

    x: float
    y: float
    angle: float
    pt_vie: int
    couleur: int


@dataclass(frozen=True)
class Balle:
    """A bullet in flight; `couleur` is its shooter's."""

    x: float
    y: float
    couleur: int


@dataclass(frozen=True)
class Cube:
    """An obstacle, as its lower and upper corners."""

    x_min: float
    y_min: float
    x_max: float
    y_max: float


@dataclass(frozen=True)
class Taille:
    """The board's size."""

    largeur: float
    hauteur: float


class Statut(Enum):
    """Whether a ship of the connection's colour is in play."""

    VIVANT = "vivant"
    MORT = "mort"


# printf's %.12g, plus a "." on whole values: "1408.", "-0.5", "1e-05", "1.5e+14".
_REEL = re.compile(r"-?[0-9]+(\.[0-9]*)?(e[+-][0-9]+)?")
_ENTIER = re.compile(r"-?[0-9]+")


def lit_reel(texte: str) -> float:
    """A real number as the server writes it."""
    if not _REEL.fullmatch(texte):
        raise ErreurProtocole("a real number such as '1408.' or '1e-05'", texte)
    return float(texte)


def lit_entier(texte: str) -> int:
    """An integer (count, life points, colour) as the server writes it."""
    if not _ENTIER.fullmatch(texte):
        raise ErreurProtocole("an integer", texte)
    return int(texte)


def _lit_champs(ligne: str, lecteurs: tuple[Callable[[str], object], ...],
                attendu: str) -> list:  # type: ignore[type-arg]
    # A bad field is reported with its whole line, which says more than the field.
    champs = ligne.split(" ")
    try:
        if len(champs) != len(lecteurs):
            raise ErreurProtocole(attendu, ligne)
        return [lire(champ) for lire, champ in zip(lecteurs, champs)]
    except ErreurProtocole:
        raise ErreurProtocole(attendu, ligne) from None


def lit_vaisseau(ligne: str) -> Vaisseau:
    """A ship line: "x y angle pt_vie couleur"."""
    return Vaisseau(*_lit_champs(ligne, (lit_reel,) * 3 + (lit_entier,) * 2,
                                 "a ship line 'x y angle life colour'"))


def lit_balle(ligne: str) -> Balle:
    """A bullet line: "x y couleur"."""
    return Balle(*_lit_champs(ligne, (lit_reel, lit_reel, lit_entier),
                              "a bullet line 'x y colour'"))


def lit_cube(ligne: str) -> Cube:
    """A cube line: "x_min y_min x_max y_max"."""
    return Cube(*_lit_champs(ligne, (lit_reel,) * 4, "a cube line 'x_min y_min x_max y_max'"))


def lit_apres(prefixe: str, ligne: str, attendu: str) -> str:
    """What follows `prefixe` and one blank, e.g. the count of "PUT BALLES 3"."""
    if not ligne.startswith(prefixe + " "):
        raise ErreurProtocole(attendu, ligne)
    return ligne[len(prefixe) + 1:]
