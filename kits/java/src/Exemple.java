import arene.Arene;
import arene.Arene.Commande;
import arene.Arene.Vaisseau;
import java.util.List;

/** A first bot: turn toward the nearest ship and fire. Usage: java Exemple HOST PORT COLOUR SECONDS */
public class Exemple {
    static double distance(Vaisseau a, Vaisseau b) {
        return Math.hypot(a.x() - b.x(), a.y() - b.y());
    }

    public static void main(String[] args) throws Exception {
        if (args.length != 4) {
            System.err.println("usage: java Exemple HOST PORT COLOUR SECONDS");
            System.exit(2);
        }
        long couleur = 0;
        try {
            couleur = Arene.litCouleur(args[2]); // 16711680 or 0xFF0000
        } catch (Arene.CouleurInvalide erreur) {
            System.err.println("Exemple: " + erreur.getMessage());
            System.exit(2);
        }
        long fin = System.currentTimeMillis() + 1000 * Long.parseLong(args[3]);
        try (Arene arene = Arene.connecte(args[0], Integer.parseInt(args[1]))) {
            long moi = arene.enregistre(couleur, 100);
            while (System.currentTimeMillis() < fin) {
                List<Vaisseau> vaisseaux = arene.vaisseaux();
                Vaisseau mien = null, cible = null;
                for (Vaisseau v : vaisseaux) {
                    if (v.couleur() == moi) mien = v;
                }
                for (Vaisseau v : vaisseaux) {
                    if (mien != null && v.couleur() != moi
                            && (cible == null || distance(v, mien) < distance(cible, mien))) cible = v;
                }
                if (cible != null) {
                    double voulu = Math.atan2(cible.y() - mien.y(), cible.x() - mien.x());
                    double ecart = Math.IEEEremainder(voulu - mien.angle(), 2 * Math.PI);
                    arene.agit(ecart > 0 ? Commande.GAUCHE : Commande.DROITE);
                    if (Math.abs(ecart) < 0.1) arene.tire();
                }
                Thread.sleep(25);
            }
            arene.quitte();
        } catch (Arene.ConnexionFermee finDePartie) {
            // the server closes every connection at the end of a match
        }
    }
}
