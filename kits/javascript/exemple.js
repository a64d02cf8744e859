// A first bot: turn toward the nearest ship and fire. Usage: node exemple.js HOST PORT COLOUR SECONDS
import { setTimeout as pause } from 'node:timers/promises';
import { Arene, Commande, ConnexionFermee, CouleurInvalide, litCouleur } from 'arene';

const [hote, port, texteCouleur, secondes] = process.argv.slice(2);
let couleur;
try {
  couleur = litCouleur(texteCouleur); // 16711680 or 0xFF0000
} catch (erreur) {
  if (!(erreur instanceof CouleurInvalide)) throw erreur;
  console.error(`exemple.js: ${erreur.message}`);
  process.exit(2);
}
const fin = Date.now() + 1000 * Number(secondes);
const arene = await Arene.connecte(hote, Number(port));
const moi = await arene.enregistre(couleur, 100);
const distance = (a, b) => Math.hypot(a.x - b.x, a.y - b.y);
try {
  while (Date.now() < fin) {
    const vaisseaux = await arene.vaisseaux();
    const mien = vaisseaux.find((v) => v.couleur === moi);
    const autres = vaisseaux.filter((v) => v.couleur !== moi);
    if (mien && autres.length > 0) {
      const cible = autres.reduce((a, b) => (distance(a, mien) <= distance(b, mien) ? a : b));
      const voulu = Math.atan2(cible.y - mien.y, cible.x - mien.x);
      const ecart = Math.atan2(Math.sin(voulu - mien.angle), Math.cos(voulu - mien.angle));
      await arene.agit(ecart > 0 ? Commande.GAUCHE : Commande.DROITE);
      if (Math.abs(ecart) < 0.1) await arene.tire();
    }
    await pause(25);
  }
  await arene.quitte();
} catch (erreur) {
  if (!(erreur instanceof ConnexionFermee)) throw erreur; // a closed connection ends the match
}
