"""Starter kit for arena bots: a connection to the server and its records.

    from arene import Arene, Commande, lit_couleur
    with Arene.connecte("127.0.0.1", 12345) as arene:
        arene.enregistre(lit_couleur("0xFF0000"), essais=10)
        arene.envoie(Commande.VAISSEAUX, Commande.BALLES)   # one write
        vaisseaux, balles = arene.lit_vaisseaux(), arene.lit_balles()
"""

from .client import Arene, Commande
from .couleur import CouleurInvalide, lit_couleur
from .reponses import (Balle, ConnexionFermee, CouleurUtilisee, Cube, ErreurArene,
                       ErreurProtocole, Statut, Taille, Vaisseau, lit_balle, lit_cube,
                       lit_entier, lit_reel, lit_vaisseau)

__all__ = ["Arene", "Commande", "Balle", "ConnexionFermee", "CouleurInvalide", "CouleurUtilisee",
           "Cube", "ErreurArene", "ErreurProtocole", "Statut", "Taille", "Vaisseau", "lit_balle",
           "lit_couleur", "lit_cube", "lit_entier", "lit_reel", "lit_vaisseau"]
