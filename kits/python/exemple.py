"""A first bot: turn toward the nearest ship and fire. Usage: exemple.py HOST PORT COLOUR SECONDS"""
import math
import sys
import time

from arene import Arene, Commande, ConnexionFermee

hote, port, couleur, secondes = sys.argv[1:5]
fin = time.monotonic() + float(secondes)
with Arene.connecte(hote, int(port)) as arene:
    moi = arene.enregistre(int(couleur), essais=100)
    try:
        while time.monotonic() < fin:
            vaisseaux = arene.vaisseaux()
            mien = next((v for v in vaisseaux if v.couleur == moi), None)
            cible = next((v for v in vaisseaux if v.couleur != moi), None)
            if mien and cible:
                voulu = math.atan2(cible.y - mien.y, cible.x - mien.x)
                ecart = math.remainder(voulu - mien.angle, 2 * math.pi)
                arene.agit(Commande.GAUCHE if ecart > 0 else Commande.DROITE)
                if abs(ecart) < 0.1:
                    arene.tire()
            time.sleep(0.025)
        arene.quitte()
    except ConnexionFermee:
        pass  # the server closes every connection at the end of a match
