"""A connection to an arena server: registration, one call per command, and
pipelining (several commands sent in one write, their replies read in order).
"""

from __future__ import annotations

import socket
from enum import Enum
from typing import Callable, Optional, TypeVar

from .reponses import (Balle, ConnexionFermee, CouleurUtilisee, Cube, ErreurProtocole,
                       Statut, Taille, Vaisseau, lit_apres, lit_balle, lit_cube, lit_entier,
                       lit_reel, lit_vaisseau)

T = TypeVar("T")

AVANT_ENREGISTREMENT = ("register first: the server answers 'ERREUR SYNTAXE' to every command "
                        "until enregistre() has registered a ship")


class Commande(str, Enum):
    """Every command once registered, as the line sent (without CR LF)."""

    BALLES = "GET BALLES"
    CUBES = "GET CUBES"
    VAISSEAUX = "GET VAISSEAUX"
    MAX_PT_VIE = "GET MAX PT VIE"
    RAYON_BALLE = "GET RAYON BALLE"
    RAYON_VAISSEAU = "GET RAYON VAISSEAU"
    TAILLE_PLATEAU = "GET TAILLE PLATEAU"
    STATUT = "GET STATUT"
    ACCELERE = "PUT ACTION ACCELERE"
    DECELERE = "PUT ACTION DECELERE"
    GAUCHE = "PUT ACTION GAUCHE"
    DROITE = "PUT ACTION DROITE"
    TIRE = "PUT ACTION TIRE"
    QUITTE = "PUT ACTION QUITTE"


class Arene:
    """One bot's connection. Not thread-safe: one conversation at a time."""

    def __init__(self, connexion: socket.socket) -> None:
        self._connexion = connexion
        self._tampon = b""
        self.couleur: Optional[int] = None

    @classmethod
    def connecte(cls, hote: str = "127.0.0.1", port: int = 12345,
                 delai: Optional[float] = 30.0) -> "Arene":
        """Opens the connection; `delai` bounds each wait for the server, in seconds."""
        connexion = socket.create_connection((hote, port), timeout=delai)
        # Small request lines must leave at once, not wait for the next one.
        connexion.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        return cls(connexion)

    def __enter__(self) -> "Arene":
        return self

    def __exit__(self, *erreur: object) -> None:
        self.ferme()

    def ferme(self) -> None:
        """Closes the connection; the server then removes the ship."""
        self._connexion.close()

    # --- registration ---------------------------------------------------

    def enregistre(self, couleur: int, essais: int = 1) -> int:
        """Registers a ship of `couleur`; while that colour is in use, tries the
        next ones (couleur + 1, ...) up to `essais` colours in all. Returns the
        colour obtained; raises CouleurUtilisee when all of them are taken."""
        for essai in range(couleur, couleur + essais):
            self.envoie_ligne(f"PUT COULEUR VAISSEAU {essai}")
            reponse = self.lit_ligne("the registration's reply")
            if reponse == "VAISSEAU ENREGISTRE":
                self.couleur = essai
                return essai
            if reponse != "ERREUR COULEUR UTILISEE":
                raise ErreurProtocole("'VAISSEAU ENREGISTRE' or 'ERREUR COULEUR UTILISEE'",
                                      reponse)
        raise CouleurUtilisee(f"colours {couleur} to {couleur + essais - 1} are all in use")

    # --- one call per command -------------------------------------------

    def vaisseaux(self) -> list[Vaisseau]:
        """Ships in play, newest first."""
        return self._demande(Commande.VAISSEAUX, self.lit_vaisseaux)

    def balles(self) -> list[Balle]:
        """Bullets in flight, newest first."""
        return self._demande(Commande.BALLES, self.lit_balles)

    def cubes(self) -> list[Cube]:
        """The obstacles; they never move."""
        return self._demande(Commande.CUBES, self.lit_cubes)

    def taille_plateau(self) -> Taille:
        return self._demande(Commande.TAILLE_PLATEAU, self.lit_taille_plateau)

    def rayon_vaisseau(self) -> float:
        return self._demande(Commande.RAYON_VAISSEAU, self.lit_rayon_vaisseau)

    def rayon_balle(self) -> float:
        return self._demande(Commande.RAYON_BALLE, self.lit_rayon_balle)

    def max_pt_vie(self) -> int:
        return self._demande(Commande.MAX_PT_VIE, self.lit_max_pt_vie)

    def statut(self) -> Statut:
        return self._demande(Commande.STATUT, self.lit_statut)

    def accelere(self) -> None:
        """Speed + 0.05, at most 3 units per tick."""
        self.agit(Commande.ACCELERE)

    def decelere(self) -> None:
        """Speed - 0.05, at least -2 (backwards)."""
        self.agit(Commande.DECELERE)

    def gauche(self) -> None:
        """Heading + 0.05 radian."""
        self.agit(Commande.GAUCHE)

    def droite(self) -> None:
        """Heading - 0.05 radian."""
        self.agit(Commande.DROITE)

    def tire(self) -> None:
        self.agit(Commande.TIRE)

    def quitte(self) -> None:
        """Takes the ship out of the world and closes the connection. A server
        that has already closed it (a match that ended) is not an error."""
        try:
            self.agit(Commande.QUITTE)
        except ConnexionFermee:
            pass
        finally:
            self.ferme()

    # --- pipelining -------------------------------------------------------

    def envoie(self, *commandes: Commande) -> None:
        """Sends the commands in one write; read their replies afterwards, in order."""
        self._envoie_octets("".join(f"{c.value}\r\n" for c in commandes))

    def agit(self, *actions: Commande) -> None:
        """Sends actions in one write and reads their "OK"s."""
        self.envoie(*actions)
        for _ in actions:
            self.lit_ok()

    def demande(self, *commandes: Commande) -> list[object]:
        """Sends the commands in one write and returns their replies, in order:
        a list for GET VAISSEAUX, None for an action, and so on."""
        self.envoie(*commandes)
        return [self.lit_reponse(c) for c in commandes]

    def lit_reponse(self, commande: Commande) -> object:
        """Reads the next reply as the reply to `commande`."""
        return _LECTURES[commande](self)

    def lit_ok(self) -> None:
        ligne = self._lit_reponse("'OK'")
        if ligne != "OK":
            raise ErreurProtocole("'OK'", ligne)

    def lit_vaisseaux(self) -> list[Vaisseau]:
        return self._lit_liste("PUT VAISSEAUX", lit_vaisseau)

    def lit_balles(self) -> list[Balle]:
        return self._lit_liste("PUT BALLES", lit_balle)

    def lit_cubes(self) -> list[Cube]:
        return self._lit_liste("PUT CUBES", lit_cube)

    def lit_taille_plateau(self) -> Taille:
        forme = "'PUT TAILLE PLATEAU w h'"
        champs = self._lit_apres("PUT TAILLE PLATEAU", forme).split(" ")
        if len(champs) != 2:
            raise ErreurProtocole(forme, "PUT TAILLE PLATEAU " + " ".join(champs))
        return Taille(lit_reel(champs[0]), lit_reel(champs[1]))

    def lit_rayon_vaisseau(self) -> float:
        return lit_reel(self._lit_apres("PUT RAYON VAISSEAU", "'PUT RAYON VAISSEAU r'"))

    def lit_rayon_balle(self) -> float:
        return lit_reel(self._lit_apres("PUT RAYON BALLE", "'PUT RAYON BALLE r'"))

    def lit_max_pt_vie(self) -> int:
        return lit_entier(self._lit_apres("PUT MAX PT VIE", "'PUT MAX PT VIE n'"))

    def lit_statut(self) -> Statut:
        forme = "'PUT STATUT vivant|mort'"
        mot = self._lit_apres("PUT STATUT", forme)
        try:
            return Statut(mot)
        except ValueError:
            raise ErreurProtocole(forme, "PUT STATUT " + mot) from None

    # --- lines ------------------------------------------------------------

    def envoie_ligne(self, ligne: str) -> None:
        """Sends one raw line; CR LF is added."""
        self._envoie_octets(ligne + "\r\n")

    def lit_ligne(self, attendu: str = "a line") -> str:
        """The next line without its CR LF. `attendu` names it in errors."""
        while True:
            fin = self._tampon.find(b"\n")
            if fin >= 0:
                brute, self._tampon = self._tampon[:fin], self._tampon[fin + 1:]
                ligne = brute.decode("ascii", errors="replace")
                if not ligne.endswith("\r"):
                    raise ErreurProtocole(f"{attendu} ending in CR LF", ligne)
                return ligne[:-1]
            morceau = self._connexion.recv(65536)
            if not morceau:
                raise ConnexionFermee(f"connection closed by the server while waiting for "
                                      f"{attendu}")
            self._tampon += morceau

    def _envoie_octets(self, texte: str) -> None:
        try:
            self._connexion.sendall(texte.encode("ascii"))
        except (BrokenPipeError, ConnectionResetError) as erreur:
            raise ConnexionFermee(f"connection closed by the server: {erreur}") from erreur

    def _demande(self, commande: Commande, lecture: Callable[[], T]) -> T:
        self.envoie(commande)
        return lecture()

    def _lit_reponse(self, forme: str) -> str:
        """The reply to a command. The server answers every command with
        ERREUR SYNTAXE until a ship is registered: that mistake is named."""
        ligne = self.lit_ligne(forme)
        if ligne == "ERREUR SYNTAXE":
            raise ErreurProtocole(forme, ligne, AVANT_ENREGISTREMENT)
        return ligne

    def _lit_apres(self, prefixe: str, forme: str) -> str:
        return lit_apres(prefixe, self._lit_reponse(forme), forme)

    def _lit_liste(self, entete: str, lit_element: Callable[[str], T]) -> list[T]:
        ligne = self._lit_reponse(f"'{entete} n'")
        nombre = lit_entier(lit_apres(entete, ligne, f"'{entete} n'"))
        if nombre < 0:
            raise ErreurProtocole(f"'{entete} n' with n >= 0", ligne)
        return [lit_element(self.lit_ligne(f"element {i + 1} of {nombre} after '{ligne}'"))
                for i in range(nombre)]


_LECTURES: dict[Commande, Callable[[Arene], object]] = {
    Commande.BALLES: Arene.lit_balles,
    Commande.CUBES: Arene.lit_cubes,
    Commande.VAISSEAUX: Arene.lit_vaisseaux,
    Commande.MAX_PT_VIE: Arene.lit_max_pt_vie,
    Commande.RAYON_BALLE: Arene.lit_rayon_balle,
    Commande.RAYON_VAISSEAU: Arene.lit_rayon_vaisseau,
    Commande.TAILLE_PLATEAU: Arene.lit_taille_plateau,
    Commande.STATUT: Arene.lit_statut,
    Commande.ACCELERE: Arene.lit_ok,
    Commande.DECELERE: Arene.lit_ok,
    Commande.GAUCHE: Arene.lit_ok,
    Commande.DROITE: Arene.lit_ok,
    Commande.TIRE: Arene.lit_ok,
    Commande.QUITTE: Arene.lit_ok,
}
