"""A first bot: turn toward the nearest ship and fire. Usage: exemple.py HOST PORT COLOUR SECONDS"""
import math
import sys
import time

from arene import Arene, Commande, ConnexionFermee, CouleurInvalide, lit_couleur

if len(sys.argv) != 5:
    sys.exit("usage: exemple.py HOST PORT COLOUR SECONDS")
try:
    couleur = lit_couleur(sys.argv[3])  # 16711680 or 0xFF0000
except CouleurInvalide as erreur:
    sys.exit(f"exemple.py: {erreur}")
fin = time.monotonic() + float(sys.argv[4])
with Arene.connecte(sys.argv[1], int(sys.argv[2])) as arene:
    moi = arene.enregistre(couleur, essais=100)
    try:
        while time.monotonic() < fin:
            vaisseaux = arene.vaisseaux()
            mien = next((v for v in vaisseaux if v.couleur == moi), None)
            autres = [v for v in vaisseaux if v.couleur != moi]
            if mien and autres:
                cible = min(autres, key=lambda v: math.hypot(v.x - mien.x, v.y - mien.y))
                voulu = math.atan2(cible.y - mien.y, cible.x - mien.x)
                ecart = math.remainder(voulu - mien.angle, 2 * math.pi)
                arene.agit(Commande.GAUCHE if ecart > 0 else Commande.DROITE)
                if abs(ecart) < 0.1:
                    arene.tire()
            time.sleep(0.025)
        arene.quitte()
    except ConnexionFermee:
        pass  # the server closes every connection at the end of a match
