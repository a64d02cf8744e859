import arene.Arene;
import arene.Arene.Commande;
import arene.Arene.Vaisseau;

/** A first bot: turn toward the nearest ship and fire. Usage: java Exemple HOST PORT COLOUR SECONDS */
public class Exemple {
    public static void main(String[] args) throws Exception {
        long fin = System.currentTimeMillis() + 1000 * Long.parseLong(args[3]);
        try (Arene arene = Arene.connecte(args[0], Integer.parseInt(args[1]))) {
            long moi = arene.enregistre(Long.parseLong(args[2]), 100);
            while (System.currentTimeMillis() < fin) {
                Vaisseau mien = null, cible = null;
                for (Vaisseau v : arene.vaisseaux()) {
                    if (v.couleur() == moi) mien = v; else cible = v;
                }
                if (mien != null && cible != null) {
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
