"""Reading a colour from a command line, the same way in every kit: decimal
(16711680, -5) or 0x hexadecimal (0xFF0000), within 64 signed bits."""

from __future__ import annotations

import re

from .reponses import ErreurArene

_COULEUR = re.compile(r"-?(0[xX][0-9a-fA-F]+|[0-9]+)", re.ASCII)
_MIN, _MAX = -(2**63), 2**63 - 1


class CouleurInvalide(ErreurArene, ValueError):
    """A colour argument in neither of the accepted forms, or beyond 64 bits."""


def lit_couleur(texte: str) -> int:
    """The colour `texte` names: "16711680", "0xFF0000" and "-5" are accepted,
    "017" is seventeen; anything else raises CouleurInvalide naming the text."""
    if not _COULEUR.fullmatch(texte):
        raise CouleurInvalide(f"colour {texte!r} is neither decimal (16711680) "
                              f"nor 0x hexadecimal (0xFF0000)")
    chiffres = texte.lstrip("-")
    valeur = int(chiffres, 16 if chiffres[:2] in ("0x", "0X") else 10)
    valeur = -valeur if texte.startswith("-") else valeur
    if not _MIN <= valeur <= _MAX:
        raise CouleurInvalide(f"colour {texte!r} does not fit in 64 signed bits")
    return valeur
